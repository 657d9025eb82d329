// Who may drive an orv-live page: the page can edit and save files, so every request is
// looked at before it is routed, and refused unless it carries the token, names the loopback
// address it was sent to, and comes from the page itself rather than from another site.
#pragma once

#include <httplib.h>

#include <optional>
#include <string>

namespace tools::live {

/// Bounds on what a request may be, so that a client cannot make the server hold much.
constexpr size_t kMaxTarget = 4096;    ///< bytes of path and query
constexpr size_t kMaxBody = 1u << 20;  ///< bytes of a POST body (an edit is a few hundred)

struct Refusal {
    int status;           ///< 403, 414 or 415
    std::string message;  ///< why, for the JSON error
};

class AccessGuard {
  public:
    AccessGuard(int port, std::string token);

    /// Why `request` is refused, or nothing when it may go on. Looked at, in order: the size of
    /// its target, its Host (127.0.0.1:PORT or localhost:PORT: no other name, against DNS
    /// rebinding), its Origin and Sec-Fetch-Site (absent, or this page's own), the token (query
    /// `token=`, header X-Orv-Token or the page's cookie) and, for a POST with a body, a JSON
    /// content type (which no other page can send without asking first).
    std::optional<Refusal> check(const httplib::Request& request) const;

    /// The Set-Cookie value that lets the page's own requests through after it was loaded
    /// with the token: named for the port, as cookies are shared between the ports of a host.
    std::string cookie() const;
    /// The page's address, as printed: http://127.0.0.1:PORT/?token=...
    std::string address() const;

  private:
    bool hasToken(const httplib::Request& request) const;

    int port_;
    std::string token_;
    std::string cookieName_;
};

}  // namespace tools::live
