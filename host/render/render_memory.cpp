#include "render/render_memory.h"

#include <pthread.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "render/image_buffer.h"
#include "render/image_output.h"
#include "shading/sample_state.h"
#include "universe/host_error.h"

namespace host {

namespace {

/// cgroup v1 writes "no limit" as a number near 2^63.
constexpr uint64_t kCgroupNoLimit = uint64_t(1) << 62;

/// The value after "key:" in a /proc file of "key: value kB" lines, in bytes; 0 if absent.
uint64_t procKilobytes(const char* file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, key.size() + 1, key + ":") == 0)
            return std::stoull(line.substr(key.size() + 1)) * 1024;
    return 0;
}

/// The first word of a cgroup file as a number; false for "max" or an unreadable file.
bool cgroupValue(const std::string& file, uint64_t* value) {
    std::ifstream in(file);
    std::string word;
    if (!(in >> word) || word == "max") return false;
    try {
        *value = std::stoull(word);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

/// Page cache that counts as used in a cgroup but is given back under pressure.
uint64_t cgroupCache(const std::string& statFile) {
    std::ifstream in(statFile);
    std::string key;
    uint64_t value = 0, cache = 0;
    while (in >> key >> value)
        if (key == "file" || key == "total_cache") cache = value;  // v2, v1
    return cache;
}

/// Room under the cgroup memory limit of folder `dir` (limit, usage and stat file names).
void addCgroupRoom(const std::string& dir, const char* limitFile, const char* usageFile,
                   std::vector<MemoryRoom>* rooms) {
    uint64_t limit = 0, usage = 0;
    if (!cgroupValue(dir + "/" + limitFile, &limit) || limit >= kCgroupNoLimit) return;
    if (!cgroupValue(dir + "/" + usageFile, &usage)) usage = 0;
    const uint64_t cache = std::min(usage, cgroupCache(dir + "/memory.stat"));
    const uint64_t used = usage - cache;
    rooms->push_back({std::string("the cgroup memory limit (") + dir + "/" + limitFile + ")",
                      limit > used ? limit - used : 0, false});
}

/// The process's cgroups: the unified hierarchy's limits on each level up from its own, and
/// the version 1 memory controller's. A cgroup namespace shows the process's own cgroup at
/// the mount's root, so the root is tried where the path is not found.
void addCgroupRooms(std::vector<MemoryRoom>* rooms) {
    std::ifstream in("/proc/self/cgroup");
    std::string line;
    while (std::getline(in, line)) {
        const size_t first = line.find(':'), second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        std::string path = line.substr(second + 1);
        if (controllers.empty()) {
            for (const char* mount : {"/sys/fs/cgroup", "/sys/fs/cgroup/unified"}) {
                std::ifstream probe(std::string(mount) + "/cgroup.controllers");
                if (!probe) continue;
                const std::string root = mount;
                std::string dir = path == "/" ? root : root + path;
                if (!std::ifstream(dir + "/memory.max")) dir = root;
                for (;;) {
                    addCgroupRoom(dir, "memory.max", "memory.current", rooms);
                    if (dir.size() <= root.size()) break;
                    dir.erase(dir.rfind('/'));
                }
                break;
            }
        } else if (("," + controllers + ",").find(",memory,") != std::string::npos) {
            std::string dir = "/sys/fs/cgroup/memory" + path;
            if (!std::ifstream(dir + "/memory.limit_in_bytes")) dir = "/sys/fs/cgroup/memory";
            addCgroupRoom(dir, "memory.limit_in_bytes", "memory.usage_in_bytes", rooms);
        }
    }
}

void addLimitRoom(int resource, const char* name, const char* statusKey,
                  std::vector<MemoryRoom>* rooms) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return;
    const uint64_t used = procKilobytes("/proc/self/status", statusKey);
    const uint64_t cap = limit.rlim_cur;
    rooms->push_back({name, cap > used ? cap - used : 0, true});
}

uint64_t threadStackBytes() {
    pthread_attr_t attr;
    size_t size = 8u << 20;
    if (pthread_getattr_default_np(&attr) == 0) {
        pthread_attr_getstacksize(&attr, &size);
        pthread_attr_destroy(&attr);
    }
    return size;
}

/// What a new thread reserves: its stack and, on its first allocation, a malloc arena.
uint64_t threadReservation() {
    constexpr uint64_t kMallocArena = uint64_t(64) << 20;  // glibc's heap size on 64-bit
    return threadStackBytes() + kMallocArena;
}

}  // namespace

RenderMemory renderMemory(int width, int height, int threads, int bucketSize,
                          const std::string& outputPath, int extraChannels) {
    const uint64_t w = uint64_t(std::max(width, 0)), h = uint64_t(std::max(height, 0));
    const uint64_t side = uint64_t(std::max(bucketSize, 1));
    const uint64_t buckets = ((w + side - 1) / side) * ((h + side - 1) / side);
    RenderMemory need;
    const uint64_t more = uint64_t(std::max(extraChannels, 0));
    need.image = w * h * (sizeof(RGBA) + more * sizeof(float)) + buckets * 4 * sizeof(int);
    need.writing = imageWriteBytes(outputPath, width, height, extraChannels);
    const uint64_t n = uint64_t(std::max(threads, 1));
    need.threads = n * (sizeof(ThreadContext) + 64 * 1024);
    // OpenEXR compresses on a pool of one thread per core, started after the render threads
    // have ended: those take over their stacks (kept by the C library) and malloc arenas.
    const uint64_t encoders = imageExtension(outputPath) == ".exr"
                                  ? std::max(1u, std::thread::hardware_concurrency())
                                  : 0;
    need.reserved = std::max(n, encoders) * threadReservation();
    return need;
}

std::vector<MemoryRoom> memoryRooms() {
    std::vector<MemoryRoom> rooms;
    addLimitRoom(RLIMIT_AS, "the address-space limit (ulimit -v)", "VmSize", &rooms);
    addLimitRoom(RLIMIT_DATA, "the data limit (ulimit -d)", "VmData", &rooms);
    addCgroupRooms(&rooms);
    const uint64_t available = procKilobytes("/proc/meminfo", "MemAvailable");
    if (available > 0)
        rooms.push_back({"the machine's available memory and free swap",
                         available + procKilobytes("/proc/meminfo", "SwapFree"), false});
    return rooms;
}

void checkRenderMemory(const RenderMemory& need, const std::vector<MemoryRoom>& rooms, int width,
                       int height) {
    for (const MemoryRoom& room : rooms) {
        const uint64_t wanted = room.addressSpace ? need.addressSpace() : need.resident();
        if (wanted <= room.bytes) continue;
        std::ostringstream text;
        text << "a " << width << "x" << height << " render needs about " << formatBytes(wanted)
             << " (image " << formatBytes(need.image) << ", writing it "
             << formatBytes(need.writing) << ", threads "
             << formatBytes(need.threads + (room.addressSpace ? need.reserved : 0))
             << "), more than the " << formatBytes(room.bytes) << " that " << room.limit
             << " leaves; lower --res or raise the limit";
        throw HostError(text.str());
    }
}

std::string formatBytes(uint64_t bytes) {
    const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024.0 && unit < 4) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof(text),
                  unit == 0 || value >= 100 ? "%.0f %s"
                  : value >= 10             ? "%.1f %s"
                                            : "%.2f %s",
                  value, units[unit]);
    return text;
}

}  // namespace host
