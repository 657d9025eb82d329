// Finished passes, from the session's render thread to the page's event streams: the render
// thread only stores the newest and wakes the streams; each stream sends what it has not sent.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "live/live_session.h"

namespace tools::live {

class PassEvents {
  public:
    /// At most this many streams at once: each holds one of the server's worker threads.
    static constexpr int kMaxStreams = 4;

    /// From the render thread, after every pass.
    void publish(const host::PassInfo& pass);

    /// Waits up to `wait` for a pass newer than `*seen`; gives its event's text and sets
    /// `*seen`. Nothing when none came or the events are closed.
    std::optional<std::string> next(uint64_t* seen, std::chrono::milliseconds wait);

    /// Wakes every stream for good: the server is stopping.
    void close();
    bool closed() const;

    /// A place for one more stream, or false when kMaxStreams are open; leave() gives it back.
    bool enter();
    void leave();

    /// The event's data for `pass`: {"generation","pass","passes","samples","width","height",
    /// "seconds","final"}.
    static std::string eventText(const host::PassInfo& pass);

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    host::PassInfo latest_;
    uint64_t count_ = 0;  ///< passes published
    bool closed_ = false;
    int streams_ = 0;
};

}  // namespace tools::live
