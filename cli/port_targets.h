#pragma once
// Which devices the --port values stand for, and the serial devices present.
#include <string>
#include <vector>

namespace kd {
class IniFile;
}

namespace kdcli {

struct PortTarget {
    std::string label;   // as the technician named it: "COM5" or the device path
    std::string device;  // what it opens; "" for a COM number with no device here
    int com = 0;         // the COM number, 0 for a path
};

struct SerialDevice {
    std::string path;
    int com = 0;              // 0 when no COM number stands for it
    std::string description;  // what the system says about it, may be empty
    bool usb = false;         // a USB serial adapter
};

// The serial devices the system lists, and the devices the settings file's [Ports] section
// maps that exist (a simulator's pseudo-terminal, say), in path order.
std::vector<SerialDevice> SerialDevicesPresent(const kd::IniFile& settings);

struct ResolvedPorts {
    std::vector<PortTarget> targets;
    int status = 0;       // 0, or the exit status when the ports cannot be used
    std::string error;    // one line
};
// Expands "all" to every USB adapter present and maps COM numbers; the same device named
// twice is a usage error (two sessions cannot share a line).
ResolvedPorts ResolvePorts(const std::vector<std::string>& specs, const kd::IniFile& settings);

}  // namespace kdcli
