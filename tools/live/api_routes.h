// orv-live's routes: the page's files, and the JSON API over one live session.
//   GET  /, /live.css, /live.js   the page (loading / with the token sets the page's cookie)
//   GET  /api/scene               the session's description: nodes, parameters, channels, size
//   POST /api/edit                one edit record; 422 with the reader's message when refused
//   POST /api/undo, /api/redo     409 when there is nothing to undo or redo
//   POST /api/save                {"path": optional .json, relative to the scene's folder}
//   GET  /api/differences         what differs from the file on disk
//   GET  /api/image.png           ?channel=beauty&exposure=0: the newest finished pass
//   GET  /api/explain             ?x=&y=: the explain tree of that pixel of the full frame
//   GET  /api/diagnostics         the diagnostics sink's warnings and errors
//   GET  /api/events              server-sent events: one "pass" event per finished pass
#pragma once

#include <httplib.h>

#include <vector>

#include "access_guard.h"
#include "live/live_session.h"
#include "page_files.h"
#include "pass_events.h"

namespace tools::live {

/// Adds the routes to `server`; every argument must outlive it.
void addRoutes(httplib::Server& server, host::LiveSession& session, PassEvents& events,
               const AccessGuard& guard, const std::vector<PageFile>& page);

}  // namespace tools::live
