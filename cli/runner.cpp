#include "runner.h"

#include <QEventLoop>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "exit_status.h"
#include "jobs.h"
#include "output.h"
#include "platform/qt_app_platform.h"
#include "port_targets.h"
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

void StartJob(const Invocation& inv, Session& s) {
    switch (inv.command) {
        case Command::Read: StartRead(s); break;
        case Command::SetTime: StartSetTime(s); break;
        case Command::Send: StartSend(s, inv.text); break;
        case Command::Records: StartRecords(s, inv); break;
        case Command::Ports: break;
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

// Written beside the file under another name and renamed into place: a failed write never
// leaves half a file where an older one was.
std::string WriteFileWhole(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::path temp = file;
    temp += ".part" + std::to_string(::getpid());
    std::string error;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return "cannot write " + temp.string() + ": " + std::strerror(errno);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) error = "cannot write " + temp.string() + ": " + std::strerror(errno);
    }
    std::error_code ec;
    if (error.empty()) {
        std::filesystem::rename(temp, file, ec);
        if (ec) error = "cannot replace " + file.string() + ": " + ec.message();
    }
    if (!error.empty()) std::filesystem::remove(temp, ec);
    return error;
}

}  // namespace

int Run(const Invocation& inv) {
    kd::IniFile settings(kd::SettingsDirectory() / kd::kSettingsFileName);
    if (inv.command == Command::Ports) return ListPorts(inv, settings);

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
    kd::QtClock clock;
    std::vector<std::unique_ptr<Session>> sessions;
    std::vector<std::string> labels;
    for (const PortTarget& t : resolved.targets) {
        sessions.push_back(std::make_unique<Session>(t, settings, clock));
        labels.push_back(t.label);
    }

    const bool read = inv.command == Command::Read || inv.command == Command::Records;
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
            if (inv.json) {
                Out(FormatJson(o));
            } else if (o.status == kExitOk) {
                const std::string head = o.device.empty() || o.device == o.port ? o.port : o.port + " (" + o.device + ")";
                const std::string text = (several ? (anyText ? "\n== " : "== ") + head + " ==\n" : std::string()) + FormatText(o);
                if (dataOnStderr)
                    progress.message(text.substr(0, text.size() - 1));
                else
                    Out(text);
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
                progress.message(o.port + ": read");
            flush();
        };
    }
    for (auto& session : sessions) {
        if (!session->connect()) continue;
        if (read && !terminal && !inv.quiet) progress.message(session->target().label + ": reading");
        StartJob(inv, *session);
    }
    if (printed < sessions.size()) loop.exec();
    progress.stop();

    bool anyRows = false;
    for (const auto& session : sessions) anyRows = anyRows || !session->outcome().csvRows.empty();
    // A run that got nothing leaves an older file alone.
    if (!inv.csv.empty() && (anyRows || worst == kExitOk || inv.csv == "-")) {
        std::string csv = std::string(kd::records::kCsvHeader) + "\r\n";
        for (const auto& session : sessions) csv += session->outcome().csvRows;
        if (inv.csv == "-") {
            Out(csv);
        } else if (const std::string error = WriteFileWhole(inv.csv, csv); !error.empty()) {
            std::fprintf(stderr, "keldamar: %s\n", error.c_str());
            worst = std::max(worst, kExitFile);
        }
    }
    return worst;
}

}  // namespace kdcli
