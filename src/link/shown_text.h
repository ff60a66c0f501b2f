#pragma once
// How traffic and values are shown to people, one rule for the window, the command line,
// transcripts and reports: passwords never appear as text, and no byte a logger sends can
// act on a terminal.
#include <string>
#include <string_view>

namespace kd {

// One mask symbol per byte of a password, so its length can be checked but not its text.
inline constexpr char kMaskSymbol = '*';
std::string MaskedValue(std::string_view value);

// A command or answer line with its password masked: everything after the second comma of
// "AT+APNCON=" / "AT+FTPCON=" and of their "+APNCON:" / "+FTPCON:" answers. Every other
// line comes back as it was.
std::string MaskPasswords(std::string_view line);

// Bytes as UTF-8 text that is safe on a terminal: printable ASCII and tab as they are,
// other bytes below 0x20 and 0x7F as their visible control pictures (U+2400 + byte, U+2421),
// as the traffic panes show them, and bytes above 0x7E as \xHH.
std::string VisibleText(std::string_view bytes);

}  // namespace kd
