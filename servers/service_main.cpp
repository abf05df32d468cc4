// The shared command line and lifetime of the stand-in services.
#include "service_main.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace standin {

namespace {

struct Options {
    int port = 0;
    std::string portFile;
    int lifetimeSeconds = 3600;
};

bool ParseOptions(int argc, char** argv, Options& options, const ExtraOption& extraOption)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string_view name = argv[i], value = argv[i + 1];
        if (name == "--port") {
            auto port = ParseDecimal(value, 65535);
            if (!port)
                return false;
            options.port = static_cast<int>(*port);
        } else if (name == "--port-file") {
            options.portFile = value;
        } else if (name == "--lifetime") {
            auto seconds = ParseDecimal(value, 86400);
            if (!seconds || *seconds == 0)
                return false;
            options.lifetimeSeconds = static_cast<int>(*seconds);
        } else if (!extraOption || !extraOption(name, value)) {
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

int RunService(int argc, char** argv, std::string_view name, const ExtraOption& extraOption,
               const std::function<bool(StandInServer&)>& setup)
{
    Options options;
    if (!ParseOptions(argc, argv, options, extraOption)) {
        std::fprintf(stderr, "usage: %s [--port N] [--port-file PATH] [--lifetime SECONDS] [options of the service]\n", argv[0]);
        return 2;
    }
    // Signals are taken synchronously by the main thread; every thread started later inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    StandInServer server;
    if (setup && !setup(server))
        return 1;
    int port = server.Start(options.port);
    if (port == 0) {
        std::fprintf(stderr, "%.*s: cannot listen on 127.0.0.1:%d: %s\n", static_cast<int>(name.size()), name.data(), options.port, std::strerror(errno));
        return 1;
    }
    if (options.portFile.empty()) {
        std::printf("%d\n", port);
        std::fflush(stdout);
    } else if (!WritePortFile(options.portFile, port)) {
        std::fprintf(stderr, "%.*s: cannot write %s\n", static_cast<int>(name.size()), name.data(), options.portFile.c_str());
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

} // namespace standin
