#pragma once
// Command line of keldamar-sim, and putting the simulated device into the program's
// settings file as a COM port.
#include <filesystem>
#include <string>
#include <vector>

#include "simulator.h"

namespace kdsim {

struct CliConfig {
    Options options;            // options.state holds the full preset with every change applied
    int mapCom = 0;             // 1..16 when the device is to be entered as that COM port
    std::string settingsDir;    // empty: the program's usual settings folder
    bool help = false;
};

struct CliParse {
    CliConfig config;
    std::string error;          // empty when the arguments were good
};

// `args` without the program name.
CliParse parseCommandLine(const std::vector<std::string>& args);
std::string usageText();

// Writes COM<number>=<device> into section "Ports" of the settings file in `dir`, creating
// the folder and the file when needed. False when it cannot be written.
bool mapComPort(const std::filesystem::path& dir, int number, const std::string& device);

}  // namespace kdsim
