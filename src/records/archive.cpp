#include "records/archive.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "visits/visit_store.h"

namespace kd::records {

namespace {

constexpr int kSchemaVersion = 2;

// One row per distinct record; the unique index is what makes a record fetched twice one row.
// An answer with no known log number counts as log number -1 there.
constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS records (
    id INTEGER PRIMARY KEY,
    device_id TEXT NOT NULL,
    log_number INTEGER,
    recorded_at TEXT,
    moisture_1 REAL, moisture_2 REAL, moisture_3 REAL, moisture_4 REAL, moisture_5 REAL, moisture_6 REAL,
    temperature_1 REAL, temperature_2 REAL, temperature_3 REAL, temperature_4 REAL, temperature_5 REAL,
    temperature_6 REAL,
    rssi INTEGER,
    raw BLOB NOT NULL,
    fetched_at TEXT NOT NULL
);
CREATE UNIQUE INDEX IF NOT EXISTS records_distinct ON records (device_id, ifnull(log_number, -1), raw);
CREATE INDEX IF NOT EXISTS records_by_time ON records (recorded_at, device_id, log_number);
)";

constexpr const char* kColumns =
    "device_id, log_number, recorded_at, moisture_1, moisture_2, moisture_3, moisture_4, moisture_5, moisture_6, "
    "temperature_1, temperature_2, temperature_3, temperature_4, temperature_5, temperature_6, rssi, raw, fetched_at";

std::string Why(sqlite3* db) { return db ? sqlite3_errmsg(db) : "out of memory"; }

bool Exec(sqlite3* db, const char* sql, std::string* error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    if (error) *error = message ? message : Why(db);
    sqlite3_free(message);
    return false;
}

// The folder is made private when this creates it; one that exists is left as it is.
bool MakeFolder(const std::filesystem::path& dir, std::string* error) {
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return true;
    if (!dir.parent_path().empty() && dir.parent_path() != dir && !MakeFolder(dir.parent_path(), error)) return false;
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        if (error) *error = "cannot create folder " + dir.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// A new archive starts as an empty private file; SQLite gives its WAL files the same mode.
bool CreatePrivateFile(const std::filesystem::path& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno == EEXIST) return true;
    if (error) *error = std::strerror(errno);
    return false;
}

void BindOptionalDouble(sqlite3_stmt* s, int i, const std::optional<double>& v) {
    if (v) sqlite3_bind_double(s, i, *v); else sqlite3_bind_null(s, i);
}
void BindOptionalInt(sqlite3_stmt* s, int i, const std::optional<int>& v) {
    if (v) sqlite3_bind_int(s, i, *v); else sqlite3_bind_null(s, i);
}
std::string Text(sqlite3_stmt* s, int i) {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
    return t ? std::string(t, static_cast<size_t>(sqlite3_column_bytes(s, i))) : std::string();
}
std::optional<double> OptionalDouble(sqlite3_stmt* s, int i) {
    if (sqlite3_column_type(s, i) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_double(s, i);
}
std::optional<int> OptionalInt(sqlite3_stmt* s, int i) {
    if (sqlite3_column_type(s, i) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_int(s, i);
}

struct Statement {
    sqlite3_stmt* s = nullptr;
    ~Statement() { sqlite3_finalize(s); }
};

}  // namespace

std::filesystem::path DefaultArchivePath() {
    std::filesystem::path base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data && std::filesystem::path(data).is_absolute())
        base = data;
    else if (const char* home = std::getenv("HOME"); home && *home && std::filesystem::path(home).is_absolute())
        base = std::filesystem::path(home) / ".local" / "share";
    else
        return {};
    return base / "keldamar" / "records.sqlite";
}

namespace {

ArchiveProblem ProblemOf(int rc) {
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return ArchiveProblem::Busy;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB: return ArchiveProblem::Malformed;
        default: return ArchiveProblem::Unusable;
    }
}

// What a database holds, read without changing it.
struct Found {
    int applicationId = 0;
    int version = 0;
    std::vector<std::string> objects;  // tables, indexes, views, triggers: "type name"
    std::vector<std::string> columns;  // of the records table
};

// What each version holds, in the order Inspect lists it.
constexpr const char* kVersion1Objects[] = {"index records_by_time", "index records_distinct", "table records"};
constexpr const char* kVersion2Objects[] = {"index records_by_time", "index records_distinct", "index visits_by_device",
                                            "table records",         "table visit_actions",    "table visit_values",
                                            "table visits"};
constexpr const char* kOurColumns[] = {"id",          "device_id",     "log_number",    "recorded_at",   "moisture_1",
                                       "moisture_2",  "moisture_3",    "moisture_4",    "moisture_5",    "moisture_6",
                                       "temperature_1", "temperature_2", "temperature_3", "temperature_4",
                                       "temperature_5", "temperature_6", "rssi",        "raw",           "fetched_at"};

// SQLITE_OK, or the code of the first failure (the connection's message says more).
int Inspect(sqlite3* db, Found* found) {
    auto each = [db](const char* sql, const std::function<void(sqlite3_stmt*)>& row) {
        Statement st;
        int rc = sqlite3_prepare_v2(db, sql, -1, &st.s, nullptr);
        while (rc == SQLITE_OK && (rc = sqlite3_step(st.s)) == SQLITE_ROW) {
            row(st.s);
            rc = SQLITE_OK;
        }
        return rc == SQLITE_DONE ? SQLITE_OK : rc;
    };
    int rc = each("PRAGMA application_id", [&](sqlite3_stmt* s) { found->applicationId = sqlite3_column_int(s, 0); });
    if (rc == SQLITE_OK) rc = each("PRAGMA user_version", [&](sqlite3_stmt* s) { found->version = sqlite3_column_int(s, 0); });
    if (rc == SQLITE_OK)
        rc = each("SELECT type || ' ' || name FROM sqlite_schema WHERE substr(name, 1, 7) <> 'sqlite_' ORDER BY 1",
                  [&](sqlite3_stmt* s) { found->objects.push_back(Text(s, 0)); });
    if (rc == SQLITE_OK)
        rc = each("SELECT name FROM pragma_table_info('records') ORDER BY cid",
                  [&](sqlite3_stmt* s) { found->columns.push_back(Text(s, 0)); });
    return rc;
}

bool OurSchema(const Found& f) {
    const bool objects =
        f.version == 1 ? std::equal(f.objects.begin(), f.objects.end(), std::begin(kVersion1Objects), std::end(kVersion1Objects))
        : f.version == 2 ? std::equal(f.objects.begin(), f.objects.end(), std::begin(kVersion2Objects), std::end(kVersion2Objects))
                         : false;
    return objects &&
           std::equal(f.columns.begin(), f.columns.end(), std::begin(kOurColumns), std::end(kOurColumns));
}

// Reads every page's structure; a damaged file is found here rather than at some later write.
int QuickCheck(sqlite3* db, std::string* why) {
    Statement st;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &st.s, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(st.s);
    if (rc != SQLITE_ROW) return rc;
    const std::string result = Text(st.s, 0);
    if (result == "ok") return SQLITE_OK;
    *why = "database disk image is malformed (" + result + ")";
    return SQLITE_CORRUPT;
}

}  // namespace

