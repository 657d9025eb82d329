// One sample's messages: names mapped to pointers, the first few inline and the rest in
// memory taken from the sample's arena.
#pragma once

#include <cstdint>
#include <cstring>

#include "shading/sample_arena.h"

namespace host {

class MessageStore {
  public:
    /// User-provided, so that value-initialising a store (as every sample does) writes its two
    /// counters only and not its slots.
    MessageStore() {}

    /// Publishes or replaces `name`. The name is kept by pointer: it must outlive the sample.
    /// False, with nothing changed, when a new name needs memory the arena cannot give.
    bool set(SampleArena& arena, const char* name, void* value);
    /// The pointer published under `name`: the same text, whether or not the same address.
    /// Inline, as it runs for every message a shader reads.
    bool get(const char* name, void** value) const {
        void* const* found = find(name, keyOf(name));
        if (!found) return false;
        *value = *found;
        return true;
    }
    int size() const { return count_; }

  private:
    /// Enough for a station's ten channels and a few more; later names go to the arena.
    static constexpr int kInlineSlots = 16;

    /// The first 7 bytes of a name and, in the top byte, its length (at most 255): equal keys
    /// of names shorter than 8 bytes are equal names.
    static uint64_t keyOf(const char* name) {
        uint64_t key = 0;
        size_t length = 0;
        for (; length < 7 && name[length] != '\0'; ++length)
            key |= static_cast<uint64_t>(static_cast<unsigned char>(name[length])) << (8 * length);
        // The rest of a longer name by the library's strlen, which reads many bytes at a time.
        if (length == 7 && name[7] != '\0') length = 8 + std::strlen(name + 8);
        return key | static_cast<uint64_t>(length < 255 ? length : 255) << 56;
    }
    /// Whether names a and b, of equal keys `key`, are the same text. Names are nearly always
    /// the same static strings, so the address settles long names too.
    static bool sameName(const char* a, const char* b, uint64_t key) {
        return (key >> 56) < 8 || a == b || std::strcmp(a + 7, b + 7) == 0;
    }

    struct Spilled {
        uint64_t key;
        const char* name;
        void* value;
        Spilled* next;
    };
    /// The value slot published under `name` (of key `key`), or null.
    void* const* find(const char* name, uint64_t key) const {
        const int inlined = count_ < kInlineSlots ? count_ : kInlineSlots;
        for (int i = 0; i < inlined; ++i)
            if (keys_[i] == key && sameName(names_[i], name, key)) return &values_[i];
        for (const Spilled* s = spilled_; s; s = s->next)
            if (s->key == key && sameName(s->name, name, key)) return &s->value;
        return nullptr;
    }

    // Keys apart from names and values, so that a look-up scans one short array.
    uint64_t keys_[kInlineSlots];
    const char* names_[kInlineSlots];
    void* values_[kInlineSlots];
    Spilled* spilled_ = nullptr;
    int count_ = 0;
};

}  // namespace host
