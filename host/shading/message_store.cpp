#include "shading/message_store.h"

#include <cstring>
#include <new>

namespace host {

MessageStore::Entry* MessageStore::find(const char* name) const {
    // Names are nearly always the same static strings, so compare addresses before text.
    for (Entry* e = head_; e; e = e->next)
        if (e->name == name) return e;
    for (Entry* e = head_; e; e = e->next)
        if (std::strcmp(e->name, name) == 0) return e;
    return nullptr;
}

void MessageStore::set(SampleArena& arena, const char* name, void* value) {
    if (Entry* existing = find(name)) {
        existing->value = value;
        return;
    }
    head_ = new (arena.allocate(sizeof(Entry))) Entry{name, value, head_};
    ++count_;
}

bool MessageStore::get(const char* name, void** value) const {
    const Entry* e = find(name);
    if (!e) return false;
    *value = e->value;
    return true;
}

}  // namespace host
