#include "server_setup.h"

#include <CLI/CLI.hpp>
#include <exception>
#include <new>

#include "json_reply.h"
#include "universe/host_error.h"

namespace tools::live {

void limitServer(httplib::Server& server) {
    server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    server.set_payload_max_length(kMaxBody);
    // A client that stops sending or reading gives its worker back within seconds.
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.set_keep_alive_timeout(2);
    server.set_keep_alive_max_count(100);
}

void guardServer(httplib::Server& server, const AccessGuard& guard) {
    server.set_pre_routing_handler([&guard](const httplib::Request& req, httplib::Response& res) {
        if (const auto refusal = guard.check(req)) {
            replyError(res, refusal->status, refusal->message);
            // The body, not read, is not to be taken for the next request.
            res.set_header("Connection", "close");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // Errors the library answers itself (no route, a body past the bound) get a JSON body too;
    // an answer that has one already is left alone.
    server.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request& req,
                                                                     httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        std::string message;
        if (res.status == 404)
            message = "no such route: " + req.method + " " + req.path;
        else if (res.status == 413)
            message = "the request's body is larger than " + std::to_string(kMaxBody) + " bytes";
        else if (res.status == 414)
            message = "the request's path and query are too long";
        else
            message = "the request could not be answered (HTTP " + std::to_string(res.status) + ")";
        replyError(res, res.status, message);
        return httplib::Server::HandlerResponse::Handled;
    }));
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr thrown) {
            try {
                std::rethrow_exception(thrown);
            } catch (const CLI::ValidationError& error) {
                replyError(res, 400, error.what());
            } catch (const nlohmann::json::exception& error) {
                replyError(res, 400, error.what());
            } catch (const host::HostError& error) {
                replyError(res, 422, error.what());
            } catch (const std::bad_alloc&) {
                replyError(res, 503, "out of memory");
            } catch (const std::exception& error) {
                replyError(res, 500, error.what());
            } catch (...) {
                replyError(res, 500, "an unknown failure");
            }
        });
}

}  // namespace tools::live
