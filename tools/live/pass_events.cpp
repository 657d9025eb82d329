#include "pass_events.h"

#include <nlohmann/json.hpp>

namespace tools::live {

void PassEvents::publish(const host::PassInfo& pass) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        latest_ = pass;
        ++count_;
    }
    changed_.notify_all();
}

std::optional<std::string> PassEvents::next(uint64_t* seen, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, wait, [&] { return closed_ || count_ != *seen; });
    if (closed_ || count_ == *seen) return std::nullopt;
    *seen = count_;
    return "event: pass\ndata: " + eventText(latest_) + "\n\n";
}

void PassEvents::close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

bool PassEvents::closed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}

bool PassEvents::enter() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_ || streams_ >= kMaxStreams) return false;
    ++streams_;
    return true;
}

void PassEvents::leave() {
    std::lock_guard<std::mutex> lock(mutex_);
    --streams_;
}

std::string PassEvents::eventText(const host::PassInfo& pass) {
    return nlohmann::json{{"generation", pass.generation}, {"pass", pass.pass},
                          {"passes", pass.passes},         {"samples", pass.samples},
                          {"width", pass.width},           {"height", pass.height},
                          {"seconds", pass.seconds},       {"final", pass.final}}
        .dump();
}

}  // namespace tools::live
