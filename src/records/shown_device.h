#pragma once
// Whose records File > Export Records and View > Records Chart take: the logger the window
// shows, never one read before and no longer shown (File > New clears the window).
#include <optional>
#include <string>

namespace kd {
class Program;
}

namespace kd::records {

// The device of the log record in the panel when one is shown, else the device ID box's; UTF-8.
// nullopt when the window shows neither: all loggers.
std::optional<std::string> ShownDevice(const Program& p);

}  // namespace kd::records
