#pragma once

// The command line and the configuration file, and the devices they describe.

#include "Device.h"
#include "Farm.h"
#include "Model.h"

#include <memory>
#include <string>
#include <vector>

namespace KorvaneSim {

struct Directive {
    std::string key;
    std::string value; // the rest of the line
    std::string where; // "file:line" or "--option", for messages
};

struct DeviceEntry {
    std::vector<Directive> directives;
    bool generated = false; // from --count: gets the varied default states
};

struct Configuration {
    Settings settings;
    std::string base = "127.0.1.1";
    std::string base6;
    std::string baseMac = "02:4B:53:00:00:01";
    std::string password; // for every device without its own; empty: "pw" + number
    int rebootSeconds = 3;
    int firstNumber = 1; // of device 0 in host names and default passwords
    std::vector<DeviceEntry> devices;
    bool help = false;
    bool version = false;
};

// Parses the command line (and the configuration file it names); false with the reason.
bool ParseCommandLine(int argc, char** argv, Configuration& configuration, std::string& error);

const char* UsageText();

// Builds the devices with their documents. Directives that need the running simulator (knobs,
// document edits, power) are returned in `later` with the device index, to be run through
// Farm::ExecuteDeviceDirective. False with the reason.
bool BuildDevices(const Configuration& configuration, const ModelStore& models,
                  std::vector<std::unique_ptr<Device>>& devices,
                  std::vector<std::pair<int, Directive>>& later, std::string& error);

} // namespace KorvaneSim
