// Records figures, in one run:
//  1. a download of RECORDS (1000) records in the real window (Tools > Download Records..., the
//     dialog's Download button) from the simulated logger paced at 9600 baud on a
//     pseudo-terminal, against an ideal client fetching the same records before and after
//     (raw reads and writes, each request written the moment the answer before it has its line
//     feed): elapsed times and their ratio;
//  2. the program's resident memory (now and peak) when 100 and when all records are done;
//  3. the archive's size per record once the program has closed it;
//  4. the time to export EXPORT (100 000) archived records as CSV;
//  5. the same download again with EXPORT records of the logger archived and exports and chart
//     readings of them running one after another beside it: its ratio to the ideal client;
//  6. View > Records Chart at each of CHART (10000,100000) archived records, each in a process
//     of its own (records_bench --chart N): time until drawn, the event loop's longest wait
//     meanwhile, and the growth of resident memory.
// Run it under a display (bench/run_records_bench uses a virtual X server).
// LOCKED=1 holds a write lock on the archive from another connection during the download.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QLineSeries>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/program.h"
#include "app/startup.h"
#include "link/com_mapping.h"
#include "link/coms_box.h"
#include "platform/qt_app_platform.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_timer_driver.h"
#include "records/csv.h"
#include "records/recorder.h"
#include "simulator.h"
#include "ui/download_dialog.h"
#include "ui/main_window.h"
#include "ui/records_chart.h"
#include "ui/records_view.h"
#include "event_client.h"
#include "quiet_platform.h"

namespace {

long StatusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::string(key).size()));
    return -1;
}


