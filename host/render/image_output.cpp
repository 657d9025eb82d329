#include "render/image_output.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "render/image_encoder.h"
#include "universe/host_error.h"
#include "universe/plugin_search.h"

namespace host {

namespace fs = std::filesystem;

std::string imageExtension(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

namespace {

bool isPng(const std::string& path) {
    return imageExtension(path) == ".png";
}

[[noreturn]] void fail(const std::string& path, const std::string& reason) {
    throw HostError("cannot write '" + path + "': " + reason);
}

[[noreturn]] void failErrno(const std::string& path) {
    fail(path, std::strerror(errno));
}

fs::path folderOf(const std::string& path) {
    const fs::path target(path);
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

/// A name for a temporary beside `path` that no other file has yet: hidden, with the path's
/// extension, told apart by process and count.
std::string temporaryName(const std::string& path) {
    static std::atomic<unsigned> made{0};
    const fs::path target(path);
    return (folderOf(path) /
            ("." + target.stem().string() + ".part" + std::to_string(getpid()) + "-" +
             std::to_string(made.fetch_add(1)) + target.extension().string()))
        .string();
}

/// Opens a new named temporary beside `path` for writing; its name in *name. -1 and errno set
/// on failure.
int openNamedTemporary(const std::string& path, std::string* name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = temporaryName(path);
        const int fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool writeAll(int fd, const std::vector<unsigned char>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return ::fsync(fd) == 0;
}

/// Writes `bytes` to a named temporary and renames it over `path`; the temporary is gone
/// whatever happens short of the process being killed.
void writeThroughNamedTemporary(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::string name;
    const int fd = openNamedTemporary(path, &name);
    if (fd < 0) failErrno(path);
    const bool written = writeAll(fd, bytes);
    const int writeError = errno;
    ::close(fd);
    if (!written || ::rename(name.c_str(), path.c_str()) != 0) {
        const int error = written ? errno : writeError;
        ::unlink(name.c_str());
        errno = error;
        failErrno(path);
    }
}

/// Links the unnamed file `fd` at `path`: directly when nothing is there, else under a
/// temporary name renamed over the old file. False, with nothing changed, where the link
/// cannot be made (no /proc, a file system that refuses).
bool linkIntoPlace(int fd, const std::string& path) {
    char source[64];
    std::snprintf(source, sizeof(source), "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, source, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) return false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = temporaryName(path);
        if (::linkat(AT_FDCWD, source, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        if (::rename(name.c_str(), path.c_str()) == 0) return true;
        const int error = errno;
        ::unlink(name.c_str());
        errno = error;
        failErrno(path);
    }
    return false;
}

}  // namespace

void checkImagePath(const std::string& path) {
    const std::string ext = imageExtension(path);
    if (ext != ".exr" && ext != ".png")
        throw HostError("cannot write '" + path +
                        "': the image must be .exr (linear float) or "
                        ".png (sRGB 8-bit)");
}

ImageEncoder imageEncoder() {
    static const ImageEncoder encoder = [] {
        const std::string path = (fs::path(hostLibraryDir()) / ORV_IMAGES_LIBRARY).string();
        // Local: the encoder binds to the host's libraries, nothing binds to it but here.
        void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        void* entry = library ? ::dlsym(library, "orvImageEncoder") : nullptr;
        const ImageEncoder encoder =
            entry ? reinterpret_cast<decltype(&orvImageEncoder)>(entry)() : nullptr;
        if (!encoder) {
            const char* reason = ::dlerror();
            throw HostError("cannot load the image encoder '" + path +
                            "': " + (reason ? reason : "no orvImageEncoder in it"));
        }
        return encoder;
    }();
    return encoder;
}

ImageFile::ImageFile(std::string path) : path_(std::move(path)) {
    checkImagePath(path_);
    // Loaded now, so that a missing encoder is found before any work is done.
    imageEncoder();
    const fs::path folder = folderOf(path_);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) fail(path_, "cannot make the folder '" + folder.string() + "': " + error.message());
    if (fs::is_directory(path_, error)) fail(path_, "it is a folder");
    unnamed_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (unnamed_ >= 0) return;
    // Refusals that mean "no unnamed files here", as file systems and older kernels give them.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) failErrno(path_);
    // Prove that a named temporary can be made, and leave none while the render runs.
    std::string name;
    const int fd = openNamedTemporary(path_, &name);
    if (fd < 0) failErrno(path_);
    ::close(fd);
    ::unlink(name.c_str());
}

ImageFile::~ImageFile() {
    if (unnamed_ >= 0) ::close(unnamed_);
}

void ImageFile::write(const ImageBuffer& image, const ImageFacts& facts) {
    const std::vector<unsigned char> bytes = imageEncoder()(path_, image, facts);
    if (unnamed_ >= 0) {
        if (!writeAll(unnamed_, bytes)) failErrno(path_);
        const bool linked = linkIntoPlace(unnamed_, path_);
        // Linked, the file is the image at the path: a later write must not touch it.
        ::close(unnamed_);
        unnamed_ = -1;
        if (linked) return;
    }
    writeThroughNamedTemporary(path_, bytes);
}

void writeImage(const std::string& path, const ImageBuffer& image, const ImageFacts& facts) {
    ImageFile(path).write(image, facts);
}

uint64_t imageWriteBytes(const std::string& path, int width, int height) {
    const uint64_t pixels = uint64_t(width > 0 ? width : 0) * uint64_t(height > 0 ? height : 0);
    // PNG: the 8-bit copy and the file; EXR: the file. Each at most about its raw size.
    return (isPng(path) ? 2 * 3 * pixels : 16 * pixels) + 65536;
}

float linearToSrgb(float linear) {
    if (!(linear > 0.0f)) return 0.0f;
    if (linear >= 1.0f) return 1.0f;
    return linear <= 0.0031308f ? 12.92f * linear : 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
}

}  // namespace host
