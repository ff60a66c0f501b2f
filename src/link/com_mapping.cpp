#include "link/com_mapping.h"

#include <filesystem>
#include <system_error>

#include "settings/ini_file.h"

namespace kd {

namespace {

// Long enough for /dev/serial/by-id/... names, which exceed the default profile buffer.
constexpr std::size_t kMaxDevicePath = 1024;

}  // namespace

std::string ComDevice(int number, const IniFile* settings) {
    if (number < kFirstComPort || number > kLastComPort) return {};
    const std::string name = "COM" + std::to_string(number);

#ifdef _WIN32
    // Plain "COMn" for every number: QSerialPort adds the "\\.\" prefix that COM10 and
    // above need, and the plain name is what the user sees in Device Manager.
    (void)settings;
    return name;
#else
    if (settings != nullptr) {
        std::string mapped = settings->read("Ports", name, kMaxDevicePath);
        if (!mapped.empty()) return mapped;
    }
    const int index = (number - 1) % 4;
    switch ((number - 1) / 4) {
        case 0: return "/dev/ttyS" + std::to_string(index);
        case 1: return "/dev/ttyUSB" + std::to_string(index);
        case 2: return "/dev/ttyACM" + std::to_string(index);
        default: return {};  // COM13-16: free for [Ports] entries only
    }
#endif
}

int ComNumberOf(const std::string& device, const IniFile* settings) {
    if (device.empty()) return 0;
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        const std::string mapped = ComDevice(n, settings);
        if (mapped.empty()) continue;
        std::error_code ec;
        if (mapped == device || std::filesystem::equivalent(mapped, device, ec)) return n;
    }
    return 0;
}

}  // namespace kd
