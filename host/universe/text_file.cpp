#include "universe/text_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "universe/host_error.h"

namespace host {

std::string readTextFile(const std::string& path, size_t maxBytes) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw HostError(path + ": is a folder, not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int error = errno;
        throw HostError(path + ": " +
                        (fs::exists(path, ec)
                             ? std::string("cannot be read: ") + std::strerror(error)
                             : std::string("no such file")));
    }
    // Read whole, in pieces, up to a bound: a device such as /dev/zero never ends, and a file
    // larger than any scene would exhaust memory before its text was even parsed.
    std::string text;
    const auto size = fs::file_size(path, ec);
    if (!ec && size <= maxBytes) text.reserve(static_cast<size_t>(size));
    char piece[1 << 16];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        if (text.size() + static_cast<size_t>(in.gcount()) > maxBytes)
            throw HostError(path + ": larger than " + std::to_string(maxBytes >> 20) +
                            " MiB, the most read of a text file");
        text.append(piece, static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) throw HostError(path + ": cannot be read");
    return text;
}

}  // namespace host
