#include "runner.h"

#include <QEventLoop>
#include <cstdio>
#include <memory>
#include <unistd.h>

#include "exit_status.h"
#include "jobs.h"
#include "output.h"
#include "platform/qt_app_platform.h"
#include "port_targets.h"
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
        case Command::Ports: break;
    }
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
    kd::QtClock clock;
    std::vector<std::unique_ptr<Session>> sessions;
    std::vector<std::string> labels;
    for (const PortTarget& t : resolved.targets) {
        sessions.push_back(std::make_unique<Session>(t, settings, clock));
        labels.push_back(t.label);
    }

    const bool read = inv.command == Command::Read;
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    Progress progress(
        labels,
        [&sessions](std::size_t i) { return sessions[i]->finished() ? kReadCommands : sessions[i]->commandsSent(); },
        kReadCommands, read && terminal && !inv.quiet);

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
                Out((several ? (anyText ? "\n== " : "== ") + head + " ==\n" : std::string()) + FormatText(o));
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
    return worst;
}

}  // namespace kdcli
