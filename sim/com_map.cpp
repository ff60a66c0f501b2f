#include <system_error>

#include "cli.h"
#include "settings/ini_file.h"

namespace kdsim {

bool mapComPort(const std::filesystem::path& dir, int number, const std::string& device) {
    if (number < 1 || number > 16 || device.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    kd::IniFile ini(dir / kd::kSettingsFileName);
    return ini.write("Ports", "COM" + std::to_string(number), device);
}

}  // namespace kdsim
