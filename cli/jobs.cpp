#include "jobs.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "exit_status.h"
#include "link/commands.h"
#include "link/engine.h"
#include "link/shown_text.h"
#include "network/maintenance.h"
#include "params/upload.h"
#include "params/validation.h"
#include "profiles/profile_apply.h"
#include "profiles/upload_check.h"
#include "profiles/upload_preview.h"
#include "read_values.h"
#include "records/csv.h"
#include "records/recorder.h"
#include "replies/extract.h"
#include "session.h"
#include "visits/visit_keeping.h"

namespace kdcli {

namespace {

// A command awaited that the core gave up on, or that the logger refused, ends the session.
void FailOnCommandFailure(Session& s) {
    s.onMessage = nullptr;
    s.program().onCommandFailed = [&s](const kd::CommandFailure& f) {
        if (f.kind == kd::CommandFailure::Kind::Refused)
            s.finish(kExitNoAnswer, "the logger answered ERROR to " + kd::MaskPasswords(f.command));
        else
            s.finish(kExitNoAnswer, NoAnswerText(f));
    };
}

// Runs "Load Settings" as the window does; `then` once nothing is awaited any more (after the
// newest record, or after the rain gauge when the logger holds none).
void LoadSettings(Session& s, std::function<void()> then) {
    kd::Program& p = s.program();
    FailOnCommandFailure(s);
    s.afterInput = [&s, &p, then] {
        if (p.ReplyState != 0) return;
        const std::function<void()> next = then;  // this hook goes now
        s.afterInput = nullptr;
        next();
    };
    p.form.LoadSettings.click();
}

std::string Shown(const std::string& value, bool password) { return password ? kd::MaskedValue(value) : value; }

// Each value the upload sent with what became of it, the step still awaited last.
std::vector<Outcome::Row> SentRows(const kd::Program& p) {
    std::vector<Outcome::Row> rows;
    for (const kd::SentValue& v : kd::CheckedValues(p)) {
        const auto fate = v.refused ? Outcome::Row::Fate::Refused : v.kept() ? Outcome::Row::Fate::Kept : Outcome::Row::Fate::NotKept;
        rows.push_back({v.setting, Shown(v.sent, v.password), Shown(v.held, v.password), fate});
    }
    for (const kd::SentValue& v : kd::AwaitedValues(p))
        rows.push_back({v.setting, Shown(v.sent, v.password), {}, Outcome::Row::Fate::Unanswered});
    return rows;
}

// Why the upload's checks would refuse to send, as the exit status and one line: a value of
// the profile is the file's fault; a value the logger itself holds (an ID out of range, say)
// is the logger's, and no value reaches it.
struct Refusal {
    int status;
    std::string text;
};
std::optional<Refusal> UploadRefusal(kd::Program& p, const kd::Profile& profile) {
    std::optional<kd::ParameterProblem> problem = kd::FindParameterProblem(p);
    if (!problem) problem = kd::FindUnsafeValue(p, kd::PendingUploadItems(p));
    if (!problem) return std::nullopt;
    const bool loggers = problem->row >= 0 && p.form.ModemParm(problem->row).foreColour() != kd::kRed;
    if (!loggers) return Refusal{kExitFile, "profile " + profile.name + " refused: " + problem->message};
    return Refusal{kExitNotKept, "the logger's own " + kd::SettingName(p, problem->row) + " " +
                                     p.form.ModemParm(problem->row).text() + " fails the upload's checks (" +
                                     problem->message + "): nothing can be sent"};
}

}  // namespace

std::string NoAnswerText(const kd::CommandFailure& f) {
    return "no answer to " + kd::MaskPasswords(f.command) + " (sent " + std::to_string(f.sends) +
           (f.sends == 1 ? " time)" : " times)");
}

void StartRead(Session& s) {
    LoadSettings(s, [&s] {
        s.outcome().fields = ReadValues(s.program());
        s.finish(kExitOk);
    });
}

void StartApply(Session& s, const kd::Profile& profile, bool dryRun) {
    kd::Program& p = s.program();
    LoadSettings(s, [&s, &p, profile, dryRun] {
        const kd::ProfileApplied applied = kd::ApplyProfile(p, profile);
        if (!applied.ok()) {
            s.finish(kExitFile, "profile " + profile.name + " refused: " + applied.refusal);
            return;
        }
        Outcome& o = s.outcome();
        if (applied.networkIgnored) o.notes.push_back("the profile's hub device table is left out: not a hub");
        if (applied.simTypeIgnored) o.notes.push_back("the profile's SIM card type is left out: the logger reports none");
        if (kd::PendingUploadItems(p).empty()) {
            o.notes.push_back("nothing to send: the logger holds the profile's values");
            s.finish(kExitOk);
            return;
        }
        // The checks a real run makes before sending, also for a dry run.
        const std::optional<Refusal> refusal = UploadRefusal(p, profile);
        if (dryRun) {
            o.rowKind = Outcome::RowKind::Preview;
            for (const kd::UploadPreviewRow& r : kd::UploadPreview(p))
                o.rows.push_back({r.setting, Shown(r.onLogger, r.password),
                                  r.sendsValue ? Shown(r.newValue, r.password) : std::string(), Outcome::Row::Fate::Kept});
            if (refusal)
                s.finish(refusal->status, "would be refused: " + refusal->text);
            else
                s.finish(kExitOk);
            return;
        }
        if (refusal) {
            s.finish(refusal->status, refusal->text);
            return;
        }
        o.rowKind = Outcome::RowKind::Sent;
        // However the upload ends (an answer, ERROR, no answer, the port lost, Ctrl-C), what
        // was sent is reported with what became of it.
        s.onFinishing = [&s, &p] { s.outcome().rows = SentRows(p); };
        p.onCommandFailed = [&s](const kd::CommandFailure& f) {
            if (f.kind == kd::CommandFailure::Kind::NoAnswer) {
                s.finish(kExitNoAnswer, NoAnswerText(f) + "; " + std::to_string(kd::CheckedValues(s.program()).size()) +
                                            " values answered before");
                return;
            }
            std::string names;
            for (const kd::SentValue& v : kd::CheckedValues(s.program()))
                if (v.refused) names += (names.empty() ? "" : ", ") + v.setting;
            s.finish(kExitNotKept, "the logger refused " + (names.empty() ? std::string("a value") : names) +
                                       " (answered ERROR to " + kd::MaskPasswords(f.command) + ")");
        };
        s.afterInput = [&s, &p] {
            if (p.ReplyState != 0 || p.profiles.check.running) return;
            const std::string unkept = kd::UnkeptValuesText(kd::CheckedValues(p), true);
            if (unkept.empty()) {
                s.finish(kExitOk);
                return;
            }
            std::string named;
            for (const char c : unkept) named += c == '\n' ? std::string("; ") : std::string(1, c);
            s.finish(kExitNotKept, "not kept: " + named);
        };
        kd::Uploadbutton_Click(p);
    });
}

void StartSetTime(Session& s) {
    kd::Program& p = s.program();
    FailOnCommandFailure(s);
    auto answered = std::make_shared<bool>(false);
    p.onReplyLine = [answered](const std::string& line) {
        if (kd::ExtractCommand(line) == kd::cmd::kTIME) *answered = true;
    };
    s.afterInput = [&s, &p, answered] {
        if (!*answered) return;
        s.outcome().fields = {TimeField(p)};
        s.finish(kExitOk);
    };
    kd::SetTimeDate_Click(p);
    const std::string sent = kd::MaskPasswords(s.lastCommand());
    s.setDeadline(p.form.ReplyTimeout.interval(), [&s, sent] { s.finish(kExitNoAnswer, "no answer to " + sent); });
}

void StartSend(Session& s, const std::string& command) {
    kd::Program& p = s.program();
    s.outcome().hasLines = true;
    s.watchStall = false;  // the time limits below end it, even amid a stream of lines
    auto end = [&s, command] {
        std::string rest = s.takeUnfinishedLine();
        if (!rest.empty()) s.outcome().lines.push_back(std::move(rest));
        if (s.outcome().lines.empty())
            s.finish(kExitNoAnswer, "no answer to " + kd::MaskPasswords(command));
        else
            s.finish(kExitOk);
    };
    // Quiet for kSendQuiet ends it, and so does kSendLimit after the command whatever arrives
    // (a logger that sends status lines on its own never falls quiet).
    const auto sentAt = std::chrono::steady_clock::now();
    auto wait = [&s, sentAt, end] {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sentAt);
        const auto left = std::max<long long>(0, (kSendLimit - elapsed).count());
        s.setDeadline(static_cast<int>(std::min<long long>(kSendQuiet.count(), left)), end);
    };
    // The dispatcher stays out of it: a reply it knows would go on with a read, and this
    // sends the one command asked for.
    s.rawLine = [&s, wait](const std::string& line) {
        s.outcome().lines.push_back(line);
        wait();
    };
    p.ReplyState = 0;  // the answer belongs to no read and no upload
    p.TxCommand = command + p.LineEnd;
    kd::SendCommand(p);
    wait();
}

