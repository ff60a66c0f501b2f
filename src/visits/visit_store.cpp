#include "visits/visit_store.h"

#include <sqlite3.h>

#include <map>

namespace kd::visits {

namespace {

constexpr const char* kTablesSql = R"(
CREATE TABLE IF NOT EXISTS visits (
    id INTEGER PRIMARY KEY,
    uuid TEXT NOT NULL UNIQUE,
    device_id TEXT NOT NULL,
    model TEXT, firmware TEXT,
    started INTEGER NOT NULL, ended INTEGER,
    user_name TEXT, host_name TEXT, program_version TEXT, face TEXT,
    clock_found INTEGER, clock_left INTEGER,
    left_behind TEXT
);
CREATE INDEX IF NOT EXISTS visits_by_device ON visits (device_id, started);
CREATE TABLE IF NOT EXISTS visit_values (
    visit_id INTEGER NOT NULL REFERENCES visits(id) ON DELETE CASCADE,
    ordinal INTEGER NOT NULL,
    key TEXT NOT NULL, caption TEXT, value BLOB, digest TEXT,
    PRIMARY KEY (visit_id, ordinal)
);
CREATE TABLE IF NOT EXISTS visit_actions (
    visit_id INTEGER NOT NULL REFERENCES visits(id) ON DELETE CASCADE,
    ordinal INTEGER NOT NULL,
    at INTEGER NOT NULL, kind TEXT NOT NULL, what BLOB, sent BLOB, held BLOB, kept INTEGER NOT NULL,
    received INTEGER, missing INTEGER,
    PRIMARY KEY (visit_id, ordinal)
);
)";

struct Stmt {
    sqlite3_stmt* s = nullptr;
    ~Stmt() { sqlite3_finalize(s); }
};

bool Fail(sqlite3* db, std::string* error) {
    if (error) *error = sqlite3_errmsg(db);
    return false;
}

bool Prepare(sqlite3* db, Stmt& st, const char* sql, std::string* error) {
    return sqlite3_prepare_v2(db, sql, -1, &st.s, nullptr) == SQLITE_OK || Fail(db, error);
}

void Bind(sqlite3_stmt* s, int i, const std::string& text) {
    sqlite3_bind_blob(s, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}
// Device IDs are text, as the records table keeps them, so the two join.
void BindId(sqlite3_stmt* s, int i, const std::string& id) {
    sqlite3_bind_text(s, i, id.data(), static_cast<int>(id.size()), SQLITE_TRANSIENT);
}
void BindOpt(sqlite3_stmt* s, int i, const std::optional<int64_t>& v) {
    if (v) sqlite3_bind_int64(s, i, *v);
    else sqlite3_bind_null(s, i);
}

std::string Text(sqlite3_stmt* s, int col) {
    const void* p = sqlite3_column_blob(s, col);
    return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(s, col))) : std::string();
}
std::optional<int64_t> Opt(sqlite3_stmt* s, int col) {
    if (sqlite3_column_type(s, col) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_int64(s, col);
}

// What "Before you leave" found, one reason a line.
std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}
std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t nl = text.find('\n', at);
        out.push_back(text.substr(at, nl == std::string::npos ? std::string::npos : nl - at));
        if (nl == std::string::npos) break;
        at = nl + 1;
    }
    return out;
}

ActionKind KindNamed(const std::string& name) {
    for (ActionKind k : {ActionKind::ValueSent, ActionKind::ProfileApplied, ActionKind::RecordsDownloaded,
                         ActionKind::Maintenance, ActionKind::ClockSet, ActionKind::CustomCommand, ActionKind::SignalSpan})
        if (name == ActionKindName(k)) return k;
    return ActionKind::CustomCommand;
}

constexpr const char* kVisitColumns =
    "id, uuid, device_id, model, firmware, started, ended, user_name, host_name, program_version, face, "
    "clock_found, clock_left, left_behind";

Visit VisitRow(sqlite3_stmt* s) {
    Visit v;
    v.id = sqlite3_column_int64(s, 0);
    v.uuid = Text(s, 1);
    v.deviceId = Text(s, 2);
    v.model = Text(s, 3);
    v.firmware = Text(s, 4);
    v.started = sqlite3_column_int64(s, 5);
    v.ended = Opt(s, 6);
    v.user = Text(s, 7);
    v.host = Text(s, 8);
    v.version = Text(s, 9);
    v.face = Text(s, 10);
    v.clockFound = Opt(s, 11);
    v.clockLeft = Opt(s, 12);
    v.leftBehind = Split(Text(s, 13));
    return v;
}

}  // namespace

const char* const kVisitTables = kTablesSql;

