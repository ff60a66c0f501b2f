// Records chart data: reading the archive through a connection of its own, rows merged in time
// order, each series reduced to what a plot's width shows; and whose records are taken.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>

#include "app/startup.h"
#include "connected_fixture.h"
#include "records/archive.h"
#include "records/archive_query.h"
#include "records/chart_rows.h"
#include "records/shown_device.h"

using namespace kd;
using namespace kd::records;
using namespace kdtest;

namespace {

constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

ChartRows Rows(std::vector<std::pair<double, float>> points) {
    ChartRows rows;
    for (const auto& [t, v] : points) {
        std::array<float, kChartSeries> values;
        values.fill(kNone);
        values[0] = v;
        rows.push(t, values);
    }
    return rows;
}

std::vector<std::pair<double, double>> Points(const std::vector<ChartPoint>& points) {
    std::vector<std::pair<double, double>> out;
    for (const auto& p : points) out.emplace_back(p.x, p.y);
    return out;
}

ArchivedRecord Record(const std::string& device, int n, const std::string& at, double moisture) {
    ArchivedRecord r;
    r.deviceId = device;
    r.logNumber = n;
    r.recordedAt = at;
    r.moisture[0] = moisture;
    r.temperature[2] = 20.0 + n;
    r.raw = "@LOAD " + device + "," + std::to_string(n) + "\r";
    r.fetchedAt = "2026-12-10T03:00:00";
    return r;
}

TEST(ChartRowsTest, EachPixelColumnKeepsItsLowestAndHighestValueInTimeOrder) {
    const ChartRows rows = Rows({{0, 5}, {1, 9}, {2, 1}, {3, 4},  // column 0: 9 then 1
                                 {10, 3}, {11, kNone}, {12, 3},  // column 1: one value twice, a gap
                                 {25, 7},                        // column 2 alone
                                 {40, 2}});                      // after the span
    struct Case {
        double from, to;
        int columns;
        std::vector<std::pair<double, double>> want;
    } cases[] = {
        {0, 30, 3, {{1, 9}, {2, 1}, {10, 3}, {25, 7}, {40, 2}}},
        // Wider than the points: each one drawn.
        {0, 30, 1000, {{0, 5}, {1, 9}, {2, 1}, {3, 4}, {10, 3}, {12, 3}, {25, 7}, {40, 2}}},
        // Zoomed in: the span's own points, and its neighbours outside so the line reaches the edges.
        {10, 20, 10, {{3, 4}, {10, 3}, {12, 3}, {25, 7}}},
        {100, 200, 10, {{40, 2}}},
        {0, 30, 0, {}},
        {30, 30, 10, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + ".." + std::to_string(c.to) + " in " + std::to_string(c.columns));
        EXPECT_EQ(Points(ReduceSeries(rows, 0, c.from, c.to, c.columns)), c.want);
    }
    EXPECT_TRUE(ReduceSeries(rows, 1, 0, 30, 3).empty());  // a series with no value

    // A plot's width of a large archive: at most two points a column plus the neighbours,
    // and the extremes always among them.
    ChartRows big;
    std::array<float, kChartSeries> v;
    v.fill(kNone);
    for (int i = 0; i < 100000; ++i) {
        v[0] = static_cast<float>(50 + 40 * std::sin(i / 700.0)) + (i == 61234 ? 30.0f : 0.0f);
        big.push(i * 60000.0, v);
    }
    const auto reduced = ReduceSeries(big, 0, 0, 99999 * 60000.0, 800);
    EXPECT_LE(reduced.size(), 1602u);
    EXPECT_TRUE(std::any_of(reduced.begin(), reduced.end(), [](const ChartPoint& p) { return p.x == 61234 * 60000.0; }));
    EXPECT_TRUE(std::is_sorted(reduced.begin(), reduced.end(), [](auto& a, auto& b) { return a.x < b.x; }));
}

TEST(ChartRowsTest, RowsReadLaterJoinInTimeOrder) {
    ChartRows held = Rows({{10, 1}, {20, 2}, {30, 3}});
    held.lastId = 3;
    ChartRows later = Rows({{5, 9}, {20, 8}, {40, 7}});
    later.lastId = 6;
    held.merge(std::move(later));
    EXPECT_EQ(held.time, (std::vector<double>{5, 10, 20, 20, 30, 40}));
    EXPECT_EQ(held.value[0], (std::vector<float>{9, 1, 2, 8, 3, 7}));
    EXPECT_TRUE(std::isnan(held.value[1][0]));
    EXPECT_EQ(held.lastId, 6);
    ChartRows after = Rows({{50, 4}});
    held.merge(std::move(after));
    EXPECT_EQ(held.time.back(), 50);
    EXPECT_EQ(held.lastId, 6);
}

TEST(ChartReadTest, OnlyTheDrawnColumnsOfRowsArchivedSinceTheLastReadComeOnce) {
    const auto dir = MakeTempDir();
    const auto path = dir / "records.sqlite";
    ChartRows rows;
    std::string error;
    ASSERT_TRUE(ReadChartRows(path, std::nullopt, 0, &rows, &error)) << error;  // nothing archived yet
    EXPECT_EQ(rows.size(), 0u);
    EXPECT_FALSE(std::filesystem::exists(path));  // and reading made no file

    auto archive = Archive::open(path, &error);
    ASSERT_TRUE(archive) << error;
    const std::vector<ArchivedRecord> first = {Record("12345", 2, "2026-03-01T10:30:00", 40),
                                               Record("12345", 1, "2026-03-01T10:15:00", 41),
                                               Record("777", 1, "2026-03-01T10:20:00", 60),
                                               Record("12345", 3, "", 42)};  // a stamp that is no date
    ASSERT_EQ(archive->add(first, &error), 4);
    ASSERT_TRUE(ReadChartRows(path, std::string("12345"), 0, &rows, &error)) << error;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.value[0], (std::vector<float>{41, 40}));
    EXPECT_EQ(rows.value[kChartSeries / 2 + 2], (std::vector<float>{21, 22}));
    EXPECT_EQ(rows.time[1] - rows.time[0], 15 * 60000.0);
    EXPECT_EQ(rows.time[0], *LocalMillis("2026-03-01T10:15:00"));
    EXPECT_GE(rows.lastId, 4);

