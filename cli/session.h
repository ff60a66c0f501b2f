#pragma once
// One logger on one port: a whole program core (the window model without a window) with the
// Qt serial port and timers and a headless platform. Several sessions share one event loop,
// each with its own state, so loggers on several ports are served at once.
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/program.h"
#include "headless.h"
#include "outcome.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_timer_driver.h"
#include "port_targets.h"
#include "records/archive_writer.h"
#include "transcript_file.h"
#include "visits/program_visits.h"

namespace kdcli {

class Session {
public:
    Session(PortTarget target, kd::IniFile& settings, kd::Clock& clock);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const PortTarget& target() const { return target_; }
    kd::Program& program() { return *program_; }
    // The visit a read of this port begins, kept in the records archive.
    kd::visits::ProgramVisits& visits() { return *visits_; }

    // Opens the port as "Connect" does. When it cannot, the session is finished with exit
    // status 2 and the reason, and false returned.
    bool connect();

    // Ends the session's work (once; later calls are ignored) and closes the port.
    void finish(int status, std::string error = {});
    bool finished() const { return finished_; }
    Outcome& outcome() { return outcome_; }

    // A job's hooks. afterInput runs after the core has handled each batch of received bytes;
    // onMessage gets every message the window would have shown in a box. While rawLine is
    // set, received lines (without CR LF) go to it instead of the core's dispatcher.
    std::function<void()> afterInput;
    std::function<void(const std::string& text, const std::string& detail)> onMessage;
    std::function<void(const std::string& line)> rawLine;
    std::function<void()> onFinished;
    // Runs first when the session finishes, whatever ends it: a job puts away what it holds.
    std::function<void()> onFinishing;

    // Runs `then` once after `ms` unless called again first (which restarts the wait).
    void setDeadline(int ms, std::function<void()> then);
    // Received text after the last line feed, while rawLine is set; taken away.
    std::string takeUnfinishedLine() { return std::exchange(rawPending_, {}); }

    // What a job keeps for the session's life (its records recorder, say); released before
    // the core, which it may still use on the way out.
    std::shared_ptr<void> jobState;
    // How far the work is, 0 to 100, for the progress bar; by default the commands of a read.
    std::function<int()> progress;

    // Every line of this port's traffic also goes to file, after label when several ports share it.
    void attachTranscript(TranscriptFile& file, std::string label);

    // Commands written so far, and the last one without its line end (as sent: mask it
    // before showing it).
    int commandsSent() const { return commandsSent_; }
    const std::string& lastCommand() const { return lastCommand_; }

    // A logger that stops answering while the core waits on (an unknown line stops the reply
    // time-out and the read would wait for ever) ends the session after this long without a
    // command going out: longer than the core's own give-up after five sends 1.5 s apart.
    static constexpr std::chrono::milliseconds kStallLimit{9000};
    // Whether the stall rule applies now (a job waiting on the logger).
    bool watchStall = true;

private:
    class WatchedPort;
    void onPortEvent(int code);
    void cutRawLines(const std::string& bytes);
    void checkStall();

    PortTarget target_;
    kd::IniFile& settings_;
    std::unique_ptr<kd::QtSerialPort> qtPort_;
    std::unique_ptr<WatchedPort> port_;
    kd::QtTimerDriver timers_;
    HeadlessDialogs dialogs_;
    HeadlessExit exit_;
    std::unique_ptr<kd::Program> program_;
    std::unique_ptr<kd::records::ArchiveWriter> visitWriter_;
    std::unique_ptr<kd::visits::ProgramVisits> visits_;
    QTimer stallTimer_;
    QTimer deadline_;
    std::function<void()> atDeadline_;
    std::chrono::steady_clock::time_point lastWrite_;
    std::string rawPending_;
    std::string lastCommand_;
    int commandsSent_ = 0;
    bool finished_ = false;
    Outcome outcome_;
};

}  // namespace kdcli
