// Every answer of orv-live's API is JSON, errors included, and is never cached: the scene it
// describes changes with every edit.
#pragma once

#include <httplib.h>

#include <nlohmann/json.hpp>
#include <string>

namespace tools::live {

/// `body` as the answer, with `status`.
void replyJson(httplib::Response& response, int status, const nlohmann::json& body);

/// {"error": message, "status": status}.
void replyError(httplib::Response& response, int status, const std::string& message);

/// The headers every answer carries: no caching, no sniffing, no framing by other pages.
void addSafetyHeaders(httplib::Response& response);

}  // namespace tools::live
