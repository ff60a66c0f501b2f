#pragma once
// A profile's values under the keys a visit keeps them by, so a visit and a profile compare
// setting by setting; passwords as digests for the device they are compared against.
#include <string>
#include <vector>

#include "profiles/profile_file.h"
#include "visits/visit.h"

namespace kd::visits {

std::vector<FoundValue> ProfileSide(const Profile& profile, const std::string& deviceId);

// True for the keys whose values a visit keeps only as digests.
bool IsPasswordKey(const std::string& key);

}  // namespace kd::visits
