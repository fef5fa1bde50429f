// skyloom-weather-service: the local weather service as a program of its own,
// for Windows programs under Wine to reach through http_proxy. Serves until
// stopped with SIGINT or SIGTERM.
//
//   skyloom-weather-service [--code N | --status S --body-file F] [--port-file F]
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "weather_service.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void Stop(int) { stopRequested = 1; }

int Usage() {
    std::fprintf(stderr, "usage: skyloom-weather-service [--code N | --status S --body-file F] [--port-file F]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    weather_service::Reply reply{200, weather_service::CurrentWeatherXml(800)};
    std::string portFile;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (i + 1 >= argc) return Usage();
        std::string value = argv[++i];
        if (option == "--code") {
            reply.body = weather_service::CurrentWeatherXml(std::atoi(value.c_str()));
        } else if (option == "--status") {
            reply.status = std::atoi(value.c_str());
        } else if (option == "--body-file") {
            std::ifstream file(value, std::ios::binary);
            if (!file) {
                std::fprintf(stderr, "skyloom-weather-service: cannot read %s\n", value.c_str());
                return 2;
            }
            std::ostringstream body;
            body << file.rdbuf();
            reply.body = body.str();
        } else if (option == "--port-file") {
            portFile = value;
        } else {
            return Usage();
        }
    }

    std::signal(SIGINT, Stop);
    std::signal(SIGTERM, Stop);
    weather_service::Server server([reply](const weather_service::Request&) { return reply; });
    if (!portFile.empty()) std::ofstream(portFile) << server.Port() << "\n";
    std::printf("weather service at %s\n", server.ProxyUrl().c_str());
    std::fflush(stdout);
    while (!stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::printf("requests served: %zu\n", server.Requests().size());
    return 0;
}
