#pragma once
// Putting a profile into the parameter panel as a technician would type it: only values
// that differ from the text shown change, and those turn red for the next upload.
#include <string>

#include "profiles/profile_file.h"

namespace kd {

class Program;

struct ProfileApplied {
    std::string refusal;          // "" when applied; otherwise why nothing changed
    int changed = 0;              // values put in because they differed from the panel
    bool networkIgnored = false;  // a NETWORK section for a logger that is not a hub
    bool simTypeIgnored = false;  // SIM keys for a logger that has not reported its SIM type
    bool ok() const { return refusal.empty(); }
};

// Why the panel cannot take a profile now ("" when it can): a command awaits its answer or
// a device scan runs.
std::string ProfileBusyReason(const Program& p);

// Applies the profile, or changes nothing and says why (busy). A value the upload's check
// would refuse (out of range, longer than its box takes from the keyboard) is still put in,
// red: the check speaks at the upload.
ProfileApplied ApplyProfile(Program& p, const Profile& profile);

// The status line after a load: "Profile fleet-north loaded: 5 values changed".
std::string ProfileLoadedText(const Profile& profile, const ProfileApplied& applied);

}  // namespace kd
