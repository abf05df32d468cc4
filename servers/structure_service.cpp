// The stand-in structure service: records requests and answers from a script, driven over HTTP by tests
// (protocol.h), and with --catalogue from a folder of structures it searches and hands out (catalogue.h).
// Prints the port it listens on (or writes it to a file); runs until the shutdown control path, SIGTERM or
// SIGINT, or the end of its lifetime, so a test that dies never leaves it behind for long.
#include "catalogue.h"
#include "stand_in_server.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

struct Options {
    int port = 0;
    std::string portFile;
    int lifetimeSeconds = 3600;
    std::string catalogue;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string_view name = argv[i], value = argv[i + 1];
        if (name == "--port") {
            auto port = standin::ParseDecimal(value, 65535);
            if (!port)
                return false;
            options.port = static_cast<int>(*port);
        } else if (name == "--catalogue") {
            options.catalogue = value;
        } else if (name == "--port-file") {
            options.portFile = value;
        } else if (name == "--lifetime") {
            auto seconds = standin::ParseDecimal(value, 86400);
            if (!seconds || *seconds == 0)
                return false;
            options.lifetimeSeconds = static_cast<int>(*seconds);
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

// Written under another name and renamed, so a reader never sees a partial number.
bool WritePortFile(const std::string& path, int port)
{
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial, std::ios::trunc);
        out << port << '\n';
        if (!out.flush())
            return false;
    }
    return std::rename(partial.c_str(), path.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--port N] [--port-file PATH] [--lifetime SECONDS] [--catalogue FOLDER]\n",
                     argv[0]);
        return 2;
    }
    // Signals are taken synchronously by the main thread; every thread started later inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    standin::StandInServer server;
    if (!options.catalogue.empty()) {
        std::string error;
        auto catalogue = standin::Catalogue::Load(options.catalogue, error);
        if (!catalogue) {
            std::fprintf(stderr, "structure_service: %s\n", error.c_str());
            return 1;
        }
        server.SetResponder([catalogue = std::move(*catalogue)](const standin::RecordedRequest& request) {
            return catalogue.Respond(request);
        });
    }
    int port = server.Start(options.port);
    if (port == 0) {
        std::fprintf(stderr, "structure_service: cannot listen on 127.0.0.1:%d: %s\n", options.port, std::strerror(errno));
        return 1;
    }
    if (options.portFile.empty()) {
        std::printf("%d\n", port);
        std::fflush(stdout);
    } else if (!WritePortFile(options.portFile, port)) {
        std::fprintf(stderr, "structure_service: cannot write %s\n", options.portFile.c_str());
        return 1;
    }
    const timespec tick {0, 200'000'000};
    for (int waited = 0; waited < options.lifetimeSeconds * 5; ++waited) {
        if (sigtimedwait(&stopSignals, nullptr, &tick) > 0 || server.WaitForStop(std::chrono::milliseconds(0)))
            break;
    }
    server.Stop();
    if (!options.portFile.empty())
        std::remove(options.portFile.c_str());
    return 0;
}
