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
//
// KELDAMAR_BENCH_NO_TRANSCRIPT=1: the traffic transcript is not kept, to see what keeping it costs.
// KELDAMAR_BENCH_NO_VISITS=1: no records archive and no visit record, to see what they cost.
// KELDAMAR_BENCH_TRACE=FILE (read): for each reply line, when it reached the core and what the
// main thread did since its event loop last went to wait: CPU time used, and time spent ready
// but waiting for a core. A late receive with the CPU time in the program is the program's; one
// with the time in the run queue is the machine's.
#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <fstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/startup.h"
#include "link/com_mapping.h"
#include "platform/qt_app_platform.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_timer_driver.h"
#include "records/recorder.h"
#include "settings/ini_file.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"
#include "visits/program_visits.h"

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The calling thread's CPU time and run-queue wait, and the monotonic time, in ns.
struct SchedSample {
    long long at = 0, cpu = 0, wait = 0;
};
SchedSample Sample() {
    SchedSample s;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    s.at = static_cast<long long>(ts.tv_sec) * 1'000'000'000LL + ts.tv_nsec;
    // schedstat's CPU figure lags up to a tick for a running thread; this clock does not.
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    s.cpu = static_cast<long long>(ts.tv_sec) * 1'000'000'000LL + ts.tv_nsec;
    if (std::FILE* f = std::fopen("/proc/thread-self/schedstat", "r")) {
        long long run = 0;
        if (std::fscanf(f, "%lld %lld", &run, &s.wait) != 2) s.wait = 0;
        std::fclose(f);
    }
    return s;
}

// The adapter as the program has it, noting when each write returned (for the trace).
class TimedPort final : public kd::SerialPort {
public:
    explicit TimedPort(kd::QtSerialPort& port) : port_(port) {
        port_.onCommEvent = [this](int code) {
            if (onCommEvent) onCommEvent(code);
        };
    }
    bool setCommPort(int number, std::string* error) override { return port_.setCommPort(number, error); }
    int commPort() const override { return port_.commPort(); }
    bool setSettings(const std::string& settings, std::string* error) override { return port_.setSettings(settings, error); }
    bool open(std::string* error) override { return port_.open(error); }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    bool write(std::string_view bytes, std::string* error) override {
        const bool ok = port_.write(bytes, error);
        lastWrite = Sample().at;
        return ok;
    }
    std::string readAll() override { return port_.readAll(); }
    std::string describe(int number) const override { return port_.describe(number); }
    long long lastWrite = 0;

private:
    kd::QtSerialPort& port_;
};

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
    TimedPort timedPort(port);
    kd::Program program(kd::Platform{timedPort, settings, dialogs, exit, clock, timers});
    if (const char* off = std::getenv("KELDAMAR_BENCH_NO_TRANSCRIPT"); off && *off == '1') program.transcript.keep = false;
    kd::MainWindow window(program.form);
    dialogs.setWindow(&window);
    // As main() has them: every record to the archive, each read's visit beside it.
    std::unique_ptr<kd::records::Recorder> recorder;
    std::unique_ptr<kd::visits::ProgramVisits> visits;
    if (const char* off = std::getenv("KELDAMAR_BENCH_NO_VISITS"); !(off && *off == '1')) {
        recorder = std::make_unique<kd::records::Recorder>(program);
        visits = std::make_unique<kd::visits::ProgramVisits>(
            program, kd::visits::ThisComputer("bench", "window"),
            [&recorder](const kd::visits::Visit& v) { recorder->keepVisit(v); },
            [] { return static_cast<int64_t>(std::time(nullptr)); });
        visits->checkBeforeLeaving = false;
    }
    window.setViewHold([&port] { return port.answerDueWithin(kd::QtSerialPort::kAnswerWindow); });  // as main() does
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
    std::FILE* trace = nullptr;
    if (const char* path = std::getenv("KELDAMAR_BENCH_TRACE"); path && mode == "read") trace = std::fopen(path, "w");
    SchedSample blocked, blockedBefore;
    if (trace)
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, [&] {
            blockedBefore = blocked;
            blocked = Sample();
        });
    std::string traced;  // the last reply's line, its write time still to come
    auto traceWrite = [&] {
        if (!traced.empty()) std::fprintf(trace, "%s %lld\n", traced.c_str(), timedPort.lastWrite);
        traced.clear();
    };
    program.onReplyLine = [&](const std::string& line) {
        if (trace) {
            traceWrite();
            const SchedSample now = Sample();
            // reply, reached the core, loop went to wait, the wait before; CPU and queue time
            // since each; then (on the next reply) when the command after it was written
            char text[256];
            std::snprintf(text, sizeof text, "%s %lld %lld %lld %lld %lld %lld %lld",
                          line.substr(0, line.find(' ')).c_str(), now.at, blocked.at, blockedBefore.at,
                          now.cpu - blocked.cpu, now.wait - blocked.wait, now.cpu - blockedBefore.cpu,
                          now.wait - blockedBefore.wait);
            traced = text;
        }
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
        // Whether an accessibility bridge was connected and fed the window's events.
        std::printf("accessibility_active %d\n", QAccessible::isActive() ? 1 : 0);
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
    if (trace) {
        traceWrite();
        std::fclose(trace);
    }
    std::_Exit(0);  // the port, timers and window go with the process
}
