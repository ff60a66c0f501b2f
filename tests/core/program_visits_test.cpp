#include "visits/program_visits.h"

#include <gtest/gtest.h>

#include "connected_fixture.h"
#include "scripted_logger.h"

namespace {

using namespace kd::visits;

struct ProgramVisitsTest : kdtest::Connected {
    kdtest::ScriptedLogger logger = kdtest::ScriptedLogger::Plain();
    std::vector<Visit> stored;
    int64_t utc = 1000;
    std::unique_ptr<ProgramVisits> visits;

    void SetUp() override {
        kdtest::Connected::SetUp();
        logger.attach(rig.port, p);
        visits = std::make_unique<ProgramVisits>(
            p, Identity{"tech", "laptop", "1.0", "window"}, [this](const Visit& v) { stored.push_back(v); },
            [this] { return utc; });
        // The computer's clock stands 2 min 15 s after the logger's answer.
        rig.wall.now.tm_year = 112;
        rig.wall.now.tm_mon = 2;
        rig.wall.now.tm_mday = 15;
        rig.wall.now.tm_hour = 14;
        rig.wall.now.tm_min = 33;
        rig.wall.now.tm_sec = 0;
    }
    void readAll() {
        f.LoadSettings.click();
        logger.pump(rig.port);
    }
};

TEST_F(ProgramVisitsTest, AWholeReadBeginsTheVisitAndWhatIsDoneAfterIsKeptInOrder) {
    readAll();
    ASSERT_EQ(p.ReplyState, 0);
    const Visit* v = visits->recorder().open();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->deviceId, "12345");
    EXPECT_EQ(v->value("battery_volts"), "3.95");
    EXPECT_EQ(v->value("apn_password"), "");  // kept only as a digest
    EXPECT_EQ(v->clockFound, -135);
    EXPECT_EQ(f.StatusBox(1).text(), "Clock: logger 2 min 15 s slow");

    // A maintenance command, then a custom one, each with its answer.
    logger.answers["AT+WDT=0"] = "+WDT: 0";
    f.ClearWDT.click();
    logger.pump(rig.port);
    f.CustomCMD(0).setText("AT+APNCON=internet,user,typed");
    logger.answers["AT+APNCON=internet,user,typed"] = "OK";
    f.CustomSend(0).click();
    logger.pump(rig.port);
    f.CustomCMD(1).setText("AT+POR?");  // a query of the technician's own counts too
    f.CustomSend(1).click();
    logger.pump(rig.port);
    ASSERT_EQ(v->actions.size(), 3u);
    EXPECT_EQ(v->actions[2].what, "AT+POR?");
    EXPECT_EQ(v->actions[2].held, "2");
    EXPECT_TRUE(v->actions[2].kept);
    logger.answers["AT+FOO"] = "ERROR";  // a command the logger refuses is kept as refused
    f.CustomCMD(2).setText("AT+FOO");
    f.CustomSend(2).click();
    logger.pump(rig.port);
    ASSERT_EQ(v->actions.size(), 4u);
    EXPECT_FALSE(v->actions[3].kept);
    EXPECT_EQ(v->actions[3].held, "ERROR");
    EXPECT_EQ(v->actions[0].kind, ActionKind::Maintenance);
    EXPECT_EQ(v->actions[0].held, "0");
    EXPECT_EQ(v->actions[1].kind, ActionKind::CustomCommand);
    EXPECT_EQ(v->actions[1].what, "AT+APNCON=internet,user,*****");

    // The clock out by more than a minute is named before leaving; a set settles it.
    std::vector<FindingKind> kinds;
    for (const Finding& x : visits->findings()) kinds.push_back(x.kind);
    EXPECT_EQ(kinds, std::vector{FindingKind::ClockOff});
    logger.answers["AT+TIME=120315143300"] = "+TIME: 12/03/15,14:33:00";
    f.SetTimeDate.click();
    logger.pump(rig.port);
    EXPECT_EQ(v->clockLeft, 0);
    EXPECT_EQ(f.StatusBox(1).text(), "Clock: logger clock right (set)");
    EXPECT_TRUE(visits->findings().empty());

    // A value edited and not uploaded is named too.
    f.ModemParm(3).setText("45");
    EXPECT_EQ(visits->findings().at(0).kind, FindingKind::NotUploaded);
}

TEST_F(ProgramVisitsTest, BeforeYouLeaveAsksOnlyWhenSomethingIsFoundAndStayCancels) {
    readAll();  // the logger's clock is 2 min 15 s slow
    const struct {
        const char* name;
        bool stay, check;
        size_t asked;
        bool stillConnected, visitOpen;
    } cases[] = {
        {"Stay keeps the connection", true, true, 1, true, true},
        {"Leave anyway disconnects", false, true, 1, false, true},  // the visit waits 30 min
        {"the check turned off asks nothing", true, false, 0, false, true},
    };
    for (const auto& c : cases) {
        if (f.ConnectButton.caption() == "Connect") f.ConnectButton.click();
        rig.dialogs.leaving.clear();
        rig.dialogs.leaveAnywayAnswer = !c.stay;
        visits->checkBeforeLeaving = c.check;
        f.ConnectButton.click();
        EXPECT_EQ(rig.dialogs.leaving.size(), c.asked) << c.name;
        EXPECT_EQ(f.ConnectButton.caption() == "Disconnect", c.stillConnected) << c.name;
        EXPECT_EQ(visits->recorder().open() != nullptr, c.visitOpen) << c.name;
        for (const auto& reasons : rig.dialogs.leaving)
            EXPECT_EQ(reasons, std::vector<std::string>{"clock not set: logger 2 min 15 s slow"}) << c.name;
    }

    // File > New asks, and leaving ends the visit with what was found kept in it.
    visits->checkBeforeLeaving = true;
    rig.dialogs.leaving.clear();
    rig.dialogs.leaveAnywayAnswer = true;
    f.NewButton.click();
    EXPECT_EQ(rig.dialogs.leaving.size(), 1u);
    EXPECT_EQ(visits->recorder().open(), nullptr);
    EXPECT_TRUE(stored.back().ended.has_value());
    EXPECT_EQ(stored.back().leftBehind, std::vector<std::string>{"clock not set: logger 2 min 15 s slow"});
    rig.dialogs.leaving.clear();
    f.NewButton.click();  // no visit: nothing to ask
    EXPECT_TRUE(rig.dialogs.leaving.empty());
}

TEST_F(ProgramVisitsTest, ReadingAnotherLoggerAsksAndStayEndsThatRead) {
    readAll();
    logger.answers["AT+SNR?"] = "+SNR: 777";
    rig.dialogs.leaveAnywayAnswer = false;
    f.LoadSettings.click();
    logger.pump(rig.port);
    EXPECT_EQ(rig.dialogs.leaving.size(), 1u);
    EXPECT_EQ(visits->recorder().open()->deviceId, "12345");
    EXPECT_EQ(p.ReplyState, 0);
    rig.dialogs.leaveAnywayAnswer = true;
    f.LoadSettings.click();
    logger.pump(rig.port);
    EXPECT_EQ(visits->recorder().open()->deviceId, "777");
}

TEST_F(ProgramVisitsTest, AReadCutShortBeginsNoVisit) {
    logger.answers.erase("AT+BATVOLTS?");
    f.LoadSettings.click();
    logger.pump(rig.port);
    EXPECT_EQ(visits->recorder().open(), nullptr);
    EXPECT_TRUE(stored.empty());
}

}  // namespace
