#include "universe/diagnostics.h"

#include <new>

namespace host {

namespace {

std::string bounded(std::string_view text) {
    if (text.size() <= Diagnostics::kMaxText) return std::string(text);
    return std::string(text.substr(0, cutLength(text, Diagnostics::kMaxText - 3))) + "...";
}

}  // namespace

size_t cutLength(std::string_view text, size_t most) noexcept {
    if (text.size() <= most) return text.size();
    size_t cut = most;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

std::string diagnosticText(const Diagnostic& entry) {
    if (entry.count <= 1) return entry.message;
    return entry.message + " (and " + std::to_string(entry.count - 1) + " more like it)";
}

void Diagnostics::report(Severity severity, std::string_view key, const Where& where,
                         std::string_view message) noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    try {
        const std::string kept = bounded(key);
        if (const auto found = index_.find(kept); found != index_.end()) {
            ++entries_[found->second].count;
            return;
        }
        if (entries_.size() < kMaxKept) {
            Diagnostic entry;
            entry.severity = severity;
            entry.key = kept;
            entry.message = bounded(message);
            entry.file = bounded(where.file);
            entry.node = bounded(where.node);
            entry.parameter = bounded(where.parameter);
            entry.pixelX = where.pixelX;
            entry.pixelY = where.pixelY;
            entry.sample = where.sample;
            entry.count = 1;
            entries_.push_back(std::move(entry));
            try {
                index_.emplace(kept, entries_.size() - 1);
            } catch (...) {
                entries_.pop_back();
                throw;
            }
            return;
        }
    } catch (...) {
        // Out of memory: counted below as a report not kept.
    }
    ++unkeptCounts_.unkept;
    ++(severity == Severity::Error ? unkeptCounts_.errors : unkeptCounts_.warnings);
}

std::vector<Diagnostic> Diagnostics::snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
}

Diagnostics::Counts Diagnostics::counts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    Counts counts = unkeptCounts_;
    for (const Diagnostic& entry : entries_)
        ++(entry.severity == Severity::Error ? counts.errors : counts.warnings);
    return counts;
}

void Diagnostics::clear() noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
    index_.clear();
    unkeptCounts_ = Counts{};
    uint32_t next = generation_.load(std::memory_order_relaxed) + 1;
    if (next == 0) next = 1;  // 0 is what a site that never reported holds
    generation_.store(next, std::memory_order_relaxed);
}

Diagnostics::Held Diagnostics::held() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return Held{entries_, unkeptCounts_};
}

void Diagnostics::restore(const Held& held) noexcept {
    clear();
    std::lock_guard<std::mutex> lock(mutex_);
    try {
        entries_ = held.entries;
        for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].key, i);
        unkeptCounts_ = held.unkept;
    } catch (const std::bad_alloc&) {
        entries_.clear();
        index_.clear();
    }
}

Diagnostics& diagnostics() {
    static Diagnostics sink;
    return sink;
}

}  // namespace host
