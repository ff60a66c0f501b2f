#include "visits/program_visits.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "app/program.h"
#include "link/commands.h"
#include "profiles/upload_check.h"
#include "profiles/upload_preview.h"
#include "replies/extract.h"
#include "visits/clock_offset.h"
#include "visits/found_values.h"

namespace kd::visits {

namespace {

std::string WithoutLineEnd(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.pop_back();
    return s;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Commands that keep the logger in good order, as the status panel's buttons send them.
bool IsMaintenance(const std::string& c) {
    return c == cmd::kWdtClear || c == cmd::kPorClear || c == cmd::kRaingReset || StartsWith(c, cmd::kAutopdSet);
}

// Commands a face sends on its own road (records, scans, the clock) with nothing awaited; a
// query sent so is the technician's own (the window's queries all await their answer).
bool IsOwnRoad(const std::string& c) {
    return StartsWith(c, cmd::kEvent) || StartsWith(c, cmd::kScanId) || StartsWith(c, cmd::kTimeSet);
}

}  // namespace

ProgramVisits::ProgramVisits(Program& p, Identity identity, std::function<void(const Visit&)> store,
                             std::function<int64_t()> utcNow)
    : p_(p), recorder_(std::move(identity), std::move(store)), utcNow_(std::move(utcNow)) {
    p.commandWatchers.push_back([this](const std::string& command) { commandSent(command); });
    p.replyWatchers.push_back([this](const std::string& name, const std::string& line) { replyHandled(name, line); });
    p.mayLeave = [this](Program::Leaving what) { return leave(what); };
    idle_.onTimer = [this] { recorder_.on(VisitEvent::Tick, now()); };
    idle_.attach(&p.platform.timers);
}

ProgramVisits::~ProgramVisits() {
    idle_.attach(nullptr);
    p_.mayLeave = nullptr;
    // The watchers point here: a program outliving its visit record must not call them.
    p_.commandWatchers.clear();
    p_.replyWatchers.clear();
}

bool ProgramVisits::askBeforeLeaving() {
    const std::vector<Finding> found = findings();
    if (!found.empty() && checkBeforeLeaving) {
        std::vector<std::string> reasons;
        for (const Finding& f : found) reasons.push_back(f.reason);
        if (!p_.platform.dialogs.leaveAnyway(reasons)) return false;
    }
    recorder_.noteLeftBehind(found);
    return true;
}

void ProgramVisits::keepSignalSpans() {
    std::vector<VisitRecorder::Span> spans;
    for (const SignalSpan& s : p_.signalMonitor.spans()) {
        const std::optional<double> mean = s.stats.mean();
        if (!mean) continue;
        char figures[64];
        std::snprintf(figures, sizeof figures, "%.1f", *mean);
        VisitRecorder::Span kept;
        kept.name = s.name.empty() ? "since the monitor opened" : s.name;
        kept.mean = figures;
        std::snprintf(figures, sizeof figures, "%.0f-%.0f", s.stats.min, s.stats.max);
        kept.range = figures;
        kept.values = static_cast<int>(s.stats.count);
        kept.at = now();
        spans.push_back(std::move(kept));
    }
    if (!spans.empty()) recorder_.signalSpans(spans);
}

bool ProgramVisits::leave(Program::Leaving what) {
    keepSignalSpans();
    if (uploading_) {
        // An upload cut short (refused, the port gone, the run ended): what was answered counts.
        uploading_ = false;
        recorder_.valuesSent(CheckedValues(p_), now());
    }
    if (!askBeforeLeaving()) return false;
    const VisitEvent event = what == Program::Leaving::Disconnect ? VisitEvent::Disconnect
                             : what == Program::Leaving::FileNew  ? VisitEvent::FileNew
                                                                  : VisitEvent::Exit;
    recorder_.on(event, now());
    if (what == Program::Leaving::FileNew) p_.form.StatusBox(1).setText("");
    return true;
}

void ProgramVisits::commandSent(const std::string& sent) {
    const std::string command = WithoutLineEnd(sent);
    if (p_.ReplyState == 1 && command == cmd::kSnrQuery) {
        reading_ = true;
        return;
    }
    if (p_.ReplyState == 100) uploading_ = true;
    if (p_.ReplyState != 0) return;
    if (StartsWith(command, cmd::kTimeSet)) {
        clockSetAwaited_ = true;
        return;
    }
    if (IsOwnRoad(command)) return;
    // Anything else sent with nothing awaited ends a read that was cut short.
    reading_ = false;
    recorder_.commandSent(IsMaintenance(command) ? ActionKind::Maintenance : ActionKind::CustomCommand, command, now());
    commandAwaited_ = true;
}

void ProgramVisits::replyHandled(const std::string& name, const std::string& line) {
    if (name == cmd::kSNR && reading_ && recorder_.open() != nullptr &&
        recorder_.open()->deviceId != p_.form.ModemParm(0).text()) {
        // Another logger is being read: the open visit's findings are asked about first, and
        // staying ends this read where it is.
        if (!askBeforeLeaving()) {
            reading_ = false;
            p_.ReplyState = 0;
            p_.form.ReplyTimeout.setEnabled(false);
            return;
        }
    } else if (name == cmd::kTIME) {
        const std::tm pc = p_.platform.clock.localNow();
        recorder_.clockAnswer(line, pc, clockSetAwaited_, now());
        // Beside "Time & Date:", on the status line's second box, which nothing else uses.
        const std::string value = WithoutLineEnd(line.size() > 7 ? line.substr(7) : std::string());
        if (const std::optional<int64_t> offset = ClockOffsetSeconds(value, pc))
            p_.form.StatusBox(1).setText("Clock: " + OffsetWords(*offset) + (clockSetAwaited_ ? " (set)" : ""));
        clockSetAwaited_ = false;
    } else if (name == cmd::kCREG && reading_) {
        // Field 2 is the registration status; the window shows it only in words.
        const std::string fields = WithoutLineEnd(line.size() > 7 ? line.substr(7) : std::string());
        const size_t comma = fields.find(',');
        recorder_.registrationAnswer(comma == std::string::npos ? std::string() : fields.substr(comma + 1));
    } else if (commandAwaited_ && p_.ReplyState == 0 && name != cmd::kSS && name != cmd::kAIRTIME) {
        recorder_.commandAnswered(line);
        commandAwaited_ = false;
    }
    if (uploading_ && p_.ReplyState == 0 && !p_.profiles.check.running) {
        uploading_ = false;
        recorder_.valuesSent(CheckedValues(p_), now());
    }
    if (reading_ && p_.ReplyState == 0) {
        // The chain ends with the newest record, or with the rain gauge when there is none.
        reading_ = false;
        if (name == cmd::kLOADRecord || name == cmd::kRAING) recorder_.readComplete(FoundValues(p_), now());
    }
}

std::vector<std::string> ProgramVisits::editedNotUploaded() const {
    std::vector<std::string> red;
    const Mainform& f = p_.form;
    for (int row = 0; row <= 14; ++row)
        if (f.ModemParm(row).foreColour() == kRed) red.push_back(SettingName(p_, row));
    for (int slot = 0; slot <= 7; ++slot)
        if (f.NWDevIDBox(slot).foreColour() == kRed) red.push_back(DeviceSlotName(slot));
    if (f.SIMtypeFrame.foreColour() == kRed) red.push_back(kSimTypeSetting);
    return red;
}

std::vector<Finding> ProgramVisits::findings() const {
    if (recorder_.open() == nullptr) return {};
    return BeforeLeaving(recorder_.leavingFacts(editedNotUploaded()));
}

Identity ThisComputer(const std::string& version, const std::string& face) {
    Identity id;
    id.version = version;
    id.face = face;
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_name != nullptr) id.user = pw->pw_name;
    else if (const char* user = std::getenv("USER")) id.user = user;
    std::array<char, 256> host{};
    if (gethostname(host.data(), host.size() - 1) == 0) id.host = host.data();
    return id;
}

}  // namespace kd::visits
