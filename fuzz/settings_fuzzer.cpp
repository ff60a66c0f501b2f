// The settings file: any bytes as ORVIKAS.ini, read and repaired at start-up. The repaired
// file must read back as the same values with nothing left to repair, and every value written
// back the way the program writes it (port dialog, defaults editor, custom commands) must
// read back as itself.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "rig.h"
#include "settings/settings_file.h"

// In kdfuzz, so the harness.ignorelist keeps the checks out of the edge counters.
namespace kdfuzz {
namespace {

struct Values {
    int16_t port = 0;
    std::array<std::string, 12> text;  // the nine defaults, then the three custom commands
    bool operator==(const Values&) const = default;
};

constexpr const char* kKeys[12] = {"Logint",  "FTPint", "APNname", "APNun", "APNpw", "FTPname",
                                   "FTPun",   "FTPpw",  "Home",    "Cust1", "Cust2", "Cust3"};

// ReadSettingsFile sets every value it reads, so one program serves every start-up.
kdfuzz::Rig& Program() {
    static kdfuzz::Rig rig(kdfuzz::ScratchDir() / "settings" / kd::kSettingsFileName);
    return rig;
}

Values StartUp(int16_t* setupNeeded) {
    kd::Program& p = Program().program;
    kd::ReadSettingsFile(p);
    *setupNeeded = p.PortSetupNeeded;
    return {p.PortNumber, {p.DefLogint, p.DefFTPint, p.DefAPNname, p.DefAPNun, p.DefAPNpw, p.DefFTPname, p.DefFTPun,
                           p.DefFTPpw, p.DefHome, p.CustomCommands[0], p.CustomCommands[1], p.CustomCommands[2]}};
}

}  // namespace
}  // namespace kdfuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kdfuzz;
    const auto& file = Program().ini.path();
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                  static_cast<std::streamsize>(size));
    int16_t setup = 0;
    const Values first = StartUp(&setup);
    Check(first.port >= 1 && first.port <= 16, "a port number outside 1..16 was kept");

    const Values again = StartUp(&setup);
    Check(setup == 0, "the repaired file still needs the port dialog");
    Check(again == first, "the repaired file reads back other values");

    {
        kdfuzz::Rig& rig = Program();
        kd::IniFile::Batch batch(rig.ini);
        kd::WriteIniValue(rig.program, kd::kSection, "Comport", " " + std::to_string(first.port));
        for (size_t i = 0; i < std::size(kKeys); ++i) kd::WriteIniValue(rig.program, kd::kSection, kKeys[i], first.text[i]);
    }
    Values expected = first;
    for (std::string& v : expected.text) v = kdfuzz::ReadBackForm(v);
    Check(StartUp(&setup) == expected, "a value written back reads back as another");
    return 0;
}
