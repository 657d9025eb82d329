#include "support/growth_reporter.h"

#include <cmath>
#include <cstdio>

namespace bench {

void setGrowthSize(benchmark::State& state, int64_t n) {
    state.SetComplexityN(n);
    state.counters[kSizeCounter] = static_cast<double>(n);
}

void GrowthReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred || run.complexity_n <= 0)
            continue;
        // CPU time, since wall time on a shared machine counts the waits for a core as well.
        const double seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
        auto& sizes = leastSeconds_[run.run_name.function_name];
        const auto found = sizes.find(run.complexity_n);
        if (found == sizes.end() || seconds < found->second) sizes[run.complexity_n] = seconds;
    }
    ConsoleReporter::ReportRuns(runs);
}

void GrowthReporter::printExponents(const std::string& sizeName) const {
    std::printf("\ngrowth exponent = slope of log CPU time against log %s (1 is linear)\n",
                sizeName.c_str());
    for (const auto& [family, sizes] : leastSeconds_) {
        if (sizes.size() < 2) continue;
        const std::vector<std::pair<double, double>> points(sizes.begin(), sizes.end());
        std::printf("%-24s %zu sizes, %g to %g: %.4f s CPU at the largest, growth exponent %.2f\n",
                    family.c_str(), points.size(), points.front().first, points.back().first,
                    points.back().second, growthExponent(points));
    }
}

double growthExponent(const std::vector<std::pair<double, double>>& points) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [n, seconds] : points) {
        const double x = std::log(n), y = std::log(seconds);
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double k = static_cast<double>(points.size());
    return (k * sxy - sx * sy) / (k * sxx - sx * sx);
}

int runWithGrowthTable(int argc, char** argv, const std::string& sizeName) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    GrowthReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printExponents(sizeName);
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