bool AddVisitTables(sqlite3* db, std::string* error) {
    char* message = nullptr;
    if (sqlite3_exec(db, kTablesSql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    if (error) *error = message ? message : "cannot add the visit tables";
    sqlite3_free(message);
    return false;
}

bool VisitStore::save(Visit& v, std::string* error) {
    if (v.uuid.empty()) v.uuid = NewUuid();
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return Fail(db_, error);
    auto rollback = [this, error] {
        std::string why = sqlite3_errmsg(db_);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        if (error) *error = why;
        return false;
    };
    {
        Stmt up;
        if (!Prepare(db_, up,
                     "INSERT INTO visits (uuid, device_id, model, firmware, started, ended, user_name, host_name, "
                     "program_version, face, clock_found, clock_left, left_behind) "
                     "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13) "
                     "ON CONFLICT(uuid) DO UPDATE SET device_id=?2, model=?3, firmware=?4, started=?5, ended=?6, "
                     "user_name=?7, host_name=?8, program_version=?9, face=?10, clock_found=?11, clock_left=?12, "
                     "left_behind=?13 RETURNING id",
                     error))
            return rollback();
        sqlite3_bind_text(up.s, 1, v.uuid.c_str(), -1, SQLITE_TRANSIENT);
        BindId(up.s, 2, v.deviceId);
        Bind(up.s, 3, v.model);
        Bind(up.s, 4, v.firmware);
        sqlite3_bind_int64(up.s, 5, v.started);
        BindOpt(up.s, 6, v.ended);
        Bind(up.s, 7, v.user);
        Bind(up.s, 8, v.host);
        Bind(up.s, 9, v.version);
        Bind(up.s, 10, v.face);
        BindOpt(up.s, 11, v.clockFound);
        BindOpt(up.s, 12, v.clockLeft);
        Bind(up.s, 13, Joined(v.leftBehind));
        if (sqlite3_step(up.s) != SQLITE_ROW) return rollback();
        v.id = sqlite3_column_int64(up.s, 0);
    }
    for (const char* sql : {"DELETE FROM visit_values WHERE visit_id = ?1", "DELETE FROM visit_actions WHERE visit_id = ?1"}) {
        Stmt del;
        if (!Prepare(db_, del, sql, error)) return rollback();
        sqlite3_bind_int64(del.s, 1, v.id);
        if (sqlite3_step(del.s) != SQLITE_DONE) return rollback();
    }
    Stmt val;
    if (!Prepare(db_, val, "INSERT INTO visit_values VALUES (?1, ?2, ?3, ?4, ?5, ?6)", error)) return rollback();
    for (size_t i = 0; i < v.found.size(); ++i) {
        const FoundValue& f = v.found[i];
        sqlite3_reset(val.s);
        sqlite3_bind_int64(val.s, 1, v.id);
        sqlite3_bind_int64(val.s, 2, static_cast<int64_t>(i));
        Bind(val.s, 3, f.key);
        Bind(val.s, 4, f.caption);
        if (f.digest.empty()) Bind(val.s, 5, f.value);
        else sqlite3_bind_null(val.s, 5);
        if (f.digest.empty()) sqlite3_bind_null(val.s, 6);
        else Bind(val.s, 6, f.digest);
        if (sqlite3_step(val.s) != SQLITE_DONE) return rollback();
    }
    Stmt act;
    if (!Prepare(db_, act, "INSERT INTO visit_actions VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)", error))
        return rollback();
    for (size_t i = 0; i < v.actions.size(); ++i) {
        const Action& a = v.actions[i];
        sqlite3_reset(act.s);
        sqlite3_bind_int64(act.s, 1, v.id);
        sqlite3_bind_int64(act.s, 2, static_cast<int64_t>(i));
        sqlite3_bind_int64(act.s, 3, a.at);
        sqlite3_bind_text(act.s, 4, ActionKindName(a.kind), -1, SQLITE_STATIC);
        Bind(act.s, 5, a.what);
        Bind(act.s, 6, a.sent);
        Bind(act.s, 7, a.held);
        sqlite3_bind_int(act.s, 8, a.kept ? 1 : 0);
        sqlite3_bind_int(act.s, 9, a.received);
        sqlite3_bind_int(act.s, 10, a.missing);
        if (sqlite3_step(act.s) != SQLITE_DONE) return rollback();
    }
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) return rollback();
    return true;
}

std::vector<DeviceSummary> VisitStore::devices(std::string* error) const {
    std::vector<DeviceSummary> out;
    Stmt st;
    if (!withVisits_) {
        if (!Prepare(db_, st, "SELECT device_id, count(*) FROM records GROUP BY device_id ORDER BY device_id", error))
            return out;
        while (sqlite3_step(st.s) == SQLITE_ROW) out.push_back({Text(st.s, 0), "", 0, 0, sqlite3_column_int64(st.s, 1)});
        return out;
    }
    // Both sides are grouped before they meet, so a thousand visits and a year of records
    // cost one pass over each index.
    if (!Prepare(db_, st,
                 "WITH v AS (SELECT device_id, max(started) AS last, count(*) AS n, "
                 "  (SELECT model FROM visits w WHERE w.device_id = visits.device_id ORDER BY started DESC LIMIT 1) AS model "
                 "  FROM visits GROUP BY device_id), "
                 "r AS (SELECT device_id, count(*) AS n FROM records GROUP BY device_id), "
                 "ids AS (SELECT device_id FROM v UNION SELECT device_id FROM r) "
                 "SELECT ids.device_id, ifnull(v.model, ''), ifnull(v.last, 0), ifnull(v.n, 0), ifnull(r.n, 0) "
                 "FROM ids LEFT JOIN v USING (device_id) LEFT JOIN r USING (device_id) ORDER BY ids.device_id",
                 error))
        return out;
    int rc;
    while ((rc = sqlite3_step(st.s)) == SQLITE_ROW)
        out.push_back({Text(st.s, 0), Text(st.s, 1), sqlite3_column_int64(st.s, 2), sqlite3_column_int(st.s, 3),
                       sqlite3_column_int64(st.s, 4)});
    if (rc != SQLITE_DONE) Fail(db_, error);
    return out;
}

bool VisitStore::loadDetails(Visit& v, std::string* error) const {
    Stmt val;
    if (!Prepare(db_, val, "SELECT key, caption, value, digest FROM visit_values WHERE visit_id = ?1 ORDER BY ordinal",
                 error))
        return false;
    sqlite3_bind_int64(val.s, 1, v.id);
    while (sqlite3_step(val.s) == SQLITE_ROW)
        v.found.push_back({Text(val.s, 0), Text(val.s, 1), Text(val.s, 2), Text(val.s, 3)});
    Stmt act;
    if (!Prepare(db_, act,
                 "SELECT at, kind, what, sent, held, kept, received, missing FROM visit_actions WHERE visit_id = ?1 "
                 "ORDER BY ordinal",
                 error))
        return false;
    sqlite3_bind_int64(act.s, 1, v.id);
    while (sqlite3_step(act.s) == SQLITE_ROW) {
        Action a;
        a.at = sqlite3_column_int64(act.s, 0);
        a.kind = KindNamed(Text(act.s, 1));
        a.what = Text(act.s, 2);
        a.sent = Text(act.s, 3);
        a.held = Text(act.s, 4);
        a.kept = sqlite3_column_int(act.s, 5) != 0;
        a.received = sqlite3_column_int(act.s, 6);
        a.missing = sqlite3_column_int(act.s, 7);
        v.actions.push_back(std::move(a));
    }
    return true;
}

std::vector<Visit> VisitStore::visits(const std::optional<std::string>& deviceId, std::string* error) const {
    std::vector<Visit> out;
    if (!withVisits_) return out;
    Stmt st;
    const std::string sql = std::string("SELECT ") + kVisitColumns + " FROM visits " +
                            (deviceId ? "WHERE device_id = ?1 " : "") + "ORDER BY started DESC, id DESC";
    if (!Prepare(db_, st, sql.c_str(), error)) return out;
    if (deviceId) BindId(st.s, 1, *deviceId);
    while (sqlite3_step(st.s) == SQLITE_ROW) out.push_back(VisitRow(st.s));
    for (Visit& v : out)
        if (!loadDetails(v, error)) return {};
    return out;
}

std::optional<Visit> VisitStore::visit(int64_t id, std::string* error) const {
    if (!withVisits_) return std::nullopt;
    Stmt st;
    const std::string sql = std::string("SELECT ") + kVisitColumns + " FROM visits WHERE id = ?1";
    if (!Prepare(db_, st, sql.c_str(), error)) return std::nullopt;
    sqlite3_bind_int64(st.s, 1, id);
    if (sqlite3_step(st.s) != SQLITE_ROW) return std::nullopt;
    Visit v = VisitRow(st.s);
    if (!loadDetails(v, error)) return std::nullopt;
    return v;
}

std::unique_ptr<VisitReader> VisitReader::open(const std::filesystem::path& archive, std::string* error) {
    const std::string named = "records archive " + archive.string() + ": ";
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(archive.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        if (error) *error = named + (db ? sqlite3_errmsg(db) : "cannot be opened");
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 200);
    // Which tables there are says whether it is an archive and whether it keeps visits yet.
    Stmt st;
    bool records = false, visits = false;
    if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &st.s, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st.s) == SQLITE_ROW) {
            const std::string name = Text(st.s, 0);
            records = records || name == "records";
            visits = visits || name == "visits";
        }
    }
    if (!records) {
        if (error) *error = named + "not a records archive";
        sqlite3_close_v2(db);
        return nullptr;
    }
    return std::unique_ptr<VisitReader>(new VisitReader(db, visits));
}

VisitReader::~VisitReader() { sqlite3_close_v2(db_); }

}  // namespace kd::visits
