#include "visits/leaving_setting.h"

namespace kd::visits {

bool CheckBeforeLeaving(const IniFile& settings) {
    // Anything but an explicit 0 leaves it on: a check nobody turned off is not skipped.
    const auto value = settings.find(kVisitsSection, kCheckBeforeLeavingKey);
    return !(value && *value == "0");
}

bool SetCheckBeforeLeaving(IniFile& settings, bool on) {
    if (CheckBeforeLeaving(settings) == on) return true;
    return settings.write(kVisitsSection, kCheckBeforeLeavingKey, on ? "1" : "0");
}

}  // namespace kd::visits
