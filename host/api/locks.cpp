// Critical sections. Recursive, because a set-up that holds one evaluates parameter networks,
// which may reach another evaluation of the same node on the same thread.
#include <mutex>
#include <new>

#include "plugin/renderer.h"

namespace {
/// The section of every AiCritSecInit that found no memory for its own: still exclusive and
/// recursive, shared by all of them. In static storage, not the heap, and never
/// destroyed, as plug-ins may close theirs at exit.
std::recursive_mutex& sharedSection() {
    alignas(std::recursive_mutex) static unsigned char storage[sizeof(std::recursive_mutex)];
    static std::recursive_mutex* const shared = new (storage) std::recursive_mutex;
    return *shared;
}
}  // namespace

extern "C" {

void AiCritSecInit(CritSec* cs) {
    auto* own = new (std::nothrow) std::recursive_mutex;
    *cs = own ? own : &sharedSection();
}
void AiCritSecEnter(CritSec* cs) {
    static_cast<std::recursive_mutex*>(*cs)->lock();
}
void AiCritSecLeave(CritSec* cs) {
    static_cast<std::recursive_mutex*>(*cs)->unlock();
}
void AiCritSecClose(CritSec* cs) {
    if (*cs != &sharedSection()) delete static_cast<std::recursive_mutex*>(*cs);
    *cs = nullptr;
}

}  // extern "C"
