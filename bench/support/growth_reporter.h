// How a cost grows with the size of the work: for each benchmark family, the least CPU time per
// iteration at each size over the repetitions of one run, and the least-squares slope of log
// time against log size (1 for a cost linear in the size, 0 for one that does not grow).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

/// The user counter that carries a growth benchmark's size into the JSON output as well.
constexpr const char* kSizeCounter = "size";

/// Marks `state`'s run as one of size `n` (for the reporter and for the JSON output).
void setGrowthSize(benchmark::State& state, int64_t n);

/// The console table as usual, keeping every sized run's CPU time.
class GrowthReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override;

    /// One line per family run at two sizes or more, ending in "growth exponent N".
    void printExponents(const std::string& sizeName) const;

  private:
    /// Family -> size -> least CPU seconds per iteration.
    std::map<std::string, std::map<int64_t, double>> leastSeconds_;
};

/// Least-squares slope of log(seconds) against log(size) over (size, seconds) pairs.
double growthExponent(const std::vector<std::pair<double, double>>& points);

/// Initialises Google Benchmark, runs every benchmark through a GrowthReporter and prints the
/// exponents, sizes named `sizeName`. Returns the program's exit status.
int runWithGrowthTable(int argc, char** argv, const std::string& sizeName);

}  // namespace bench
