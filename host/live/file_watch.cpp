#include "live/file_watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "universe/host_error.h"

namespace host {

FileWatch::FileWatch(const std::string& path) {
    const std::filesystem::path file(path);
    name_ = file.filename().string();
    const std::string folder = file.has_parent_path() ? file.parent_path().string() : ".";
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    // Every write is seen, not only the last close: a file being written is left alone until
    // the writes stop.
    const uint32_t events =
        IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM;
    if (fd_ < 0 || ::inotify_add_watch(fd_, folder.c_str(), events) < 0) {
        const std::string reason = std::strerror(errno);
        if (fd_ >= 0) ::close(fd_);
        throw HostError("cannot watch '" + folder + "' for changes to '" + name_ + "': " + reason);
    }
}

FileWatch::~FileWatch() {
    ::close(fd_);
}

bool FileWatch::wait(int timeoutMs) {
    pollfd ready{fd_, POLLIN, 0};
    if (::poll(&ready, 1, timeoutMs) <= 0) return false;
    bool ours = false;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got <= 0) break;  // EAGAIN: all read
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((event->mask & IN_Q_OVERFLOW) || (event->len > 0 && name_ == event->name))
                ours = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return ours;
}

}  // namespace host
