// Fetching 200 log records one after another, "Fetch Log" clicked again as soon as each
// record has been shown, in the real program with its real window on the screen, from the
// simulated hub paced at 9600 baud on a pseudo-terminal. The same 200 requests are made by an
// ideal client (raw reads and writes on the same device, nothing else) before and after; the
// ratio is the program's elapsed time over the ideal client's. Prints one line; run it under
// a display (bench/run_log_fetch_ratio uses xvfb-run).
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMetaObject>
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
#include "simulator.h"
#include "ui/main_window.h"
#include "event_client.h"
#include "quiet_platform.h"

namespace {

constexpr int kFetches = 200;


}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kdsim::Options o;
    o.model = kdsim::Model::Hub;
    o.records = kFetches + 10;
    o.keepTranscript = false;
    kdsim::Simulator sim;
    if (!sim.start(o)) { std::fprintf(stderr, "%s\n", sim.error().c_str()); return 1; }
    const auto dir = BenchSettingsDir("kd-bench-", sim.devicePath());

    const double idealBefore = IdealEventClient(sim.devicePath(), kFetches);

    kd::IniFile ini(dir / "ORVIKAS.ini");
    kd::QtSerialPort port([&](int n) { return kd::ComDevice(n, &ini); });
    kd::QtTimerDriver timers;
    QuietDialogs dialogs;
    NoExit exit;
    kd::QtClock clock;
    kd::Program p(kd::Platform{port, ini, dialogs, exit, clock, timers});
    kd::MainWindow window(p.form);
    kd::Form_Load(p);
    window.show();
    auto* connect = qobject_cast<QAbstractButton*>(window.findControl("ConnectButton"));
    auto* load = qobject_cast<QAbstractButton*>(window.findControl("LoadSettings"));
    auto* fetch = qobject_cast<QAbstractButton*>(window.findControl("FetchLog"));
    connect->click();
    while (!sim.attached()) QApplication::processEvents(QEventLoop::AllEvents, 5);
    // The window shows model changes in its next pass; a technician's click always comes
    // after it, so the buttons are clicked only once the window shows them enabled.
    window.syncView();
    // A read first, untimed: its newest record enables "Fetch Log" as for the technician.
    load->click();
    QElapsedTimer guard;
    guard.start();
    while (!(p.ReplyState == 0 && p.LogRecordCount == 1)) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (guard.elapsed() > 30000 || dialogs.messages) { std::fprintf(stderr, "read did not finish\n"); return 1; }
    }
    p.form.LogBox.setText("0");

    // Each record's line, once handled, posts the next click: it reaches the button as the
    // technician's click would, after the window has taken the record in.
    int received = 0;
    double elapsed = 0;
    QElapsedTimer t;
    p.onReplyLine = [&](const std::string& line) {
        if (line.rfind("@LOAD", 0) != 0) return;
        if (++received == kFetches) {
            QMetaObject::invokeMethod(fetch, [&] { elapsed = Ms(t); }, Qt::QueuedConnection);
            return;
        }
        QMetaObject::invokeMethod(fetch, [fetch] { fetch->click(); }, Qt::QueuedConnection);
    };
    window.syncView();
    t.start();
    fetch->click();
    while (elapsed == 0) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (t.elapsed() > 120000 || dialogs.messages) { std::fprintf(stderr, "fetching did not finish\n"); return 1; }
    }
    p.onReplyLine = nullptr;
    const int16_t stored = p.LogRecordCount;
    connect->click();  // disconnect: the device is the ideal client's again
    while (sim.attached()) QApplication::processEvents(QEventLoop::AllEvents, 5);

    const double idealAfter = IdealEventClient(sim.devicePath(), kFetches);
    if (idealBefore <= 0 || idealAfter <= 0 || stored != kFetches + 1) {
        std::fprintf(stderr, "ideal client failed or records missing (%d stored)\n", stored);
        return 1;
    }
    const double ideal = (idealBefore + idealAfter) / 2;
    std::printf("%d record fetches in the window: program %.1f ms, ideal client %.1f ms (%.1f / %.1f), ratio %.4f\n",
                kFetches, elapsed, ideal, idealBefore, idealAfter, elapsed / ideal);
    std::filesystem::remove_all(dir);
    return 0;
}
