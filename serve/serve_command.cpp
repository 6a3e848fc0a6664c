#include "serve/serve_command.h"

#include <atomic>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>

#include "serve/look_dev_server.h"
#include "tool/base/tool_error.h"
#include "tool/setup/preset.h"

extern char** environ;

namespace {

// Ports tried after a taken default.
constexpr int kPortsToTry = 20;

bool IsLoopback(const std::string& host) {
    return host == "127.0.0.1" || host == "::1" || host == "localhost";
}

// The desktop's browser, if there is one; the URL is printed either way.
void OpenBrowser(const std::string& url, std::ostream& out) {
    const char* argv[] = {"xdg-open", url.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        out << "(could not start xdg-open: open the address above yourself)\n";
        return;
    }
    // Reaped in the background: xdg-open returns once the browser has the address.
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
}

}  // namespace

int RunServe(const PluginModule& module, const ServeOptions& options, std::ostream& out) {
    if (!IsLoopback(options.host)) {
        out << "warning: listening on " << options.host
            << ": anyone who can reach this address can use the page and the machine's cores\n";
    }
    // The bundled presets, for the page's library.
    std::vector<std::pair<std::string, std::string>> library;
    for (const BundledPreset& b : BundledPresets())
        library.emplace_back(b.name, ReadPresetFile(b.path));
    LookDevApi api(
        module.ScratchesClass(),
        options.preset.empty() ? std::string() : ReadPresetFile(ResolvePreset(options.preset)), {},
        options.preset, library);

    // The signals wait for the thread below, which stops the server; every thread started
    // from here on (the server's, the renderers') inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, sig);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    LookDevServer server(api);
    int port = -1;
    const int tries = options.portGiven ? 1 : kPortsToTry;
    for (int i = 0; i < tries && port < 0; ++i) port = server.Bind(options.host, options.port + i);
    if (port < 0) {
        pthread_sigmask(SIG_UNBLOCK, &stopSignals, nullptr);
        throw ToolError(options.portGiven
                            ? "cannot listen on " + options.host + " port " +
                                  std::to_string(options.port) + ": it is taken or not allowed"
                            : "cannot listen on " + options.host + ": ports " +
                                  std::to_string(options.port) + " to " +
                                  std::to_string(options.port + kPortsToTry - 1) + " are taken");
    }
    const bool v6 = options.host.find(':') != std::string::npos;
    const std::string url = "http://" + (v6 ? "[" + options.host + "]" : options.host) + ":" +
                            std::to_string(port) + "/";
    out << "serving the look-dev page at " << url << " (Ctrl-C stops)" << std::endl;
    if (options.open) OpenBrowser(url, out);

    std::atomic<bool> done{false};
    std::atomic<int> caught{0};
    std::thread watcher([&] {
        const timespec tick{0, 200'000'000};
        while (!done) {
            const int sig = sigtimedwait(&stopSignals, nullptr, &tick);
            if (sig > 0 && caught == 0) caught = sig;
            // Again each tick: a stop that came before the server ran would be lost.
            if (caught != 0) server.Stop();
        }
    });
    const bool listened = server.Listen();
    done = true;
    watcher.join();
    if (!listened && caught == 0) throw ToolError("the server could not start");
    out << "stopped" << std::endl;
    return caught;
}
