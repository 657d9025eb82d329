#include "support/ratio_reporter.h"

#include <algorithm>
#include <cstdio>

#include "support/heap_counter.h"

namespace bench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
        const std::string name = run.run_name.str();
        const double ns = run.GetAdjustedCPUTime();
        const auto found = leastNanoseconds_.find(name);
        if (found == leastNanoseconds_.end() || ns < found->second) leastNanoseconds_[name] = ns;
        const double real = run.GetAdjustedRealTime();
        const auto foundReal = leastRealNanoseconds_.find(name);
        if (foundReal == leastRealNanoseconds_.end() || real < foundReal->second)
            leastRealNanoseconds_[name] = real;
        const auto counter = run.counters.find(kHeapAllocationsCounter);
        if (counter != run.counters.end())
            mostAllocations_ = std::max(mostAllocations_, counter->second.value);
    }
    ConsoleReporter::ReportRuns(runs);
}

void RatioReporter::printRatio(const std::string& label, const std::string& name,
                               const std::string& baseLabel, const std::string& base) const {
    const auto a = leastNanoseconds_.find(name);
    const auto b = leastNanoseconds_.find(base);
    if (a == leastNanoseconds_.end() || b == leastNanoseconds_.end()) return;
    std::printf("%-44s %9.1f ns  %-24s %9.1f ns  ratio %5.2f\n", label.c_str(), a->second,
                baseLabel.c_str(), b->second, a->second / b->second);
}

double RatioReporter::leastNanoseconds(const std::string& name) const {
    const auto found = leastNanoseconds_.find(name);
    return found == leastNanoseconds_.end() ? -1.0 : found->second;
}

double RatioReporter::leastRealNanoseconds(const std::string& name) const {
    const auto found = leastRealNanoseconds_.find(name);
    return found == leastRealNanoseconds_.end() ? -1.0 : found->second;
}

void RatioReporter::printHeapAllocations() const {
    if (mostAllocations_ < 0.0) return;
    std::printf("heap allocations per evaluation after warm-up, most of any benchmark: %g\n",
                mostAllocations_);
}

int runWithRatioTable(int argc, char** argv, int repetitions,
                      void (*table)(const RatioReporter& reporter)) {
    // Defaults go first: a flag given on the command line comes later and wins.
    std::string repeat = "--benchmark_repetitions=" + std::to_string(repetitions);
    std::vector<char*> args{argv[0], repeat.data()};
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf(
        "\nratio = the first cost / its baseline: least CPU time per iteration over the "
        "repetitions of this run\n");
    table(reporter);
    reporter.printHeapAllocations();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
