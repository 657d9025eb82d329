// Whether the calling thread's stack has room for one more level of traced rays.
#pragma once

#include <cstddef>

namespace host {

/// Stack that one more traced level may take: the hit's sample, its evaluations nested as deep
/// as the host allows (the radio station's frame alone is over a kilobyte), with room to spare
/// for instrumented builds.
constexpr size_t kRayLevelStack = size_t{1} << 20;

/// Whether at least kRayLevelStack bytes of the calling thread's stack lie below this call.
/// The thread's stack end is found on its first call; later calls compare two addresses.
bool stackRoomForARay();

}  // namespace host
