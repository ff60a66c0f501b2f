#include "records/archive.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kd::records {

namespace {

constexpr int kSchemaVersion = 1;

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

std::unique_ptr<Archive> Archive::open(const std::filesystem::path& path, std::string* error) {
    std::string why;
    auto fail = [&](const std::string& reason) {
        if (error) *error = reason;
        return nullptr;
    };
    if (path.empty()) return fail("no folder for it (HOME is not set)");
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (std::filesystem::is_directory(status)) return fail(path.string() + " is a folder");
    if (!MakeFolder(path.parent_path(), &why)) return fail(why);
    if (!CreatePrivateFile(path, &why)) return fail("cannot create " + path.string() + ": " + why);

    sqlite3* db = nullptr;
    // No URI names, no following of a symlink put in the archive's place.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        why = Why(db);
        sqlite3_close(db);
        return fail(path.string() + ": " + why);
    }
    auto close = [&](const std::string& reason) {
        sqlite3_close(db);
        return fail(path.string() + ": " + reason);
    };
    if (sqlite3_db_readonly(db, "main") == 1) return close("the file may not be written");
    // Another program writing the archive holds it for milliseconds; wait that long, not more.
    sqlite3_busy_timeout(db, 1000);
    // Reading the header first: a file that is not a database fails here, before anything
    // is written to it.
    int version = 0;
    {
        Statement st;
        if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st.s, nullptr) != SQLITE_OK ||
            sqlite3_step(st.s) != SQLITE_ROW)
            return close(Why(db));
        version = sqlite3_column_int(st.s, 0);
    }
    if (version > kSchemaVersion) return close("made by a newer version of the program");
    // WAL: a crash or a lost cable mid-write leaves the last whole transaction; NORMAL
    // synchronisation never corrupts in this mode and keeps commits off the disk's flush.
    if (!Exec(db, "PRAGMA journal_mode=WAL", &why)) return close(why);
    if (!Exec(db, "PRAGMA synchronous=NORMAL", &why)) return close(why);
    if (version < kSchemaVersion) {
        const std::string setup = std::string("BEGIN;") + kSchema + "PRAGMA user_version=" +
                                  std::to_string(kSchemaVersion) + ";COMMIT;";
        if (!Exec(db, setup.c_str(), &why)) {
            Exec(db, "ROLLBACK", nullptr);
            return close(why);
        }
    }
    return std::unique_ptr<Archive>(new Archive(db, path));
}

Archive::~Archive() { sqlite3_close(db_); }

int Archive::add(const std::vector<ArchivedRecord>& batch, std::string* error) {
    if (batch.empty()) return 0;
    if (!Exec(db_, "BEGIN IMMEDIATE", error)) return -1;
    Statement st;
    const std::string sql = std::string("INSERT OR IGNORE INTO records (") + kColumns +
                            ") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
    int added = 0;
    bool ok = sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.s, nullptr) == SQLITE_OK;
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
        ok = sqlite3_step(st.s) == SQLITE_DONE;
        added += sqlite3_changes(db_);
    }
    if (!ok || !Exec(db_, "COMMIT", error)) {
        if (error && !ok) *error = Why(db_);
        Exec(db_, "ROLLBACK", nullptr);
        return -1;
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
