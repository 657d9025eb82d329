#include "access_token.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <stdexcept>

namespace tools::live {

std::string randomToken() {
    std::array<unsigned char, 24> bytes{};
    std::ifstream urandom("/dev/urandom", std::ios::binary);
    if (!urandom.read(reinterpret_cast<char*>(bytes.data()), bytes.size()))
        throw std::runtime_error("cannot read /dev/urandom for the page's token");
    static const char kHex[] = "0123456789abcdef";
    std::string token;
    for (const unsigned char byte : bytes) {
        token += kHex[byte >> 4];
        token += kHex[byte & 15];
    }
    return token;
}

bool sameToken(std::string_view given, std::string_view token) noexcept {
    if (given.size() != token.size() || token.empty()) return false;
    unsigned char differ = 0;
    for (size_t i = 0; i < token.size(); ++i)
        differ |= static_cast<unsigned char>(given[i] ^ token[i]);
    return differ == 0;
}

}  // namespace tools::live
