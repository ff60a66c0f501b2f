// The signal monitor: its spans, its ten-minute window, when a value is announced, and that it
// follows what the "Signal strength:" box shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "connected_fixture.h"
#include "network/signal_monitor.h"

using namespace kd;
using namespace kdtest;

namespace {

struct Clocked {
    int64_t t = 0;
    SignalMonitor m;
    Clocked() { m.setClock([this] { return t; }); }
};

std::tm At(int hour, int min) {
    std::tm w{};
    w.tm_hour = hour;
    w.tm_min = min;
    return w;
}

// Each step: "open", "close", "mark:<name>" or a value added.
struct SpanCase {
    const char* what;
    std::vector<std::string> steps;
    // name, count, min, max, mean of each span kept
    struct Want { std::string name; long count; double min, max, mean; };
    std::vector<Want> spans;
    bool openAtEnd;
};

TEST(SignalMonitorCore, SpansAndTheirFigures) {
    const std::string longName(70, 'x');
    const std::string umlauts = std::string(59, 'a') + "\xC3\xA4";  // the cut falls inside the last character
    const SpanCase cases[] = {
        {"values before opening go to no span", {"10", "open", "20", "30"}, {{"", 2, 20, 30, 25}}, true},
        {"a mark starts a named span; the one from opening keeps its figures",
         {"open", "10", "mark:north mast, 2 m", "20", "24"},
         {{"", 1, 10, 10, 10}, {"north mast, 2 m", 2, 20, 24, 22}}, true},
        {"an empty span from opening is dropped, a named empty one kept",
         {"open", "mark:a", "mark:b", "7"}, {{"a", 0, 0, 0, 0}, {"b", 1, 7, 7, 7}}, true},
        {"closing stops the figures; reopening starts a span of its own",
         {"open", "5", "close", "99", "open", "6"}, {{"", 1, 5, 5, 5}, {"", 1, 6, 6, 6}}, true},
        {"closed with nothing seen leaves nothing", {"open", "close"}, {}, false},
        {"names are trimmed, numbered when empty, shortened on a character boundary",
         {"mark:  south wall  ", "mark:   ", "mark:" + longName, "mark:" + umlauts},
         {{"south wall", 0, 0, 0, 0}, {"Mark 2", 0, 0, 0, 0}, {std::string(60, 'x'), 0, 0, 0, 0},
          {std::string(59, 'a'), 0, 0, 0, 0}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Clocked k;
        for (const auto& s : c.steps) {
            k.t += 1000;
            if (s == "open") k.m.open(At(9, 0));
            else if (s == "close") k.m.close();
            else if (s.rfind("mark:", 0) == 0) k.m.mark(s.substr(5), At(9, 5));
            else k.m.add(std::stod(s));
        }
        ASSERT_EQ(k.m.spans().size(), c.spans.size());
        for (size_t i = 0; i < c.spans.size(); ++i) {
            const SignalSpan& got = k.m.spans()[i];
            EXPECT_EQ(got.name, c.spans[i].name) << i;
            EXPECT_EQ(got.stats.count, c.spans[i].count) << i;
            if (got.stats.count == 0) {
                EXPECT_FALSE(got.stats.mean().has_value());
                continue;
            }
            EXPECT_EQ(got.stats.min, c.spans[i].min) << i;
            EXPECT_EQ(got.stats.max, c.spans[i].max) << i;
            EXPECT_DOUBLE_EQ(*got.stats.mean(), c.spans[i].mean) << i;
        }
        EXPECT_EQ(k.m.isOpen(), c.openAtEnd);
        if (c.openAtEnd) { EXPECT_EQ(k.m.currentSpan(), &k.m.spans().back()); }
    }
}

TEST(SignalMonitorCore, WindowKeepsTheLastTenMinutesAndIsBounded) {
    struct Case { const char* what; std::vector<int64_t> times; int64_t trimAt; size_t kept; int64_t oldest; };
    const int64_t w = SignalMonitor::kWindowMs;
    const Case cases[] = {
        {"all within ten minutes", {0, 1000, w}, -1, 3, 0},
        {"older than ten minutes goes with the next value", {0, 1000, w + 1}, -1, 2, 1000},
        {"and with the passing of time alone", {0, 1000, 5000}, w + 2000, 1, 5000},
        {"nothing left after a quiet ten minutes", {0}, w + 1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Clocked k;
        for (int64_t t : c.times) { k.t = t; k.m.add(20); }
        if (c.trimAt >= 0) k.m.trim(c.trimAt);
        ASSERT_EQ(k.m.samples().size(), c.kept);
        if (c.kept) { EXPECT_EQ(k.m.samples().front().atMs, c.oldest); }
    }
    // A flooding logger: the window holds at most kMaxSamples, the newest.
    Clocked k;
    for (size_t i = 0; i < SignalMonitor::kMaxSamples + 10; ++i) k.m.add(static_cast<double>(i));
    EXPECT_EQ(k.m.samples().size(), SignalMonitor::kMaxSamples);
    EXPECT_EQ(*k.m.latest(), static_cast<double>(SignalMonitor::kMaxSamples + 9));
}

TEST(SignalMonitorCore, AnnouncesTheFirstValueThenChangesOfFiveOrMore) {
    struct Step { const char* action; double value; bool announced; };
    const Step steps[] = {
        {"add", 20, true},    // the first value
        {"add", 24, false},   // 4 from 20
        {"add", 25, true},    // 5 from 20
        {"add", 21, false},   // 4 from 25
        {"add", 22, false},   // a slow drift down ...
        {"add", 20, true},    // ... adds up to 5 from 25
        {"add", 15.5, false},
        {"add", 15, true},
        {"add", 12, false},
        {"open", 12, true},   // whoever opens hears the value shown ...
        {"add", 13, false},   // ... and changes from it
        {"add", 8, false},
        {"close", 0, false},
        {"mark", 8, true},    // marking a closed monitor opens it
        {"add", 13, true},
    };
    Clocked k;
    k.m.open(At(9, 0));
    EXPECT_EQ(k.m.announcements(), 0u);  // opened with nothing to say: the first value is said
    k.m.close();
    uint64_t before = 0;
    int i = 0;
    for (const Step& s : steps) {
        const std::string a = s.action;
        if (a == "add") k.m.add(s.value);
        else if (a == "open") k.m.open(At(9, 0));
        else if (a == "close") k.m.close();
        else k.m.mark("x", At(9, 0));
        EXPECT_EQ(k.m.announcements() > before, s.announced) << "step " << i << " " << a << " " << s.value;
        if (s.announced) { EXPECT_EQ(*k.m.lastAnnounced(), s.value); }
        before = k.m.announcements();
        ++i;
    }
}

TEST(SignalMonitorCore, ValueOfTheShownText) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"23%", 23}, {" 7%", 7}, {"-3%", -3}, {"12.5%", 12.5}, {".5%", 0.5}, {"99", 99},
        {"", std::nullopt}, {"%", std::nullopt}, {"abc%", std::nullopt}, {"-%", std::nullopt}, {"  ", std::nullopt},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(SignalValueOf(text), want) << '"' << text << '"';
    EXPECT_EQ(FormatSignal(23), "23");
    EXPECT_EQ(FormatSignal(12.5), "12.50");
}

struct SignalProgram : Connected {
    int64_t t = 0;
    void SetUp() override {
        Connected::SetUp();
        p.signalMonitor.setClock([this] { return t; });
    }
};

TEST_F(SignalProgram, FollowsTheSignalStrengthBoxAndMarksThroughTheDialog) {
    OpenSignalMonitor(p);
    reply("+SS: 23");
    t += 1000;
    reply("+SS: 23");  // the box does not change, but it is a value reported
    reply("+SS:");     // an empty box: no value
    reply("+SS: ab");  // garbled: no value
    t += 1000;
    reply("+SS: 17");
    ASSERT_EQ(p.signalMonitor.samples().size(), 3u);
    EXPECT_EQ(p.signalMonitor.samples()[1].atMs, 1000);
    EXPECT_EQ(*p.signalMonitor.latest(), 17);
    EXPECT_EQ(sent(), 0u);  // the monitor never talks to the logger

    rig.dialogs.spanName = std::nullopt;  // cancelled: no new span
    EXPECT_FALSE(MarkSignalSpan(p));
    rig.dialogs.spanName = "north mast, 2 m";
    rig.wall.now = At(14, 30);
    EXPECT_TRUE(MarkSignalSpan(p));
    EXPECT_EQ(rig.dialogs.spanSuggestions, (std::vector<std::string>{"Mark 1", "Mark 1"}));
    reply("+SS: 30");
    const auto& spans = p.signalMonitor.spans();
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_EQ(spans[0].stats.count, 3);
    EXPECT_DOUBLE_EQ(*spans[0].stats.mean(), 21);
    EXPECT_EQ(spans[1].name, "north mast, 2 m");
    EXPECT_EQ(spans[1].startedAt.tm_hour, 14);
    EXPECT_EQ(spans[1].stats.count, 1);
}

}  // namespace
