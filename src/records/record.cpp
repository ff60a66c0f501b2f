#include "records/record.h"

#include <chrono>
#include <cstdio>

#include "network/logs.h"

namespace kd::records {

namespace {

std::optional<int> TwoDigits(const std::string& s, size_t at) {
    if (at + 2 > s.size()) return std::nullopt;
    const char a = s[at], b = s[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') return std::nullopt;
    return (a - '0') * 10 + (b - '0');
}

}  // namespace

std::string IsoStamp(const std::string& stamp) {
    if (stamp.size() < 10) return {};
    const size_t t = stamp.size() - 4;
    const auto yy = TwoDigits(stamp, 0), mo = TwoDigits(stamp, 2), dd = TwoDigits(stamp, 4);
    const auto hh = TwoDigits(stamp, t), mi = TwoDigits(stamp, t + 2);
    if (!yy || !mo || !dd || !hh || !mi || *hh > 23 || *mi > 59) return {};
    using namespace std::chrono;
    const year_month_day date{year{2000 + *yy}, month{static_cast<unsigned>(*mo)}, day{static_cast<unsigned>(*dd)}};
    if (!date.ok()) return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:00", 2000 + *yy, *mo, *dd, *hh, *mi);
    return buf;
}

std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

std::optional<ArchivedRecord> DecodeRecord(const std::string& line, std::optional<int> logNumber,
                                           std::string fetchedAt) {
    const std::optional<LogLineParts> parts = SplitLogRecord(line);
    if (!parts) return std::nullopt;
    ArchivedRecord r;
    r.deviceId = Latin1ToUtf8(parts->deviceId);
    r.logNumber = logNumber;
    r.recordedAt = IsoStamp(parts->stamp);
    for (int k = 0; k <= 5; ++k) {
        r.moisture[static_cast<size_t>(k)] = MoistureValue(parts->moisture, k);
        r.temperature[static_cast<size_t>(k)] = TemperatureValue(parts->temperature, k);
    }
    r.rssi = RssiValue(parts->trailer);
    r.raw = line;
    r.fetchedAt = std::move(fetchedAt);
    return r;
}

}  // namespace kd::records
