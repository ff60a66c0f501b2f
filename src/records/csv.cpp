#include "records/csv.h"

#include <functional>

#include "basic/basic.h"
#include "basic/path_text.h"
#include "settings/atomic_file.h"

namespace kd::records {

const char* const kCsvHeader =
    "device_id,log_number,date,time,moisture_1,moisture_2,moisture_3,moisture_4,moisture_5,moisture_6,"
    "temperature_1,temperature_2,temperature_3,temperature_4,temperature_5,temperature_6,rssi";

namespace {

void Field(std::string& row, const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        row += text;
        return;
    }
    row += '"';
    for (const char c : text) {
        if (c == '"') row += '"';
        row += c;
    }
    row += '"';
}

// A new export is private like the archive it comes from; one that replaces a file keeps
// that file's owner and mode, so a file the user shared stays shared.
ReplaceOptions CsvFileOptions() {
    ReplaceOptions options;
    options.newMode = 0600;
    return options;
}

}  // namespace

std::string CsvRow(const ArchivedRecord& r) {
    std::string row;
    row.reserve(160);
    Field(row, r.deviceId);
    row += ',';
    if (r.logNumber) row += std::to_string(*r.logNumber);
    row += ',';
    // recordedAt is "YYYY-MM-DDThh:mm:ss" or empty.
    if (r.recordedAt.size() >= 16) row.append(r.recordedAt, 0, 10);
    row += ',';
    if (r.recordedAt.size() >= 16) row.append(r.recordedAt, 11, 5);
    // Format4 and Format1 build their digits from integers: no locale reaches them.
    for (const auto& v : r.moisture) {
        row += ',';
        if (v) row += basic::Format4(*v);
    }
    for (const auto& v : r.temperature) {
        row += ',';
        if (v) row += basic::Format1(*v);
    }
    row += ',';
    if (r.rssi) row += std::to_string(*r.rssi);
    row += "\r\n";
    return row;
}

namespace {

// The header and the rows of one device, handed to `out` in pieces of about 64 KiB; false
// from `out` ends the export.
ExportResult ExportTo(const Archive& archive, const std::optional<std::string>& deviceId,
                      const std::function<bool(std::string_view)>& out) {
    ExportResult result;
    std::string chunk = std::string(kCsvHeader) + "\r\n";
    long long rows = 0;
    bool written = true;
    const bool ok = archive.forEach(
        deviceId,
        [&](const ArchivedRecord& r) {
            chunk += CsvRow(r);
            ++rows;
            if (written && chunk.size() > 64 * 1024) {
                written = out(chunk);
                chunk.clear();
            }
        },
        &result.error);
    if (!ok) return result;
    if (!written || !out(chunk)) {
        result.error = "write failed";
        return result;
    }
    result.rows = rows;
    return result;
}

}  // namespace

ExportResult ExportCsv(const Archive& archive, const std::optional<std::string>& deviceId, std::ostream& out) {
    ExportResult result = ExportTo(archive, deviceId, [&](std::string_view bytes) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out);
    });
    out.flush();
    if (result.rows >= 0 && !out) result = {-1, "write failed"};
    return result;
}

ExportResult ExportCsvFile(const Archive& archive, const std::optional<std::string>& deviceId,
                           const std::filesystem::path& file) {
    FileReplacement replacement(file, CsvFileOptions());
    ExportResult result;
    if (!replacement.ok()) return {-1, "cannot write " + PathText(file) + ": " + replacement.error()};
    result = ExportTo(archive, deviceId, [&](std::string_view bytes) { return replacement.write(bytes); });
    if (result.rows < 0) {
        if (!replacement.ok()) result.error = "cannot write " + PathText(file) + ": " + replacement.error();
        return result;
    }
    if (!replacement.commit()) return {-1, "cannot write " + PathText(file) + ": " + replacement.error()};
    return result;
}

std::string WriteCsvFile(const std::filesystem::path& file, std::string_view rows) {
    FileReplacement replacement(file, CsvFileOptions());
    replacement.write(kCsvHeader);
    replacement.write("\r\n");
    replacement.write(rows);
    if (replacement.commit()) return {};
    return "cannot write " + PathText(file) + ": " + replacement.error();
}

}  // namespace kd::records
