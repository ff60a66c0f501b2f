#pragma once
// Edit > "Check before leaving", remembered in the settings file in a section of its own
// ([VISITS] CheckBeforeLeaving=0|1), on unless the technician turned it off; the file is
// written only when the choice changes.
#include "settings/ini_file.h"

namespace kd::visits {

inline constexpr const char* kVisitsSection = "VISITS";
inline constexpr const char* kCheckBeforeLeavingKey = "CheckBeforeLeaving";
inline constexpr const char* kCheckBeforeLeavingCaption = "Check before leaving";

bool CheckBeforeLeaving(const IniFile& settings);
// False when the settings file refused the write.
bool SetCheckBeforeLeaving(IniFile& settings, bool on);

}  // namespace kd::visits
