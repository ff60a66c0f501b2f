// A visit in the real window against a keldamar-sim process that keeps one value old: the read
// begins it, the upload and a range download are kept in it, Disconnect asks "Before you
// leave" naming the value not kept, and the report names the change without a password.
#include <gtest/gtest.h>

#include <ctime>

#include "live_window.h"
#include "records/recorder.h"
#include "visits/program_visits.h"
#include "visits/history.h"
#include "visits/report.h"
#include "visits/visit_keeping.h"

using namespace kdtest;

namespace {

TEST(VisitWindow, AValueNotKeptIsNamedBeforeLeavingAndInTheReport) {
    LiveWindow rig({QStringLiteral("--no-pacing"), QStringLiteral("--keep-old"), QStringLiteral("AT+HOMENUM=")});
    kd::records::Recorder recorder(*rig.program, rig.dir / "records.sqlite");
    kd::visits::ProgramVisits visits(
        *rig.program, {"tech", "laptop", "test", "window"}, [&recorder](const kd::visits::Visit& v) { recorder.keepVisit(v); },
        [] { return static_cast<int64_t>(std::time(nullptr)); });
    kd::visits::NoteDownloads(visits, recorder);
    kd::Mainform& f = rig.form();
    ASSERT_TRUE(rig.connectAndLoad()) << f.TXText.text();
    ASSERT_NE(visits.recorder().open(), nullptr);

    rig.typeInto("ModemParm(14)", QStringLiteral("0831234000"));
    rig.click("Uploadbutton");
    ASSERT_TRUE(PumpUntil([&] { return !rig.messages.empty(); }, kPatienceMs)) << f.TXText.text();

    bool downloaded = false;
    kd::records::DownloadEvents events;
    events.finished = [&](const kd::records::DownloadSummary&) { downloaded = true; };
    std::string why;
    ASSERT_TRUE(recorder.startDownload({0, 3}, std::move(events), &why)) << why;
    ASSERT_TRUE(PumpUntil([&] { return downloaded; }, kPatienceMs));

    // Disconnect asks first; "Stay" keeps the logger connected.
    rig.messages.clear();
    rig.dialogs.choice = "Stay";
    rig.click("ConnectButton");
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].rfind("Before you leave this logger:", 0), 0u) << rig.messages[0];
    EXPECT_NE(rig.messages[0].find("Home No: sent 0831234000, the logger kept 27831234567"), std::string::npos)
        << rig.messages[0];
    EXPECT_EQ(f.ConnectButton.caption(), "Disconnect");

    const kd::visits::Visit* visit = visits.recorder().open();
    ASSERT_NE(visit, nullptr);
    const std::string html = kd::visits::ReportHtml({visit, nullptr, ""});
    EXPECT_NE(html.find("<td>Home No</td><td>0831234000</td><td>27831234567</td><td><span class=\"no\">not kept"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("Records 0-3"), std::string::npos);
    // The simulator's password is also its user name, so the row is what shows it is hidden.
    EXPECT_NE(html.find("<td>APN Password:</td><td>" + std::string(kd::visits::kPasswordDots) + "</td>"), std::string::npos);
    EXPECT_EQ(html.find("sha256"), std::string::npos);

    // "Leave anyway" disconnects; the visit is kept in the archive with what it left behind.
    rig.dialogs.choice = "Leave anyway";
    rig.click("ConnectButton");
    EXPECT_EQ(f.ConnectButton.caption(), "Connect");
    EXPECT_TRUE(recorder.flush(std::chrono::seconds(10)));
}

}  // namespace
