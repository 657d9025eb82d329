#include "json_reply.h"

namespace tools::live {

void addSafetyHeaders(httplib::Response& response) {
    response.set_header("Cache-Control", "no-store");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("X-Frame-Options", "DENY");
    response.set_header("Referrer-Policy", "no-referrer");
}

void replyJson(httplib::Response& response, int status, const nlohmann::json& body) {
    response.status = status;
    addSafetyHeaders(response);
    // Invalid UTF-8 in a message (a scene's odd name) is replaced rather than thrown on.
    response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                         "application/json");
}

void replyError(httplib::Response& response, int status, const std::string& message) {
    replyJson(response, status, {{"error", message}, {"status", status}});
}

}  // namespace tools::live
