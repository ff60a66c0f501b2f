// The window's lasting word on records not archived: there while records of this run wait for
// the archive, whatever the status line says meanwhile, and gone once they are written.
#include <gtest/gtest.h>

#include <QLabel>
#include <QStatusBar>

#include "records/recorder.h"
#include "ui/archive_indicator.h"
#include "view_rig.h"

using namespace kdtest;

namespace {

TEST(ArchiveIndicator, RecordsNotArchivedAreCountedAtTheFootOfTheWindowUntilWritten) {
    ViewRig rig;
    rig.window.show();
    const int height = rig.window.height();
    // A folder in the archive's place until the technician moves it away.
    const std::filesystem::path path = std::filesystem::path(rig.dir.path().toStdString()) / "records.sqlite";
    std::filesystem::create_directories(path);
    kd::records::Recorder recorder(rig.program, path);
    kd::ArchiveIndicator indicator(rig.window);
    recorder.onArchiveState = [&](const kd::records::ArchiveState& s) { indicator.show(kd::records::NotArchivedText(s)); };
    QLabel* label = rig.window.findChild<QLabel*>(QStringLiteral("RecordsNotArchived"));
    ASSERT_TRUE(label);
    EXPECT_FALSE(label->isVisible());
    EXPECT_EQ(rig.window.height(), height);

    rig.form.ConnectButton.click();
    for (const char* line : {"@LOAD 12345,1203151407,100700000000000000000000,570000000000,000000001700\r\n",
                             "@LOAD 12345,1203151408,100800000000000000000000,580000000000,000000001800\r\n"})
        rig.port.receive(line);
    EXPECT_FALSE(recorder.flush(std::chrono::milliseconds(200)));
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), QStringLiteral("Records not archived: 2"));
    EXPECT_EQ(label->accessibleName(), label->text());
    EXPECT_GT(rig.window.height(), height) << "the window makes room for it";
    // The next status message does not take it away.
    rig.form.StatusBox(0).setText("Settings loaded");
    rig.window.syncView();
    EXPECT_TRUE(label->isVisible());

    std::filesystem::remove(path);
    EXPECT_TRUE(recorder.flush(std::chrono::seconds(20)));
    EXPECT_FALSE(label->isVisible());
    EXPECT_EQ(rig.window.height(), height);
    recorder.onArchiveState = nullptr;
}

}  // namespace
