// One owner of the line: what each holder lets through, and what Disconnect, a lost port and
// a quick reconnect do to it and to the buttons that send.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "connected_fixture.h"
#include "link/line_owner.h"
#include "network/hub.h"
#include "network/logs.h"
#include "network/maintenance.h"
#include "params/custom_commands.h"
#include "params/upload.h"
#include "records/recorder.h"
#include "replies/read_chain.h"
#include "scripted_logger.h"

using namespace kd;
using namespace kdtest;

namespace {

enum class Holder { Download, Read, Upload, Scan };
const char* const kHolderNames[] = {"download", "read", "upload", "scan"};

// A hub just read (every sending button enabled by the read, device 1234 in slot 1) on a
// logger that then answers nothing, so whatever runs keeps the line until something ends it.
struct Line {
    Rig rig{kUsableIni};
    Program& p = rig.program;
    Mainform& f = rig.form;
    std::unique_ptr<records::Recorder> recorder;
    std::optional<records::DownloadSummary> summary;

    Line() {
        Form_Load(p);
        f.ConnectButton.click();
        recorder = std::make_unique<records::Recorder>(p, rig.dir / "records.sqlite");
        ScriptedLogger logger = ScriptedLogger::Plain();
        logger.answers["AT+FW?"] = "+FW: V203.5";
        logger.answers["AT+OWNSIM?"] = "+OWNSIM: 8927000000000000012,8927123400000000017";  // passes the check
        logger.attach(rig.port, p);
        f.LoadSettings.click();
        logger.pump(rig.port);
        rig.port.onCommand = nullptr;
        f.ModemParm(3).setText("15");  // an upload to make
        for (int i = 0; i <= 2; ++i) f.CustomCMD(i).setText("AT+WDT?");
    }
    ~Line() { recorder.reset(); }
    size_t sent() const { return rig.port.commands.size(); }
    std::string last() const { return rig.port.commands.empty() ? "" : rig.port.commands.back(); }

