// KELDAMAR Utility: the program's window on the real serial port, timers and settings file.
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>

#include "app/program.h"
#include "app/startup.h"
#include "link/com_mapping.h"
#include "platform/qt_app_platform.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_timer_driver.h"
#include "platform/termination_signals.h"
#include "records/recorder.h"
#include "settings/ini_file.h"
#include "ui/archive_indicator.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"
#include "ui/records_view.h"
#include "ui/visits_view.h"
#include "visits/program_visits.h"
#include "visits/visit_keeping.h"
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

// "Exit" ends the process at once: the records noted but not yet written go to the archive
// first, and what could not be is said.
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
    exit.before = [&recorder, &dialogs] {
        if (std::string said = recorder.close(); !said.empty()) {
            said[0] = 'R';  // "records archive ...", said as a sentence
            dialogs.messageBox(said + ".", "Records archive", kd::MsgIcon::Critical, kd::MsgButtons::Ok);
        }
    };
    kd::RecordsView records(window, program, recorder);
    // The visit of each logger read goes to the archive beside its records.
    kd::visits::ProgramVisits visits(
        program, kd::visits::ThisComputer(KELDAMAR_VERSION, "window"),
        [&recorder](const kd::visits::Visit& v) { recorder.keepVisit(v); },
        [] { return static_cast<int64_t>(std::time(nullptr)); });
    kd::visits::NoteProfiles(visits, program);
    kd::visits::NoteDownloads(visits, recorder);
    kd::VisitsView visitsView(window, program, visits, settings, recorder.archivePath());
    kd::SignalMonitorView signalMonitor(window, program);
    kd::ArchiveIndicator notArchived(window);
    recorder.onArchiveState = [&notArchived](const kd::records::ArchiveState& s) {
        notArchived.show(kd::records::NotArchivedText(s));
    };
    // Logout, shutdown or Ctrl-C: what is noted goes to the archive before the program ends.
    int endedBy = 0;
    kd::TerminationSignals endSignals([&recorder, &visits, &endedBy](int signal) {
        if (endedBy) return;
        endedBy = signal;
        // Nobody is there to answer "Before you leave": the visit ends with what it found.
        visits.checkBeforeLeaving = false;
        visits.leave(kd::Program::Leaving::Exit);
        if (const std::string said = recorder.close(); !said.empty())
            std::fprintf(stderr, "keldamar-utility: %s\n", said.c_str());
        QCoreApplication::exit(128 + signal);  // leaves a modal dialog's loop too
    });

    kd::Form_Load(program);
    if (program.ended) return 0;
    if (endedBy) return 128 + endedBy;  // during start-up's dialogs
    window.show();
    const int status = app.exec();
    // The window closed by its title bar: the visit ends with what it found.
    visits.checkBeforeLeaving = false;
    visits.leave(kd::Program::Leaving::Exit);
    recorder.onArchiveState = nullptr;
    recorder.onDownloadFinished = nullptr;
    return status;
}
