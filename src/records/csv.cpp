#include "records/csv.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "basic/basic.h"

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

ExportResult ExportCsv(const Archive& archive, const std::optional<std::string>& deviceId, std::ostream& out) {
    ExportResult result;
    out << kCsvHeader << "\r\n";
    long long rows = 0;
    std::string chunk;
    const bool ok = archive.forEach(
        deviceId,
        [&](const ArchivedRecord& r) {
            chunk += CsvRow(r);
            ++rows;
            if (chunk.size() > 64 * 1024) {
                out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
                chunk.clear();
            }
        },
        &result.error);
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    out.flush();
    if (!ok) return result;
    if (!out) {
        result.error = "write failed";
        return result;
    }
    result.rows = rows;
    return result;
}

ExportResult ExportCsvFile(const Archive& archive, const std::optional<std::string>& deviceId,
                           const std::filesystem::path& file) {
    std::filesystem::path temp = file;
    temp += ".part" + std::to_string(::getpid());
    ExportResult result;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            result.error = "cannot write " + temp.parent_path().string() + ": " + std::strerror(errno);
            return result;
        }
        result = ExportCsv(archive, deviceId, out);
        out.close();
        if (result.rows >= 0 && !out) result = {-1, "write failed: " + std::string(std::strerror(errno))};
    }
    std::error_code ec;
    if (result.rows >= 0) {
        std::filesystem::rename(temp, file, ec);
        if (ec) result = {-1, "cannot replace " + file.string() + ": " + ec.message()};
    }
    if (result.rows < 0) std::filesystem::remove(temp, ec);
    return result;
}

}  // namespace kd::records
