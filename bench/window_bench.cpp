// The program as the user has it: the same objects as the program's main() (settings file,
// QSerialPort adapter, Qt timers and dialogs, the real main window, shown), driven through the
// window's own widgets. Run by bench/run_window_turnaround with a logger on a pseudo-terminal.
//
//   window_bench read RUNS       clicks "Connect", then "Load Settings" RUNS times, each when
//                                the read before has ended and the window has caught up
//   window_bench listen SECONDS  clicks "Connect" and listens; reports the CPU time used and
//                                the resident memory (after a minute, or half the run if shorter)
//   window_bench listen-clicking SECONDS   the same, and clicks "Clear" through the window's
//                                event queue every 250 ms: how long each click waited
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/startup.h"
#include "link/com_mapping.h"
#include "platform/qt_app_platform.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_timer_driver.h"
#include "settings/ini_file.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

QAbstractButton* ButtonOf(kd::MainWindow& w, const char* name) {
    auto* b = qobject_cast<QAbstractButton*>(w.findControl(name));
    if (!b) {
        std::fprintf(stderr, "window_bench: no button %s\n", name);
        std::exit(1);
    }
    return b;
}

// A press and release at the button's centre, queued behind whatever the window has to do.
void QueueClick(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    const QPointF global = w->mapToGlobal(at);
    QCoreApplication::postEvent(w, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                   Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(w, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                   Qt::NoButton, Qt::NoModifier));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_bench read RUNS | listen SECONDS | listen-clicking SECONDS\n");
        return 2;
    }
    const std::string mode = argv[1];
    const double count = std::atof(argv[2]);

    kd::IniFile settings(kd::SettingsDirectory() / kd::kSettingsFileName);
    kd::QtSerialPort port([&settings](int number) { return kd::ComDevice(number, &settings); });
    kd::QtTimerDriver timers;
    kd::QtDialogs dialogs(&timers);
    kd::QtExit exit;
    kd::QtClock clock;
    kd::Program program(kd::Platform{port, settings, dialogs, exit, clock, timers});
    kd::MainWindow window(program.form);
    dialogs.setWindow(&window);
    window.setViewHold([&port] { return port.answerDueWithin(std::chrono::milliseconds{2}); });  // as main() does
    kd::Form_Load(program);
    if (program.ended) return 1;
    window.show();

    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        std::fprintf(stderr, "window_bench: gave up\n");
        std::_Exit(1);
    });
    QAbstractButton* connectButton = ButtonOf(window, "ConnectButton");
    QAbstractButton* loadButton = ButtonOf(window, "LoadSettings");
    QAbstractButton* clearButton = ButtonOf(window, "ClearButton");

    int runsLeft = static_cast<int>(count);
    QElapsedTimer runClock;
    std::vector<double> runMs;
    std::vector<double> clickMs;
    QElapsedTimer clickClock;
    bool clickQueued = false;
    double cpuStart = 0, wallStart = 0;
    long rssAtMinute = -1;
    QElapsedTimer wall;
    wall.start();

    auto startRun = [&] {
        runClock.start();
        loadButton->click();
    };
    program.onReplyLine = [&](const std::string& line) {
        if (mode != "read" || line.rfind("@LOAD", 0) != 0) return;
        runMs.push_back(static_cast<double>(runClock.nsecsElapsed()) / 1e6);
        if (--runsLeft > 0)
            QTimer::singleShot(150, loadButton, startRun);  // the window catches up meanwhile
        else
            QTimer::singleShot(150, &app, &QCoreApplication::quit);
    };

    QTimer probe;
    QObject::connect(clearButton, &QAbstractButton::clicked, [&] {
        if (!clickQueued) return;
        clickQueued = false;
        clickMs.push_back(static_cast<double>(clickClock.nsecsElapsed()) / 1e6);
    });
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (mode == "listen-clicking" && !clickQueued) {
            clickQueued = true;
            clickClock.start();
            QueueClick(clearButton);
        }
        const double t = static_cast<double>(wall.elapsed()) / 1000.0 - wallStart;
        if (rssAtMinute < 0 && t >= std::min(60.0, count / 2)) rssAtMinute = ResidentKb();
        if (t >= count) app.quit();
    });

    // Once the window is up: connect, then start.
    QTimer::singleShot(500, &window, [&] {
        connectButton->click();
        if (!port.isOpen()) {
            std::fprintf(stderr, "window_bench: port did not open\n");
            std::_Exit(1);
        }
        if (mode == "read") {
            guard.start(120'000);
            QTimer::singleShot(300, loadButton, startRun);
        } else {
            cpuStart = CpuSeconds();
            wallStart = static_cast<double>(wall.elapsed()) / 1000.0;
            probe.start(250);
        }
    });
    app.exec();

    if (mode == "read") {
        double sum = 0;
        for (double ms : runMs) sum += ms;
        std::printf("program_runs %zu\nprogram_run_mean_ms %.3f\n", runMs.size(), runMs.empty() ? 0 : sum / static_cast<double>(runMs.size()));
    } else {
        const double seconds = static_cast<double>(wall.elapsed()) / 1000.0 - wallStart;
        std::sort(clickMs.begin(), clickMs.end());
        std::printf("listen_seconds %.1f\ncpu_percent %.2f\nrss_kb_first %ld\nrss_kb_end %ld\n", seconds,
                    100.0 * (CpuSeconds() - cpuStart) / seconds, rssAtMinute, ResidentKb());
        if (!clickMs.empty())
            std::printf("clicks %zu\nclick_median_ms %.2f\nclick_max_ms %.2f\n", clickMs.size(),
                        clickMs[clickMs.size() / 2], clickMs.back());
    }
    std::fflush(stdout);
    std::_Exit(0);  // the port, timers and window go with the process
}
