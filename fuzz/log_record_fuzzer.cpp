// The log record decoder on its own: any line as an "@LOAD" record. What it shows must be
// what a record can hold: moisture 100 - v/327.67 for a 16-bit v, temperature v/5 for a byte,
// a signal strength byte, a time hhHmm; a line of 69 bytes or fewer changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "network/logs.h"
#include "rig.h"
#include "settings/settings_file.h"

// In kdfuzz, so the harness.ignorelist keeps the checks out of the edge counters.
namespace kdfuzz {
namespace {

// Empty, or a decimal number with `decimals` places between lo and hi.
bool NumberIn(const std::string& s, int decimals, double lo, double hi) {
    if (s.empty()) return true;
    const size_t point = s.find('.');
    if (point == std::string::npos || s.size() - point - 1 != static_cast<size_t>(decimals)) return false;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    return *end == '\0' && v >= lo && v <= hi;
}

}  // namespace
}  // namespace kdfuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kdfuzz;
    // One program for the whole run (building one per input was nine tenths of the work): what
    // a record sets is cleared first, so each input meets the same program.
    static kdfuzz::Rig& rig = [] () -> kdfuzz::Rig& {
        static kdfuzz::Rig r(kdfuzz::CompleteSettingsFile());
        kd::ReadSettingsFile(r.program);  // the month names
        return r;
    }();
    kd::Program& p = rig.program;
    kd::Mainform& f = p.form;
    p.LogRecords.resize(1);
    p.LogRecordCount = p.LogRecordIndex = 0;
    p.LastDeviceID.clear();
    for (int k = 0; k <= 5; ++k) {
        f.Moisture(k).setText("");
        f.Temperature(k).setText("");
    }
    for (kd::TextBox* box : {&f.TimeBox, &f.DateBox, &f.RSSIBox}) box->setText("");
    p.ReplyState = 21;
    const std::string line(reinterpret_cast<const char*>(data), size);
    kd::ApplyLogRecord(p, line);

    Check(p.ReplyState == 0 && !f.ReplyTimeout.enabled(), "a record did not end the exchange");
    Check(p.LogRecordCount == (line.size() > 69 ? 1 : 0), "a record stored other than once");
    for (int k = 0; k <= 5; ++k) {
        Check(NumberIn(f.Moisture(k).text(), 4, -100.0031, 99.9970), "moisture no 16-bit value gives");
        Check(NumberIn(f.Temperature(k).text(), 1, 0.2, 51.0), "temperature no byte gives");
    }
    const std::string& rssi = f.RSSIBox.text();
    Check(rssi.empty() || (rssi.size() <= 3 && std::atoi(rssi.c_str()) <= 255 &&
                           rssi.find_first_not_of("0123456789") == std::string::npos),
          "RSSI not a byte");
    const std::string& time = f.TimeBox.text();
    Check(time.empty() || (time.size() == 5 && time[2] == 'h'), "time not hhHmm");
    if (p.LogRecordCount == 1) {
        const kd::LogRecord& r = p.LogRecords[1];
        Check(r.time == time && r.rssi == rssi && r.date == f.DateBox.text() && r.deviceId == p.LastDeviceID,
              "the stored record differs from the one shown");
    }
    return 0;
}
