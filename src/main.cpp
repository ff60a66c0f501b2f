// KELDAMAR Utility: the program's window on the real serial port, timers and settings file.
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

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
#include "ui/records_view.h"
#include "ui/signal_monitor.h"

namespace {

// Developer measurement: KELDAMAR_TRACE_STARTUP=1 reports on stderr how long the window
// took to its first paint and the memory in use then.
class StartupTrace : public QObject {
public:
    explicit StartupTrace(std::chrono::steady_clock::time_point start) : start_(start) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            watched->removeEventFilter(this);
            // Reported once the paint has finished and reached the screen.
            QTimer::singleShot(0, this, [this] { report(); });
        }
        return false;
    }

private:
    void report() const {
        const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
        std::string rss = "?";
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0) rss = line.substr(line.find_first_not_of(" \t", 6));
        std::fprintf(stderr, "startup: first paint after %.1f ms, resident memory %s\n", ms, rss.c_str());
    }
    std::chrono::steady_clock::time_point start_;
    bool done_ = false;
};

// The icon the desktop's theme has for the program (installed with it), else the copy built
// in, so a program run from its build folder shows the same icon.
QIcon ApplicationIcon() {
    QIcon builtIn;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        builtIn.addFile(QStringLiteral(":/appicon/hicolor/%1x%1/apps/keldamar-utility.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(QStringLiteral("keldamar-utility"), builtIn);
}

// "Exit" ends the process at once: the records noted but not yet written go to the archive first.
struct FlushingExit final : kd::ProgramExit {
    kd::QtExit exit;
    std::function<void()> before;
    void exitNow() override {
        if (before) before();
        exit.exitNow();
    }
};

}  // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    QApplication app(argc, argv);
    // Title bar and task switcher show the menu entry's icon; Wayland matches the entry by name.
    QApplication::setWindowIcon(ApplicationIcon());
    QApplication::setDesktopFileName(QStringLiteral(KELDAMAR_APP_ID));

    kd::IniFile settings(kd::SettingsDirectory() / kd::kSettingsFileName);
    kd::QtSerialPort port([&settings](int number) { return kd::ComDevice(number, &settings); });
    kd::QtTimerDriver timers;
    kd::QtDialogs dialogs(&timers);
    FlushingExit exit;
    kd::QtClock clock;
    kd::Program program(kd::Platform{port, settings, dialogs, exit, clock, timers});
    kd::MainWindow window(program.form);
    dialogs.setWindow(&window);
    // The window waits while an answer may be arriving at once, so it never stands between
    // a reply and the next command.
    window.setViewHold([&port] { return port.answerDueWithin(kd::QtSerialPort::kAnswerWindow); });

    StartupTrace trace(start);
    const char* traceSwitch = std::getenv("KELDAMAR_TRACE_STARTUP");
    if (traceSwitch && std::string(traceSwitch) == "1") {
        window.installEventFilter(&trace);
        // Tells an installed program that finds its icon from one that falls back.
        std::fprintf(stderr, "startup: icon from %s\n",
                     QIcon::hasThemeIcon(QStringLiteral("keldamar-utility")) ? "the icon theme" : "the program");
    }

    // Every record fetched goes to the archive (opened at the first one).
    kd::records::Recorder recorder(program);
    exit.before = [&recorder] { recorder.flush(); };
    kd::RecordsView records(window, program, recorder);
    kd::SignalMonitorView signalMonitor(window, program);

    kd::Form_Load(program);
    if (program.ended) return 0;
    window.show();
    return app.exec();
}
