#include <gtest/gtest.h>

#include "visits/before_leaving.h"
#include "visits/clock_offset.h"
#include "visits/counters.h"
#include "visits/lifecycle.h"

namespace {

using namespace kd::visits;

std::tm Local(int y, int mo, int d, int h, int mi, int s) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    return t;
}

TEST(VisitClock, OffsetFromTheLoggersAnswerAcrossDayYearAndCenturyBoundaries) {
    const struct {
        const char* answer;
        std::tm pc;
        std::optional<int64_t> offset;
    } cases[] = {
        {"26/12/10,14:30:00", Local(2026, 12, 10, 14, 33, 12), -192},
        {"26/12/10,14:30:00", Local(2026, 12, 10, 14, 30, 0), 0},
        {"26/12/31,23:59:50", Local(2027, 1, 1, 0, 0, 5), -15},   // the logger is still last year
        {"27/01/01,00:00:05", Local(2026, 12, 31, 23, 59, 50), 15},  // a clock in the future
        {"28/02/29,23:59:59", Local(2028, 3, 1, 0, 0, 0), -1},    // leap day
        {"99/12/31,23:59:59", Local(2000, 1, 1, 0, 0, 0), -1},    // nearest century, not 2099
        {"2026/12/10,14:30:00+04", Local(2026, 12, 10, 14, 29, 0), 60},
        {" 26/12/10 14:30:00", Local(2026, 12, 10, 14, 30, 1), -1},
        {"", Local(2026, 12, 10, 14, 30, 1), std::nullopt},
        {"26/13/10,14:30:00", Local(2026, 12, 10, 14, 30, 1), std::nullopt},
        {"26/12/10", Local(2026, 12, 10, 14, 30, 1), std::nullopt},
        {"ERROR", Local(2026, 12, 10, 14, 30, 1), std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ClockOffsetSeconds(c.answer, c.pc), c.offset) << c.answer;
}

TEST(VisitClock, OffsetInWordsAndDriftOverVisits) {
    EXPECT_EQ(OffsetWords(-192), "logger 3 min 12 s slow");
    EXPECT_EQ(OffsetWords(3725), "logger 1 h 2 min fast");
    EXPECT_EQ(OffsetWords(-5), "logger 5 s slow");
    EXPECT_EQ(OffsetWords(90000), "logger 1 day 1 h fast");
    EXPECT_EQ(OffsetWords(0), "logger clock right");

    const int64_t day = 86400;
    EXPECT_EQ(DriftPer30Days({{0, 0, 0}}), std::nullopt);
    // Set right at the first visit, 60 s slow 30 days later, left as found, 120 s slow after 60.
    EXPECT_DOUBLE_EQ(*DriftPer30Days({{0, -500, 0}, {30 * day, -60, -60}, {60 * day, -120, 0}}), -60);
}

TEST(VisitCounters, ChangeSinceTheVisitBeforeCountsAClearedCounterFromZero) {
    EXPECT_EQ(CounterChange(std::nullopt, 7), std::nullopt);
    EXPECT_EQ(CounterChange(CounterReading{3, 3}, 7), 4);
    EXPECT_EQ(CounterChange(CounterReading{9, 0}, 2), 2);   // cleared in that visit
    EXPECT_EQ(CounterChange(CounterReading{9, 9}, 2), 2);   // cleared since, by someone else
    EXPECT_EQ(CounterChange(CounterReading{5, 5}, 5), 0);
}

TEST(VisitLifecycle, EachEventBeginsGoesOnWithOrEndsTheVisit) {
    using E = VisitEvent;
    const struct {
        const char* name;
        std::vector<std::tuple<E, int64_t, std::string>> events;
        bool lastEnds, lastBegins, openAfter;
    } cases[] = {
        {"first read begins", {{E::ReadComplete, 0, "A"}}, false, true, true},
        {"same device goes on", {{E::ReadComplete, 0, "A"}, {E::ReadComplete, 9, "A"}}, false, false, true},
        {"another device ends and begins", {{E::ReadComplete, 0, "A"}, {E::ReadComplete, 9, "B"}}, true, true, true},
        {"File New ends", {{E::ReadComplete, 0, "A"}, {E::FileNew, 9, ""}}, true, false, false},
        {"Exit ends", {{E::ReadComplete, 0, "A"}, {E::Exit, 9, ""}}, true, false, false},
        {"Disconnect alone keeps it", {{E::ReadComplete, 0, "A"}, {E::Disconnect, 10, ""}, {E::Tick, 1809, ""}},
         false, false, true},
        {"30 min after Disconnect ends",
         {{E::ReadComplete, 0, "A"}, {E::Disconnect, 10, ""}, {E::Tick, 1810, ""}}, true, false, false},
        {"a read after Disconnect goes on",
         {{E::ReadComplete, 0, "A"}, {E::Disconnect, 10, ""}, {E::ReadComplete, 1000, "A"}, {E::Tick, 2000, ""}},
         false, false, true},
        {"nothing open, nothing ends", {{E::FileNew, 0, ""}, {E::Tick, 99999, ""}}, false, false, false},
    };
    for (const auto& c : cases) {
        VisitLifecycle life;
        VisitStep step;
        for (const auto& [event, at, device] : c.events) step = life.on(event, at, device);
        EXPECT_EQ(step.endsOpenVisit, c.lastEnds) << c.name;
        EXPECT_EQ(step.beginsVisit, c.lastBegins) << c.name;
        EXPECT_EQ(life.open(), c.openAfter) << c.name;
    }
}

TEST(BeforeYouLeave, EachConditionIsFoundAndAllWellFindsNothing) {
    LeavingFacts well;
    well.unread = 3;
    well.loggingInterval = "15";
    well.downloadInterval = "60";  // up to 8 unread is two uploads' worth
    well.clockOffset = -60;
    well.registration = "5";
    EXPECT_TRUE(BeforeLeaving(well).empty());

    auto kinds = [](const LeavingFacts& f) {
        std::vector<FindingKind> k;
        for (const Finding& x : BeforeLeaving(f)) k.push_back(x.kind);
        return k;
    };
    LeavingFacts f = well;
    f.editedNotUploaded = {"Log Interval"};
    EXPECT_EQ(kinds(f), std::vector{FindingKind::NotUploaded});
    f = well;
    f.notKept = {{"Home Number", "12345", "999"}};
    EXPECT_EQ(BeforeLeaving(f).at(0).reason, "Home Number: sent 12345, the logger kept 999");
    f = well;
    f.unread = 9;
    EXPECT_EQ(kinds(f), std::vector{FindingKind::RecordsLeft});
    f.recordsDownloaded = true;
    EXPECT_TRUE(kinds(f).empty());
    f = well;
    f.unread = 900;
    f.loggingInterval = "0";  // no interval to judge by
    EXPECT_TRUE(kinds(f).empty());
    f = well;
    f.clockOffset = 61;
    EXPECT_EQ(BeforeLeaving(f).at(0).reason, "clock not set: logger 1 min 1 s fast");
    f.clockSet = true;
    EXPECT_TRUE(kinds(f).empty());
    f = well;
    f.registration = "2";
    EXPECT_EQ(kinds(f), std::vector{FindingKind::NotRegistered});
}

}  // namespace