std::unique_ptr<Archive> Archive::open(const std::filesystem::path& path, std::string* error, ArchiveProblem* problem,
                                       Access access) {
    const bool write = access == Access::Write;
    std::string why;
    auto fail = [&](ArchiveProblem kind, const std::string& reason) {
        if (error) *error = reason;
        if (problem) *problem = kind;
        return nullptr;
    };
    if (problem) *problem = ArchiveProblem::None;
    if (path.empty()) return fail(ArchiveProblem::Unusable, "no folder for it (HOME is not set)");
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (std::filesystem::is_directory(status)) return fail(ArchiveProblem::Unusable, path.string() + " is a folder");
    if (!write && !std::filesystem::exists(status))
        return fail(ArchiveProblem::Unusable, path.string() + ": no records archived yet");
    if (write && !MakeFolder(path.parent_path(), &why)) return fail(ArchiveProblem::Unusable, why);
    if (write && !CreatePrivateFile(path, &why))
        return fail(ArchiveProblem::Unusable, "cannot create " + path.string() + ": " + why);

    sqlite3* db = nullptr;
    // No URI names, no following of a symlink put in the archive's place.
    const int flags = (write ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOFOLLOW |
                      SQLITE_OPEN_FULLMUTEX;
    if (const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr); rc != SQLITE_OK) {
        why = Why(db);
        sqlite3_close_v2(db);
        return fail(ProblemOf(rc), path.string() + ": " + why);
    }
    // close_v2: a statement still being finalised (see below) does not keep the file open.
    auto close = [&](ArchiveProblem kind, const std::string& reason) {
        sqlite3_close_v2(db);
        return fail(kind, path.string() + ": " + reason);
    };
    if (write && sqlite3_db_readonly(db, "main") == 1) return close(ArchiveProblem::Unusable, "the file may not be written");
    // The writer runs apart from the line and tries again; a reader waits no longer than a
    // commit of ours takes.
    sqlite3_busy_timeout(db, write ? 100 : 250);

    // Everything is read and judged before the first write: a database that is not ours is
    // left exactly as it was (no WAL switch, no table, no version).
    Found found;
    if (const int rc = Inspect(db, &found); rc != SQLITE_OK) return close(ProblemOf(rc), Why(db));
    const bool fresh = found.objects.empty() && found.applicationId == 0 && found.version == 0;
    const bool marked = found.applicationId == kApplicationId;
    if (!fresh) {
        if (marked && found.version > kSchemaVersion)
            return close(ArchiveProblem::NotOurs, "made by a newer version of the program");
        if (!(marked || found.applicationId == 0) || !OurSchema(found))
            return close(ArchiveProblem::NotOurs, "not a records archive of this program (another program's database?)");
        if (write) {
            if (const int rc = QuickCheck(db, &why); rc != SQLITE_OK)
                return close(ProblemOf(rc), why.empty() ? Why(db) : why);
        }
    }
    if (!write) return std::unique_ptr<Archive>(new Archive(db, path));

    // WAL: a crash or a lost cable mid-write leaves the last whole transaction; NORMAL
    // synchronisation never corrupts in this mode and keeps commits off the disk's flush.
    auto exec = [&](const char* sql) {
        char* message = nullptr;
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
        why = message ? message : Why(db);
        sqlite3_free(message);
        return rc;
    };
    if (const int rc = exec("PRAGMA journal_mode=WAL"); rc != SQLITE_OK) return close(ProblemOf(rc), why);
    if (const int rc = exec("PRAGMA synchronous=NORMAL"); rc != SQLITE_OK) return close(ProblemOf(rc), why);
    const std::string mark = "PRAGMA application_id=" + std::to_string(kApplicationId) + ";";
    std::string setup;
    if (fresh)
        setup = std::string("BEGIN IMMEDIATE;") + kSchema + visits::kVisitTables + "PRAGMA user_version=" +
                std::to_string(kSchemaVersion) + ";" + mark + "COMMIT;";
    else if (found.version == 1)
        // The visit tables join the records in one transaction: all of it or nothing.
        setup = std::string("BEGIN IMMEDIATE;") + visits::kVisitTables + "PRAGMA user_version=" +
                std::to_string(kSchemaVersion) + ";" + mark + "COMMIT;";
    else if (!marked)
        setup = mark;  // ours from before the mark
    if (!setup.empty()) {
        if (const int rc = exec(setup.c_str()); rc != SQLITE_OK) {
            exec("ROLLBACK");
            return close(ProblemOf(rc), why);
        }
    }
    return std::unique_ptr<Archive>(new Archive(db, path));
}

