#pragma once
// The stored settings: reading every key at start-up with its check and default, the file
// access functions the other modules use, and the fixed text tables.
#include <string>

namespace kd {

class Program;

// Built-in defaults for keys that are missing or unusable.
inline constexpr const char* kDefaultFtpServer = "ftp.keldamar-data.net";
inline constexpr const char* kDefaultHomeNumber = "0215550143";
inline constexpr const char* kSection = "DEFAULT";

void ReadSettingsFile(Program& p);
// The month and model names and the line end: what every run needs, with or without the
// settings file (the command-line tool reads a logger without writing defaults into it).
void SetFixedTables(Program& p);
std::string ReadIniValue(Program& p, const std::string& section, const std::string& key);
// True when the value is in the file. Start-up repairs ignore a failure; a save the user
// asked for tells it with TellUnsaved.
bool WriteIniValue(Program& p, const std::string& section, const std::string& key, const std::string& value);
// Says once in the status line that a save the user asked for did not reach the file.
void TellUnsaved(Program& p);
// The settings folder, ending in the path separator.
std::string WindowsDirectory();

}  // namespace kd
