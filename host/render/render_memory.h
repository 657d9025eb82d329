// What a render will allocate, and whether the process can hold it: asked before rendering, so
// that a render too large for its limits is refused with the figures instead of failing late.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

/// Memory a render takes beyond what the process holds before it starts.
struct RenderMemory {
    uint64_t image = 0;    ///< the film (every channel) and the bucket list
    uint64_t writing = 0;  ///< the output encoded in memory (and a PNG's 8-bit copy)
    uint64_t threads = 0;  ///< the render threads' sample arenas
    /// Reserved, mostly untouched: the stacks and malloc arenas of the render threads and of
    /// the encoder's. Counts against address-space limits only.
    uint64_t reserved = 0;
    uint64_t resident() const { return image + writing + threads; }
    uint64_t addressSpace() const { return resident() + reserved; }
};

/// `extraChannels`: the film's channels beside the beauty's four.
RenderMemory renderMemory(int width, int height, int threads, int bucketSize,
                          const std::string& outputPath, int extraChannels = 0);

/// What one limit leaves the process. `addressSpace` limits count reservations (thread
/// stacks); the others count only memory touched.
struct MemoryRoom {
    std::string limit;  ///< "the address-space limit (ulimit -v)", ...
    uint64_t bytes = 0;
    bool addressSpace = false;
};

/// Every limit that applies now: RLIMIT_AS and RLIMIT_DATA less what the process maps, the
/// cgroup's memory limit less its use (page cache not counted, as it can be given back), and
/// the machine's available memory and free swap. Unlimited ones are left out.
std::vector<MemoryRoom> memoryRooms();

/// Throws HostError when `need` does not fit in one of `rooms`, naming the render's size, the
/// figures and the limit.
void checkRenderMemory(const RenderMemory& need, const std::vector<MemoryRoom>& rooms, int width,
                       int height);

/// "512 MiB", "4.3 GiB".
std::string formatBytes(uint64_t bytes);

}  // namespace host
