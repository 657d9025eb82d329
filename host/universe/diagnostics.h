// The process's one diagnostics sink: every warning the host gives, from reading a scene to a
// render thread's sample, is reported here, and the tools (and a live page) show what it holds.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace host {

enum class Severity : uint8_t {
    Warning,  ///< the result is made, but most likely not what was meant
    Error,    ///< the result cannot be made as asked
};

/// Where a report comes from, as far as the reporter knows: empty names and negative numbers
/// are not known. Views, so that a render thread reports without building strings first.
struct Where {
    std::string_view file;
    std::string_view node;
    std::string_view parameter;
    int64_t pixelX = -1, pixelY = -1, sample = -1;  ///< in frame pixels; the camera sample
};

/// One warning as kept: the first report of its key, and how often the key was reported.
struct Diagnostic {
    Severity severity = Severity::Warning;
    std::string key;
    std::string message;
    std::string file, node, parameter;
    int64_t pixelX = -1, pixelY = -1, sample = -1;
    uint64_t count = 0;
};

/// The longest start of `text` of at most `most` bytes that does not end inside a UTF-8
/// character: where a name shown in a message is cut.
size_t cutLength(std::string_view text, size_t most) noexcept;

/// A name longer than this is shown in messages by this much of its beginning and "...", so
/// that a message naming two stays one line of a few hundred characters.
constexpr size_t kMaxShownName = 128;

/// The message a user reads: the first report's, with the count of the others.
std::string diagnosticText(const Diagnostic& entry);

/// Safe from any number of threads. Reporting takes a lock and copies the report: it is for
/// rare events. A site that could report at every sample guards itself with a ReportOnce, so
/// that once it has reported, it costs a load and a compare.
class Diagnostics {
  public:
    /// Keys kept; reports of further keys are only counted, so that a scene of a million odd
    /// values or a render that refuses every node costs no more memory than a few.
    static constexpr size_t kMaxKept = 50;
    /// Longest message, file, node or parameter kept, in bytes; longer ones end in "...".
    static constexpr size_t kMaxText = 1024;

    /// Keeps the report under `key`, or counts it when the key is kept already. Never throws:
    /// a report that cannot be kept (no memory) is counted as not kept.
    void report(Severity severity, std::string_view key, const Where& where,
                std::string_view message) noexcept;

    /// The entries kept, in the order their keys were first reported.
    std::vector<Diagnostic> snapshot() const;

    struct Counts {
        uint64_t warnings = 0;  ///< keys of warnings, kept or not
        uint64_t errors = 0;    ///< keys of errors, kept or not
        uint64_t unkept = 0;    ///< reports past kMaxKept keys, whose keys were not kept
    };
    Counts counts() const;

    /// Forgets every entry and starts a new generation, in which every ReportOnce reports again:
    /// between renders of one session.
    void clear() noexcept;
    /// What the sink holds, to be given back by restore.
    struct Held {
        std::vector<Diagnostic> entries;
        Counts unkept;
    };
    Held held() const;
    /// Clears (a new generation, as clear) and then holds `held` again: what a pass that would
    /// report the same as the one that left `held` leaves, without running it. Never throws: what
    /// cannot be kept (no memory) is dropped.
    void restore(const Held& held) noexcept;

    /// Changes with each clear; never 0.
    uint32_t generation() const noexcept { return generation_.load(std::memory_order_relaxed); }

  private:
    mutable std::mutex mutex_;
    std::vector<Diagnostic> entries_;
    std::unordered_map<std::string, size_t> index_;  ///< key to its entry
    Counts unkeptCounts_;
    std::atomic<uint32_t> generation_{1};
};

/// The process's sink.
Diagnostics& diagnostics();

/// A place in the code that would say the same thing again and again (a node refused at every
/// sample): it reports once per generation of the sink, and after that costs two loads and a
/// compare, with no lock.
class ReportOnce {
  public:
    /// True for the first caller of this generation, on any thread; false for every other.
    bool first() noexcept {
        const uint32_t now = diagnostics().generation();
        return given_.load(std::memory_order_relaxed) != now &&
               given_.exchange(now, std::memory_order_relaxed) != now;
    }
    /// Marks the site as reported in this generation, returning what it held: with restore, a
    /// pass whose reports are not its own to give silences it for a while.
    uint32_t silence() noexcept { return given_.exchange(diagnostics().generation()); }
    void restore(uint32_t held) noexcept { given_.store(held); }

  private:
    std::atomic<uint32_t> given_{0};
};

}  // namespace host
