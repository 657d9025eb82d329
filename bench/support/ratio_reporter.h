// The ratio table shared by the benchmark programs: each pair's cost beside its baseline's,
// from the least CPU time per iteration over the repetitions of one run, so that a loaded
// machine's slow repetitions do not count.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

/// The console table as usual, and for each benchmark its least CPU time per iteration and
/// its largest heap allocations per iteration (the "heap allocations" counter).
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override;

    /// Prints one line, ending in "ratio N", for `name` against `base` (benchmark names);
    /// nothing when either did not run.
    void printRatio(const std::string& label, const std::string& name, const std::string& baseLabel,
                    const std::string& base) const;
    /// The largest heap allocations per iteration of any benchmark that counted them.
    void printHeapAllocations() const;

    /// The least CPU time, and the least real time (the manual time, where a benchmark keeps
    /// its own), per iteration of `name` over the repetitions, in the benchmark's time unit;
    /// negative when it did not run.
    double leastNanoseconds(const std::string& name) const;
    double leastRealNanoseconds(const std::string& name) const;

  private:
    std::map<std::string, double> leastNanoseconds_;
    std::map<std::string, double> leastRealNanoseconds_;
    double mostAllocations_ = -1.0;
};

/// Initialises Google Benchmark with `repetitions` repetitions unless the command line asks
/// otherwise, runs every benchmark through a RatioReporter, then calls `table` with it.
/// Returns the program's exit status.
int runWithRatioTable(int argc, char** argv, int repetitions,
                      void (*table)(const RatioReporter& reporter));

}  // namespace bench
