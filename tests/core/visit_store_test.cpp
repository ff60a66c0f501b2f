#include "visits/visit_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <iterator>

#include "fakes.h"

namespace {

using namespace kd::visits;

struct Db {
    explicit Db(const std::filesystem::path& path) {
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db, "CREATE TABLE records (device_id TEXT NOT NULL, raw BLOB NOT NULL)", nullptr, nullptr, nullptr);
        std::string error;
        EXPECT_TRUE(AddVisitTables(db, &error)) << error;
    }
    ~Db() { sqlite3_close(db); }
    sqlite3* db = nullptr;
};

Visit Sample(const std::string& device, int64_t started) {
    Visit v;
    v.deviceId = device;
    v.model = "Soil Probe";
    v.started = started;
    v.user = "tech";
    v.face = "window";
    v.found = {{"battery_volts", "Battery Volts:", "3.71", ""},
               {"apn_password", "APN Password:", "", PasswordDigest(device, "apn_password", "s3cret")}};
    v.actions = {{started + 5, ActionKind::ValueSent, "Log Interval", "15", "30", false, 0, 0},
                 {started + 9, ActionKind::RecordsDownloaded, "30-59", "", "", true, 28, 2}};
    v.clockFound = -192;
    v.leftBehind = {"Log Interval: sent 15, the logger kept 30"};
    return v;
}

TEST(VisitStore, AVisitComesBackWholeAndASecondSaveReplacesIt) {
    const auto dir = kdtest::MakeTempDir();
    Db db(dir / "a.sqlite");
    VisitStore store(db.db);
    std::string error;
    Visit v = Sample("12345", 1000);
    ASSERT_TRUE(store.save(v, &error)) << error;
    ASSERT_GT(v.id, 0);
    v.ended = 2000;
    v.actions.push_back({1500, ActionKind::ClockSet, "AT+TIME=", "", "", true, 0, 0});
    ASSERT_TRUE(store.save(v, &error)) << error;

    const std::vector<Visit> all = store.visits(std::nullopt, &error);
    ASSERT_EQ(all.size(), 1u);
    const Visit& back = all[0];
    EXPECT_EQ(back.uuid, v.uuid);
    EXPECT_EQ(back.ended, 2000);
    EXPECT_EQ(back.clockFound, -192);
    EXPECT_EQ(back.clockLeft, std::nullopt);
    EXPECT_EQ(back.value("battery_volts"), "3.71");
    ASSERT_EQ(back.actions.size(), 3u);
    EXPECT_FALSE(back.actions[0].kept);
    EXPECT_EQ(back.actions[1].missing, 2);
    EXPECT_EQ(back.actions[2].kind, ActionKind::ClockSet);
    EXPECT_EQ(back.leftBehind, v.leftBehind);
    EXPECT_EQ(store.visit(v.id, &error)->found[1].digest, v.found[1].digest);
    EXPECT_EQ(store.visit(v.id + 1, &error), std::nullopt);
}

TEST(VisitStore, DevicesJoinVisitsAndRecordsAndNoPasswordIsStoredAsText) {
    const auto dir = kdtest::MakeTempDir();
    {
        Db db(dir / "a.sqlite");
        VisitStore store(db.db);
        std::string error;
        for (int i = 0; i < 3; ++i) {
            Visit v = Sample("12345", 1000 + i * 100);
            ASSERT_TRUE(store.save(v, &error)) << error;
        }
        sqlite3_exec(db.db, "INSERT INTO records VALUES ('12345', 'a'), ('12345', 'b'), ('777', 'c')", nullptr,
                     nullptr, nullptr);
        const std::vector<DeviceSummary> d = store.devices(&error);
        ASSERT_EQ(d.size(), 2u) << error;
        EXPECT_EQ(d[0].deviceId, "12345");
        EXPECT_EQ(d[0].visits, 3);
        EXPECT_EQ(d[0].lastVisit, 1200);
        EXPECT_EQ(d[0].records, 2);
        EXPECT_EQ(d[1].deviceId, "777");
        EXPECT_EQ(d[1].visits, 0);
        EXPECT_EQ(d[1].records, 1);
        EXPECT_EQ(store.visits(std::string("12345"), &error).front().started, 1200);  // newest first
    }
    std::ifstream in(dir / "a.sqlite", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(bytes.find("s3cret"), std::string::npos);
    EXPECT_NE(PasswordDigest("12345", "apn_password", "s3cret"), PasswordDigest("12346", "apn_password", "s3cret"));
    EXPECT_NE(NewUuid(), NewUuid());
}

}  // namespace
