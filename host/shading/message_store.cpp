#include "shading/message_store.h"

#include <new>

namespace host {

bool MessageStore::set(SampleArena& arena, const char* name, void* value) {
    const uint64_t key = keyOf(name);
    // The slot is this store's own, which set may write.
    if (void** existing = const_cast<void**>(find(name, key))) {
        *existing = value;
        return true;
    }
    if (count_ < kInlineSlots) {
        keys_[count_] = key;
        names_[count_] = name;
        values_[count_] = value;
    } else {
        void* memory = arena.allocate(sizeof(Spilled));
        if (!memory) return false;
        spilled_ = new (memory) Spilled{key, name, value, spilled_};
    }
    ++count_;
    return true;
}

}  // namespace host
