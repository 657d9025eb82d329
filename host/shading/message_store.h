// One sample's messages: names mapped to pointers, in memory taken from the sample's arena.
#pragma once

#include "shading/sample_arena.h"

namespace host {

class MessageStore {
  public:
    /// Publishes or replaces `name`. The name is kept by pointer: it must outlive the sample.
    void set(SampleArena& arena, const char* name, void* value);
    /// The pointer published under `name`, found by identity first and by text after.
    bool get(const char* name, void** value) const;
    int size() const { return count_; }

  private:
    struct Entry {
        const char* name;
        void* value;
        Entry* next;
    };
    Entry* find(const char* name) const;

    Entry* head_ = nullptr;
    int count_ = 0;
};

}  // namespace host
