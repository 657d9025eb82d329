// Marks for counting a timed loop's instructions under callgrind: the counts are zeroed before
// the loop and dumped after it under the benchmark's name, so that each loop has its own counts.
// Without valgrind's header, or outside valgrind, the marks do nothing.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(label)
#define RUNNING_ON_VALGRIND 0
#endif

namespace bench {

/// The callgrind dump of a timed loop, labelled `name` and the loop's iterations.
inline void dumpInstructions(const benchmark::State& state, const std::string& name) {
    if (!RUNNING_ON_VALGRIND) return;  // the label allocates, which the heap counts would see
    const std::string label =
        name + " iterations " + std::to_string(static_cast<long long>(state.iterations()));
    CALLGRIND_DUMP_STATS_AT(label.c_str());
}

}  // namespace bench
