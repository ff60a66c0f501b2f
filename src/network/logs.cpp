#include "network/logs.h"

#include <algorithm>
#include <optional>

#include "app/program.h"
#include "basic/basic.h"
#include "link/commands.h"
#include "link/engine.h"
#include "replies/dispatcher.h"
#include "replies/extract.h"

namespace kd {

using basic::HexByte;
using basic::Mid;
using basic::Val;

void FetchNewestRecord(Program& p) {
    p.ReplyState = 21;
    // One value of the pointer and of the unread count serves both the "no record" check and
    // the record number: each rounded to a whole number (halves to even), as the logger's
    // counters are whole. A pointer of "0.5" with no unread logs thus holds no record, rather
    // than passing the check as 0.5 and then asking for record 4096 as 0.
    const std::optional<int16_t> pointer = basic::ToInt16(Val(p.form.ModemParm(1).text()));
    const std::optional<int16_t> unread = basic::ToInt16(Val(p.form.ModemParm(2).text()));
    // A pointer that does not fit 16 bits cannot name a record: the read ends there instead
    // of asking for a wrapped, wrong number.
    if (!pointer || (*pointer == 0 && unread && *unread == 0)) {
        p.form.ReplyTimeout.setEnabled(false);
        p.ReplyState = 0;
        return;
    }
    // The newest record is the one before the pointer; below 0 it wraps to 4096.
    int n = *pointer - 1;
    if (n < 0) n = 4096;
    p.TxCommand = std::string(cmd::kEvent) + std::to_string(n) + p.LineEnd;
    SendCommand(p);
}

void StoreLogRecord(Program& p) {
    Mainform& f = p.form;
    LogRecord r;
    r.deviceId = p.LastDeviceID;
    r.time = f.TimeBox.text();
    r.date = f.DateBox.text();
    for (int k = 0; k <= 5; ++k) {
        r.moisture[static_cast<size_t>(k)] = f.Moisture(k).text();
        r.temperature[static_cast<size_t>(k)] = f.Temperature(k).text();
    }
    r.rssi = f.RSSIBox.text();
    p.LogRecordCount = static_cast<int16_t>(std::min(p.LogRecordCount + 1, 1000));
    if (p.LogRecords.size() <= static_cast<size_t>(p.LogRecordCount)) p.LogRecords.resize(static_cast<size_t>(p.LogRecordCount) + 1);
    p.LogRecords[static_cast<size_t>(p.LogRecordCount)] = std::move(r);
    p.LogRecordIndex = p.LogRecordCount;
    f.StartLog.setCaption(basic::Str(p.LogRecordIndex));
    f.Endlog.setCaption(basic::Str(p.LogRecordCount));
    f.Prevlog.setEnabled(true);
    f.Nextlog.setEnabled(true);
}

std::optional<LogLineParts> SplitLogRecord(const std::string& line) {
    if (line.size() <= 69) return std::nullopt;
    LogLineParts r;
    int16_t pos = 7;
    r.deviceId = ExtractParm(line, pos, 1);
    const auto len = [](const std::string& s) { return static_cast<long>(s.size()); };
    int16_t p2 = static_cast<int16_t>(std::min<long>(len(r.deviceId) + 8, 32767));
    r.stamp = ExtractParm(line, p2, 2);
    int16_t p3 = static_cast<int16_t>(std::min<long>(len(r.deviceId) + len(r.stamp) + 9, 32767));
    r.moisture = ExtractParm(line, p3, 3);
    int16_t p4 = static_cast<int16_t>(std::min<long>(len(r.deviceId) + len(r.stamp) + len(r.moisture) + 10, 32767));
    r.temperature = ExtractParm(line, p4, 4);
    const long trailerStart = len(r.deviceId) + len(r.stamp) + len(r.moisture) + len(r.temperature) + 11;
    r.trailer = Mid(line, trailerStart);
    r.trailer = basic::Left(r.trailer, std::max<long>(0, len(r.trailer) - 2));
    return r;
}

std::optional<double> MoistureValue(const std::string& block, int k) {
    const int v = 256 * HexByte(Mid(block, 4 * k + 1, 2)) + HexByte(Mid(block, 4 * k + 3, 2));
    if (block.size() != 24 || v == 0) return std::nullopt;
    return 100.0 - v / 327.67;
}

std::optional<double> TemperatureValue(const std::string& block, int k) {
    const int v = HexByte(Mid(block, 2 * k + 1, 2));
    if (block.size() != 12 || v == 0) return std::nullopt;
    return v / 5.0;
}

std::optional<int> RssiValue(const std::string& trailer) {
    if (trailer.size() < 10) return std::nullopt;
    return HexByte(Mid(trailer, 9, 2));
}

void ApplyLogRecord(Program& p, const std::string& line) {
    Mainform& f = p.form;
    f.FetchLog.setEnabled(true);
    f.LogBox.setReadOnly(false);
    if (const std::optional<LogLineParts> parts = SplitLogRecord(line)) {
        p.LastDeviceID = parts->deviceId;
        UpdateIDCaption(p);
        const std::string& stamp = parts->stamp;
        if (parts->moisture.size() == 24) {
            for (int k = 0; k <= 5; ++k) {
                const std::optional<double> v = MoistureValue(parts->moisture, k);
                f.Moisture(k).setText(v ? basic::Format4(*v) : std::string());
            }
        }
        if (parts->temperature.size() == 12) {
            for (int k = 0; k <= 5; ++k) {
                const std::optional<double> v = TemperatureValue(parts->temperature, k);
                f.Temperature(k).setText(v ? basic::Format1(*v) : std::string());
            }
        }
        // A stamp shorter than YYMMDDhhmm cannot be split into a date and a time without the
        // two overlapping: both boxes are emptied rather than showing a made-up date.
        if (stamp.size() >= 10) {
            const std::string h = basic::Right(stamp, 4);
            f.TimeBox.setText(basic::Left(h, 2) + "h" + basic::Right(h, 2));
            const std::string d = basic::Left(stamp, 6);
            // A month outside 0..12 has no name: the date is shown without one.
            const double m = basic::RoundHalfEven(Val(Mid(d, 3, 2)));
            const std::string month = (m >= 0 && m <= 12) ? p.MonthNames[static_cast<size_t>(m)] : std::string();
            f.DateBox.setText(std::to_string(static_cast<long>(Val(basic::Right(d, 2)))) + " " + month + " 20" +
                              basic::Left(d, 2));
        } else {
            f.TimeBox.setText("");
            f.DateBox.setText("");
        }
        // A trailer too short to hold the signal strength shows none, not a made-up 0.
        const std::optional<int> rssi = RssiValue(parts->trailer);
        f.RSSIBox.setText(rssi ? std::to_string(*rssi) : std::string());
        StoreLogRecord(p);
    }
    for (int i = 0; i <= 2; ++i) f.CustomSend(i).setEnabled(true);
    f.ReplyTimeout.setEnabled(false);
    p.ReplyState = 0;
}

}  // namespace kd
