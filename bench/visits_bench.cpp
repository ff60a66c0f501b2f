// Visits at the scale a team reaches: an archive with VISITS (1000) visits of one logger (each
// with the values of a hub's read and a few actions) and a year of its records beside them.
// Prints the time View > Logger History takes to be shown with them, and the time of the
// visit report as HTML and as PDF. Run under a display or QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QElapsedTimer>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "app/platform.h"
#include "platform/report_file.h"
#include "records/archive.h"
#include "ui/logger_history.h"
#include "visits/report.h"
#include "visits/visit_store.h"

namespace {

class NoDialogs final : public kd::Dialogs {
public:
    kd::MsgAnswer messageBox(const std::string&, const std::string&, kd::MsgIcon, kd::MsgButtons,
                             const std::string&) override {
        return kd::MsgAnswer::Ok;
    }
    void runComsBox(kd::ComsBox&) override {}
};

kd::visits::Visit Sample(int i) {
    kd::visits::Visit v;
    v.uuid = kd::visits::NewUuid();
    v.deviceId = "12345";
    v.model = "KELDAMAR HUB";
    v.started = 1700000000 + static_cast<int64_t>(i) * 86400 * 3;
    v.ended = v.started + 1800;
    v.user = "tech";
    v.host = "laptop";
    v.face = "window";
    for (int k = 0; k < 60; ++k)
        v.found.push_back({"key_" + std::to_string(k), "Caption " + std::to_string(k) + ":", std::to_string(i * k), ""});
    v.found.push_back({"battery_volts", "Battery Volts:", std::to_string(3.6 + (i % 10) / 100.0), ""});
    v.found.push_back({"watchdog", "WatchDog:", std::to_string(i % 7), ""});
    v.clockFound = -(i % 300);
    for (int a = 0; a < 5; ++a)
        v.actions.push_back({v.started + a, kd::visits::ActionKind::ValueSent, "Log Interval", "15", "15", true, 0, 0});
    return v;
}

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int count = std::getenv("VISITS") ? std::atoi(std::getenv("VISITS")) : 1000;
    QTemporaryDir dir;
    const std::filesystem::path path = dir.filePath(QStringLiteral("records.sqlite")).toStdString();
    std::string error;
    {
        auto archive = kd::records::Archive::open(path, &error);
        if (!archive) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::vector<kd::records::ArchivedRecord> year;
        for (int n = 0; n < 35040; ++n) {  // a record every 15 minutes
            kd::records::ArchivedRecord r;
            r.deviceId = "12345";
            r.logNumber = n % 4096;
            r.raw = "@LOAD " + std::to_string(n);
            r.fetchedAt = "2026-01-01T00:00:00";
            year.push_back(std::move(r));
        }
        archive->add(year, &error);
        for (int i = 0; i < count; ++i) {
            kd::visits::Visit v = Sample(i);
            archive->saveVisit(v, &error);
        }
    }
    NoDialogs dialogs;
    QElapsedTimer t;
    t.start();
    kd::LoggerHistory history(path, dialogs);
    history.reload(std::string("12345"));
    history.show();
    QApplication::processEvents();
    const double openMs = Ms(t);
    std::printf("Logger History with %d visits: shown in %.1f ms (%d visits listed)\n", count, openMs,
                history.visitsTable()->rowCount());

    const std::vector<kd::visits::Visit>& visits = history.shownVisits();
    t.restart();
    const std::string html = kd::visits::ReportHtml({&visits.at(0), &visits.at(1), ""});
    const std::filesystem::path htmlFile = dir.filePath(QStringLiteral("r.html")).toStdString();
    kd::WriteReportFile(htmlFile, html);
    std::printf("visit report as HTML: %.1f ms\n", Ms(t));
    t.restart();
    const std::string written = kd::WriteReportFile(dir.filePath(QStringLiteral("r.pdf")).toStdString(), html);
    std::printf("visit report as PDF: %.1f ms%s\n", Ms(t), written.empty() ? "" : (" (" + written + ")").c_str());
    // --show: leaves the window up, for a look at it.
    if (argc > 1 && std::string(argv[1]) == "--show") {
        history.visitsTable()->selectRow(0);
        return QApplication::exec();
    }
    return 0;
}
