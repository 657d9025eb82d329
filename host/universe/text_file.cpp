#include "universe/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "universe/host_error.h"

namespace host {

namespace {

/// Closes a descriptor on every way out.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

std::string tooLarge(const std::string& path, size_t maxBytes) {
    return path + ": larger than " + std::to_string(maxBytes >> 20) +
           " MiB, the most read of a text file";
}

}  // namespace

std::string readTextFile(const std::string& path, size_t maxBytes) {
    // Opened without blocking, so that a FIFO with no writer is refused below rather than
    // waited on for ever; what is opened is what is judged.
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        const int error = errno;
        throw HostError(path + ": " +
                        (error == ENOENT ? std::string("no such file")
                                         : std::string("cannot be read: ") + std::strerror(error)));
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        throw HostError(path + ": cannot be read: " + std::strerror(errno));
    if (S_ISDIR(status.st_mode)) throw HostError(path + ": is a folder, not a file");
    // Only regular files: a device such as /dev/zero never ends, a FIFO or a terminal waits.
    if (!S_ISREG(status.st_mode)) throw HostError(path + ": is not a regular file");
    if (static_cast<unsigned long long>(status.st_size) > maxBytes)
        throw HostError(tooLarge(path, maxBytes));
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags >= 0) ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK);

    // Read straight into the text, which grows on the heap: the file may still grow while it
    // is read, so the bound holds for what is read, not for what was stated.
    std::string text;
    text.resize(static_cast<size_t>(status.st_size) + 1);
    size_t used = 0;
    for (;;) {
        if (used == text.size()) {
            if (used > maxBytes) throw HostError(tooLarge(path, maxBytes));
            text.resize(std::min(maxBytes + 1, std::max<size_t>(used * 2, 4096)));
        }
        const ssize_t n = ::read(file.get(), &text[used], text.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw HostError(path + ": cannot be read: " + std::strerror(errno));
        }
        if (n == 0) break;
        used += static_cast<size_t>(n);
    }
    if (used > maxBytes) throw HostError(tooLarge(path, maxBytes));
    text.resize(used);
    return text;
}

}  // namespace host