int Env(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

// Archives `count` records of the logger (log numbers from `first` on, as downloads would leave
// them) in a child process, so none of the filling's memory is counted as the program's.
bool FillArchive(const std::filesystem::path& path, const std::string& device, int first, int count) {
    const pid_t child = ::fork();
    if (child == 0) {
        auto archive = kd::records::Archive::open(path, nullptr);
        if (!archive) ::_exit(1);
        kdsim::LoggerState s;
        s.deviceId = device;
        std::vector<kd::records::ArchivedRecord> batch;
        for (int i = first; i < first + count; ++i) {
            std::string line = kdsim::formatRecordLine(kdsim::makeRecord(s, i));
            line.pop_back();  // as the receive side stores it: CR kept, LF gone
            batch.push_back(*kd::records::DecodeRecord(line, i % 4096, "2026-12-10T03:00:00"));
            if (batch.size() == 10000 || i == first + count - 1) {
                if (archive->add(batch, nullptr) < 0) ::_exit(1);
                batch.clear();
            }
        }
        archive.reset();
        ::_exit(0);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The event loop's longest wait for a 5 ms timer while it runs.
struct LoopWatch {
    QTimer timer;
    QElapsedTimer since;
    double longest = 0;
    LoopWatch() {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            longest = std::max(longest, Ms(since) - 5);
            since.start();
        });
    }
    void start() {
        longest = 0;
        since.start();
        timer.start();
    }
};

double CpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e6 + u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// View > Records Chart over `count` archived records of one logger, in the real window.
int ChartFigures(int count) {
    const auto dir = BenchSettingsDir("kd-chart-bench-", "/dev/null");
    const auto archivePath = dir / "records.sqlite";
    if (!FillArchive(archivePath, "10003", 0, count)) { std::fprintf(stderr, "could not fill the archive\n"); return 1; }
    kd::IniFile ini(dir / "ORVIKAS.ini");
    kd::QtSerialPort port([&](int n) { return kd::ComDevice(n, &ini); });
    kd::QtTimerDriver timers;
    QuietDialogs dialogs;
    NoExit exit;
    kd::QtClock clock;
    kd::Program p(kd::Platform{port, ini, dialogs, exit, clock, timers});
    kd::MainWindow window(p.form);
    kd::records::Recorder recorder(p, archivePath);
    kd::RecordsView view(window, p, recorder);
    kd::Form_Load(p);
    window.show();
    p.form.ModemParm(0).setText("10003");
    for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
    std::error_code ec;
    const long rssBefore = StatusKb("VmRSS:"), hwmBefore = StatusKb("VmHWM:");

    LoopWatch watch;
    bool drawn = false;
    QElapsedTimer t;
    const double cpuBefore = CpuMs();
    t.start();
    watch.start();
    view.chartAction()->trigger();
    const double shown = Ms(t);
    // The records are read on another thread: drawn comes in a later pass of the loop.
    QObject::connect(view.chart(), &kd::RecordsChart::drawn, [&] { drawn = true; });
    while (view.chart()->loading() || !drawn) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();  // painted
    const double ms = Ms(t), cpu = CpuMs() - cpuBefore;
    const long rssAfter = StatusKb("VmRSS:"), hwmAfter = StatusKb("VmHWM:");
    int points = 0;
    for (int s = 0; s < 6; ++s)
        if (auto* series = view.chart()->series(QStringLiteral("Moisture %1").arg(s + 1))) points += series->count();
    std::printf("chart of %d archived records: window up in %.1f ms, drawn in %.1f ms (CPU time of all threads %.1f ms), event loop's longest wait %.1f ms; "
                "resident memory %ld -> %ld kB (%+ld kB), peak %ld -> %ld kB (%+ld kB over the resident before); "
                "%d moisture points drawn of %zu records\n",
                count, shown, ms, cpu, watch.longest, rssBefore, rssAfter, rssAfter - rssBefore, hwmBefore, hwmAfter,
                hwmAfter - rssBefore, points, view.chart()->rows().size());
    std::filesystem::remove_all(dir, ec);
    std::fflush(stdout);
    std::_Exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--chart") return ChartFigures(std::atoi(argv[2]));
    const int kRecords = Env("RECORDS", 1000);
    const int kExport = Env("EXPORT", 100000);
    std::printf("machine: load %s", [] {
        std::ifstream f("/proc/loadavg");
        std::string s;
        std::getline(f, s);
        return s;
    }().c_str());
    std::printf("\n");

    kdsim::Options o;
    o.records = kRecords + 10;
    o.keepTranscript = false;
    kdsim::Simulator sim;
    if (!sim.start(o)) { std::fprintf(stderr, "%s\n", sim.error().c_str()); return 1; }
    const auto dir = BenchSettingsDir("kd-records-bench-", sim.devicePath());

    const double idealBefore = IdealEventClient(sim.devicePath(), kRecords);

    kd::IniFile ini(dir / "ORVIKAS.ini");
    kd::QtSerialPort port([&](int n) { return kd::ComDevice(n, &ini); });
    kd::QtTimerDriver timers;
    QuietDialogs dialogs;
    NoExit exit;
    kd::QtClock clock;
    kd::Program p(kd::Platform{port, ini, dialogs, exit, clock, timers});
    kd::MainWindow window(p.form);
    window.setViewHold([&port] { return port.answerDueWithin(kd::QtSerialPort::kAnswerWindow); });  // as main() does
    const auto archivePath = dir / "records.sqlite";
    auto recorder = std::make_unique<kd::records::Recorder>(p, archivePath);
    auto* view = new kd::RecordsView(window, p, *recorder);
    kd::Form_Load(p);
    window.show();
    auto* connect = qobject_cast<QAbstractButton*>(window.findControl("ConnectButton"));
    connect->click();
    while (!sim.attached()) QApplication::processEvents(QEventLoop::AllEvents, 5);
    window.syncView();

    view->downloadAction()->trigger();
    kd::DownloadDialog* dialog = view->downloadDialog();
    dialog->fromBox()->setText("0");
    dialog->toBox()->setText(QString::number(kRecords - 1));
    long rss100 = -1, hwm100 = -1;
    int received = 0;
    // Memory is read in a later loop pass, never in the answer's handler.
    p.onReplyLine = [&](const std::string& line) {
        if (line.rfind("@LOAD", 0) == 0 && ++received == 100)
            QMetaObject::invokeMethod(&window, [&] { rss100 = StatusKb("VmRSS:"); hwm100 = StatusKb("VmHWM:"); },
                                      Qt::QueuedConnection);
    };
    // LOCKED=1: another program holds a write lock on the archive for the whole download.
    sqlite3* other = nullptr;
    if (Env("LOCKED", 0)) {
        if (!recorder->archive() || sqlite3_open(archivePath.c_str(), &other) != SQLITE_OK ||
            sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "could not lock the archive\n");
            return 1;
        }
        std::printf("the archive is locked by another connection for the whole download\n");
    }
    QElapsedTimer t;
    t.start();
    dialog->downloadButton()->click();
    while (dialog->running()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (t.elapsed() > 600000 || dialogs.messages) { std::fprintf(stderr, "download did not finish\n"); return 1; }
    }
    const double elapsed = Ms(t);
    if (other) {
        std::printf("records not archived at the end of the download: %zu\n", recorder->pending());
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }
    QApplication::processEvents();
    const long rssAll = StatusKb("VmRSS:"), hwmAll = StatusKb("VmHWM:");
    p.onReplyLine = nullptr;
    connect->click();  // disconnect: the device is the ideal client's again
    while (sim.attached()) QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double idealAfter = IdealEventClient(sim.devicePath(), kRecords);

    // The same download again, with exports and chart readings of the logger's kExport older
    // records one after another beside it.
    double besideMs = -1;
    int exports = 0, charts = 0;
    if (FillArchive(archivePath, "12345", kRecords + 10, kExport)) {
        connect->click();
        while (!sim.attached()) QApplication::processEvents(QEventLoop::AllEvents, 5);
        window.syncView();
        // BESIDE=export or chart: only that one, again and again.
        const QString beside = qEnvironmentVariable("BESIDE", QStringLiteral("both"));
        bool exportNext = beside != QStringLiteral("chart");
        auto besideOnce = [&] {
            if (!dialog->running()) return;
            const bool next = beside == QStringLiteral("both") ? !exportNext : exportNext;
            if (exportNext) {
                view->exportTo(QString::fromStdString((dir / "beside.csv").string()));
            } else {
                view->openChart();
            }
            exportNext = next;
        };
        QObject::connect(view, &kd::RecordsView::exportFinished, &window, [&](bool) { ++exports; QTimer::singleShot(0, &window, besideOnce); });
        QObject::connect(view, &kd::RecordsView::chartRead, &window, [&] { ++charts; QTimer::singleShot(0, &window, besideOnce); });
        dialog->fromBox()->setText("0");
        dialog->toBox()->setText(QString::number(kRecords - 1));
        t.start();
        dialog->downloadButton()->click();
        besideOnce();
        while (dialog->running()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            if (t.elapsed() > 600000 || dialogs.messages) { std::fprintf(stderr, "download did not finish\n"); return 1; }
        }
        besideMs = Ms(t);
        while (view->exporting() || (view->chart() && view->chart()->loading())) QApplication::processEvents(QEventLoop::AllEvents, 10);
        connect->click();
        while (sim.attached()) QApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    recorder->flush(std::chrono::seconds(20));
    const long long rows = recorder->archive() ? recorder->archive()->count() - (besideMs >= 0 ? kExport : 0) : -1;
    delete view;
    recorder.reset();  // closing the archive folds its WAL into the file
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(archivePath, ec);
    if (idealBefore <= 0 || idealAfter <= 0 || rows != kRecords) {
        std::fprintf(stderr, "ideal client failed or records missing (%lld archived)\n", rows);
        return 1;
    }
    const double ideal = (idealBefore + idealAfter) / 2;
    std::printf("download of %d records in the window: program %.1f ms, ideal client %.1f ms (%.1f / %.1f), ratio %.4f\n",
                kRecords, elapsed, ideal, idealBefore, idealAfter, elapsed / ideal);
    if (besideMs >= 0)
        std::printf("the same download with %d exports and %d chart readings of %d archived records beside it: %.1f ms, "
                    "ratio %.4f\n", exports, charts, kExport + kRecords, besideMs, besideMs / ideal);
    std::printf("resident memory: at 100 records %ld kB (peak %ld kB), at %d records %ld kB (peak %ld kB), growth %+ld kB\n",
                rss100, hwm100, kRecords, rssAll, hwmAll, hwmAll - hwm100);
    std::printf("archive: %llu bytes for %lld records, %.1f bytes per record\n", static_cast<unsigned long long>(bytes),
                rows, static_cast<double>(bytes) / static_cast<double>(rows));

    // Export: an archive of kExport records of 10 loggers, as downloads would leave it.
    {
        auto archive = kd::records::Archive::open(dir / "big.sqlite", nullptr);
        std::vector<kd::records::ArchivedRecord> batch;
        for (int i = 0; i < kExport; ++i) {
            kdsim::LoggerState s;
            s.deviceId = std::to_string(10000 + i % 10);
            std::string line = kdsim::formatRecordLine(kdsim::makeRecord(s, i / 10));
            line.pop_back();  // as the receive side stores it: CR kept, LF gone
            batch.push_back(*kd::records::DecodeRecord(line, (i / 10) % 4096, "2026-12-10T03:00:00"));
            if (batch.size() == 10000) {
                archive->add(batch, nullptr);
                batch.clear();
            }
        }
        archive->add(batch, nullptr);
        QElapsedTimer e;
        e.start();
        const auto result = kd::records::ExportCsvFile(*archive, std::nullopt, dir / "all.csv");
        const double ms = Ms(e);
        std::printf("export of %lld archived records (all loggers): %.1f ms, %llu bytes of CSV\n", result.rows, ms,
                    static_cast<unsigned long long>(std::filesystem::file_size(dir / "all.csv", ec)));
        e.start();
        const auto one = kd::records::ExportCsvFile(*archive, std::string("10003"), dir / "one.csv");
        std::printf("export of one logger's %lld records: %.1f ms\n", one.rows, Ms(e));
    }
    // The chart, each size in a fresh process: its memory is then the chart's alone.
    const QString chartSizes = qEnvironmentVariable("CHART", QStringLiteral("10000,100000"));
    for (const QString& n : chartSizes.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--chart"), n});
        child.waitForFinished(600000);
    }
    std::printf("load after: %s\n", [] {
        std::ifstream f("/proc/loadavg");
        std::string s;
        std::getline(f, s);
        return s;
    }().c_str());
    std::filesystem::remove_all(dir, ec);
    std::fflush(stdout);
    std::_Exit(0);
}
