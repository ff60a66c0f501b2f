#pragma once
// Fleet profiles: the values a technician sets the same on many loggers, in a file of the
// settings file's format. Section PROFILE holds the parameter rows the defaults also keep
// (Logint, FTPint, APNname, APNun, APNpw, FTPname, FTPun, FTPpw, Home) and, for a logger that
// reports its SIM card type, SimType (0 contract, 1 prepaid) and Network (0-3); a hub's
// profile adds section NETWORK with Probe and Device1..Device7 (empty: no device). Values
// that belong to one logger (device ID, SIM and own number) are never in it.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kd {

class Program;

inline constexpr const char* kProfileSection = "PROFILE";
inline constexpr const char* kNetworkSection = "NETWORK";
inline constexpr const char* kProfileExtension = ".kdprofile";
// The longest value a set command carries; a longer one cannot be a value for the logger.
inline constexpr std::size_t kMaxProfileValue = 255;

// One key a profile may hold and the control it belongs to.
struct ProfileKey {
    const char* section;
    const char* key;
    enum class Target { ParmRow, SimType, Network, DeviceSlot } target;
    int index;  // the ModemParm row or the device slot
};
// Every key, in the order a profile is written.
const std::vector<ProfileKey>& ProfileKeys();

struct ProfileValue {
    const ProfileKey* key;
    std::string value;
};

struct Profile {
    std::string name;                  // the file name without its extension (UTF-8)
    std::vector<ProfileValue> values;  // the keys present, in ProfileKeys() order
    bool hasNetworkSection = false;
    // The value of a key, or nullptr when the profile does not hold it.
    const std::string* find(std::string_view key) const;
};

struct ProfileRead {
    Profile profile;
    std::string error;  // "" when read; else names the file and says what is wrong with it (UTF-8)
    bool ok() const { return error.empty(); }
};

// Reads a profile file (a UTF-8 byte order mark at its start is skipped). Nothing is read
// from a file that is not a regular file of at most 1 MiB, has no PROFILE section, or holds a
// line break, a value longer than kMaxProfileValue, or an impossible SIM type or network. A
// value the upload's checks would refuse is read: the check speaks at the upload.
ProfileRead ReadProfile(const std::filesystem::path& file);

// The panel's fleet-wide values as shown (red or black); the SIM keys only when the logger
// reported its SIM type, the NETWORK section only for a hub.
Profile ProfileOfPanel(Program& p);

// Writes the profile in place of whatever the file held (atomically, through a symlink to
// its target; always mode 0600, also over a file that was more open: it holds passwords).
// Returns "" when written, else why not, naming the file (UTF-8).
std::string WriteProfile(const std::filesystem::path& file, const Profile& profile);

}  // namespace kd