    bool start(Holder h, std::string* error = nullptr) {
        switch (h) {
            case Holder::Download: {
                records::DownloadEvents events;
                events.finished = [this](const records::DownloadSummary& s) { summary = s; };
                return recorder->startDownload({10, 19}, events, error);
            }
            case Holder::Read: f.LoadSettings.click(); return p.ReplyState == 1;
            case Holder::Upload: f.Uploadbutton.click(); return p.ReplyState == 100;
            case Holder::Scan: f.ScanCommand(1).click(); return p.ScanCountdown > 0;
        }
        return false;
    }
};

TEST(LineOwnerTest, EachHolderRefusesTheSendersItMustAndLetsTheOthersInterruptAsBefore) {
    // What each other sender does when pressed while the holder runs: sends or is refused.
    struct Sender {
        const char* name;
        // Called as a program would (the command line, a key): a held button takes no click.
        std::function<void(Line&)> press;
    };
    const Sender senders[] = {
        {"Load Settings", [](Line& t) { LoadSettings_Click(t.p); }},
        {"custom Send", [](Line& t) { CustomSend_Click(t.p, 0); }},
        {"Clear WatchDog", [](Line& t) { ClearWDT_Click(t.p); }},
        {"Enter in the log box", [](Line& t) { t.f.LogBox.setText("7"); LogBox_KeyDown(t.p, kKeyEnter); }},
        {"Fetch Log", [](Line& t) { t.f.LogBox.setText("7"); FetchLog_Click(t.p); }},
        {"Upload", [](Line& t) { Uploadbutton_Click(t.p); }},
        {"another scan", [](Line& t) {
             t.f.NWDevIDBox(1).setText("1234");  // a read empties the table until it comes
             ScanCommand_Click(t.p, 1);
         }},
        {"a download", [](Line& t) { t.recorder->startDownload({30, 31}, {}, nullptr); }},
    };
    struct Case {
        Holder holder;
        // Per sender above, in order: nothing sent?
        std::array<bool, 8> nothingSent;
        // The sending buttons the read enabled: shown disabled meanwhile (a download), left
        // enabled (a scan), or as the holder's own rules set them (a read, an upload).
        std::optional<bool> buttonsEnabled;
    } cases[] = {
        {Holder::Download, {true, true, true, true, true, true, true, true}, false},
        // A read and an upload may be interrupted as they always could; a download may not start.
        {Holder::Read, {false, false, false, false, false, false, false, true}, std::nullopt},
        // (A second Upload press while a step awaits its answer adds nothing: the upload's own rule.)
        {Holder::Upload, {false, false, false, false, false, true, false, true}, std::nullopt},
        // The hub answers short exchanges while its radio waits; no second scan, no download.
        {Holder::Scan, {false, false, false, false, false, false, true, true}, true},
    };
    for (const Case& c : cases) {
        for (size_t s = 0; s < std::size(senders); ++s) {
            SCOPED_TRACE(std::string(kHolderNames[static_cast<int>(c.holder)]) + " holds, " + senders[s].name + " asks");
            Line t;
            ASSERT_TRUE(t.start(c.holder));
            if (c.buttonsEnabled) {
                for (Control* b : std::initializer_list<Control*>{&t.f.LoadSettings, &t.f.CustomSend(0), &t.f.ClearWDT,
                                                                  &t.f.FetchLog, &t.f.Uploadbutton, &t.f.NewButton})
                    EXPECT_EQ(b->enabled(), *c.buttonsEnabled) << b->name();
            }
            EXPECT_EQ(t.f.ModemFrame.enabled(), c.holder != Holder::Scan);
            const size_t before = t.sent();
            senders[s].press(t);
            EXPECT_EQ(t.sent() == before, c.nothingSent[s]) << (t.sent() > before ? t.last() : "nothing sent");
            for (const Message& m : t.rig.dialogs.messages) ADD_FAILURE() << m.text;
        }
    }
}

TEST(LineOwnerTest, DisconnectOrALostPortEndsADownloadAndAQuickReconnectSendsNothingOfIt) {
    enum class Event { Disconnect, PortLost, QuickReconnect };
    struct Case {
        const char* what;
        Holder holder;
        Event event;
    } cases[] = {
        {"download, Disconnect", Holder::Download, Event::Disconnect},
        {"download, port lost", Holder::Download, Event::PortLost},
        {"download, reconnect within 1.5 s", Holder::Download, Event::QuickReconnect},
        // A read's time-out runs on as the connection rules say; a scan's countdown ends it.
        {"read, Disconnect", Holder::Read, Event::Disconnect},
        {"scan, port lost", Holder::Scan, Event::PortLost},
        {"scan, reconnect within 1.5 s", Holder::Scan, Event::QuickReconnect},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Line t;
        Program& p = t.p;
        Mainform& f = t.f;
        ASSERT_TRUE(t.start(c.holder));
        if (c.event == Event::PortLost) {
            t.rig.port.close();
            t.rig.port.onCommEvent(kCommEventPortLost);
        } else {
            f.ConnectButton.click();
        }
        EXPECT_EQ(f.ConStat.caption(), "Disconnected");
        // The window says disconnected, and so do the buttons whatever held them.
        EXPECT_FALSE(f.LoadSettings.enabled());
        EXPECT_FALSE(f.Uploadbutton.enabled());
        EXPECT_FALSE(f.CustomSend(0).enabled());
        if (c.holder == Holder::Download) {
            EXPECT_FALSE(t.recorder->downloading());
            ASSERT_TRUE(t.summary.has_value());
            EXPECT_EQ(t.summary->error, "the port was closed");
        }
        if (c.holder == Holder::Scan) {
            EXPECT_EQ(p.line.holder(), LineHolder::Scan);
        } else if (c.holder == Holder::Read) {
            EXPECT_EQ(p.ReplyState, 1);
        }
        if (c.event != Event::QuickReconnect) continue;

        f.ConnectButton.click();
        const size_t before = t.sent();
        t.rig.clock.advance(1600);
        EXPECT_EQ(t.sent(), before) << "sent after the reconnect: " << t.last();
        EXPECT_TRUE(f.LoadSettings.enabled());
        if (c.holder == Holder::Download) {
            EXPECT_EQ(p.line.holder(), LineHolder::None);
            EXPECT_TRUE(f.ClearWDT.enabled());  // as a read left it
            f.LoadSettings.click();
            EXPECT_EQ(t.last(), "AT+SNR?");
            t.rig.clock.advance(1600);
            EXPECT_EQ(t.last(), "AT+SNR?");  // the read's own re-send, no request of the download
        } else {
            std::string why;
            EXPECT_FALSE(t.start(Holder::Download, &why));
            EXPECT_NE(why.find("scan"), std::string::npos) << why;
        }
    }
}

}  // namespace
