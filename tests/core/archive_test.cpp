// The records archive is ours alone: what it opens, what it refuses, and that a refused file
// is left exactly as it was.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <sstream>

#include "fakes.h"
#include "records/archive.h"

using namespace kd::records;

namespace {

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Runs SQL on a connection of the test's own, as another program would.
void Sql(const std::filesystem::path& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    const std::string why = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << why;
}

int Pragma(const std::filesystem::path& path, const char* name) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    int value = -1;
    if (sqlite3_prepare_v2(db, (std::string("PRAGMA ") + name).c_str(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        value = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return value;
}

ArchivedRecord Record(int n) {
    ArchivedRecord r;
    r.deviceId = "12345";
    r.logNumber = n;
    r.recordedAt = "2012-03-15T14:07:00";
    r.moisture[0] = n / 10.0;
    r.raw = "@LOAD 12345," + std::to_string(n) + std::string(60, 'x') + "\r";
    r.fetchedAt = "2026-01-01T00:00:00";
    return r;
}

// An archive as this program writes it, with `rows` records, closed and in rollback-journal
// mode, so that a later change would show in the file's bytes or as a WAL file beside it.
std::filesystem::path OurArchive(const std::filesystem::path& dir, const std::string& name, int rows) {
    const auto path = dir / name;
    {
        auto a = Archive::open(path, nullptr);
        EXPECT_TRUE(a);
        std::vector<ArchivedRecord> batch;
        for (int n = 0; n < rows; ++n) batch.push_back(Record(n));
        if (a) {
            EXPECT_EQ(a->add(batch, nullptr), rows);
        }
    }
    Sql(path, "PRAGMA journal_mode=DELETE");
    return path;
}

TEST(RecordArchiveOwnership, ADatabaseNotOursIsRefusedWithoutASingleChange) {
    const auto dir = kdtest::MakeTempDir();
    struct Case {
        const char* what;
        std::string sql;  // run on an archive of ours; empty: another program's own database
    } cases[] = {
        {"another program's database", ""},
        {"our tables under another application's mark", "PRAGMA application_id=305419896"},
        {"unmarked, with a version this program does not know", "PRAGMA application_id=0; PRAGMA user_version=7"},
        {"marked ours, by a newer version", "PRAGMA user_version=3"},
        {"unmarked, our table beside another program's", "PRAGMA application_id=0; CREATE TABLE notes (t TEXT)"},
        {"unmarked, our table's name with other columns",
         "PRAGMA application_id=0; DROP TABLE records; CREATE TABLE records (a, b);"
         "CREATE INDEX records_by_time ON records (a); CREATE INDEX records_distinct ON records (b)"},
    };
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = "case" + std::to_string(i++) + ".sqlite";
        std::filesystem::path path;
        if (c.sql.empty()) {
            path = dir / name;
            Sql(path, "CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT); INSERT INTO notes (body) VALUES ('x')");
        } else {
            path = OurArchive(dir, name, 3);
            Sql(path, c.sql);
        }
        const std::string before = Slurp(path);
        for (const auto access : {Archive::Access::Write, Archive::Access::Read}) {
            std::string error;
            ArchiveProblem problem = ArchiveProblem::None;
            EXPECT_FALSE(Archive::open(path, &error, &problem, access));
            EXPECT_EQ(problem, ArchiveProblem::NotOurs);
            EXPECT_NE(error.find(path.string()), std::string::npos) << error;
        }
        EXPECT_EQ(Slurp(path), before);
        EXPECT_FALSE(std::filesystem::exists(path.string() + "-wal"));
        EXPECT_FALSE(std::filesystem::exists(path.string() + "-journal"));
    }

    // An archive of this format from before the mark is ours: marked, its records kept.
    const auto old = OurArchive(dir, "old.sqlite", 3);
    Sql(old, "PRAGMA application_id=0");
    std::string error;
    auto reader = Archive::open(old, &error, nullptr, Archive::Access::Read);
    ASSERT_TRUE(reader) << error;
    EXPECT_EQ(Pragma(old, "application_id"), 0) << "reading changes nothing";
    reader.reset();
    auto writer = Archive::open(old, &error);
    ASSERT_TRUE(writer) << error;
    EXPECT_EQ(writer->count(), 3);
    writer.reset();
    EXPECT_EQ(Pragma(old, "application_id"), kApplicationId);
    // A new archive carries the mark from the start.
    ASSERT_TRUE(Archive::open(dir / "new.sqlite", &error)) << error;
    EXPECT_EQ(Pragma(dir / "new.sqlite", "application_id"), kApplicationId);
    EXPECT_EQ(Pragma(dir / "new.sqlite", "user_version"), 2);
    std::filesystem::remove_all(dir);
}

TEST(RecordArchiveOwnership, AFileSqliteFindsDamagedIsRefusedAtOpen) {
    const auto dir = kdtest::MakeTempDir();
    // Enough records for many pages; one in the middle is overwritten, the header left whole.
    const auto path = OurArchive(dir, "damaged.sqlite", 2000);
    const int pageSize = Pragma(path, "page_size");
    const int pages = Pragma(path, "page_count");
    ASSERT_GT(pages, 10);
    {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(pageSize) * (pages / 2));
        const std::string garbage(static_cast<size_t>(pageSize), '\x5a');
        f.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    const std::string before = Slurp(path);
    std::string error;
    ArchiveProblem problem = ArchiveProblem::None;
    EXPECT_FALSE(Archive::open(path, &error, &problem));
    EXPECT_EQ(problem, ArchiveProblem::Malformed);
    EXPECT_NE(error.find(path.string()), std::string::npos) << error;
    EXPECT_NE(error.find("malformed"), std::string::npos) << error;
    EXPECT_EQ(Slurp(path), before);
    std::filesystem::remove_all(dir);
}

}  // namespace