void StartRecords(Session& s, const Invocation& what) {
    using namespace kd::records;
    kd::Program& p = s.program();
    auto recorder = std::make_shared<Recorder>(p);
    s.jobState = recorder;
    kd::visits::NoteDownloads(s.visits(), *recorder);
    // The archive first: a download with nowhere to keep its records would be lost work. A
    // lock another program holds passes: the records wait for it (see the end).
    const ArchiveState archive = recorder->prepareArchive();
    if (!archive.open && archive.problem != ArchiveProblem::Busy) {
        s.finish(kExitFile, "records archive " + recorder->archivePath().string() + ": " + archive.error);
        return;
    }
    // Records noted but not yet written reach the archive however the work ends, in a
    // bounded time.
    auto closed = std::make_shared<bool>(false);
    s.onFinishing = [recorder, closed] {
        if (!*closed) recorder->close();
    };
    auto done = std::make_shared<int>(0);
    auto total = std::make_shared<int>(0);
    s.progress = [&s, done, total] {
        // The read is the first tenth of the work.
        if (*total == 0) return std::min(10, s.commandsSent() * 10 / kReadCommands);
        return 10 + *done * 90 / *total;
    };
    LoadSettings(s, [&s, &p, what, recorder, done, total, closed] {
        std::optional<RecordRange> range;
        switch (what.range) {
            case Invocation::Range::Numbers: range = RecordRange{what.from, what.to}; break;
            case Invocation::Range::Unread: range = UnreadRange(p.form.ModemParm(1).text(), p.form.ModemParm(2).text()); break;
            case Invocation::Range::All: range = WholeRing(p.form.ModemParm(1).text()); break;
        }
        auto summary = [&s](int asked, int received, const std::vector<int>& skipped) {
            s.outcome().fields = {{"Records asked:", "records_asked", std::to_string(asked)},
                                  {"Records received:", "records_received", std::to_string(received)},
                                  {"Skipped:", "skipped", ListLogNumbers(skipped)}};
        };
        if (!range) {
            // Nothing unread (or no pointer to count from): a download of nothing succeeds.
            summary(0, 0, {});
            s.finish(kExitOk);
            return;
        }
        // Only what this download brings goes to the CSV, every record of it even when the
        // archive held it already.
        recorder->onRecord = [&s](const ArchivedRecord& r) { s.outcome().csvRows += CsvRow(r); };
        DownloadEvents events;
        events.progress = [done, total](int d, int t) {
            *done = d;
            *total = t;
        };
        events.finished = [&s, recorder, summary, closed](const DownloadSummary& result) {
            summary(result.total, result.received, result.skipped);
            // The line is free now: the records may take a while longer to reach the archive.
            const std::string unarchived = recorder->close();
            *closed = true;
            if (!unarchived.empty())
                s.finish(kExitFile, unarchived);
            else if (!result.error.empty())
                s.finish(kExitNoAnswer, result.error + " after " + std::to_string(result.received) + " of " +
                                            std::to_string(result.total) + " records");
            else if (!result.skipped.empty())
                s.finish(kExitNoAnswer, "no answer for records " + ListLogNumbers(result.skipped));
            else
                s.finish(kExitOk);
        };
        *total = range->count();
        std::string why;
        if (!recorder->startDownload(*range, std::move(events), &why)) s.finish(kExitNoAnswer, why);
    });
}

}  // namespace kdcli
