#pragma once
// A settings file with the semantics of the Windows profile functions, so that files copied
// from Windows machines and back keep working: sections and keys match case-insensitively,
// values are trimmed and lose one pair of surrounding quotes, every line the program does
// not change stays as it was, CRLF and LF files both read.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kd {

class IniFile {
public:
    explicit IniFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }

    // The value, or "" when the file, section or key is missing. At most maxChars characters
    // are returned (a Windows profile buffer of 80 holds 79 characters and the NUL).
    std::string read(std::string_view section, std::string_view key, std::size_t maxChars = 79) const;

    // Updates the key in place, appends a missing key to its section, appends a missing
    // section to the file. The new file is written beside the old one and renamed over it,
    // so a failed write never leaves a half-written file. A newly created file gets mode 0600.
    // CR and LF in the value are written as spaces, so a value can never add lines or keys.
    // Returns false when the file or folder cannot be written (callers ignore this).
    bool write(std::string_view section, std::string_view key, std::string_view value);

    // Tests only: called after the new file is written and before it replaces the old one;
    // returning true abandons the write there, as a crash at that moment would.
    std::function<bool()> testHookBeforeRename;

private:
    std::filesystem::path path_;
};

// Folder of the settings file: $XDG_CONFIG_HOME, else ~/.config (the Windows directory on Windows).
std::filesystem::path SettingsDirectory();
inline constexpr const char* kSettingsFileName = "ORVIKAS.ini";

}  // namespace kd
