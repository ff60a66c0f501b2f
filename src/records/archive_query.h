#pragma once
// Reading the records archive beside the program's own writing, on any thread: a read-only
// SQLite connection of its own (a reader in WAL mode neither waits for the writer nor holds
// it up) that loads only the columns a chart draws.
//
//   kd::records::ChartRows rows;
//   std::string error;
//   if (!kd::records::ReadChartRows(path, deviceId, 0, &rows, &error)) ... error says why ...
//   ... later, only what was archived since:  ReadChartRows(path, deviceId, rows.lastId, &more, &error)
#include <filesystem>
#include <optional>
#include <string>

#include "records/chart_rows.h"

namespace kd::records {

// The rows of one device (UTF-8 ID; all devices when nullopt) archived after row afterId, in
// time order; a record whose stamp is no date is left out (it has no place on a time axis)
// but counts for out->lastId. An archive that does not exist yet holds no rows. False with
// the reason when the file cannot be read; nothing is ever written to it.
bool ReadChartRows(const std::filesystem::path& archive, const std::optional<std::string>& deviceId, long long afterId,
                   ChartRows* out, std::string* error);

// Milliseconds since the epoch of a local "YYYY-MM-DDThh:mm:ss" (the archive's recorded_at);
// nullopt when the text is not such a time.
std::optional<double> LocalMillis(const std::string& iso);

}  // namespace kd::records
