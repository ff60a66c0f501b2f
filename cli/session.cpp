#include "session.h"

#include <ctime>
#include <filesystem>
#include <system_error>

#include "exit_status.h"
#include "link/com_mapping.h"
#include "link/shown_text.h"
#include "settings/settings_file.h"
#include "visits/visit_keeping.h"

namespace kdcli {

// The core's port, passed through to the Qt adapter; it notes each command going out, and
// hands each port event to the session, which gives it to the core (or to a raw reader).
class Session::WatchedPort final : public kd::SerialPort {
public:
    WatchedPort(kd::QtSerialPort& inner, Session& session) : inner_(inner), session_(session) {
        inner_.onCommEvent = [this](int code) { session_.onPortEvent(code); };
    }
    bool setCommPort(int number, std::string* error) override { return inner_.setCommPort(number, error); }
    int commPort() const override { return inner_.commPort(); }
    bool setSettings(const std::string& s, std::string* error) override { return inner_.setSettings(s, error); }
    bool open(std::string* error) override { return inner_.open(error); }
    void close() override { inner_.close(); }
    bool isOpen() const override { return inner_.isOpen(); }
    bool write(std::string_view bytes, std::string* error) override {
        const bool ok = inner_.write(bytes, error);
        session_.lastWrite_ = std::chrono::steady_clock::now();
        ++session_.commandsSent_;
        std::string_view command = bytes;
        while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) command.remove_suffix(1);
        session_.lastCommand_.assign(command);
        return ok;
    }
    std::string readAll() override { return inner_.readAll(); }
    std::string describe(int number) const override { return inner_.describe(number); }
    kd::PortOpenFailure lastOpenFailure() const override { return inner_.lastOpenFailure(); }

private:
    kd::QtSerialPort& inner_;
    Session& session_;
};

Session::Session(PortTarget target, kd::IniFile& settings, kd::Clock& clock)
    : target_(std::move(target)), settings_(settings) {
    const std::string path = target_.com == 0 ? target_.device : std::string();
    qtPort_ = std::make_unique<kd::QtSerialPort>([this, path](int number) {
        return path.empty() ? kd::ComDevice(number, &settings_) : path;
    });
    port_ = std::make_unique<WatchedPort>(*qtPort_, *this);
    program_ = std::make_unique<kd::Program>(kd::Platform{*port_, settings, dialogs_, exit_, clock, timers_});
    kd::Program& p = *program_;
    // The settings file is the window's: a run that only reads a logger writes nothing to it.
    kd::SetFixedTables(p);
    p.PortNumber = static_cast<int16_t>(target_.com == 0 ? kd::kFirstComPort : target_.com);
    // Only a window shows the panes and the clock in the caption.
    p.form.RXTimer.setEnabled(false);
    p.form.tmrTime.setEnabled(false);
    // Nothing here saves the traffic from memory; --transcript writes it as it goes.
    p.transcript.keep = false;
    // The visit goes to the archive on a thread of its own, as the window's does; nothing is
    // opened until a read has begun one.
    visitWriter_ = std::make_unique<kd::records::ArchiveWriter>(kd::records::DefaultArchivePath());
    visits_ = std::make_unique<kd::visits::ProgramVisits>(
        p, kd::visits::ThisComputer(KELDAMAR_VERSION, "command line"),
        [this](const kd::visits::Visit& v) { visitWriter_->addVisit(v); }, [] { return static_cast<int64_t>(std::time(nullptr)); });
    kd::visits::NoteProfiles(*visits_, p);

    dialogs_.onMessage = [this](const std::string& text, const std::string& detail) {
        if (auto hook = onMessage) hook(text, detail);
    };
    outcome_.port = target_.label;
    outcome_.device = target_.device;

    stallTimer_.setInterval(250);
    QObject::connect(&stallTimer_, &QTimer::timeout, [this] { checkStall(); });
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline_, &QTimer::timeout, [this] {
        if (auto then = atDeadline_; !finished_ && then) then();
    });
}

void Session::setDeadline(int ms, std::function<void()> then) {
    atDeadline_ = std::move(then);
    deadline_.start(ms);
}

Session::~Session() {
    afterInput = nullptr;
    onMessage = nullptr;
    rawLine = nullptr;
    onFinishing = nullptr;
    jobState.reset();
    visits_.reset();
    visitWriter_.reset();
    // Then the core: its timers leave the driver, its port handler the adapter.
    program_.reset();
}

