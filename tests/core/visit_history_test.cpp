#include <gtest/gtest.h>

#include "visits/history.h"
#include "visits/report.h"

namespace {

using namespace kd::visits;

Visit At(int64_t started, const char* battery, const char* watchdog, std::optional<int64_t> clock) {
    Visit v;
    v.deviceId = "12345";
    v.started = started;
    v.found = {{"battery_volts", "Battery Volts:", battery, ""}, {"watchdog", "WatchDog:", watchdog, ""}};
    v.clockFound = clock;
    return v;
}

TEST(VisitHistory, RowsGiveCounterChangesAcrossAClearAndTheDrift) {
    const int64_t day = 86400;
    Visit first = At(0, "3.90", "4", 0);
    first.actions.push_back({10, ActionKind::Maintenance, "AT+WDT=0", "", "0", true, 0, 0});
    first.actions.push_back({11, ActionKind::ValueSent, "Log Interval", "15", "15", true, 0, 0});
    first.actions.push_back({12, ActionKind::ValueSent, "Home Number", "1", "2", false, 0, 0});
    Visit second = At(30 * day, "3.80", "3", -90);
    second.actions.push_back({13, ActionKind::RecordsDownloaded, "30-59", "", "41", true, 29, 1});
    second.clockLeft = 0;
    Visit third = At(60 * day, "3.70", "5", -30);
    const std::vector<Visit> newestFirst = {third, second, first};
    const std::vector<HistoryRow> rows = HistoryRows(newestFirst);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].watchdogChange, 2);
    EXPECT_EQ(rows[1].watchdogChange, 3);  // counts from the clear
    EXPECT_EQ(rows[2].watchdogChange, std::nullopt);
    EXPECT_EQ(rows[2].valuesChanged, 1);   // the home number was not kept
    EXPECT_EQ(rows[1].recordsRescued, 29);
    EXPECT_EQ(rows[0].battery, "3.70");
    EXPECT_DOUBLE_EQ(*ClockDrift(newestFirst), -60);  // 90 s then 30 s lost, a month each
}

TEST(VisitHistory, CompareListsEachDifferingSettingOnceAndHidesPasswords) {
    const std::vector<FoundValue> a = {{"logging_interval", "Logging Int:", "15", ""},
                                       {"home_number", "Home Number:", "123", ""},
                                       {"apn_password", "APN Password:", "", "sha256:aa"},
                                       {"ftp_server", "FTP Server:", "", ""}};
    const std::vector<FoundValue> b = {{"logging_interval", "Logging Int:", "15", ""},
                                       {"home_number", "Home Number:", "124", ""},
                                       {"apn_password", "APN Password:", "", "sha256:bb"},
                                       {"rf_channel", "RF Channel:", "3", ""}};
    const std::vector<CompareRow> rows = Compare(a, b);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].caption, "Home Number:");
    EXPECT_EQ(rows[1].left, kPasswordDots);
    EXPECT_EQ(rows[2].caption, "RF Channel:");
    EXPECT_EQ(rows[2].left, "");
    EXPECT_TRUE(Compare(a, a).empty());
}

TEST(VisitReport, NamesTheChangeAndWhatWasLeftAndShowsNoPassword) {
    Visit v = At(1000, "3.70", "5", -192);
    v.found.push_back({"apn_password", "APN Password:", "", "sha256:aa"});
    v.found.push_back({"device_id", "Device ID:", "12<b>\x1b", ""});
    v.actions.push_back({1010, ActionKind::ValueSent, "Log Interval", "15", "30", false, 0, 0});
    v.actions.push_back({1020, ActionKind::ValueSent, "APN Password", "sha256:cc", "sha256:cc", true, 0, 0});
    v.actions.push_back({1030, ActionKind::CustomCommand, "AT+APNCON=a,b,s3cret", "", "", true, 0, 0});
    v.leftBehind = {"Log Interval: sent 15, the logger kept 30"};
    Visit before = At(0, "3.90", "4", 0);
    const std::string html = ReportHtml({&v, &before, "visit.transcript"});
    EXPECT_NE(html.find("<td>Log Interval</td><td>15</td><td>30</td><td><span class=\"no\">not kept</span>"),
              std::string::npos);
    EXPECT_NE(html.find("<li>Log Interval: sent 15, the logger kept 30</li>"), std::string::npos);
    EXPECT_NE(html.find("logger 3 min 12 s slow"), std::string::npos);
    EXPECT_NE(html.find("5 (+1)"), std::string::npos);
    EXPECT_NE(html.find("visit.transcript"), std::string::npos);
    EXPECT_NE(html.find("12&lt;b&gt;\u241b"), std::string::npos);
    EXPECT_EQ(html.find("s3cret"), std::string::npos);
    EXPECT_EQ(html.find("sha256"), std::string::npos);
}

}  // namespace
