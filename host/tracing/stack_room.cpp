#include "tracing/stack_room.h"

#include <pthread.h>

#include <cstdint>

namespace host {

namespace {

/// The lowest address of this thread's stack, 0 until the thread's first question, 1 where it
/// cannot be told (every ray is then allowed). Initial-exec: this library is loaded with the
/// program, so reading it is one load rather than a call.
thread_local __attribute__((tls_model("initial-exec"))) uintptr_t tStackEnd = 0;

uintptr_t stackEnd() {
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0) return 1;
    void* lowest = nullptr;
    size_t size = 0;
    const int failed = pthread_attr_getstack(&attributes, &lowest, &size);
    pthread_attr_destroy(&attributes);
    return failed || !lowest ? 1 : reinterpret_cast<uintptr_t>(lowest);
}

}  // namespace

bool stackRoomForARay() {
    if (tStackEnd == 0) tStackEnd = stackEnd();
    const auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    return here > tStackEnd && here - tStackEnd > kRayLevelStack;
}

}  // namespace host
