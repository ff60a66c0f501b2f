// The profile reader: any bytes as a profile file. A profile it reads, written out again,
// must read back as the same keys with the same values.
#include <cstddef>
#include <cstdint>
#include <fstream>

#include "profiles/profile_file.h"
#include "rig.h"

using kdfuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto dir = kdfuzz::ScratchDir() / "profiles";
    std::filesystem::create_directories(dir);
    const auto in = dir / "fleet.kdprofile", out = dir / "copy.kdprofile";
    std::ofstream(in, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                static_cast<std::streamsize>(size));
    const kd::ProfileRead first = kd::ReadProfile(in);
    if (!first.ok()) return 0;
    std::filesystem::remove(out);
    Check(kd::WriteProfile(out, first.profile).empty(), "a profile read could not be written");
    const kd::ProfileRead again = kd::ReadProfile(out);
    Check(again.ok(), "a profile written cannot be read");
    Check(again.profile.values.size() == first.profile.values.size(), "a profile written holds other keys");
    Check(again.profile.hasNetworkSection == first.profile.hasNetworkSection, "a hub's profile written is not a hub's");
    for (size_t i = 0; i < first.profile.values.size(); ++i) {
        const kd::ProfileValue &a = first.profile.values[i], &b = again.profile.values[i];
        Check(a.key == b.key && kdfuzz::ReadBackForm(a.value) == b.value, "a profile value reads back as another");
    }
    return 0;
}
