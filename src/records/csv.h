#pragma once
// Records as CSV (RFC 4180, UTF-8, CR LF line ends): a header row, then one row per record
// with the date as YYYY-MM-DD, the time as HH:MM, numbers with a decimal point whatever the
// locale (as the window shows them: moisture with four decimals, temperature with one), and
// empty fields where the logger sent no value.
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

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
// The same into a file, replaced atomically (settings/atomic_file.h): through a symlink to
// its target, an existing file's owner and mode kept (a new one is 0600), so a failed export
// never leaves a half-written file where an older one was. The error names the file (UTF-8).
ExportResult ExportCsvFile(const Archive& archive, const std::optional<std::string>& deviceId,
                           const std::filesystem::path& file);
// The header and these rows (CsvRow's, one after another) into a file, the same way.
// "" when written, else why not, naming the file.
std::string WriteCsvFile(const std::filesystem::path& file, std::string_view rows);

}  // namespace kd::records
