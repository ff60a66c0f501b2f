#pragma once
// Which other program holds a serial device open, so "in use by another program" can say
// which one and what to do. Linux keeps every process's open files under /proc/<pid>/fd.
#include <filesystem>
#include <string>
#include <vector>

namespace kd {

struct PortHolder {
    int pid = 0;
    std::string command;  // the process's command name ("ModemManager")
};

// The processes under procRoot (normally "/proc") with the device open, by process ID. A
// link to the device (/dev/serial/by-id/...) and the node itself are the same device.
// Processes whose open files this user may not read are not seen.
std::vector<PortHolder> FindPortHolders(const std::filesystem::path& procRoot, const std::filesystem::path& device);

// "ModemManager (process 812); close it, or wait: ModemManager probes new adapters for about
// 30 s", "minicom (process 4242); close it"; three are named, the rest counted; "" when
// nobody is known.
std::string PortHolderAdvice(const std::vector<PortHolder>& holders);

}  // namespace kd