Archive::~Archive() { sqlite3_close_v2(db_); }

bool Archive::saveVisit(visits::Visit& visit, std::string* error, ArchiveProblem* problem) {
    if (problem) *problem = ArchiveProblem::None;
    visits::VisitStore store(db_);
    if (store.save(visit, error)) return true;
    if (problem) *problem = ProblemOf(sqlite3_errcode(db_));
    return false;
}

int Archive::add(const std::vector<ArchivedRecord>& batch, std::string* error, ArchiveProblem* problem) {
    if (problem) *problem = ArchiveProblem::None;
    if (batch.empty()) return 0;
    auto failed = [&](int rc) {
        if (problem) *problem = ProblemOf(rc);
        return -1;
    };
    if (const int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr); rc != SQLITE_OK) {
        if (error) *error = Why(db_);
        return failed(rc);
    }
    Statement st;
    const std::string sql = std::string("INSERT OR IGNORE INTO records (") + kColumns +
                            ") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
    int added = 0;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.s, nullptr);
    bool ok = rc == SQLITE_OK;
    for (size_t i = 0; ok && i < batch.size(); ++i) {
        const ArchivedRecord& r = batch[i];
        sqlite3_reset(st.s);
        sqlite3_bind_text(st.s, 1, r.deviceId.data(), static_cast<int>(r.deviceId.size()), SQLITE_STATIC);
        BindOptionalInt(st.s, 2, r.logNumber);
        if (r.recordedAt.empty()) sqlite3_bind_null(st.s, 3);
        else sqlite3_bind_text(st.s, 3, r.recordedAt.data(), static_cast<int>(r.recordedAt.size()), SQLITE_STATIC);
        for (int k = 0; k < 6; ++k) {
            BindOptionalDouble(st.s, 4 + k, r.moisture[static_cast<size_t>(k)]);
            BindOptionalDouble(st.s, 10 + k, r.temperature[static_cast<size_t>(k)]);
        }
        BindOptionalInt(st.s, 16, r.rssi);
        sqlite3_bind_blob(st.s, 17, r.raw.data(), static_cast<int>(r.raw.size()), SQLITE_STATIC);
        sqlite3_bind_text(st.s, 18, r.fetchedAt.data(), static_cast<int>(r.fetchedAt.size()), SQLITE_STATIC);
        rc = sqlite3_step(st.s);
        ok = rc == SQLITE_DONE;
        added += sqlite3_changes(db_);
    }
    if (ok) {
        rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        ok = rc == SQLITE_OK;
    }
    if (!ok) {
        if (error) *error = Why(db_);
        Exec(db_, "ROLLBACK", nullptr);
        return failed(rc);
    }
    return added;
}

