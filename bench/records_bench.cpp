// Records figures, in one run:
//  1. a download of RECORDS (1000) records in the real window (Tools > Download Records..., the
//     dialog's Download button) from the simulated logger paced at 9600 baud on a
//     pseudo-terminal, against an ideal client fetching the same records before and after
//     (raw reads and writes, each request written the moment the answer before it has its line
//     feed): elapsed times and their ratio;
//  2. the program's resident memory (now and peak) when 100 and when all records are done;
//  3. the archive's size per record once the program has closed it;
//  4. the time to export EXPORT (100 000) archived records as CSV.
// LOCKED=1 holds a write lock on the archive from another connection during the download.
// Run it under a display (bench/run_records_bench uses a virtual X server).
#include <fcntl.h>
#include <sqlite3.h>
#include <termios.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
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

    recorder->flush(std::chrono::seconds(20));
    const long long rows = recorder->archive() ? recorder->archive()->count() : -1;
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
