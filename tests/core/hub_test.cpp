// The hub panel: editing the device table, the table reply, and the radio scan with its
// countdown and blink under the virtual clock.
#include <gtest/gtest.h>

#include "connected_fixture.h"
#include "network/hub.h"

using namespace kd;
using namespace kdtest;

namespace {

struct Hub : Connected {
    void SetUp() override {
        Connected::SetUp();
        p.ReplyState = 100;  // as after an upload: the table reply only hands back
        reply("+PTABLE: 12345,1201,1202,0,1204,0,0,0");
        p.ReplyState = 0;
    }
    void typeInto(int slot, const std::string& text) { f.NWDevIDBox(slot).setText(text); }
};

TEST_F(Hub, EditingChecksEachBoxAndStopsAtTheFirstThatFails) {
    f.EditNW.click();
    EXPECT_EQ(f.EditNW.caption(), "OK");
    for (int i = 1; i <= 7; ++i) {
        EXPECT_FALSE(f.NWDevIDBox(i).readOnly()) << i;
        EXPECT_FALSE(f.ScanCommand(i).enabled()) << i;
    }
    EXPECT_TRUE(f.ScanCommand(0).enabled());  // the probe frame is not in edit mode
    typeInto(2, "65501");
    EXPECT_EQ(f.NWDevIDBox(2).foreColour(), kRed);
    EXPECT_TRUE(f.Uploadbutton.enabled());
    f.EditNW.click();
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, "Device ID is out of range!");
    EXPECT_EQ(rig.dialogs.messages[0].title, "Message");
    EXPECT_EQ(f.EditNW.caption(), "OK");
    EXPECT_TRUE(f.NWDevIDBox(1).readOnly());
    for (int i = 2; i <= 7; ++i) EXPECT_FALSE(f.NWDevIDBox(i).readOnly()) << i;
    EXPECT_EQ(f.NWDevIDBox(2).selLength(), 5);
    EXPECT_EQ(f.NWDevIDBox(2).focusRequests(), 1);

    typeInto(2, "30002");
    typeInto(4, "");  // an empty slot passes
    f.EditNW.click();
    EXPECT_EQ(f.EditNW.caption(), "Edit");
    for (int i = 1; i <= 7; ++i) EXPECT_TRUE(f.NWDevIDBox(i).readOnly()) << i;
    EXPECT_FALSE(f.ScanCommand(1).enabled());  // only the next table reply enables them again

    // The probe has no upper bound, but digits only.
    const std::pair<const char*, bool> probe[] = {{"99999", true}, {"12a", false}, {"", true}};
    for (const auto& [text, passes] : probe) {
        SCOPED_TRACE(text);
        f.EditProbe.click();
        ASSERT_EQ(f.EditProbe.caption(), "OK");
        EXPECT_FALSE(f.ScanCommand(0).enabled());
        typeInto(0, text);
        f.EditProbe.click();
        EXPECT_EQ(f.EditProbe.caption(), passes ? "Edit" : "OK");
        EXPECT_EQ(f.NWDevIDBox(0).readOnly(), passes);
        if (!passes) {
            EXPECT_EQ(rig.dialogs.messages.back().text, "Device ID is out of range!");
            typeInto(0, "1");
            f.EditProbe.click();
        }
    }
}

TEST_F(Hub, TableReplyFillsTheSlotsAndTurnsThemBlack) {
    struct Case {
        const char* line;
        std::array<const char*, 8> boxes;
    };
    const Case cases[] = {
        {"+PTABLE: 0,1234,0,0,0,0,0,0", {"", "1234", "", "", "", "", "", ""}},
        // An empty field does not move the position on: it and every later slot read empty.
        {"+PTABLE: 11,22,,44,55,66,77,88", {"11", "22", "", "", "", "", "", ""}},
    };
    f.EditNW.click();
    typeInto(3, "999");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        f.StatText(1).setCaption("12/85%");
        p.ReplyState = 100;
        reply(c.line);
        for (int i = 0; i <= 7; ++i) {
            EXPECT_EQ(f.NWDevIDBox(i).text(), c.boxes[i]) << i;
            EXPECT_EQ(f.NWDevIDBox(i).foreColour(), kBlack) << i;
            EXPECT_EQ(f.ScanCommand(i).enabled(), *c.boxes[i] != '\0') << i;
        }
    }
    EXPECT_EQ(f.StatText(1).caption(), "");  // a new ID clears an old scan result

    // A table reply nobody awaited (a custom command interrupted the upload) keeps an unsent table.
    typeInto(3, "999");
    p.ReplyState = 0;
    reply("+PTABLE: 12345,1201,1202,0,1204,0,0,0");
    EXPECT_EQ(f.NWDevIDBox(3).text(), "999");
    EXPECT_EQ(f.NWDevIDBox(3).foreColour(), kRed);
}

