// A technician's range download in the real window against a keldamar-sim process: the
// Download Records dialog, the archive it fills, the CSV export and the chart.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QLineSeries>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>

#include "cli.h"
#include "live_window.h"
#include "records/csv.h"
#include "records/recorder.h"
#include "ui/download_dialog.h"
#include "ui/records_chart.h"
#include "ui/records_view.h"
#include "ui/ui_support.h"

using namespace kdtest;
using kd::FromBytes;

namespace {

// The CSV line the simulator's record in that slot must give, worked out from its raw values.
std::string ExpectedRow(const kdsim::LogRecord& r, int slot) {
    auto number = [](double v, int decimals) {
        char b[32];
        std::snprintf(b, sizeof b, "%.*f", decimals, v);
        return std::string(b);
    };
    const std::string& s = r.stamp;  // YYMMDDhhmm
    std::string row = r.deviceId + "," + std::to_string(slot) + ",20" + s.substr(0, 2) + "-" + s.substr(2, 2) + "-" +
                      s.substr(4, 2) + "," + s.substr(6, 2) + ":" + s.substr(8, 2);
    for (auto w : r.moisture) row += "," + (w ? number(100.0 - w / 327.67, 4) : "");
    for (auto t : r.temperature) row += "," + (t ? number(t / 5.0, 1) : "");
    return row + "," + std::to_string(r.rssi);
}

TEST(RecordsWindow, ARangeOf50DownloadedInTheDialogIsArchivedAndExportedAsTheLoggerHoldsIt) {
    const QStringList args = {"--records", "60", "--log-pointer", "20"};
    LiveWindow rig(args);
    auto recorder = std::make_unique<kd::records::Recorder>(*rig.program, rig.dir / "data" / "records.sqlite");
    auto* view = new kd::RecordsView(*rig.window, *rig.program, *recorder);
    ASSERT_TRUE(rig.connectAndLoad());

    // Tools > Download Records...: the unread records of the read are offered.
    view->downloadAction()->trigger();
    kd::DownloadDialog* dialog = view->downloadDialog();
    ASSERT_TRUE(dialog && dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), "Download Records");
    EXPECT_EQ(dialog->fromBox()->text(), "4056");
    EXPECT_EQ(dialog->toBox()->text(), "19");
    dialog->fromBox()->selectAll();
    QTest::keyClicks(dialog->fromBox(), "4066");  // 4066..4095 and 0..19: 50 records
    QTest::mouseClick(dialog->downloadButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->cancelButton()->text(), "Cancel");
    EXPECT_FALSE(rig.w<QAbstractButton>("LoadSettings")->isEnabled());
    ASSERT_TRUE(PumpUntil([&] { return dialog->cancelButton()->text() == "Close"; }, kPatienceMs));
    EXPECT_TRUE(rig.w<QAbstractButton>("LoadSettings")->isEnabled());
    EXPECT_TRUE(rig.messages.empty());

    // The newest record of the read was record 19 too: one row for it.
    EXPECT_TRUE(recorder->flush(std::chrono::seconds(20)));
    ASSERT_TRUE(recorder->archive());
    EXPECT_EQ(recorder->archive()->count(), 50);

    // File > Export Records... offers a file in the home folder named after the logger shown.
    const auto file = rig.dir / "out.csv";
    bool exported = false;
    QObject::connect(view, &kd::RecordsView::exportFinished, [&](bool ok) { exported = ok; });
    rig.dialogs.saveFile = file.string();
    view->exportAction()->trigger();
    ASSERT_EQ(rig.dialogs.fileDialogs.size(), 1u);
    const QString offered = QDir::home().filePath(QStringLiteral("records-%1.csv").arg(FromBytes(rig.form().ModemParm(0).text())));
    EXPECT_EQ(rig.dialogs.fileDialogs[0], "file Export Records " + offered.toStdString());
    EXPECT_FALSE(view->exportAction()->isEnabled());  // one export at a time
    ASSERT_TRUE(PumpUntil([&] { return !view->exporting(); }, 10000));
    EXPECT_TRUE(exported);
    EXPECT_TRUE(view->exportAction()->isEnabled());
    EXPECT_EQ(rig.form().StatusBox(0).text(), "50 records written to " + file.string());
    std::ifstream in(file, std::ios::binary);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, std::string(kd::records::kCsvHeader) + "\r");
    std::vector<std::string> argv;
    for (const QString& a : args) argv.push_back(a.toStdString());
    const kdsim::LoggerState held = *kdsim::parseCommandLine(argv).config.options.state;
    for (int i = 0; i < 50; ++i) {
        const int slot = (4066 + i) % 4096;
        ASSERT_TRUE(std::getline(in, line)) << i;
        EXPECT_EQ(line, ExpectedRow(held.records.at(slot), slot) + "\r") << slot;
    }
    EXPECT_FALSE(std::getline(in, line));

    // View > Records Chart: every sensor that has values, over the 50 records.
    view->chartAction()->trigger();
    ASSERT_TRUE(view->chart() && view->chart()->isVisible());
    ASSERT_TRUE(PumpUntil([&] { return !view->chart()->loading(); }, 10000));
    view->chart()->redraw();
    EXPECT_EQ(view->chart()->windowTitle(), "Records Chart");
    EXPECT_EQ(view->chart()->seriesCount(), 12);
    ASSERT_TRUE(view->chart()->series("Moisture 1"));
    EXPECT_EQ(view->chart()->series("Moisture 1")->count(), 50);
    // "Save Image...": the name chosen gets its .png; a file that cannot be written is said so.
    auto* saveImage = view->chart()->findChild<QPushButton*>(QStringLiteral("SaveImage"));
    rig.dialogs.saveFile = (rig.dir / "chart").string();
    QTest::mouseClick(saveImage, Qt::LeftButton);
    EXPECT_TRUE(std::filesystem::is_regular_file(rig.dir / "chart.png"));
    EXPECT_EQ(rig.dialogs.fileDialogs.back(), "file Save Image records-chart.png");
    EXPECT_TRUE(rig.messages.empty());
    rig.dialogs.saveFile = (rig.dir / "no-such-folder" / "chart.png").string();
    QTest::mouseClick(saveImage, Qt::LeftButton);
    EXPECT_EQ(rig.messages, std::vector<std::string>{"Could not write " + rig.dialogs.saveFile + "."});

    // KELDAMAR_E2E_SHOW=SECONDS keeps the windows up to be looked at.
    if (const char* show = std::getenv("KELDAMAR_E2E_SHOW")) {
        dialog->show();
        dialog->move(rig.window->geometry().right() - 380, rig.window->y() + 60);
        view->chart()->move(rig.window->x() + 40, rig.window->geometry().bottom() - 200);
        PumpUntil([] { return false; }, std::atoi(show) * 1000);
    }
    delete view;
    recorder.reset();
}

}  // namespace
