// What the node files share: each node type's callback table, defined in the node's own file
// and listed by the registry, and the once-per-update set-up of the nodes that have one.
#pragma once

#include <atomic>
#include <cstdint>

#include "plugin/renderer.h"

namespace orv {

extern const NodeMethods kBlockerMethods;
extern const NodeMethods kTraceMethods;
extern const NodeMethods kRadioStationMethods;
extern const NodeMethods kRadioColorMethods;
extern const NodeMethods kRadioScalarMethods;
extern const NodeMethods kRadioIntegerMethods;
extern const NodeMethods kRadioBooleanMethods;
extern const NodeMethods kRadioVectorMethods;

// The set-up that the station, the trace node and the blocker share: the first evaluation after
// initialize or update reads the node's fixed parameters and builds what depends on them, under
// the node's lock; every later evaluation finds the flag set and takes no lock.

/// 1 once the set-up is complete; update clears it. Set with release ordering after everything
/// the set-up builds, and read with acquire, so that a thread that sees 1 sees it all. It is
/// the first member of every local data that has one (setupFlagOf).
using SetupFlag = std::atomic<uint8_t>;
static_assert(sizeof(SetupFlag) == 1 && SetupFlag::is_always_lock_free,
              "the set-up flag is one lock-free byte");

/// The set-up flag of a node's local data, which begins with it.
inline const SetupFlag& setupFlagOf(const void* localData) {
    return *static_cast<const SetupFlag*>(localData);
}

/// Makes the next evaluation set up again. Update runs while no evaluation of the node does,
/// so it takes no lock.
inline void invalidateSetup(SetupFlag& done) {
    done.store(0, std::memory_order_release);
}

/// The set-up itself, under the lock: see OneTimeSetup. Out of line, so that an evaluation that
/// finds the set-up done pays nothing for it, for speed (bench/README.md).
template <typename Read, typename Build>
__attribute__((noinline)) void setUpUnderLock(SetupFlag& done, CritSec& lock, Read& read,
                                              Build& build) {
    AiCritSecEnter(&lock);
    if (done.load(std::memory_order_acquire) == 0) {
        const auto readings = read();
        if (done.load(std::memory_order_acquire) == 0) {
            build(readings);
            done.store(1, std::memory_order_release);
        }
    }
    AiCritSecLeave(&lock);
}

/// Runs the set-up unless it is done: `read()` evaluates the parameters and returns what it
/// read; `build(readings)` writes the node's local data from it. `read` may run shading networks
/// that reach this very node on this thread (a traced ray shaded through it): the lock is
/// recursive, so such a nested evaluation completes the set-up itself, and other threads may be
/// using it as soon as it has. The flag is therefore tested again after the reads, and a set-up
/// finished meanwhile is left as it is instead of being rebuilt under their feet.
template <typename Read, typename Build>
void OneTimeSetup(SetupFlag& done, CritSec& lock, Read&& read, Build&& build) {
    if (done.load(std::memory_order_acquire) != 0) return;
    setUpUnderLock(done, lock, read, build);
}

}  // namespace orv
