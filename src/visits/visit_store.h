#pragma once
// Visits in the records archive: the tables schema version 2 adds, and storing and reading
// visits on a connection the caller owns (the archive's writer, or a reader of its own).
//
//   kd::visits::AddVisitTables(db, &error);     // inside the migration's transaction
//   kd::visits::VisitStore store(db);
//   store.save(visit, &error);                  // one transaction; sets visit.id
//   for (const DeviceSummary& d : store.devices(&error)) ...
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "visits/visit.h"

struct sqlite3;

namespace kd::visits {

// The visit tables and their index, as SQL statements.
extern const char* const kVisitTables;

// Creates the visit tables and indexes (no transaction of its own: the caller's migration
// holds one). False with the reason.
bool AddVisitTables(sqlite3* db, std::string* error);

struct DeviceSummary {
    std::string deviceId, model;
    int64_t lastVisit = 0;  // UTC seconds; 0 when only records are known
    int visits = 0;
    long long records = 0;  // records archived
};

class VisitStore {
public:
    // withVisits false: an archive from before visits were kept (read only, not migrated):
    // devices come from its records and there are no visits.
    explicit VisitStore(sqlite3* db, bool withVisits = true) : db_(db), withVisits_(withVisits) {}

    // Stores the visit whole, replacing what was stored of it (found by its uuid), in one
    // transaction. False with the reason; nothing changes then.
    bool save(Visit& visit, std::string* error);

    // Every device of the archive (from visits and from records), by device ID.
    std::vector<DeviceSummary> devices(std::string* error) const;
    // One device's visits, newest first, whole (found values and actions), or all devices'
    // when deviceId is nullopt.
    std::vector<Visit> visits(const std::optional<std::string>& deviceId, std::string* error) const;
    std::optional<Visit> visit(int64_t id, std::string* error) const;

private:
    bool loadDetails(Visit& v, std::string* error) const;
    sqlite3* db_;
    bool withVisits_;
};

// A read-only connection of its own to an archive, for the history and the report: nothing
// is created or changed, and a lock another program holds costs it nothing. nullptr with the
// reason (naming the file) when there is no archive or it is not one.
class VisitReader {
public:
    static std::unique_ptr<VisitReader> open(const std::filesystem::path& archive, std::string* error);
    ~VisitReader();
    VisitReader(const VisitReader&) = delete;
    VisitReader& operator=(const VisitReader&) = delete;
    const VisitStore& store() const { return store_; }

private:
    VisitReader(sqlite3* db, bool withVisits) : db_(db), store_(db, withVisits) {}
    sqlite3* db_;
    VisitStore store_;
};

}  // namespace kd::visits
