#pragma once
// The local records archive: an SQLite database of every record ever fetched, one row per
// distinct record (device, log number and raw line), written in WAL mode so a crash or a
// pulled cable never leaves it corrupt. A file that cannot be opened is reported, never
// replaced or deleted, and a database that is not ours is never changed: it is refused
// before anything is written to it.
//
// Our databases carry PRAGMA application_id = kApplicationId (0x4B444D52, "KDMR" in ASCII)
// and PRAGMA user_version = 2 (version 2 added the visit tables beside the records). A
// version 1 archive is brought to version 2 in one transaction when first opened for writing,
// keeping every record; one made before the mark existed (application_id 0, the records table
// alone, user_version 1) is ours and is marked then too. A newer version is refused.
//
//   std::string error;
//   auto archive = kd::records::Archive::open(kd::records::DefaultArchivePath(), &error);
//   if (!archive) ... error says why ...
//   archive->add(batch, &error);                       // one transaction
//   archive->forEach(deviceId, [](const ArchivedRecord& r) { ... });  // in time order
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/record.h"

struct sqlite3;

namespace kd::visits {
struct Visit;
}

namespace kd::records {

// $XDG_DATA_HOME/keldamar/records.sqlite, by default ~/.local/share/keldamar/records.sqlite;
// empty when neither variable gives an absolute folder.
std::filesystem::path DefaultArchivePath();

inline constexpr int kApplicationId = 0x4B444D52;

// Why an archive is not in use. Busy passes (another program holds a write lock); the others
// stay until the file is changed.
enum class ArchiveProblem {
    None,
    Busy,       // locked by another program
    NotOurs,    // another program's database, or one of a format this program does not know
    Malformed,  // SQLite finds the file damaged, or it is no database at all
    Unusable,   // no folder for it, a folder in its place, not writable, ...
};

class Archive {
public:
    enum class Access { Write, Read };
    // Opens the archive. For writing it is created (mode 0600, its folder 0700) when it does
    // not exist and checked whole; for reading nothing is created or changed. nullptr with the
    // reason in *error (naming the file) and its kind in *problem when it cannot be used.
    static std::unique_ptr<Archive> open(const std::filesystem::path& path, std::string* error,
                                         ArchiveProblem* problem = nullptr, Access access = Access::Write);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Stores the batch in one transaction; records held already are skipped. The number of
    // new rows, or -1 with the reason (nothing of the batch is stored then).
    int add(const std::vector<ArchivedRecord>& batch, std::string* error, ArchiveProblem* problem = nullptr);

    // Every record of one device (UTF-8 ID; all devices when nullopt), in time order: the
    // record's time stamp, then device, then log number. False with the reason on a read error.
    bool forEach(const std::optional<std::string>& deviceId, const std::function<void(const ArchivedRecord&)>& fn,
                 std::string* error) const;
    long long count() const;

    // Stores a visit whole (visits/visit_store.h), one transaction; sets visit.id.
    bool saveVisit(visits::Visit& visit, std::string* error, ArchiveProblem* problem = nullptr);

private:
    Archive(sqlite3* db, std::filesystem::path path) : db_(db), path_(std::move(path)) {}
    sqlite3* db_;
    std::filesystem::path path_;
};

}  // namespace kd::records
