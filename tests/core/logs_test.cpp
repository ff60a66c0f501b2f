// Log records: decoding captured record lines, the log number box, and the list of records.
#include <gtest/gtest.h>

#include <array>

#include "connected_fixture.h"
#include "network/logs.h"

using namespace kd;
using namespace kdtest;

namespace {

struct Logs : Connected {};

// One line per case, applied in order on the same window, as records arrive.
struct RecordCase {
    const char* what;
    std::string line;
    std::array<const char*, 6> moisture, temperature;
    const char *date, *time, *rssi;
    bool stored;
};

TEST_F(Logs, CapturedRecordLinesDecodeIntoThePanelAndTheList) {
    const char* kSame = "-unchanged-";
    const RecordCase cases[] = {
        {"words and bytes at their edges", "@LOAD 12345,1203151430,000040007FFFFFFF00000001,007DFF000001,000010041F00",
         {"", "49.9985", "0.0000", "-100.0031", "", "99.9969"}, {"", "25.0", "51.0", "", "", "0.2"},
         "15 Mar 2012", "14h30", "31", true},
        {"month 00 has no name", "@LOAD 12345,1200151430,000040007FFFFFFF00000001,007DFF000001,000010041F00",
         {"", "49.9985", "0.0000", "-100.0031", "", "99.9969"}, {"", "25.0", "51.0", "", "", "0.2"},
         "15  2012", "14h30", "31", true},
        // 70 characters in all: the shortest line that is taken apart.
        {"20-character moisture block", "@LOAD 12345,1203151430,00004000000000000000,7D7D7D7D7D7D,000010041F00",
         {kSame, kSame, kSame, kSame, kSame, kSame}, {"25.0", "25.0", "25.0", "25.0", "25.0", "25.0"},
         "15 Mar 2012", "14h30", "31", true},
        {"69 characters: nothing taken", "@LOAD 12345,1203151430,0000400000000000000,7D7D7D7D7D7D,000010041F00",
         {kSame, kSame, kSame, kSame, kSame, kSame}, {kSame, kSame, kSame, kSame, kSame, kSame}, kSame, kSame, kSame, false},
        {"month 13 and non-hex digits", "@LOAD 12345,1213151430,GGGG0001zzzz000000000000,GG0A00000000,00001004XX00",
         {"", "99.9969", "", "", "", ""}, {"", "2.0", "", "", "", ""}, "15  2012", "14h30", "0", true},
        {"stamp shorter than ten, short trailer", "@LOAD 123456789012345,12031514,000000000000000000000001,000000000001,0",
         {"", "", "", "", "", "99.9969"}, {"", "", "", "", "", "0.2"}, "", "", "", true},
    };
    int stored = 0;
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::array<std::string, 6> moistBefore, tempBefore;
        for (int k = 0; k <= 5; ++k) {
            moistBefore[k] = f.Moisture(k).text();
            tempBefore[k] = f.Temperature(k).text();
        }
        const std::string dateBefore = f.DateBox.text(), timeBefore = f.TimeBox.text(), rssiBefore = f.RSSIBox.text();
        p.ReplyState = 21;
        reply(c.line);
        const auto want = [&](const char* w, const std::string& before) { return w == kSame ? before : std::string(w); };
        for (int k = 0; k <= 5; ++k) {
            EXPECT_EQ(f.Moisture(k).text(), want(c.moisture[k], moistBefore[k])) << "moisture " << k;
            EXPECT_EQ(f.Temperature(k).text(), want(c.temperature[k], tempBefore[k])) << "temperature " << k;
        }
        EXPECT_EQ(f.DateBox.text(), want(c.date, dateBefore));
        EXPECT_EQ(f.TimeBox.text(), want(c.time, timeBefore));
        EXPECT_EQ(f.RSSIBox.text(), want(c.rssi, rssiBefore));
        if (c.stored) ++stored;
        EXPECT_EQ(p.LogRecordCount, stored);
        if (c.stored) {  // the entry holds what the panel shows, unchanged boxes included
            const LogRecord& r = p.LogRecords[static_cast<size_t>(stored)];
            for (int k = 0; k <= 5; ++k) EXPECT_EQ(r.moisture[k], f.Moisture(k).text());
            EXPECT_EQ(r.date, f.DateBox.text());
            EXPECT_EQ(r.rssi, f.RSSIBox.text());
        }
        // Whatever the line, the exchange is over.
        EXPECT_EQ(p.ReplyState, 0);
        EXPECT_FALSE(f.ReplyTimeout.enabled());
        EXPECT_TRUE(f.FetchLog.enabled());
        EXPECT_FALSE(f.LogBox.readOnly());
        EXPECT_TRUE(f.CustomSend(0).enabled());
    }
    EXPECT_EQ(f.IDtext.caption(), "ID: 123456789012345");
}

