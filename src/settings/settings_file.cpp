#include "settings/settings_file.h"

#include <algorithm>
#include <cctype>

#include "app/program.h"
#include "basic/basic.h"
#include "basic/path_text.h"

namespace kd {

using basic::Val;

std::string ReadIniValue(Program& p, const std::string& section, const std::string& key) {
    return p.platform.settings.read(section, key);
}

bool WriteIniValue(Program& p, const std::string& section, const std::string& key, const std::string& value) {
    // The program goes on with the values in memory whatever happens here.
    return p.platform.settings.write(section, key, value);
}

void TellUnsaved(Program& p) {
    p.form.StatusBox(0).setSystemText("Not saved: cannot write " + PathText(p.platform.settings.path()));
}

std::string WindowsDirectory() {
    std::string dir = SettingsDirectory().string();
    const char sep = static_cast<char>(std::filesystem::path::preferred_separator);
    if (dir.empty() || dir.back() != sep) dir += sep;
    return dir;
}

namespace {

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// Reads a key; when check fails writes the default and returns it, else returns the value.
std::string CheckedKey(Program& p, const char* key, bool ok, const std::string& value, const char* def,
                       bool serial) {
    if (ok) return value;
    if (serial) p.PortSetupNeeded = 1;
    WriteIniValue(p, kSection, key, def);
    return def;
}

std::string NotEmptyKey(Program& p, const char* key, const char* def) {
    const std::string v = ReadIniValue(p, kSection, key);
    return CheckedKey(p, key, !v.empty(), v, def, false);
}

}  // namespace

void SetFixedTables(Program& p) {
    p.MonthNames = {"", "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    p.ModelNames = {"KELDAMAR", "KELDAMAR Temperature", "KELDAMAR+", "KELDAMAR HUB", "UNKNOWN", "UNKNOWN",
                    "KELDAMAR MKIV", "H/L", "LOGGER", "KELDAMAR MKIII", ""};
    p.LineEnd = "\r\n";
}

void ReadSettingsFile(Program& p) {
    SetFixedTables(p);
    p.NetworkIndex = 0;
    p.SimTypeSupported = 0;
    p.ReplyLineCount = 0;
    p.PortSetupNeeded = 0;

    // Every default a fresh or damaged file needs goes out in one rewrite, not one per key.
    IniFile::Batch batch(p.platform.settings);

    // Serial keys: checked and repaired; only the port number is used afterwards.
    {
        const std::string v = ReadIniValue(p, kSection, "Comport");
        const double n = Val(v);
        const bool ok = !v.empty() && n >= 1 && n <= 16;
        CheckedKey(p, "Comport", ok, v, "1", true);
        p.PortNumber = ok ? basic::ClampInt16(n) : int16_t{1};
    }
    {
        const std::string v = ReadIniValue(p, kSection, "Baudrate");
        const double n = Val(v);
        CheckedKey(p, "Baudrate", !v.empty() && n >= 200 && n <= 115200, v, "9600", true);
    }
    {
        const std::string v = Upper(ReadIniValue(p, kSection, "Parity"));
        CheckedKey(p, "Parity", v == "N" || v == "O" || v == "E", v, "n", true);
    }
    {
        const double n = Val(ReadIniValue(p, kSection, "Bits"));
        CheckedKey(p, "Bits", n >= 5 && n <= 8, "", "8", true);
    }
    {
        const double n = Val(ReadIniValue(p, kSection, "Stopbits"));
        CheckedKey(p, "Stopbits", n >= 1 && n <= 2, "", "1", true);
    }

    p.DefLogint = NotEmptyKey(p, "Logint", "30");
    p.DefFTPint = NotEmptyKey(p, "FTPint", "120");

    p.DefAPNname = ReadIniValue(p, kSection, "APNname");
    if (p.DefAPNname.empty()) {
        WriteIniValue(p, kSection, "APNname", "Internet");
        WriteIniValue(p, kSection, "APNun", "");
        WriteIniValue(p, kSection, "APNpw", "");
        p.DefAPNname = "Internet";
        p.DefAPNun.clear();
        p.DefAPNpw.clear();
    } else {
        p.DefAPNun = ReadIniValue(p, kSection, "APNun");
        p.DefAPNpw = ReadIniValue(p, kSection, "APNpw");
    }

    p.DefFTPname = ReadIniValue(p, kSection, "FTPname");
    if (p.DefFTPname.empty()) {
        WriteIniValue(p, kSection, "FTPname", kDefaultFtpServer);
        WriteIniValue(p, kSection, "FTPun", "vrelon_1");
        WriteIniValue(p, kSection, "FTPpw", "mirtal52");
        p.DefFTPname = kDefaultFtpServer;
    }
    p.DefFTPun = NotEmptyKey(p, "FTPun", "vrelon_1");
    p.DefFTPpw = NotEmptyKey(p, "FTPpw", "mirtal52");

    p.DefHome = NotEmptyKey(p, "Home", kDefaultHomeNumber);
    p.CustomCommands[0] = ReadIniValue(p, kSection, "Cust1");
    p.CustomCommands[1] = ReadIniValue(p, kSection, "Cust2");
    p.CustomCommands[2] = ReadIniValue(p, kSection, "Cust3");

    p.ReplyState = 0;
}

}  // namespace kd
