// The records views on a program with fakes: the chart follows the archive (each record once,
// in time order, reduced to the plot's width and re-reduced on zoom), and a screen reader hears
// the download dialog's status texts and finds the chart as a window.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QChart>
#include <QDateTimeAxis>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>

#include "records/archive.h"
#include "records/recorder.h"
#include "ui/download_dialog.h"
#include "ui/records_chart.h"
#include "ui/records_view.h"
#include "view_rig.h"

using namespace kdtest;
using kd::records::ArchivedRecord;

namespace {

bool Pump(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

ArchivedRecord Record(int n, const std::string& device = "12345") {
    ArchivedRecord r;
    r.deviceId = device;
    r.logNumber = n % 4096;
    const int minutes = n * 15;
    char at[32];
    std::snprintf(at, sizeof at, "2026-%02d-%02dT%02d:%02d:00", 1 + minutes / (60 * 24 * 28), 1 + minutes / (60 * 24) % 28,
                  minutes / 60 % 24, minutes % 60);
    r.recordedAt = at;
    r.moisture[0] = 30 + n % 17;
    r.temperature[0] = 10 + n % 5;
    r.raw = "@LOAD " + device + "," + std::to_string(n) + "\r";
    r.fetchedAt = "2026-12-10T03:00:00";
    return r;
}

std::vector<ArchivedRecord> Records(int from, int to, const std::string& device = "12345") {
    std::vector<ArchivedRecord> out;
    for (int n = from; n < to; ++n) out.push_back(Record(n, device));
    return out;
}

struct ChartRig : ViewRig {
    std::filesystem::path path = std::filesystem::path(dir.path().toStdString()) / "records.sqlite";
    kd::records::Recorder recorder{program, path};
    kd::RecordsView view{window, program, recorder};
    std::unique_ptr<kd::records::Archive> other = kd::records::Archive::open(path, nullptr);

    // Records written as the recorder writes a batch, and reported as it does.
    void archive(const std::vector<ArchivedRecord>& batch) {
        ASSERT_GE(other->add(batch, nullptr), 0);
        if (recorder.onArchived) recorder.onArchived(batch);
    }
    kd::RecordsChart* open() {
        view.openChart();
        kd::RecordsChart* chart = view.chart();
        EXPECT_TRUE(Pump([&] { return !chart->loading(); }));
        chart->redraw();
        return chart;
    }
};

std::vector<double> Xs(QLineSeries* s) {
    std::vector<double> xs;
    for (const QPointF& p : s->points()) xs.push_back(p.x());
    return xs;
}

TEST(RecordsChartView, RecordsDownloadedAgainWhileTheChartIsOpenAreDrawnOnceInTimeOrder) {
    ChartRig rig;
    rig.archive(Records(100, 130));
    rig.archive(Records(0, 50, "777"));  // another logger's
    rig.form.ModemParm(0).setText("12345");
    kd::RecordsChart* chart = rig.open();
    ASSERT_TRUE(chart->series("Moisture 1"));
    EXPECT_EQ(chart->series("Moisture 1")->count(), 30);

    // The same 30 downloaded again, and 5 older ones fetched since.
    auto again = Records(100, 130);
    for (auto& r : Records(90, 95)) again.push_back(r);
    rig.archive(again);
    ASSERT_TRUE(Pump([&] { return chart->rows().size() == 35; }));
    ASSERT_TRUE(Pump([&] { return chart->series("Moisture 1")->count() == 35; }));
    const auto xs = Xs(chart->series("Moisture 1"));
    EXPECT_TRUE(std::is_sorted(xs.begin(), xs.end()));
    EXPECT_EQ(std::adjacent_find(xs.begin(), xs.end()), xs.end());
    EXPECT_EQ(chart->series("Temperature 1")->count(), 35);
    EXPECT_EQ(chart->seriesCount(), 2);

    // File > New: the chart opened again shows every logger's.
    rig.form.NewButton.click();
    chart = rig.open();
    EXPECT_EQ(chart->series("Moisture 1")->count(), 85);
    EXPECT_EQ(chart->chart()->title(), "Records of all loggers");
}

TEST(RecordsChartView, AChartOfManyRecordsDrawsWhatItsWidthShowsAndTheWholeOfAZoomedSpan) {
    ChartRig rig;
    rig.archive(Records(0, 20000));
    rig.form.ModemParm(0).setText("12345");
    kd::RecordsChart* chart = rig.open();
    QLineSeries* m = chart->series("Moisture 1");
    ASSERT_TRUE(m);
    const int width = static_cast<int>(chart->chart()->plotArea().width());
    ASSERT_GT(width, 100);
    EXPECT_LE(m->count(), 2 * width + 2);
    EXPECT_EQ(chart->rows().size(), 20000u);
    // Every value from the lowest to the highest is still drawn.
    double lo = 1e9, hi = -1e9;
    for (const QPointF& p : m->points()) lo = std::min(lo, p.y()), hi = std::max(hi, p.y());
    EXPECT_EQ(lo, 30);
    EXPECT_EQ(hi, 46);

    // A rubber band over about 100 records shows each of them.
    QChart* c = chart->chart();
    const double from = chart->rows().time[5000], to = chart->rows().time[5099];
    const QPointF a = c->mapToPosition(QPointF(from, 40), m), b = c->mapToPosition(QPointF(to, 40), m);
    c->zoomIn(QRectF(a.x(), c->plotArea().top(), b.x() - a.x(), c->plotArea().height()));
    ASSERT_TRUE(Pump([&] { return m->count() < 200; }));
    EXPECT_NEAR(m->count(), 102, 3);  // and one beyond each edge
    const auto xs = Xs(m);
    for (size_t i = 1; i < xs.size(); ++i) EXPECT_EQ(xs[i] - xs[i - 1], 15 * 60000.0) << i;
    chart->resetButton()->click();
    ASSERT_TRUE(Pump([&] { return m->count() > 200; }));
    EXPECT_LE(m->count(), 2 * width + 2);
}

// What a screen reader is told of a widget. A label whose name is its text has Qt announce each
// change of it (the accessibility bus itself is not there on the offscreen platform).
QString Name(QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); }

TEST(RecordsAccessibility, TheDownloadStatusIsHeardAsItReadsAndTheChartIsAWindow) {
    ChartRig rig;

    std::deque<std::string> answers;
    rig.port.onCommand = [&](const std::string& c) {
        if (c == "AT+EVENT=8") answers.push_back("@LOAD 12345,1203151407,105000000000000000000000,570000000000,0000000017\r\n");
    };
    rig.form.ConnectButton.click();
    rig.view.openDownload();
    kd::DownloadDialog* dialog = rig.view.downloadDialog();
    auto* message = dialog->findChild<QLabel*>("DownloadMessage");
    auto* missing = dialog->findChild<QLabel*>("NotReceived");
    auto* rate = dialog->findChild<QLabel*>("DownloadRate");
    EXPECT_EQ(Name(message), "No unread records known: enter the log numbers.");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(message)->text(QAccessible::Description), "Download status");

    dialog->fromBox()->setText("7");
    dialog->toBox()->setText("8");
    dialog->downloadButton()->click();
    for (int i = 0; i < 600 && dialog->running(); ++i) {
        while (!answers.empty()) {
            const std::string s = answers.front();
            answers.pop_front();
            rig.port.receive(s);
        }
        rig.clock.advance(100);
        QApplication::processEvents();
    }
    ASSERT_TRUE(Pump([&] { return message->text().endsWith("records received."); }));
    for (QLabel* label : {message, missing, rate}) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_FALSE(label->text().isEmpty());
        EXPECT_EQ(Name(label), label->text());
    }
    EXPECT_EQ(missing->text(), "Not received: 7");
    EXPECT_EQ(message->text(), "1 of 2 records received.");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(missing)->text(QAccessible::Description), "Records not received");

    kd::RecordsChart* chart = rig.open();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(chart);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), "Records Chart");
}

}  // namespace
