#pragma once
// What "Upload Settings" is about to send, one row per value, next to what the logger
// reported at the last read; shown before the first set command when asked for.
#include <string>
#include <vector>

namespace kd {

class Program;

struct UploadPreviewRow {
    std::string setting;     // the row's caption without its colon, e.g. "APN Password"
    std::string onLogger;    // what the last read reported
    std::string newValue;    // what the upload sends
    bool password = false;   // the view shows it masked
    bool sendsValue = true;  // false for the SIM number: its command carries no value
};

// Every value of every item the upload would send now, in upload order.
std::vector<UploadPreviewRow> UploadPreview(Program& p);

// How the preview and the checked upload name a parameter row or device slot; the user name
// and password rows say whose they are.
std::string SettingName(const Program& p, int row);
std::string DeviceSlotName(int slot);
inline constexpr const char* kSimTypeSetting = "SIM Card Type";
// A SIM type as "type,network" digits, in words: "Contract", "Prepaid RSA Only, MTN".
std::string SimTypeWords(const Program& p, const std::string& digits);
// The digits the upload sends for the SIM card type the panel shows.
std::string SimTypeDigits(Program& p);
bool IsPasswordRow(int row);

}  // namespace kd