// An unasked table (a custom command "AT+PTABLE?") refills every black slot and keeps only
// the unsent red ones; an asked read shows the whole table, whatever an earlier unasked answer left.
TEST_F(Hub, UnaskedTableKeepsOnlyRedSlotsAndAskedReadsShowItAll) {
    f.EditNW.click();
    typeInto(3, "999");
    f.EditNW.click();
    p.ReplyState = 0;
    reply("+PTABLE: 12345,1301,1202,0,1204,0,1207,0");
    const char* shown[8] = {"12345", "1301", "1202", "999", "1204", "", "1207", ""};
    for (int i = 0; i <= 7; ++i) {
        EXPECT_EQ(f.NWDevIDBox(i).text(), shown[i]) << i;
        EXPECT_EQ(f.NWDevIDBox(i).foreColour(), i == 3 ? kRed : kBlack) << i;
        EXPECT_EQ(f.ScanCommand(i).enabled(), i != 3 && *shown[i] != '\0') << i;
    }

    p.ReplyState = 0;
    reply("+SNR: 12345");  // an unasked answer that goes on reading
    ASSERT_TRUE(p.unaskedRead);
    p.ProductType = 3;
    f.RefreshStat.setEnabled(true);
    f.RefreshStat.click();
    for (const char* line : {"+WDT: 1", "+POR: 2", "+AUTOPD: 0", "+TIME: 24/05/12,10:31:02", "+MPOWER: 1",
                             "+BATVOLTS: 3.61", "+CREG: 0,1"})
        reply(line);
    ASSERT_EQ(last(), "AT+PTABLE?");
    reply("+PTABLE: 12345,1301,1202,1303,1204,0,1207,0");
    EXPECT_EQ(f.NWDevIDBox(3).text(), "1303");
    EXPECT_EQ(f.NWDevIDBox(3).foreColour(), kBlack);
    EXPECT_TRUE(f.ScanCommand(3).enabled());
}

TEST_F(Hub, ScanCountsDownAndEndsItselfAtTheThirtyFifthTick) {
    const size_t before = rig.port.commands.size();
    f.ScanCommand(1).click();
    EXPECT_EQ(last(), "AT+SCANID=1201,2");
    EXPECT_FALSE(f.ReplyTimeout.enabled());
    EXPECT_EQ(f.StatText(1).caption(), "Scanning");
    EXPECT_EQ(f.StatusBox(0).text(), "Scanning... 35");
    EXPECT_FALSE(f.NWFrame.enabled());
    EXPECT_FALSE(f.LogProbeFrame.enabled());
    EXPECT_FALSE(f.ModemFrame.enabled());
    EXPECT_EQ(f.tmrTime.interval(), 250);
    rig.clock.advance(1000);
    EXPECT_EQ(f.StatusBox(0).text(), "Scanning... 34");
    rig.clock.advance(33999);
    EXPECT_EQ(f.StatusBox(0).text(), "Scanning... 1");
    EXPECT_FALSE(f.NWFrame.enabled());
    rig.clock.advance(1);
    EXPECT_EQ(f.StatusBox(0).text(), "");
    EXPECT_EQ(f.StatText(1).caption(), "");
    EXPECT_EQ(f.StatText(1).foreColour(), kRed);
    EXPECT_TRUE(f.NWFrame.enabled() && f.LogProbeFrame.enabled() && f.ModemFrame.enabled());
    EXPECT_FALSE(f.MainTimer.enabled());
    EXPECT_EQ(f.tmrTime.interval(), 500);
    EXPECT_EQ(p.ScanCountdown, 0);
    EXPECT_EQ(rig.port.commands.size(), before + 1);  // no re-send of the scan, ever
    EXPECT_TRUE(rig.dialogs.messages.empty());

    // A late answer is still shown in the scanned slot.
    reply("+SCANID: 1201,0,12,85");
    EXPECT_EQ(f.StatText(1).caption(), "12/85%");
}

