// korvane-sim: many simulated KORVANE devices in one process, for demonstrations, tests and
// benchmarks. See README.md.

#include "Config.h"
#include "Farm.h"
#include "Model.h"
#include "Xml.h"

#include <iostream>
#include <sys/resource.h>

namespace {

// A thousand devices need several thousand descriptors (listeners, Wake-on-LAN sockets and the
// connections of a poll round).
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int Run(int argc, char** argv) {
    using namespace KorvaneSim;
    Configuration configuration;
    std::string error;
    if (!ParseCommandLine(argc, argv, configuration, error)) {
        std::cerr << "korvane-sim: " << error << "\n(korvane-sim --help lists the options)" << std::endl;
        return 2;
    }
    if (configuration.help) {
        std::cout << UsageText();
        return 0;
    }
    if (configuration.version) {
        std::cout << "korvane-sim " << KORVANE_VERSION << std::endl;
        return 0;
    }
    RaiseDescriptorLimit();

    ModelStore models;
    try {
        models.Load(configuration.settings.modelsDirectory);
    } catch (const std::exception& failure) {
        std::cerr << "korvane-sim: " << failure.what() << std::endl;
        return 1;
    }
    for (const std::string& warning : models.Warnings()) {
        std::cerr << "korvane-sim: " << warning << std::endl;
    }

    std::vector<std::unique_ptr<Device>> devices;
    std::vector<std::pair<int, Directive>> later;
    if (!BuildDevices(configuration, models, devices, later, error)) {
        std::cerr << "korvane-sim: " << error << std::endl;
        return 1;
    }
    const std::size_t count = devices.size();
    Farm farm(configuration.settings, models, std::move(devices));
    for (const auto& [index, directive] : later) {
        if (!farm.ExecuteDeviceDirective(*farm.Devices()[index], directive.key, directive.value, error)) {
            std::cerr << "korvane-sim: " << directive.where << ": " << error << std::endl;
            return 1;
        }
    }
    if (!farm.Start(error)) {
        std::cerr << "korvane-sim: " << error << std::endl;
        return 1;
    }
    std::cout << "korvane-sim: control " << configuration.settings.controlPath << "\n"
              << "korvane-sim: ready " << count << " devices" << std::endl;
    return farm.Run();
}

} // namespace

int main(int argc, char** argv) {
    KorvaneSim::InitXml();
    const int code = Run(argc, argv);
    KorvaneSim::ShutdownXml();
    return code;
}
