#include "profiles/profile_file.h"

#include <system_error>

#include "app/program.h"
#include "basic/path_text.h"
#include "records/record.h"
#include "settings/ini_file.h"

namespace kd {

namespace {

using Target = ProfileKey::Target;

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

// A profile's value in a text that names the file (UTF-8, see PathText).
std::string Quoted(const std::string& v) { return "\"" + records::Latin1ToUtf8(v) + "\""; }

// A SIM type or network the controls can show: one digit of the allowed range.
bool IsDigitUpTo(const std::string& v, char last) { return v.size() == 1 && v[0] >= '0' && v[0] <= last; }

}  // namespace

const std::vector<ProfileKey>& ProfileKeys() {
    static const std::vector<ProfileKey> keys = {
        {kProfileSection, "Logint", Target::ParmRow, 3},   {kProfileSection, "FTPint", Target::ParmRow, 4},
        {kProfileSection, "APNname", Target::ParmRow, 8},  {kProfileSection, "APNun", Target::ParmRow, 9},
        {kProfileSection, "APNpw", Target::ParmRow, 10},   {kProfileSection, "FTPname", Target::ParmRow, 11},
        {kProfileSection, "FTPun", Target::ParmRow, 12},   {kProfileSection, "FTPpw", Target::ParmRow, 13},
        {kProfileSection, "Home", Target::ParmRow, 14},    {kProfileSection, "SimType", Target::SimType, 0},
        {kProfileSection, "Network", Target::Network, 0},  {kNetworkSection, "Probe", Target::DeviceSlot, 0},
        {kNetworkSection, "Device1", Target::DeviceSlot, 1}, {kNetworkSection, "Device2", Target::DeviceSlot, 2},
        {kNetworkSection, "Device3", Target::DeviceSlot, 3}, {kNetworkSection, "Device4", Target::DeviceSlot, 4},
        {kNetworkSection, "Device5", Target::DeviceSlot, 5}, {kNetworkSection, "Device6", Target::DeviceSlot, 6},
        {kNetworkSection, "Device7", Target::DeviceSlot, 7},
    };
    return keys;
}

const std::string* Profile::find(std::string_view key) const {
    for (const ProfileValue& v : values)
        if (key == v.key->key) return &v.value;
    return nullptr;
}

ProfileRead ReadProfile(const std::filesystem::path& file) {
    ProfileRead r;
    r.profile.name = PathText(file.stem());
    const std::string where = PathText(file);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        r.error = where + " does not exist";
        return r;
    }
    IniFile ini(file);
    ini.skipByteOrderMark = true;  // Notepad starts its UTF-8 files with one
    if (const std::string problem = ini.readProblem(); !problem.empty()) {
        r.error = where + " " + problem;
        return r;
    }
    // One reading of the file for every key, so a file changed meanwhile is never mixed.
    IniFile::Batch snapshot(ini);
    if (!ini.hasSection(kProfileSection)) {
        r.error = where + " is not a profile: it has no [" + kProfileSection + "] section";
        return r;
    }
    r.profile.hasNetworkSection = ini.hasSection(kNetworkSection);
    for (const ProfileKey& k : ProfileKeys()) {
        std::optional<std::string> v = ini.find(k.section, k.key, kMaxSettingsFileSize);
        if (!v) continue;
        std::string why;
        if (HasLineBreak(*v))
            why = std::string(k.key) + " holds a line break";
        else if (v->size() > kMaxProfileValue)
            why = std::string(k.key) + " is longer than the " + std::to_string(kMaxProfileValue) +
                  " characters a set command can carry";
        else if (k.target == Target::SimType && !IsDigitUpTo(*v, '1'))
            why = "SimType must be 0 or 1, not " + Quoted(*v);
        else if (k.target == Target::Network && !IsDigitUpTo(*v, '3'))
            why = "Network must be 0 to 3, not " + Quoted(*v);
        if (!why.empty()) {
            r.error = where + ": " + why;
            r.profile.values.clear();
            return r;
        }
        r.profile.values.push_back({&k, std::move(*v)});
    }
    return r;
}

Profile ProfileOfPanel(Program& p) {
    Mainform& f = p.form;
    Profile profile;
    for (const ProfileKey& k : ProfileKeys()) {
        switch (k.target) {
            case Target::ParmRow:
                profile.values.push_back({&k, f.ModemParm(k.index).text()});
                break;
            case Target::SimType:
                if (p.SimTypeRead == 1) profile.values.push_back({&k, f.SIMTypeOption(1).value() ? "1" : "0"});
                break;
            case Target::Network:
                if (p.SimTypeRead == 1) {
                    // A contract SIM has no network: the logger is sent 0 for it.
                    int n = f.NetworkName.listIndex();
                    if (n < 0 || n > 3) n = p.NetworkIndex >= 0 && p.NetworkIndex <= 3 ? p.NetworkIndex : 0;
                    profile.values.push_back({&k, f.SIMTypeOption(1).value() ? std::to_string(n) : "0"});
                }
                break;
            case Target::DeviceSlot:
                if (p.ProductType == 3) profile.values.push_back({&k, f.NWDevIDBox(k.index).text()});
                break;
        }
    }
    profile.hasNetworkSection = p.ProductType == 3;
    return profile;
}

std::string WriteProfile(const std::filesystem::path& file, const Profile& profile) {
    // The sections first, even empty: a file without [PROFILE] is no profile, and [NETWORK]
    // says the profile is a hub's.
    std::vector<IniFile::Entry> entries{{kProfileSection, "", ""}};
    if (profile.hasNetworkSection) entries.push_back({kNetworkSection, "", ""});
    for (const ProfileValue& v : profile.values) {
        // The store would turn a line break into a blank: the file would not hold the value.
        if (HasLineBreak(v.value))
            return PathText(file) + " not written: " + v.key->key + " holds a line break";
        entries.push_back({v.key->section, v.key->key, v.value});  // the store quotes what needs it
    }
    IniFile ini(file);
    ini.alwaysPrivate = true;  // it holds passwords, whatever the file it replaces let others do
    std::string why;
    if (!ini.replaceAll(entries, &why)) return PathText(file) + " cannot be written: " + why;
    return {};
}

}  // namespace kd
