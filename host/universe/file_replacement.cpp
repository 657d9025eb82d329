#include "universe/file_replacement.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "universe/host_error.h"

namespace host {

namespace fs = std::filesystem;

namespace {

/// Follows symbolic links at the end of `path` to the file they name (which need not exist).
/// False after too many links, as the kernel counts them.
bool followLinks(fs::path* path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path->c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::error_code error;
        const fs::path target = fs::read_symlink(*path, error);
        if (error) return true;  // the open that follows says why
        *path = target.is_absolute() ? target : path->parent_path() / target;
    }
    errno = ELOOP;
    return false;
}

/// A hidden name for a temporary that no one can guess in advance, short enough for any
/// folder whatever the length of the name it stands in for.
std::string temporaryName() {
    unsigned char random[8] = {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
        // Without the kernel's source, still unique among this process's names.
        static unsigned count = 0;
        const unsigned long long mixed =
            (static_cast<unsigned long long>(::getpid()) << 32) ^ (++count * 0x9E3779B97F4A7C15ull);
        std::memcpy(random, &mixed, sizeof random);
    }
    std::string name = ".orv-";
    char hex[3];
    for (unsigned char byte : random) {
        std::snprintf(hex, sizeof hex, "%02x", byte);
        name += hex;
    }
    return name + ".part";
}

bool writeAll(int fd, const void* bytes, size_t size) {
    const char* at = static_cast<const char*>(bytes);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, at + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return ::fsync(fd) == 0;
}

}  // namespace

void FileReplacement::fail(const std::string& reason) const {
    throw HostError("cannot write '" + path_ + "': " + reason);
}

void FileReplacement::failErrno() const {
    fail(std::strerror(errno));
}

FileReplacement::FileReplacement(std::string path) : path_(std::move(path)) {
    fs::path target(path_);
    if (path_.empty()) fail("no file name");
    if (!followLinks(&target)) failErrno();
    const fs::path leaf = target.filename();
    if (leaf.empty() || leaf == "." || leaf == "..") fail("it is a folder");
    name_ = leaf.string();
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

    // Missing folders are made now, outermost first, and unmade if this goes no further.
    std::vector<fs::path> missing;
    for (fs::path at = folder; !at.empty(); at = at.parent_path()) {
        struct stat st;
        if (::stat(at.c_str(), &st) == 0 || errno != ENOENT) break;
        missing.insert(missing.begin(), at);
        if (at == at.parent_path()) break;
    }
    try {
        for (const fs::path& at : missing) {
            if (::mkdir(at.c_str(), 0777) == 0)
                made_.push_back(at.string());
            else if (errno != EEXIST)
                fail("cannot make the folder '" + at.string() + "': " + std::strerror(errno));
        }
        folder_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folder_ < 0) {
            if (errno == ENOTDIR) fail("'" + folder.string() + "' is not a folder");
            failErrno();
        }
        // Asked of the name in its folder, this also finds a name too long to be made.
        struct stat st;
        if (::fstatat(folder_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISDIR(st.st_mode)) fail("it is a folder");
            if (!S_ISREG(st.st_mode)) fail("it is not a regular file");
            // The owner's own mark counts even where the process could write anyway (root).
            if ((st.st_mode & 0222) == 0 ||
                ::faccessat(folder_, name_.c_str(), W_OK, AT_EACCESS) != 0)
                fail("it is read-only");
            exists_ = true;
            device_ = st.st_dev;
            inode_ = st.st_ino;
            mode_ = st.st_mode & 07777;
        } else if (errno != ENOENT) {
            failErrno();
        }
        unnamed_ = ::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (unnamed_ >= 0) return;
        // Refusals that mean "no unnamed files here", as file systems and older kernels give
        // them; others (no room, no permission) are the folder's answer to any file.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) failErrno();
        // Prove that a named temporary can be made, and leave none while the work runs.
        std::string name;
        const int fd = openNamedTemporary(&name);
        if (fd < 0) failErrno();
        ::close(fd);
        ::unlinkat(folder_, name.c_str(), 0);
    } catch (...) {
        release();
        throw;
    }
}

FileReplacement::~FileReplacement() {
    release();
}

void FileReplacement::release() {
    if (unnamed_ >= 0) ::close(unnamed_);
    unnamed_ = -1;
    if (folder_ >= 0) ::close(folder_);
    folder_ = -1;
    if (!committed_)
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) ::rmdir(it->c_str());
    made_.clear();
}

bool FileReplacement::replaces(const std::string& other) const {
    struct stat st;
    return exists_ && ::stat(other.c_str(), &st) == 0 && st.st_dev == device_ &&
           st.st_ino == inode_;
}

int FileReplacement::openNamedTemporary(std::string* name) const {
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = temporaryName();
        const int fd =
            ::openat(folder_, name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

/// Links the unnamed file `fd` at the name: directly when nothing is there, else under a
/// temporary name renamed over the old file. False, with nothing changed, where the link
/// cannot be made (no /proc, a file system that refuses).
bool FileReplacement::linkIntoPlace(int fd) {
    char source[64];
    std::snprintf(source, sizeof(source), "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, source, folder_, name_.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) return false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = temporaryName();
        if (::linkat(AT_FDCWD, source, folder_, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        if (::renameat(folder_, name.c_str(), folder_, name_.c_str()) == 0) return true;
        const int error = errno;
        ::unlinkat(folder_, name.c_str(), 0);
        errno = error;
        failErrno();
    }
    return false;
}

/// Writes to a named temporary and renames it over the name; the temporary is gone whatever
/// happens short of the process being killed.
void FileReplacement::writeThroughNamedTemporary(const void* bytes, size_t size) {
    std::string name;
    const int fd = openNamedTemporary(&name);
    if (fd < 0) failErrno();
    const bool written = (!exists_ || ::fchmod(fd, mode_) == 0) && writeAll(fd, bytes, size);
    const int writeError = errno;
    ::close(fd);
    if (!written || ::renameat(folder_, name.c_str(), folder_, name_.c_str()) != 0) {
        const int error = written ? errno : writeError;
        ::unlinkat(folder_, name.c_str(), 0);
        errno = error;
        failErrno();
    }
}

void FileReplacement::commit(const void* bytes, size_t size) {
    if (folder_ < 0) fail("the folder is no longer open");
    if (unnamed_ >= 0) {
        const int fd = unnamed_;
        // Linked or not, this file is used once: a later commit must not touch what it holds.
        unnamed_ = -1;
        const bool written = (!exists_ || ::fchmod(fd, mode_) == 0) && writeAll(fd, bytes, size);
        const int error = errno;
        const bool linked = written && linkIntoPlace(fd);
        ::close(fd);
        if (!written) {
            errno = error;
            failErrno();
        }
        if (linked) {
            committed_ = true;
            return;
        }
    }
    writeThroughNamedTemporary(bytes, size);
    committed_ = true;
}

}  // namespace host
