#include "access_guard.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "access_token.h"

namespace tools::live {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

/// The value of cookie `name` in a Cookie header ("a=1; b=2"), or nothing.
std::optional<std::string> cookieValue(const std::string& header, const std::string& name) {
    size_t at = 0;
    while (at < header.size()) {
        size_t end = header.find(';', at);
        if (end == std::string::npos) end = header.size();
        size_t from = at;
        while (from < end && header[from] == ' ') ++from;
        const std::string pair = header.substr(from, end - from);
        const size_t equals = pair.find('=');
        if (equals != std::string::npos && pair.compare(0, equals, name) == 0)
            return pair.substr(equals + 1);
        at = end + 1;
    }
    return std::nullopt;
}

}  // namespace

AccessGuard::AccessGuard(int port, std::string token)
    : port_(port), token_(std::move(token)), cookieName_("orv_live_" + std::to_string(port)) {}

std::string AccessGuard::cookie() const {
    // HttpOnly: no script reads it; SameSite=Strict: no other site's page sends it.
    return cookieName_ + "=" + token_ + "; Path=/; HttpOnly; SameSite=Strict";
}

std::string AccessGuard::address() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/?token=" + token_;
}

bool AccessGuard::hasToken(const httplib::Request& request) const {
    if (request.has_param("token") && sameToken(request.get_param_value("token"), token_))
        return true;
    if (request.has_header("X-Orv-Token") &&
        sameToken(request.get_header_value("X-Orv-Token"), token_))
        return true;
    // Every Cookie header: a client may send more than one.
    const size_t cookies = request.get_header_value_count("Cookie");
    for (size_t i = 0; i < cookies; ++i) {
        const auto value = cookieValue(request.get_header_value("Cookie", i), cookieName_);
        if (value && sameToken(*value, token_)) return true;
    }
    return false;
}

std::optional<Refusal> AccessGuard::check(const httplib::Request& request) const {
    if (request.target.size() > kMaxTarget)
        return Refusal{414, "the request's path and query are longer than " +
                                std::to_string(kMaxTarget) + " bytes"};
    const std::string port = ":" + std::to_string(port_);
    if (request.get_header_value_count("Host") != 1)
        return Refusal{403, "expected one Host header, 127.0.0.1" + port + " or localhost" + port};
    const std::string host = lower(request.get_header_value("Host"));
    if (host != "127.0.0.1" + port && host != "localhost" + port)
        return Refusal{403, "Host '" + host + "' is not this server: expected 127.0.0.1" + port +
                                " or localhost" + port};
    if (request.has_header("Origin")) {
        const std::string origin = lower(request.get_header_value("Origin"));
        if (origin != "http://127.0.0.1" + port && origin != "http://localhost" + port)
            return Refusal{403, "requests from another origin ('" + origin +
                                    "') are refused: this page alone may drive the server"};
    }
    if (request.has_header("Sec-Fetch-Site")) {
        const std::string site = lower(request.get_header_value("Sec-Fetch-Site"));
        if (site != "same-origin" && site != "none")
            return Refusal{403, "a request from a " + site + " page is refused"};
    }
    if (!hasToken(request))
        return Refusal{403, "no valid token: open the address orv-live printed, with its ?token="};
    const bool hasBody = request.get_header_value<uint64_t>("Content-Length") > 0 ||
                         request.has_header("Transfer-Encoding");
    if (request.method == "POST" && (hasBody || request.has_header("Content-Type"))) {
        const std::string type = lower(request.get_header_value("Content-Type"));
        if (type.rfind("application/json", 0) != 0)
            return Refusal{415, "a POST body must be application/json"};
    }
    return std::nullopt;
}

}  // namespace tools::live
