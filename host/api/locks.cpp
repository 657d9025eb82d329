// Critical sections. Recursive, because a set-up that holds one evaluates parameter networks,
// which may reach another evaluation of the same node on the same thread.
#include <mutex>

#include "plugin/renderer.h"

extern "C" {

void AiCritSecInit(CritSec* cs) {
    *cs = new std::recursive_mutex;
}
void AiCritSecEnter(CritSec* cs) {
    static_cast<std::recursive_mutex*>(*cs)->lock();
}
void AiCritSecLeave(CritSec* cs) {
    static_cast<std::recursive_mutex*>(*cs)->unlock();
}
void AiCritSecClose(CritSec* cs) {
    delete static_cast<std::recursive_mutex*>(*cs);
    *cs = nullptr;
}

}  // extern "C"
