// Counts the program's heap allocations (operator new, in every module it loads), so that a
// benchmark can show that its loop allocates nothing once warmed up.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

namespace bench {

/// The user counter that carries allocations per iteration.
constexpr const char* kHeapAllocationsCounter = "heap allocations";

/// Allocations made so far, by any thread.
uint64_t heapAllocations();

/// Starts counting at construction (after the warm-up); at destruction (after the timed loop)
/// records the allocations per iteration as the kHeapAllocationsCounter of `state`. Setting
/// other counters (SetItemsProcessed too) allocates, so none may happen while it counts.
class HeapAllocationScope {
  public:
    explicit HeapAllocationScope(benchmark::State& state)
        : state_(state), start_(heapAllocations()) {}
    ~HeapAllocationScope();
    HeapAllocationScope(const HeapAllocationScope&) = delete;
    HeapAllocationScope& operator=(const HeapAllocationScope&) = delete;

  private:
    benchmark::State& state_;
    uint64_t start_;
};

}  // namespace bench
