#pragma once
// Which device a COM port number stands for. The program and its settings file count ports
// as COM1..COM16, as on Windows; on Linux the numbers map onto the usual device families,
// and a [Ports] entry in the settings file can point any number at another device.
#include <string>

namespace kd {

class IniFile;

inline constexpr int kFirstComPort = 1;
inline constexpr int kLastComPort = 16;

// The device for COM port `number`, or "" when that number has no device on this system.
// `settings` may be null (no overrides).
//
// Linux: key "COMn" in section "Ports" (case-insensitive, e.g. "Com5=/dev/ttyUSB2") when
// present and non-empty; otherwise COM1-4 are /dev/ttyS0-3, COM5-8 /dev/ttyUSB0-3,
// COM9-12 /dev/ttyACM0-3 and COM13-16 have no device. Numbers outside 1..16 never have one.
// Windows: "COMn".
std::string ComDevice(int number, const IniFile* settings);

// The COM number that stands for `device` (the lowest when several do), 0 when none does.
// A link and its target, or two links to one device, are the same device.
int ComNumberOf(const std::string& device, const IniFile* settings);

}  // namespace kd