bool Session::connect() {
    if (!target_.device.empty()) {
        std::error_code ec;
        const auto status = std::filesystem::status(target_.device, ec);
        // A path names itself already; a COM number says which device it stands for.
        const std::string device = target_.com == 0 ? std::string() : target_.device + ": ";
        if (!std::filesystem::exists(status)) {
            finish(kExitNoAnswer, device + "no such device");
            return false;
        }
        if (status.type() != std::filesystem::file_type::character) {
            finish(kExitNoAnswer, device + "not a serial port");
            return false;
        }
    }
    std::string reason;
    dialogs_.onMessage = [&reason](const std::string&, const std::string& detail) {
        reason = detail.substr(0, detail.find('\n'));
    };
    program_->form.ConnectButton.click();
    dialogs_.onMessage = [this](const std::string& text, const std::string& detail) {
        if (auto hook = onMessage) hook(text, detail);
    };
    if (!port_->isOpen()) {
        // The adapter names the device first; the label says it already when it is a path.
        if (!target_.device.empty() && reason.rfind(target_.device + ": ", 0) == 0 && target_.com == 0)
            reason.erase(0, target_.device.size() + 2);
        if (reason.empty()) reason = "the port cannot be opened";
        switch (port_->lastOpenFailure()) {
            case kd::PortOpenFailure::NoPermission: reason += " (join the device's group, usually dialout)"; break;
            // A character device that takes no terminal settings (ENOTTY): /dev/null, a printer.
            case kd::PortOpenFailure::NotSerial: reason = "not a serial port (" + reason + ")"; break;
            default: break;
        }
        finish(kExitNoAnswer, reason);
        return false;
    }
    lastWrite_ = std::chrono::steady_clock::now();
    stallTimer_.start();
    return true;
}

void Session::finish(int status, std::string error) {
    if (finished_) return;
    finished_ = true;
    if (auto hook = onFinishing) hook();
    stallTimer_.stop();
    deadline_.stop();
    outcome_.status = status;
    outcome_.error = std::move(error);
    program_->form.ReplyTimeout.setEnabled(false);
    // The visit ends with the run, what it left behind kept with it; a locked archive costs
    // the run at most this wait (the visit is then not kept).
    visits_->leave(kd::Program::Leaving::Exit);
    visitWriter_->flush(std::chrono::seconds(2));
    if (port_->isOpen()) port_->close();
    program_->transcript.endLine(program_->platform.clock.localNowPrecise());
    if (auto hook = onFinished) hook();
}

void Session::onPortEvent(int code) {
    if (finished_) return;
    if (code == kd::kCommEventReceive && rawLine) {
        // Past the core's receive handler, so the transcript is told here.
        const std::string bytes = qtPort_->readAll();
        if (!bytes.empty() && program_->transcript.wanted())
            program_->transcript.received(bytes, program_->platform.clock.localNowPrecise());
        cutRawLines(bytes);
    } else if (port_->onCommEvent) {
        port_->onCommEvent(code);
    }
    if (finished_) return;
    if (code == kd::kCommEventPortLost) {
        finish(kExitNoAnswer, "the port went away (adapter unplugged or line hung up) after " +
                                  (lastCommand_.empty() ? std::string("opening") : kd::MaskPasswords(lastCommand_)));
        return;
    }
    // Copies: a hook may replace itself while it runs.
    if (auto hook = afterInput) hook();
}

void Session::attachTranscript(TranscriptFile& file, std::string label) {
    program_->transcript.onLine = [&file, label = std::move(label)](const kd::LocalTime& at, kd::TrafficDirection d,
                                                                    std::string_view line) {
        file.write(at, d, line, label);
    };
}

void Session::cutRawLines(const std::string& bytes) {
    rawPending_ += bytes;
    for (std::size_t lf; (lf = rawPending_.find('\n')) != std::string::npos;) {
        std::string line = rawPending_.substr(0, lf);
        rawPending_.erase(0, lf + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (auto hook = rawLine) hook(line);
        if (finished_) return;
    }
}

void Session::checkStall() {
    if (finished_ || !watchStall) return;
    if (std::chrono::steady_clock::now() - lastWrite_ < kStallLimit) return;
    finish(kExitNoAnswer, "the logger stopped answering after " + kd::MaskPasswords(lastCommand_));
}

}  // namespace kdcli
