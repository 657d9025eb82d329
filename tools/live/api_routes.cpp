#include "api_routes.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>

#include "../command_line.h"
#include "json_reply.h"
#include "universe/diagnostics.h"
#include "universe/host_error.h"

namespace tools::live {

namespace {

nlohmann::json passJson(const host::PassInfo& pass) {
    return nlohmann::json::parse(PassEvents::eventText(pass));
}

/// The answer to an edit, undo or redo: 200 with the generation now showing, or `refused`
/// with the session's message.
void replyEdit(httplib::Response& response, const host::EditResult& result, int refused) {
    if (result.ok)
        replyJson(response, 200, {{"ok", true}, {"generation", result.generation}});
    else
        replyJson(response, refused,
                  {{"ok", false},
                   {"error", result.message},
                   {"status", refused},
                   {"generation", result.generation}});
}

/// Query parameter `name`, once; a missing or repeated one is a mistake of the request.
std::string queryValue(const httplib::Request& request, const std::string& name,
                       const std::string& otherwise, bool required = false) {
    const size_t count = request.get_param_value_count(name);
    if (count > 1) throw CLI::ValidationError(name, "is given more than once");
    if (count == 0) {
        if (required) throw CLI::ValidationError(name, "is missing");
        return otherwise;
    }
    return request.get_param_value(name);
}

/// The JSON body of a POST: 400 answered and nothing when it is not JSON (an empty body is
/// `{}`).
std::optional<nlohmann::json> jsonBody(const httplib::Request& request,
                                       httplib::Response& response) {
    if (request.body.empty()) return nlohmann::json::object();
    try {
        return nlohmann::json::parse(request.body);
    } catch (const nlohmann::json::parse_error& error) {
        replyError(response, 400, std::string("the body is not JSON: ") + error.what());
        return std::nullopt;
    }
}

/// A save path from the page: relative paths are taken from the scene's folder, the folder
/// the user sees its name in; only a .json file, so that a slip cannot overwrite another kind.
std::string savePath(const nlohmann::json& body, const std::string& scenePath) {
    if (!body.contains("path") || body["path"].is_null()) return {};
    if (!body["path"].is_string()) throw CLI::ValidationError("path", "is not a string");
    const std::filesystem::path given = body["path"].get<std::string>();
    if (given.empty()) return {};
    if (given.extension() != ".json")
        throw CLI::ValidationError("path", "'" + given.string() + "': expected a .json file");
    if (given.is_absolute()) return given.string();
    return (std::filesystem::path(scenePath).parent_path() / given).lexically_normal().string();
}

}  // namespace

void addRoutes(httplib::Server& server, host::LiveSession& session, PassEvents& events,
               const AccessGuard& guard, const std::vector<PageFile>& page) {
    for (const PageFile& file : page) {
        server.Get(file.route, [&file, &guard](const httplib::Request&, httplib::Response& res) {
            addSafetyHeaders(res);
            // Nothing but the page's own files, scripts and images, and no framing.
            res.set_header(
                "Content-Security-Policy",
                "default-src 'self'; img-src 'self' blob: data:; frame-ancestors 'none'; "
                "base-uri 'none'; form-action 'none'");
            if (file.route == "/") res.set_header("Set-Cookie", guard.cookie());
            res.set_content(file.text, file.contentType.c_str());
        });
    }

    server.Get("/api/scene", [&session](const httplib::Request&, httplib::Response& res) {
        nlohmann::json scene = session.describe();
        scene["path"] = session.path();
        scene["width"] = session.width();
        scene["height"] = session.height();
        scene["channels"] = session.channels();
        scene["undo"] = session.undoSteps();
        scene["redo"] = session.redoSteps();
        scene["pass"] = passJson(session.latestPass());
        replyJson(res, 200, scene);
    });

    server.Post("/api/edit", [&session](const httplib::Request& req, httplib::Response& res) {
        const auto edit = jsonBody(req, res);
        if (!edit) return;
        if (!edit->is_object() || !edit->contains("op") || !(*edit)["op"].is_string())
            return replyError(res, 400,
                              "expected an edit record such as {\"op\": \"set\", \"node\": N, "
                              "\"param\": P, \"value\": V}");
        replyEdit(res, session.apply(*edit), 422);
    });
    server.Post("/api/undo", [&session](const httplib::Request&, httplib::Response& res) {
        replyEdit(res, session.undo(), 409);
    });
    server.Post("/api/redo", [&session](const httplib::Request&, httplib::Response& res) {
        replyEdit(res, session.redo(), 409);
    });
    server.Post("/api/save", [&session](const httplib::Request& req, httplib::Response& res) {
        const auto body = jsonBody(req, res);
        if (!body) return;
        if (!body->is_object()) return replyError(res, 400, "expected {\"path\": optional}");
        const std::string path = savePath(*body, session.path());
        try {
            session.save(path);
        } catch (const host::HostError& error) {
            return replyError(res, 422, error.what());
        }
        replyJson(res, 200, {{"saved", path.empty() ? session.path() : path}});
    });

    server.Get("/api/differences", [&session](const httplib::Request&, httplib::Response& res) {
        replyJson(res, 200, session.differences());
    });

    server.Get("/api/image.png", [&session](const httplib::Request& req, httplib::Response& res) {
        const std::string channel = queryValue(req, "channel", "beauty");
        const std::vector<std::string> channels = session.channels();
        if (std::find(channels.begin(), channels.end(), channel) == channels.end())
            return replyError(res, 400,
                              "channel '" + channel +
                                  "' is not one of the film's: " + nlohmann::json(channels).dump());
        const float exposure = readFloat("exposure", queryValue(req, "exposure", "0"));
        if (!(exposure >= -20.0f && exposure <= 20.0f))
            return replyError(res, 400, "exposure: expected -20 to 20 stops");
        std::string png;
        host::PassInfo pass;
        if (!session.latestPng(channel, exposure, &png, &pass)) {
            res.set_header("Retry-After", "1");
            return replyError(res, 503, "no pass has finished yet");
        }
        addSafetyHeaders(res);
        res.set_header("X-Orv-Pass", PassEvents::eventText(pass));
        res.set_content(png, "image/png");
    });

    server.Get("/api/explain", [&session](const httplib::Request& req, httplib::Response& res) {
        const int x = static_cast<int>(readInteger("x", queryValue(req, "x", "", true), 0, 16383));
        const int y = static_cast<int>(readInteger("y", queryValue(req, "y", "", true), 0, 16383));
        try {
            replyJson(res, 200, session.explainPixel(x, y));
        } catch (const host::HostError& error) {
            replyError(res, 422, error.what());
        }
    });

    server.Get("/api/diagnostics", [](const httplib::Request&, httplib::Response& res) {
        nlohmann::json entries = nlohmann::json::array();
        for (const host::Diagnostic& entry : host::diagnostics().snapshot())
            entries.push_back({{"severity", severityWord(entry.severity)},
                               {"text", host::diagnosticText(entry)},
                               {"node", entry.node},
                               {"parameter", entry.parameter},
                               {"count", entry.count}});
        const host::Diagnostics::Counts counts = host::diagnostics().counts();
        replyJson(res, 200,
                  {{"entries", entries},
                   {"warnings", counts.warnings},
                   {"errors", counts.errors},
                   {"unkept", counts.unkept}});
    });

    server.Get("/api/events", [&events](const httplib::Request&, httplib::Response& res) {
        if (!events.enter()) {
            res.set_header("Retry-After", "5");
            return replyError(res, 503,
                              "too many event streams open (at most " +
                                  std::to_string(PassEvents::kMaxStreams) + ")");
        }
        addSafetyHeaders(res);
        auto seen = std::make_shared<uint64_t>(0);
        res.set_chunked_content_provider(
            "text/event-stream",
            [&events, seen](size_t offset, httplib::DataSink& sink) {
                // A comment when no pass came within the wait: it finds a closed page out.
                std::string text = offset == 0 ? "retry: 1000\n\n" : "";
                const auto event = events.next(seen.get(), std::chrono::milliseconds(1000));
                if (events.closed()) return false;
                text += event ? *event : std::string(": no pass\n\n");
                return sink.write(text.data(), text.size());
            },
            [&events](bool) { events.leave(); });
    });
}

}  // namespace tools::live
