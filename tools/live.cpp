// orv-live: serves a page on 127.0.0.1 that edits a scene and shows it re-rendering, pass by
// pass, with every pixel explained. The address printed carries a random token; the scene
// file changes only when the page saves.
#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "command_line.h"
#include "live/access_guard.h"
#include "live/access_token.h"
#include "live/api_routes.h"
#include "live/live_session.h"
#include "live/page_files.h"
#include "live/pass_events.h"
#include "live/server_setup.h"
#include "scene/scene_error.h"
#include "universe/host_error.h"
#include "universe/plugin_search.h"

int main(int argc, char** argv) {
    tools::beginTool();
    CLI::App app{
        "Serve a page on 127.0.0.1 that edits SCENE and shows it re-rendering as each pass "
        "finishes; click a pixel to see why it has its colour. Prints the page's address, with "
        "its token, on standard output. The scene file changes only when the page saves. "
        "Ctrl-C ends it (exit status 130)."};
    std::string scenePath;
    int port = 0, threads = -1;
    std::vector<std::string> plugins;
    app.add_option("scene", scenePath, "scene file (JSON)")->required();
    tools::addIntegerOption(app, "-p,--port", port, 1, 65535,
                            "port on 127.0.0.1, 1 to 65535 (default: a free one)");
    tools::addIntegerOption(app, "-t,--threads", threads, 0, 255,
                            "render threads, 0 to 255; 0 = all cores (default: the scene's)");
    app.add_option("--plugin", plugins, "load another plug-in module (repeatable)");
    if (const auto stop = tools::parseCommandLine(app, argc, argv, "orv-live")) return *stop;

    try {
        tools::catchStops("orv-live");
        const std::vector<tools::live::PageFile> page =
            tools::live::readPageFiles(host::dataDir() + "/live");
        // Declared in the order they may be taken down in reverse: the server's workers use the
        // session and the events, and the session's render thread publishes into the events.
        tools::live::PassEvents events;
        host::LiveOptions options;
        options.read.plugins = plugins;
        options.threads = threads;
        host::LiveSession session(scenePath, options);
        tools::DiagnosticsPrinter diagnostics("orv-live");
        diagnostics.print();

        httplib::Server server;
        tools::live::limitServer(server);
        const int bound = port != 0 ? (server.bind_to_port("127.0.0.1", port) ? port : -1)
                                    : server.bind_to_any_port("127.0.0.1");
        if (bound <= 0)
            throw host::HostError("cannot listen on 127.0.0.1" +
                                  (port != 0 ? ":" + std::to_string(port) + " (in use?)"
                                             : std::string(": no free port")));
        const tools::live::AccessGuard guard(bound, tools::live::randomToken());
        tools::live::guardServer(server, guard);
        tools::live::addRoutes(server, session, events, guard, page);

        tools::armStops();
        session.start([&events](const host::PassInfo& pass) { events.publish(pass); });
        std::atomic<bool> listened{false};
        std::thread listener([&server, &listened] {
            server.listen_after_bind();
            listened.store(true);
        });
        tools::say("orv-live", scenePath + ": " + std::to_string(session.width()) + "x" +
                                   std::to_string(session.height()) +
                                   "; open the page at the address below (Ctrl-C ends it)");
        int status = tools::writeOutput("orv-live", guard.address() + "\n");
        while (status == 0 && !tools::gStopRequested.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            diagnostics.print();
            if (listened.load()) {
                tools::say("orv-live", "the server stopped listening");
                status = 1;
            }
        }
        events.close();
        server.stop();
        listener.join();
        if (status != 0) return status;
        const bool unsaved = session.differences().value("changed", false);
        tools::say("orv-live", unsaved ? "stopped; the edits not saved are dropped, " + scenePath +
                                             " is as last saved"
                                       : "stopped; " + scenePath + " is as last saved");
        return 130;
    } catch (const host::SceneError& e) {
        tools::DiagnosticsPrinter("orv-live").print();
        for (const std::string& problem : e.problems)
            std::fprintf(stderr, "%s\n", host::printable(problem).c_str());
        tools::say("orv-live", std::to_string(e.count) + (e.count == 1 ? " problem" : " problems") +
                                   " in the scene; nothing served");
        return 1;
    } catch (const host::HostError& e) {
        tools::say("orv-live", e.what());
        return 1;
    } catch (const std::bad_alloc&) {
        tools::say("orv-live", "out of memory");
        return 1;
    } catch (const std::exception& e) {
        tools::say("orv-live", e.what());
        return 1;
    }
}
