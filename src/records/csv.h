#pragma once
// Records as CSV (RFC 4180, UTF-8, CR LF line ends): a header row, then one row per record
// with the date as YYYY-MM-DD, the time as HH:MM, numbers with a decimal point whatever the
// locale (as the window shows them: moisture with four decimals, temperature with one), and
// empty fields where the logger sent no value.
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "records/archive.h"
#include "records/record.h"

namespace kd::records {

extern const char* const kCsvHeader;  // without its line end

// One row, line end included.
std::string CsvRow(const ArchivedRecord& r);

struct ExportResult {
    long long rows = -1;  // records written; -1 when the export failed
    std::string error;
};

// The archive's records of one device (UTF-8 ID; all devices when nullopt), in time order.
ExportResult ExportCsv(const Archive& archive, const std::optional<std::string>& deviceId, std::ostream& out);
// The same into a file: written beside it under a temporary name and renamed into place, so
// a failed export never leaves a half-written file where an older one was.
ExportResult ExportCsvFile(const Archive& archive, const std::optional<std::string>& deviceId,
                           const std::filesystem::path& file);

}  // namespace kd::records