// After a disconnect the panel stays, but a scan whose command cannot leave does not start.
TEST_F(Hub, ScanWithThePortClosedDoesNotCountDown) {
    f.ConnectButton.click();
    ASSERT_FALSE(rig.port.isOpen());
    ASSERT_TRUE(f.ScanCommand(1).enabled());
    f.ScanCommand(1).click();
    EXPECT_EQ(f.StatusBox(0).text(), "Port closed: command not sent");
    EXPECT_EQ(p.ScanCountdown, 0);
    EXPECT_FALSE(f.MainTimer.enabled());
    EXPECT_FALSE(f.ReplyTimeout.enabled());
    EXPECT_TRUE(f.NWFrame.enabled() && f.LogProbeFrame.enabled() && f.ModemFrame.enabled());
    EXPECT_EQ(f.StatText(1).caption(), "");
    rig.clock.advance(2000);
    EXPECT_EQ(f.StatusBox(0).text(), "Port closed: command not sent");
}

TEST_F(Hub, ScanResultShowsEachStatusCodeInRed) {
    const std::pair<const char*, const char*> cases[] = {
        {"+SCANID: 1201,0,12,85", "12/85%"}, {"+SCANID: 1201,1,0,0", "RF Busy"},
        {"+SCANID: 1201,2,0,0", "No Reply"}, {"+SCANID: 1201,3,0,0", "Resp. flt"},
        {"+SCANID: 1201,4,0,0", "No Logs"},  {"+SCANID: 1201,5,0,0", "Type Fault"},
        {"+SCANID: 1201,9,0,0", "Scanning"}, {"+SCANID: 1201,0,12", "12/%"},  // no remainder: empty
        {"+SCANID: 1201", "Scanning"},       {"+SCANID:", "Scanning"},
    };
    for (const auto& [line, shown] : cases) {
        SCOPED_TRACE(line);
        f.ScanCommand(4).click();
        ASSERT_EQ(last(), "AT+SCANID=1204,5");
        rig.clock.advance(10000);
        EXPECT_EQ(f.StatusBox(0).text(), "Scanning... 25");
        reply(line);
        EXPECT_EQ(p.ScanCountdown, 0);
        EXPECT_EQ(f.StatText(4).caption(), shown);
        EXPECT_EQ(f.StatText(4).foreColour(), kRed);
        EXPECT_EQ(f.StatusBox(0).text(), "");
        EXPECT_FALSE(f.MainTimer.enabled());
        rig.clock.advance(60000);  // no further tick
        EXPECT_EQ(f.StatusBox(0).text(), "");
        EXPECT_EQ(f.StatText(4).caption(), shown);
    }
    // An empty slot does nothing; the probe's ID has no bound and goes out as shown.
    const size_t sent = rig.port.commands.size();
    f.ScanCommand(3).click();
    EXPECT_EQ(rig.port.commands.size(), sent);
    f.EditProbe.click();
    typeInto(0, "99999");
    f.EditProbe.click();
    f.ScanCommand(0).setEnabled(true);
    f.ScanCommand(0).click();
    EXPECT_EQ(last(), "AT+SCANID=99999,1");
}

TEST_F(Hub, ClockCaptionChangesOncePerSecondAndTheScanBlinksEveryQuarter) {
    int writes = 0;
    std::string shown;
    f.setObserver([&] {
        if (f.caption() != shown) ++writes;
        shown = f.caption();
    });
    rig.wall.now.tm_hour = 14;
    rig.wall.now.tm_min = 30;
    rig.wall.now.tm_sec = 5;
    rig.clock.advance(1000);  // two ticks of the 500 ms clock
    EXPECT_EQ(f.caption(), std::string(kWindowCaption) + std::string(88, ' ') + "14:30:05");
    EXPECT_EQ(writes, 1);
    rig.wall.now.tm_sec = 6;
    rig.clock.advance(1000);
    EXPECT_EQ(writes, 2);

    f.ScanCommand(2).click();
    ASSERT_EQ(f.StatText(2).foreColour(), kBlack);
    const Colour phases[] = {kRed, kButtonFace, kRed, kButtonFace};
    for (Colour c : phases) {
        rig.clock.advance(250);
        EXPECT_EQ(f.StatText(2).foreColour(), c);
    }
    EXPECT_EQ(writes, 2);  // the quicker ticks do not rewrite an unchanged caption
    f.setObserver(nullptr);
}

}  // namespace