    // The same records downloaded again and one new, earlier than those held.
    std::vector<ArchivedRecord> again = first;
    again.push_back(Record("12345", 9, "2026-03-01T09:00:00", 39));
    ASSERT_EQ(archive->add(again, &error), 1);
    ChartRows more;
    ASSERT_TRUE(ReadChartRows(path, std::string("12345"), rows.lastId, &more, &error)) << error;
    ASSERT_EQ(more.size(), 1u);
    rows.merge(std::move(more));
    EXPECT_EQ(rows.value[0], (std::vector<float>{39, 41, 40}));
    ChartRows all;
    ASSERT_TRUE(ReadChartRows(path, std::nullopt, 0, &all, &error)) << error;
    EXPECT_EQ(all.value[0], (std::vector<float>{39, 41, 60, 40}));

    // A file that is no archive is reported, and read only.
    const auto foreign = dir / "other.sqlite";
    std::ofstream(foreign, std::ios::binary) << "not a database, not at all: just some text of ours";
    EXPECT_FALSE(ReadChartRows(foreign, std::nullopt, 0, &all, &error));
    EXPECT_NE(error.find(foreign.string()), std::string::npos);
    std::ifstream in(foreign, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "not a database, not at all: just some text of ours");

    for (const char* bad : {"", "2026-03-01", "2026-13-01T10:00:00", "2026-03-01 10:00:00", "20x6-03-01T10:00:00"})
        EXPECT_FALSE(LocalMillis(bad).has_value()) << bad;
}

TEST_F(Connected, ExportAndChartTakeTheLoggerShownAndAllAfterNew) {
    f.ModemParm(0).setText("12345");
    EXPECT_EQ(ShownDevice(p), "12345");
    // A record of another device fetched into the panel.
    f.LogBox.setReadOnly(false);
    f.FetchLog.setEnabled(true);
    f.LogBox.setText("7");
    f.FetchLog.click();
    reply("@LOAD 54321,1203151407,105000000000000000000000,570000000000,0000000017");
    EXPECT_EQ(f.IDtext.caption(), "ID: 54321");
    EXPECT_EQ(ShownDevice(p), "54321");
    // File > New shows no logger: all of them.
    f.NewButton.click();
    EXPECT_EQ(ShownDevice(p), std::nullopt);
    f.ModemParm(0).setText("\xE9t\xE9");  // the box's bytes, Latin-1
    EXPECT_EQ(ShownDevice(p), "\xC3\xA9t\xC3\xA9");
}

}  // namespace
