#include "serve/look_dev_server.h"

#include <algorithm>
#include <arpa/inet.h>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "serve/web_assets.h"

namespace {

// Worker threads: enough that a browser's idle keep-alive connections and a long bake leave
// threads for previews.
constexpr std::size_t kWorkers = 16;
constexpr time_t kKeepAliveSeconds = 2;

// The page may reach only this server; nothing else on it runs, is framed or is sniffed.
constexpr const char* kPagePolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' blob: data:; "
    "connect-src 'self'; form-action 'none'; frame-ancestors 'none'; base-uri 'none'";

bool IsIpAddress(const std::string& name) {
    unsigned char buffer[16];
    if (inet_pton(AF_INET, name.c_str(), buffer) == 1) return true;
    return name.size() > 2 && name.front() == '[' && name.back() == ']' &&
           inet_pton(AF_INET6, name.substr(1, name.size() - 2).c_str(), buffer) == 1;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

void Reply(httplib::Response& res, const ApiReply& reply) {
    res.status = reply.status;
    if (!reply.fileName.empty()) {
        res.set_header("Content-Disposition", "attachment; filename=\"" + reply.fileName + "\"");
    }
    res.set_content(reply.body, reply.type.c_str());
}

void Refuse(httplib::Response& res, int status, const std::string& message) {
    Reply(res, {status,
                "application/json",
                nlohmann::json{{"error", message}}.dump(-1, ' ', false,
                                                        nlohmann::json::error_handler_t::replace),
                {}});
}

}  // namespace

bool IsOwnHost(const std::string& hostHeader, const std::string& boundName, int port) {
    std::string suffix(1, ':');
    suffix += std::to_string(port);
    if (hostHeader.size() <= suffix.size() ||
        hostHeader.compare(hostHeader.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    const std::string name = Lower(hostHeader.substr(0, hostHeader.size() - suffix.size()));
    return name == "localhost" || IsIpAddress(name) || name == Lower(boundName);
}

struct LookDevServer::Impl {
    LookDevApi& api;
    httplib::Server server;
    std::string host;
    int port = -1;

    explicit Impl(LookDevApi& a) : api(a) {}

    // Requests that another site could have made or aimed here are refused before routing.
    bool Admit(const httplib::Request& req, httplib::Response& res) const {
        const std::string hostHeader = req.get_header_value("Host");
        if (!IsOwnHost(hostHeader, host, port)) {
            Refuse(res, 403, "refused: the Host header does not name this server");
            return false;
        }
        if (req.has_header("Origin") && req.get_header_value("Origin") != "http://" + hostHeader) {
            Refuse(res, 403, "refused: the request comes from another site");
            return false;
        }
        const std::string site = req.get_header_value("Sec-Fetch-Site");
        if (site == "cross-site" || site == "same-site") {
            Refuse(res, 403, "refused: the request comes from another site");
            return false;
        }
        return true;
    }

    // API calls with a body must say it is JSON (or a PNG): a plain form on another site can
    // send neither without the browser asking first, which this server never allows.
    static bool TypeIs(const httplib::Request& req, httplib::Response& res, const char* type) {
        const std::string given = req.get_header_value("Content-Type");
        if (given.rfind(type, 0) == 0) return true;
        Refuse(res, 415, std::string("send the body as ") + type);
        return false;
    }

    bool Small(const httplib::Request& req, httplib::Response& res) const {
        if (req.body.size() <= api.Limits().maxBody) return true;
        Refuse(res, 413,
               "the request is larger than " + std::to_string(api.Limits().maxBody >> 10) + " KiB");
        return false;
    }

    void Routes() {
        server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
        server.set_keep_alive_timeout(kKeepAliveSeconds);
        server.set_payload_max_length(std::max(api.Limits().maxUpload, api.Limits().maxBody));
        server.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                                    {"Cache-Control", "no-store"},
                                    {"Referrer-Policy", "no-referrer"},
                                    {"X-Frame-Options", "DENY"}});
        server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
            return Admit(req, res) ? httplib::Server::HandlerResponse::Unhandled
                                   : httplib::Server::HandlerResponse::Handled;
        });
        server.Get("/api/params", [this](const httplib::Request&, httplib::Response& res) {
            Reply(res, api.Describe());
        });
        server.Get("/api/library", [this](const httplib::Request&, httplib::Response& res) {
            Reply(res, api.Library());
        });
        server.Get("/api/library/preset",
                   [this](const httplib::Request& req, httplib::Response& res) {
                       Reply(res, api.LibraryPreset(req.get_param_value("name")));
                   });
        server.Get("/api/library/thumbnail",
                   [this](const httplib::Request& req, httplib::Response& res) {
                       Reply(res, api.LibraryThumbnail(req.get_param_value("name")));
                   });
        server.Get("/api/progress", [this](const httplib::Request& req, httplib::Response& res) {
            Reply(res, api.JobProgress(req.get_param_value("job")));
        });
        const auto json = [this](ApiReply (LookDevApi::*call)(std::string_view)) {
            return [this, call](const httplib::Request& req, httplib::Response& res) {
                if (TypeIs(req, res, "application/json") && Small(req, res)) {
                    Reply(res, (api.*call)(req.body));
                }
            };
        };
        server.Post("/api/render", json(&LookDevApi::Render));
        server.Post("/api/bake", json(&LookDevApi::Bake));
        server.Post("/api/preset", json(&LookDevApi::Preset));
        server.Post("/api/cancel", json(&LookDevApi::Cancel));
        server.Post("/api/check", json(&LookDevApi::Check));
        server.Post("/api/upload", [this](const httplib::Request& req, httplib::Response& res) {
            if (TypeIs(req, res, "image/png")) {
                Reply(res, api.Upload(req.get_param_value("tab"), req.get_param_value("name"),
                                      req.body));
            }
        });
        server.Get(R"(/[A-Za-z0-9_.-]*)", [](const httplib::Request& req, httplib::Response& res) {
            const WebAsset* asset = FindWebAsset(req.path == "/" ? "/index.html" : req.path);
            if (!asset) {
                Refuse(res, 404, "no such page");
                return;
            }
            res.set_header("Content-Security-Policy", kPagePolicy);
            res.set_content(reinterpret_cast<const char*>(asset->data), asset->size, asset->type);
        });
        // Whatever else was asked: a short JSON reason, never a page of the library's own.
        server.set_error_handler(httplib::Server::HandlerWithResponse(
            [](const httplib::Request& req, httplib::Response& res) {
                if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
                const int status = res.status;
                Refuse(
                    res, status,
                    status == 404 ? "no such page or API call: " + std::string(req.method) + " " +
                                        (req.path.size() > 100 ? req.path.substr(0, 100) : req.path)
                    : status == 413 ? std::string("the request is too large")
                                    : "the request was refused (" + std::to_string(status) + ")");
                return httplib::Server::HandlerResponse::Handled;
            }));
    }
};

LookDevServer::LookDevServer(LookDevApi& api) : impl_(std::make_unique<Impl>(api)) {
    impl_->Routes();
}

LookDevServer::~LookDevServer() = default;

int LookDevServer::Bind(const std::string& host, int port) {
    impl_->host = host;
    impl_->port = port == 0 ? impl_->server.bind_to_any_port(host)
                            : (impl_->server.bind_to_port(host, port) ? port : -1);
    return impl_->port;
}

bool LookDevServer::Listen() {
    return impl_->server.listen_after_bind();
}

void LookDevServer::Stop() {
    impl_->api.StopAll();
    impl_->server.stop();
}