bool Archive::forEach(const std::optional<std::string>& deviceId,
                      const std::function<void(const ArchivedRecord&)>& fn, std::string* error) const {
    Statement st;
    const std::string sql = std::string("SELECT ") + kColumns + " FROM records" +
                            (deviceId ? " WHERE device_id = ?1" : "") +
                            " ORDER BY recorded_at, device_id, log_number, id";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.s, nullptr) != SQLITE_OK) {
        if (error) *error = Why(db_);
        return false;
    }
    if (deviceId) sqlite3_bind_text(st.s, 1, deviceId->data(), static_cast<int>(deviceId->size()), SQLITE_STATIC);
    ArchivedRecord r;
    int rc;
    while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
        r.deviceId = Text(st.s, 0);
        r.logNumber = OptionalInt(st.s, 1);
        r.recordedAt = Text(st.s, 2);
        for (int k = 0; k < 6; ++k) {
            r.moisture[static_cast<size_t>(k)] = OptionalDouble(st.s, 3 + k);
            r.temperature[static_cast<size_t>(k)] = OptionalDouble(st.s, 9 + k);
        }
        r.rssi = OptionalInt(st.s, 15);
        const auto* blob = static_cast<const char*>(sqlite3_column_blob(st.s, 16));
        r.raw.assign(blob ? blob : "", static_cast<size_t>(sqlite3_column_bytes(st.s, 16)));
        r.fetchedAt = Text(st.s, 17);
        fn(r);
    }
    if (rc != SQLITE_DONE) {
        if (error) *error = Why(db_);
        return false;
    }
    return true;
}

long long Archive::count() const {
    Statement st;
    if (sqlite3_prepare_v2(db_, "SELECT count(*) FROM records", -1, &st.s, nullptr) != SQLITE_OK ||
        sqlite3_step(st.s) != SQLITE_ROW)
        return -1;
    return sqlite3_column_int64(st.s, 0);
}

}  // namespace kd::records
