// `serve`: the look-dev page and its API over HTTP. Only requests addressed to this server by
// its own name are answered: a Host header that names another site (DNS rebinding) and a
// request sent from another origin are refused with 403.
#pragma once

#include <memory>
#include <string>

#include "serve/look_dev_api.h"

// True when `hostHeader` ("name:port") addresses this server on `port`: localhost, an IP
// address written out (which no rebinding can stand for), or `boundName` itself.
bool IsOwnHost(const std::string& hostHeader, const std::string& boundName, int port);

class LookDevServer {
public:
    explicit LookDevServer(LookDevApi& api);
    ~LookDevServer();
    LookDevServer(const LookDevServer&) = delete;
    LookDevServer& operator=(const LookDevServer&) = delete;

    // Binds host:port (port 0: any free port). Returns the port, or -1 when it is taken.
    int Bind(const std::string& host, int port);
    // Answers requests until Stop; false if it could not start.
    bool Listen();
    // Safe from any thread; in-flight renders and bakes end early.
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
