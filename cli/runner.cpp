#include "runner.h"
#include "visits_command.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "exit_status.h"
#include "jobs.h"
#include "output.h"
#include "platform/qt_app_platform.h"
#include "port_targets.h"
#include "profiles/profile_file.h"
#include "records/csv.h"
#include "session.h"
#include "settings/ini_file.h"

namespace kdcli {

namespace {

void Out(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

int ListPorts(const Invocation& inv, const kd::IniFile& settings) {
    const std::vector<SerialDevice> devices = SerialDevicesPresent(settings);
    Out(FormatDevices(devices, inv.json));
    if (devices.empty() && !inv.json) std::fprintf(stderr, "keldamar: no serial devices found\n");
    return kExitOk;
}

void StartJob(const Invocation& inv, const kd::Profile& profile, Session& s) {
    switch (inv.command) {
        case Command::Apply: StartApply(s, profile, inv.dryRun); break;
        case Command::Read: StartRead(s); break;
        case Command::SetTime: StartSetTime(s); break;
        case Command::Send: StartSend(s, inv.text); break;
        case Command::Records: StartRecords(s, inv); break;
        case Command::Ports:
        case Command::Visits:
        case Command::Report: break;
    }
}

// The folder a file is to be written in, when it is not one: then nothing is worth starting.
std::string FolderProblem(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) return "cannot write " + file.string() + ": no folder " + folder.string();
    return {};
}

// The plain progress line of a port's long work.
const char* Doing(Command command) {
    switch (command) {
        case Command::Apply: return "reading, then applying the profile";
        case Command::Records: return "reading, then downloading records";
        default: return "reading";
    }
}

// Ctrl-C or a TERM signal ends every port's work where it is, so the records received are
// written and reported rather than lost with the process; a second one ends it at once.
class Interruption {
public:
    explicit Interruption(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
        if (::pipe(fds_) != 0) return;
        writeEnd_ = fds_[1];
        notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            char c;
            if (::read(fds_[0], &c, 1) != 1) return;
            std::signal(SIGINT, SIG_DFL);
            std::signal(SIGTERM, SIG_DFL);
            onSignal_();
        });
        std::signal(SIGINT, &Interruption::handle);
        std::signal(SIGTERM, &Interruption::handle);
    }
    ~Interruption() {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        writeEnd_ = -1;
        notifier_.reset();
        if (fds_[0] >= 0) ::close(fds_[0]);
        if (fds_[1] >= 0) ::close(fds_[1]);
    }

private:
    static void handle(int) {
        // Nothing to do when the pipe is full: a wake-up is pending already.
        if (writeEnd_ >= 0 && ::write(writeEnd_, "x", 1) < 0) return;
    }
    static inline volatile std::sig_atomic_t writeEnd_ = -1;
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> onSignal_;
};

}  // namespace

