// Asking the logger for a record by number, and paging through the records received.
#include <optional>
#include <string>

#include "app/program.h"
#include "basic/basic.h"
#include "link/commands.h"
#include "link/engine.h"
#include "network/logs.h"
#include "network/report.h"
#include "replies/dispatcher.h"
#include "replies/extract.h"

namespace kd {

namespace {

constexpr int kLastAdvance = 4046;  // the advance after a fetch starts again at 1 beyond this
constexpr int kLastRecord = 4096;   // the arrow keys cycle through 0..4096

// The number in LogBox when it is one the logger can be asked for: digits only and within
// 16 bits. Anything else is reported and nothing is sent, so a long run of digits never
// wraps into a request for some other record. Nothing is sent either while the line's holder
// lets no fetch go out.
std::optional<int> CheckedLogNumber(Program& p) {
    if (!p.line.mayStart(LineHolder::Read)) return std::nullopt;
    TextBox& box = p.form.LogBox;
    const std::optional<int16_t> n = Numcheck(box.text()) ? basic::ToInt16(basic::Val(box.text())) : std::nullopt;
    if (!n) {
        ReportInBox(p, "Log number out of range!", box);
        return std::nullopt;
    }
    // The number goes out as typed: leading zeros and all. ReplyState stays idle.
    p.TxCommand = std::string(cmd::kEvent) + box.text() + p.LineEnd;
    SendCommand(p);
    return *n;
}

}  // namespace

void FetchLog_Click(Program& p) {
    const std::optional<int> n = CheckedLogNumber(p);
    if (!n) return;
    const int next = *n + 1 > kLastAdvance ? 1 : *n + 1;
    p.form.LogBox.setText(std::to_string(next));
}

void LogBox_KeyDown(Program& p, int keyCode) {
    TextBox& box = p.form.LogBox;
    if (keyCode == kKeyEnter) {
        CheckedLogNumber(p);
        return;
    }
    if (keyCode != kKeyUp && keyCode != kKeyDown) return;
    // A value beyond 16 bits is past either end of the cycle.
    const std::optional<int16_t> v = basic::ToInt16(basic::Val(box.text()));
    int n;
    if (keyCode == kKeyUp) {
        n = v ? *v + 1 : 0;
        if (n > kLastRecord) n = 0;
    } else {
        n = v ? *v - 1 : kLastRecord;
        if (n < 0) n = kLastRecord;
    }
    box.setText(std::to_string(n));
}

void ShowLogRecord(Program& p) {
    // After "New" the list is empty while the page buttons keep their state: nothing to show.
    if (p.LogRecordIndex < 1 || p.LogRecordIndex > p.LogRecordCount) return;
    Mainform& f = p.form;
    const LogRecord& r = p.LogRecords[static_cast<size_t>(p.LogRecordIndex)];
    p.LastDeviceID = r.deviceId;
    UpdateIDCaption(p);
    f.TimeBox.setText(r.time);
    f.DateBox.setText(r.date);
    for (int k = 0; k <= 5; ++k) {
        f.Moisture(k).setText(r.moisture[static_cast<size_t>(k)]);
        f.Temperature(k).setText(r.temperature[static_cast<size_t>(k)]);
    }
    f.RSSIBox.setText(r.rssi);
    f.StartLog.setCaption(basic::Str(p.LogRecordIndex));
    f.Endlog.setCaption(basic::Str(p.LogRecordCount));
}

void Nextlog_Click(Program& p) {
    if (p.LogRecordCount == 0) return;
    p.LogRecordIndex = p.LogRecordIndex != p.LogRecordCount ? static_cast<int16_t>(p.LogRecordIndex + 1) : int16_t{1};
    ShowLogRecord(p);
}

void Prevlog_Click(Program& p) {
    if (p.LogRecordCount == 0) return;
    p.LogRecordIndex = p.LogRecordIndex != 1 ? static_cast<int16_t>(p.LogRecordIndex - 1) : p.LogRecordCount;
    ShowLogRecord(p);
}

}  // namespace kd
