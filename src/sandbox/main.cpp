// scanntech-sandbox --port P [--data DIR]: the local stand-in for the Scanntech service that
// the demo runs the monitor against. See ScanntechService for the paths it serves.

#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <thread>

#include "sandbox/sandbox_server.h"
#include "sandbox/scanntech_service.h"

namespace {

constexpr int kUsageError = 2;

int Usage(const char* message) {
    std::cerr << "scanntech-sandbox: " << message << "\n"
              << "usage: scanntech-sandbox --port P [--data DIR]\n";
    return kUsageError;
}

std::string TimeOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[16];
    std::strftime(buf, sizeof buf, "%H:%M:%S", &local);
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<int> port;
    std::optional<std::filesystem::path> dataDir;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << "usage: scanntech-sandbox --port P [--data DIR]\n";
            return 0;
        }
        if (i + 1 >= argc) return Usage(("missing value after " + arg).c_str());
        const std::string value = argv[++i];
        if (arg == "--port") {
            try {
                std::size_t used = 0;
                port = std::stoi(value, &used);
                if (used != value.size() || *port < 0 || *port > 65535) throw std::out_of_range("");
            } catch (const std::exception&) {
                return Usage(("not a port number: " + value).c_str());
            }
        } else if (arg == "--data") {
            dataDir = value;
            if (!std::filesystem::is_directory(*dataDir)) {
                return Usage(("not a folder: " + value).c_str());
            }
        } else {
            return Usage(("unknown option " + arg).c_str());
        }
    }
    if (!port) return Usage("--port is required");

    // Signals are taken by one thread with sigwait; the server's threads inherit the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    monitor::sandbox::ScanntechService service(dataDir);
    std::optional<monitor::sandbox::SandboxServer> server;
    try {
        monitor::sandbox::SandboxServer::Options options;
        options.port = *port;
        server.emplace(options);
    } catch (const monitor::sandbox::SandboxError& e) {
        std::cerr << "scanntech-sandbox: " << e.what() << "\n";
        return kUsageError;
    }
    server->SetFallback([&service](const monitor::sandbox::ReceivedRequest& request) {
        return service.Handle(request);
    });
    server->SetRequestLog(
        [](const monitor::sandbox::ReceivedRequest& request, const monitor::sandbox::Reply& reply) {
            std::printf("%s %s %s -> %d (%zu bytes in, %zu bytes out)\n", TimeOfDay().c_str(),
                        request.method.c_str(), request.target.c_str(), reply.status,
                        request.body.size(), reply.body.size());
            std::fflush(stdout);
        });

    std::printf("scanntech-sandbox listening on %s (%s; movements go to %s)\n",
                server->BaseUrl().c_str(),
                dataDir ? ("data from " + dataDir->string()).c_str() : "built-in sample",
                service.MovementsFile().c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server->Stop();
    std::printf("scanntech-sandbox stopped\n");
    return 0;
}
