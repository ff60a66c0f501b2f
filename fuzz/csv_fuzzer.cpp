// The CSV writer's quoting: a record decoded from any line, and one whose device ID is any
// text, as a CSV row; read back with a plain RFC 4180 reader, every field must be what went in.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "basic/basic.h"
#include "records/csv.h"
#include "rig.h"

// In kdfuzz, so the harness.ignorelist keeps the checks out of the edge counters.
namespace kdfuzz {
namespace {

// One row of RFC 4180 CSV (line end included); nullopt when the text is not exactly one row.
std::optional<std::vector<std::string>> ReadRow(const std::string& s) {
    std::vector<std::string> fields(1);
    size_t i = 0;
    bool quoted = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (quoted) {
            if (c != '"') fields.back() += c;
            else if (i + 1 < s.size() && s[i + 1] == '"') fields.back() += s[++i];
            else quoted = false;
        } else if (c == '"' && fields.back().empty()) {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\r' && s.compare(i, std::string::npos, "\r\n") == 0) {
            return fields;
        } else if (c == '"' || c == '\r' || c == '\n') {
            return std::nullopt;
        } else {
            fields.back() += c;
        }
    }
    return std::nullopt;
}

std::string Opt(const std::optional<double>& v, std::string (*format)(double)) { return v ? format(*v) : ""; }

void CheckRow(const kd::records::ArchivedRecord& r) {
    const auto fields = ReadRow(kd::records::CsvRow(r));
    Check(fields.has_value(), "a CSV row is not one row");
    const std::vector<std::string>& f = *fields;
    Check(f.size() == 17, "a CSV row has other than 17 fields");
    Check(f[0] == r.deviceId, "the device ID reads back as another");
    Check(f[1] == (r.logNumber ? std::to_string(*r.logNumber) : ""), "the log number reads back as another");
    for (size_t k = 0; k < 6; ++k) {
        Check(f[4 + k] == Opt(r.moisture[k], kd::basic::Format4), "a moisture reads back as another");
        Check(f[10 + k] == Opt(r.temperature[k], kd::basic::Format1), "a temperature reads back as another");
    }
    Check(f[16] == (r.rssi ? std::to_string(*r.rssi) : ""), "the RSSI reads back as another");
}

}  // namespace
}  // namespace kdfuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kdfuzz;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (auto r = kd::records::DecodeRecord(bytes, static_cast<int>(size), "2026-01-01T00:00:00")) CheckRow(*r);
    kd::records::ArchivedRecord any;
    any.deviceId = bytes;
    CheckRow(any);
    return 0;
}
