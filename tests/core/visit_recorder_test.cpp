#include "visits/visit_recorder.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace kd::visits;

std::vector<FoundValue> Read(const std::string& device) {
    return {{"device_id", "Device ID:", device, ""},       {"unread_logs", "Unread Logs:", "40", ""},
            {"logging_interval", "Logging Int:", "15", ""}, {"download_interval", "Download Int:", "60", ""},
            {"apn_password", "APN Password:", "s3cret", ""}, {"model", "Model:", "Soil Probe", ""}};
}

std::tm Pc(int h, int m, int s) {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 10;
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    return t;
}

struct Rig {
    std::map<std::string, Visit> stored;  // by uuid: the latest of each visit
    VisitRecorder visits{{"tech", "laptop", "1.0", "window"}, [this](const Visit& v) { stored[v.uuid] = v; }};
};

TEST(VisitRecorder, AVisitKeepsWhatWasFoundAndDoneAndEndsWhenAnotherDeviceIsRead) {
    Rig rig;
    rig.visits.clockAnswer("+TIME: 26/12/10,14:30:00\r", Pc(14, 33, 12), false, 100);
    rig.visits.registrationAnswer("2");
    rig.visits.readComplete(Read("12345"), 100);
    ASSERT_NE(rig.visits.open(), nullptr);
    EXPECT_EQ(rig.visits.open()->clockFound, -192);
    EXPECT_EQ(rig.visits.open()->model, "Soil Probe");

    rig.visits.valuesSent({{"Log Interval", "15", "30", false}, {"APN Password", "new", "new", true}}, 110);
    rig.visits.commandSent(ActionKind::CustomCommand, "AT+APNCON=a,b,typed", 120);
    rig.visits.commandAnswered("+APNCON: a,b,typed\r");
    rig.visits.recordsDownloaded("30-59", 28, "41, 42", 2, 130);

    const LeavingFacts facts = rig.visits.leavingFacts({"Home Number"});
    std::vector<FindingKind> kinds;
    for (const Finding& f : BeforeLeaving(facts)) kinds.push_back(f.kind);
    // The records were downloaded in this visit, so 40 unread are not asked about.
    EXPECT_EQ(kinds, (std::vector{FindingKind::NotUploaded, FindingKind::NotKept, FindingKind::ClockOff,
                                  FindingKind::NotRegistered}));

    rig.visits.clockAnswer("+TIME: 26/12/10,14:33:13\r", Pc(14, 33, 13), true, 140);
    EXPECT_EQ(rig.visits.open()->clockLeft, 0);
    EXPECT_TRUE(rig.visits.leavingFacts({}).clockSet);

    rig.visits.readComplete(Read("12345"), 150);  // the same logger: the same visit
    EXPECT_EQ(rig.stored.size(), 1u);
    rig.visits.readComplete(Read("777"), 160);
    ASSERT_EQ(rig.stored.size(), 2u);

    const Visit* first = nullptr;
    for (const auto& [uuid, v] : rig.stored)
        if (v.deviceId == "12345") first = &v;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->ended, 160);
    ASSERT_EQ(first->actions.size(), 5u);
    EXPECT_EQ(first->actions[2].what, "AT+APNCON=a,b,*****");
    EXPECT_EQ(first->actions[2].held, "a,b,*****");
    EXPECT_EQ(first->actions[3].missing, 2);
    EXPECT_EQ(first->actions[4].kind, ActionKind::ClockSet);
    for (const auto& [uuid, v] : rig.stored) {
        for (const FoundValue& f : v.found) EXPECT_EQ(f.value.find("s3cret"), std::string::npos) << f.key;
        for (const Action& a : v.actions) EXPECT_EQ(a.sent.find("new"), std::string::npos);
    }
}

TEST(VisitRecorder, NothingIsRecordedBeforeAReadAndDisconnectEndsAfterHalfAnHour) {
    Rig rig;
    rig.visits.valuesSent({{"Log Interval", "15", "15", false}}, 1);
    rig.visits.commandSent(ActionKind::Maintenance, "AT+WDT=0", 2);
    EXPECT_TRUE(rig.stored.empty());
    EXPECT_TRUE(BeforeLeaving(rig.visits.leavingFacts({"Log Interval"})).empty());  // no visit, nothing to ask

    rig.visits.readComplete(Read("12345"), 10);
    rig.visits.on(VisitEvent::Disconnect, 20);
    rig.visits.on(VisitEvent::Tick, 20 + 1799);
    EXPECT_NE(rig.visits.open(), nullptr);
    rig.visits.on(VisitEvent::Tick, 20 + 1800);
    EXPECT_EQ(rig.visits.open(), nullptr);
    EXPECT_EQ(rig.stored.begin()->second.ended, 1820);
}

}  // namespace
