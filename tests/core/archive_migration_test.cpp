// An archive from before visits were kept is brought to the version with the visit tables in
// one transaction that keeps every record; visits are written beside the records off the
// line's path.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "fakes.h"
#include "records/archive.h"
#include "records/archive_writer.h"
#include "visits/visit_store.h"

namespace {

using namespace kd::records;

// The first version's file exactly as the program wrote it before the mark and the visits.
void WriteVersion1(const std::filesystem::path& path, int rows, const char* extra = "") {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    std::string sql = R"(
CREATE TABLE records (
    id INTEGER PRIMARY KEY, device_id TEXT NOT NULL, log_number INTEGER, recorded_at TEXT,
    moisture_1 REAL, moisture_2 REAL, moisture_3 REAL, moisture_4 REAL, moisture_5 REAL, moisture_6 REAL,
    temperature_1 REAL, temperature_2 REAL, temperature_3 REAL, temperature_4 REAL, temperature_5 REAL,
    temperature_6 REAL, rssi INTEGER, raw BLOB NOT NULL, fetched_at TEXT NOT NULL);
CREATE UNIQUE INDEX records_distinct ON records (device_id, ifnull(log_number, -1), raw);
CREATE INDEX records_by_time ON records (recorded_at, device_id, log_number);
PRAGMA user_version=1;
)";
    for (int n = 0; n < rows; ++n)
        sql += "INSERT INTO records (device_id, log_number, raw, fetched_at) VALUES ('12345', " + std::to_string(n) +
               ", 'raw" + std::to_string(n) + "', '2026-01-01');";
    sql += extra;
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

int UserVersion(const std::filesystem::path& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    int v = -1;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        v = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return v;
}

TEST(ArchiveMigration, AFirstVersionArchiveGainsTheVisitTablesAndKeepsEveryRecord) {
    const auto dir = kdtest::MakeTempDir();
    const auto path = dir / "records.sqlite";
    WriteVersion1(path, 500);

    // Read only, it is still read as it is: its records, no visits, nothing changed.
    std::string error;
    auto reader = kd::visits::VisitReader::open(path, &error);
    ASSERT_TRUE(reader) << error;
    ASSERT_EQ(reader->store().devices(&error).size(), 1u);
    EXPECT_EQ(reader->store().devices(&error)[0].records, 500);
    EXPECT_TRUE(reader->store().visits(std::nullopt, &error).empty());
    reader.reset();
    EXPECT_EQ(UserVersion(path), 1);

    auto archive = Archive::open(path, &error);
    ASSERT_TRUE(archive) << error;
    EXPECT_EQ(archive->count(), 500);
    kd::visits::Visit v;
    v.deviceId = "12345";
    v.started = 100;
    ASSERT_TRUE(archive->saveVisit(v, &error)) << error;
    archive.reset();
    EXPECT_EQ(UserVersion(path), 2);
    reader = kd::visits::VisitReader::open(path, &error);
    ASSERT_TRUE(reader) << error;
    EXPECT_EQ(reader->store().devices(&error).at(0).visits, 1);
    std::filesystem::remove_all(dir);
}

TEST(ArchiveMigration, VisitsHandedToTheWriterReachTheArchiveTheLatestOfEachOnly) {
    const auto dir = kdtest::MakeTempDir();
    const auto path = dir / "records.sqlite";
    {
        ArchiveWriter writer(path);
        kd::visits::Visit v;
        v.uuid = kd::visits::NewUuid();
        v.deviceId = "12345";
        v.started = 100;
        writer.addVisit(v);
        v.ended = 200;
        writer.addVisit(v);
        ASSERT_TRUE(writer.flush(std::chrono::seconds(10)));
        EXPECT_TRUE(writer.state().allArchived());
    }
    std::string error;
    auto reader = kd::visits::VisitReader::open(path, &error);
    ASSERT_TRUE(reader) << error;
    const auto visits = reader->store().visits(std::nullopt, &error);
    ASSERT_EQ(visits.size(), 1u);
    EXPECT_EQ(visits[0].ended, 200);
    std::filesystem::remove_all(dir);
}

}  // namespace
