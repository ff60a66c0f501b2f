#include "visits/profile_side.h"

#include "visits/found_values.h"

namespace kd::visits {

bool IsPasswordKey(const std::string& key) { return key == "apn_password" || key == "ftp_password"; }

std::vector<FoundValue> ProfileSide(const Profile& profile, const std::string& deviceId) {
    std::vector<FoundValue> side;
    for (const ProfileValue& v : profile.values) {
        std::string key;
        switch (v.key->target) {
            case ProfileKey::Target::ParmRow: key = RowKey(v.key->index); break;
            case ProfileKey::Target::DeviceSlot:
                key = v.key->index == 0 ? std::string("probe") : "network_device_" + std::to_string(v.key->index);
                break;
            // The visit keeps the SIM type in words; the profile's digits compare on the logger.
            case ProfileKey::Target::SimType:
            case ProfileKey::Target::Network: continue;
        }
        if (IsPasswordKey(key))
            side.push_back({key, v.key->key, "", PasswordDigest(deviceId, key, v.value)});
        else
            side.push_back({key, v.key->key, v.value, ""});
    }
    return side;
}

}  // namespace kd::visits
