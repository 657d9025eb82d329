// Render threads with stable indices.
#pragma once

#include <chrono>
#include <functional>

namespace host {

/// Runs work(index) on `count` new threads, index 0 .. count-1, each on its own thread for the
/// whole call, and returns how many ran. Should the system refuse a thread (a process or
/// memory limit), those already started do the work alone: `work` is to share it out, not
/// count on every index; with none started, HostError says why. Meanwhile the calling thread
/// runs `tick` about every `interval` (for progress) and once more after all have returned.
/// An exception escaping `work` is rethrown here after every thread has been joined.
int runThreads(int count, const std::function<void(int index)>& work,
               const std::function<void()>& tick,
               std::chrono::milliseconds interval = std::chrono::milliseconds(100));

}  // namespace host
