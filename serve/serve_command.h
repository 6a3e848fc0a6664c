// serve: the look-dev page's face over the tool library: the page (web/), its API apart from
// HTTP, the HTTP server, and this entry point, which the command line's `serve` calls.
//
// `serve`: the look-dev page on a local HTTP server, until the user stops it.
#pragma once

#include <ostream>
#include <string>

#include "tool/module/plugin_module.h"

inline constexpr int kDefaultServePort = 8717;

struct ServeOptions {
    std::string host = "127.0.0.1";
    int port = kDefaultServePort;
    bool portGiven = false;  // a named port is used or refused; the default moves on if taken
    bool open = false;       // open the page in the desktop's browser
    std::string preset;      // --preset FILE.json: the settings to start from
};

// Serves until SIGINT, SIGTERM or SIGHUP, then stops the renders and bakes in progress and
// returns that signal's number (0 if the server stopped by itself). Throws ToolError.
int RunServe(const PluginModule& module, const ServeOptions& options, std::ostream& out);
