// How orv-live's HTTP server is set up: bounded in threads, time and size, every request
// through the access guard before it is routed, and every error answered as JSON.
#pragma once

#include <httplib.h>

#include "access_guard.h"

namespace tools::live {

/// Worker threads answering requests; an event stream holds one, so PassEvents::kMaxStreams
/// is less. Further connections wait in the queue rather than start threads.
constexpr size_t kWorkers = 8;

/// Sets `server`'s bounds and worker pool: call before binding.
void limitServer(httplib::Server& server);

/// Routes every request through `guard` first (refused with its status and a JSON error,
/// before any body is read), and answers errors (404, 413, exceptions) as JSON: 400 for a
/// malformed query or body, 422 for what the session refuses, 500 for anything else.
void guardServer(httplib::Server& server, const AccessGuard& guard);

}  // namespace tools::live