int Run(const Invocation& inv) {
    kd::IniFile settings(kd::SettingsDirectory() / kd::kSettingsFileName);
    if (inv.command == Command::Ports) return ListPorts(inv, settings);
    if (inv.command == Command::Visits) return ListVisits(inv);
    if (inv.command == Command::Report) return WriteVisitReport(inv);

    const ResolvedPorts resolved = ResolvePorts(inv.ports, settings);
    if (resolved.status != 0) {
        std::fprintf(stderr, "keldamar: %s\n", resolved.error.c_str());
        return resolved.status;
    }
    if (!inv.csv.empty() && inv.csv != "-") {
        if (const std::string problem = FolderProblem(inv.csv); !problem.empty()) {
            std::fprintf(stderr, "keldamar: %s\n", problem.c_str());
            return kExitFile;
        }
    }
    // One profile for every logger, read before any port is touched.
    kd::Profile profile;
    if (inv.command == Command::Apply) {
        kd::ProfileRead read = kd::ReadProfile(inv.profile);
        if (!read.ok()) {
            std::fprintf(stderr, "keldamar: %s\n", read.error.c_str());
            return kExitFile;
        }
        profile = std::move(read.profile);
    }
    TranscriptFile transcript;
    if (!inv.transcript.empty()) {
        std::string problem = FolderProblem(inv.transcript);
        if (problem.empty()) problem = transcript.open(inv.transcript);
        if (!problem.empty()) {
            std::fprintf(stderr, "keldamar: %s\n", problem.c_str());
            return kExitFile;
        }
    }
    kd::QtClock clock;
    std::vector<std::unique_ptr<Session>> sessions;
    std::vector<std::string> labels;
    for (const PortTarget& t : resolved.targets) {
        sessions.push_back(std::make_unique<Session>(t, settings, clock));
        labels.push_back(t.label);
    }
    if (!inv.transcript.empty())
        for (auto& session : sessions)
            session->attachTranscript(transcript, sessions.size() > 1 ? session->target().label : std::string());

    const bool read = inv.command == Command::Read || inv.command == Command::Records || inv.command == Command::Apply;
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    Progress progress(
        labels,
        [&sessions](std::size_t i) {
            const Session& s = *sessions[i];
            if (s.finished()) return 100;
            return s.progress ? s.progress() : s.commandsSent() * 100 / kReadCommands;
        },
        100, read && terminal && !inv.quiet);
    // With the CSV on stdout the summaries are messages.
    const bool dataOnStderr = inv.csv == "-";

    // Results go out in the order of the ports, each as soon as those before it are out.
    QEventLoop loop;
    std::size_t printed = 0;
    bool anyText = false;
    int worst = kExitOk;
    const bool several = sessions.size() > 1;
    auto flush = [&] {
        while (printed < sessions.size() && sessions[printed]->finished()) {
            const Outcome& o = sessions[printed]->outcome();
            for (const std::string& note : o.notes) progress.message(o.port + ": " + note);
            if (inv.json) {
                progress.beforeOutput();
                Out(FormatJson(o));
            } else if (o.status == kExitOk || !o.fields.empty() || !o.rows.empty() || !o.lines.empty()) {
                // What was done is reported also when the work ended badly.
                const std::string head = o.device.empty() || o.device == o.port ? o.port : o.port + " (" + o.device + ")";
                const std::string text = (several ? (anyText ? "\n== " : "== ") + head + " ==\n" : std::string()) + FormatText(o);
                if (dataOnStderr)
                    progress.message(text.substr(0, text.size() - 1));
                else {
                    progress.beforeOutput();
                    Out(text);
                }
                anyText = true;
            }
            ++printed;
        }
        if (printed == sessions.size()) loop.quit();
    };
    for (auto& session : sessions) {
        Session& s = *session;
        s.onFinished = [&, sp = &s] {
            const Outcome& o = sp->outcome();
            worst = std::max(worst, o.status);
            if (o.status != kExitOk)
                progress.message("keldamar: " + o.port + ": " + o.error);
            else if (read && !terminal && !inv.quiet)
                progress.message(o.port + ": done");
            flush();
        };
    }
    for (auto& session : sessions) {
        if (!session->connect()) continue;
        if (read && !terminal && !inv.quiet) progress.message(session->target().label + ": " + Doing(inv.command));
        StartJob(inv, profile, *session);
    }
    Interruption interruption([&sessions] {
        for (auto& session : sessions) session->finish(kExitInterrupted, "interrupted");
    });
    if (printed < sessions.size()) loop.exec();
    progress.stop();

    if (!transcript.error().empty()) {
        std::fprintf(stderr, "keldamar: %s\n", transcript.error().c_str());
        worst = std::max(worst, kExitFile);
    }
    bool anyRows = false;
    for (const auto& session : sessions) anyRows = anyRows || !session->outcome().csvRows.empty();
    // A run that got nothing leaves an older file alone.
    if (!inv.csv.empty() && (anyRows || worst == kExitOk || inv.csv == "-")) {
        std::string rows;
        for (const auto& session : sessions) rows += session->outcome().csvRows;
        if (inv.csv == "-") {
            Out(std::string(kd::records::kCsvHeader) + "\r\n" + rows);
        } else if (const std::string error = kd::records::WriteCsvFile(inv.csv, rows); !error.empty()) {
            std::fprintf(stderr, "keldamar: %s\n", error.c_str());
            worst = std::max(worst, kExitFile);
        }
    }
    return worst;
}

}  // namespace kdcli
