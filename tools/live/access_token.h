// The secret a page of orv-live is driven with: whoever holds it may edit and save the scene,
// so it is drawn from the system's randomness and compared in time that does not depend on
// where the first difference is.
#pragma once

#include <string>
#include <string_view>

namespace tools::live {

/// 192 random bits as 48 lowercase hex digits, from /dev/urandom. Throws std::runtime_error
/// when the system gives no randomness.
std::string randomToken();

/// True when `given` is `token`; every byte is looked at whatever the first mismatch.
bool sameToken(std::string_view given, std::string_view token) noexcept;

}  // namespace tools::live