enum class Act { Fetch, Up, Down, Enter };

TEST_F(Logs, LogNumberBoxFetchesAdvancesAndCycles) {
    struct Case {
        const char* text;
        Act act;
        const char* sent;  // nullptr: nothing sent, the message instead
        const char* after;
    };
    const Case cases[] = {
        {"", Act::Fetch, "AT+EVENT=", "1"},
        {"007", Act::Fetch, "AT+EVENT=007", "8"},
        {"4045", Act::Fetch, "AT+EVENT=4045", "4046"},
        {"4046", Act::Fetch, "AT+EVENT=4046", "1"},
        {"4096", Act::Up, "", "0"},
        {"4046", Act::Up, "", "4047"},
        {"abc", Act::Up, "", "1"},
        {"0", Act::Down, "", "4096"},
        {"12", Act::Enter, "AT+EVENT=12", "12"},
        {"1a", Act::Fetch, nullptr, "1a"},
        {"1a", Act::Enter, nullptr, "1a"},
        {"99999", Act::Fetch, nullptr, "99999"},  // beyond 16 bits: never sent as a wrapped number
        {"99999", Act::Down, "", "4096"},
    };
    f.FetchLog.setEnabled(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " act " + std::to_string(static_cast<int>(c.act)));
        f.LogBox.setText(c.text);
        const size_t sentBefore = rig.port.commands.size();
        const size_t messagesBefore = rig.dialogs.messages.size();
        const int focusBefore = f.LogBox.focusRequests();
        switch (c.act) {
            case Act::Fetch: f.FetchLog.click(); break;
            case Act::Up: f.LogBox.onKeyDown(kKeyUp); break;
            case Act::Down: f.LogBox.onKeyDown(kKeyDown); break;
            case Act::Enter: f.LogBox.onKeyDown(kKeyEnter); break;
        }
        EXPECT_EQ(f.LogBox.text(), c.after);
        if (!c.sent) {
            ASSERT_EQ(rig.dialogs.messages.size(), messagesBefore + 1);
            EXPECT_EQ(rig.dialogs.messages.back().text, "Log number out of range!");
            EXPECT_EQ(rig.dialogs.messages.back().title, "Message");
            EXPECT_EQ(f.LogBox.selLength(), static_cast<long>(f.LogBox.text().size()));
            EXPECT_EQ(f.LogBox.focusRequests(), focusBefore + 1);
            EXPECT_EQ(rig.port.commands.size(), sentBefore);
        } else if (*c.sent == '\0') {
            EXPECT_EQ(rig.port.commands.size(), sentBefore);
        } else {
            ASSERT_EQ(rig.port.commands.size(), sentBefore + 1);
            EXPECT_EQ(last(), c.sent);
        }
    }
    EXPECT_EQ(p.ReplyState, 0);
}

TEST_F(Logs, ListKeepsAThousandAndPagesRoundBothWays) {
    const auto record = [](int minute) {
        char line[96];
        std::snprintf(line, sizeof line, "@LOAD 777,12031514%02d,000000000000000000000000,000000000000,00001004%02X00",
                      minute % 60, minute % 256);
        return std::string(line);
    };
    for (int i = 1; i <= 3; ++i) reply(record(i));
    EXPECT_EQ(f.StartLog.caption(), " 3");
    f.Nextlog.click();
    EXPECT_EQ(p.LogRecordIndex, 1);
    EXPECT_EQ(f.TimeBox.text(), "14h01");
    EXPECT_EQ(f.StartLog.caption(), " 1");
    f.Prevlog.click();
    EXPECT_EQ(p.LogRecordIndex, 3);
    EXPECT_EQ(f.TimeBox.text(), "14h03");
    EXPECT_EQ(f.Endlog.caption(), " 3");

    for (int i = 4; i <= 1001; ++i) reply(record(i));
    EXPECT_EQ(p.LogRecordCount, 1000);
    EXPECT_EQ(p.LogRecords[1000].rssi, std::to_string(1001 % 256));  // the 1001st replaced entry 1000
    EXPECT_EQ(p.LogRecords[999].rssi, std::to_string(999 % 256));
    EXPECT_EQ(f.StartLog.caption(), " 1000");

    // New empties the list while the page buttons keep their state: a click shows nothing.
    f.NewButton.click();
    EXPECT_EQ(f.StartLog.caption(), "-");
    EXPECT_FALSE(f.FetchLog.enabled());
    EXPECT_TRUE(f.LogBox.readOnly());
    f.Nextlog.click();
    f.Prevlog.click();
    EXPECT_EQ(p.LogRecordIndex, 0);
    EXPECT_EQ(f.TimeBox.text(), "");
}

}  // namespace
