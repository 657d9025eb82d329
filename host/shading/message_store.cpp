#include "shading/message_store.h"

#include <new>

namespace host {

void MessageStore::set(SampleArena& arena, const char* name, void* value) {
    const uint64_t key = keyOf(name);
    // The slot is this store's own, which set may write.
    if (void** existing = const_cast<void**>(find(name, key))) {
        *existing = value;
        return;
    }
    if (count_ < kInlineSlots) {
        keys_[count_] = key;
        names_[count_] = name;
        values_[count_] = value;
    } else {
        spilled_ = new (arena.allocate(sizeof(Spilled))) Spilled{key, name, value, spilled_};
    }
    ++count_;
}

}  // namespace host
