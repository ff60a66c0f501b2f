#include "jobs.h"

#include <functional>
#include <memory>
#include <optional>

#include "exit_status.h"
#include "link/commands.h"
#include "link/engine.h"
#include "network/maintenance.h"
#include "params/upload.h"
#include "profiles/profile_apply.h"
#include "profiles/upload_check.h"
#include "profiles/upload_preview.h"
#include "read_values.h"
#include "records/csv.h"
#include "records/recorder.h"
#include "replies/extract.h"
#include "session.h"

namespace kdcli {

namespace {

// "No Response from device": the core has sent the query RetryLimit times and given up.
void FailOnNoResponse(Session& s) {
    s.onMessage = [&s](const std::string&, const std::string&) {
        const int sends = s.program().RetryLimit;
        s.finish(kExitNoAnswer, "no answer to " + s.lastCommand() + " (sent " + std::to_string(sends) + " times)");
    };
}

// Runs "Load Settings" as the window does; `then` once nothing is awaited any more (after the
// newest record, or after the rain gauge when the logger holds none).
void LoadSettings(Session& s, std::function<void()> then) {
    kd::Program& p = s.program();
    FailOnNoResponse(s);
    s.afterInput = [&s, &p, then] {
        if (p.ReplyState != 0) return;
        const std::function<void()> next = then;  // this hook goes now
        s.afterInput = nullptr;
        next();
    };
    p.form.LoadSettings.click();
}

}  // namespace

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
        if (applied.networkIgnored) s.outcome().notes.push_back("the profile's hub device table is left out: not a hub");
        if (applied.simTypeIgnored)
            s.outcome().notes.push_back("the profile's SIM card type is left out: the logger reports none");
        Outcome& o = s.outcome();
        auto masked = [](const std::string& v, bool password) { return password ? std::string(v.size(), '*') : v; };
        if (dryRun) {
            o.rowKind = Outcome::RowKind::Preview;
            for (const kd::UploadPreviewRow& r : kd::UploadPreview(p))
                o.rows.push_back({r.setting, masked(r.onLogger, r.password),
                                  r.sendsValue ? masked(r.newValue, r.password) : std::string(), true});
            s.finish(kExitOk);
            return;
        }
        o.rowKind = Outcome::RowKind::Sent;
        auto report = [&s, &p, masked] {
            Outcome& out = s.outcome();
            out.rows.clear();
            for (const kd::SentValue& v : kd::CheckedValues(p))
                out.rows.push_back({v.setting, masked(v.sent, v.password), masked(v.held, v.password), v.kept()});
        };
        if (kd::PendingUploadItems(p).empty()) {
            s.outcome().notes.push_back("nothing to send: the logger holds the profile's values");
            s.finish(kExitOk);
            return;
        }
        // A value the window's checks refuse comes as its message, during the press.
        std::string refused;
        s.onMessage = [&refused](const std::string& text, const std::string&) { refused = text; };
        kd::Uploadbutton_Click(p);
        if (!refused.empty()) {
            s.finish(kExitFile, "profile " + profile.name + " refused: " + refused);
            return;
        }
        s.onMessage = [&s, report](const std::string& text, const std::string&) {
            // The list of values not kept comes at the end, and the end is seen below.
            if (text.rfind("No Response", 0) != 0) return;
            report();
            s.finish(kExitNoAnswer, "no answer to " + s.lastCommand() + " (sent " +
                                        std::to_string(s.program().RetryLimit) + " times); " +
                                        std::to_string(s.outcome().rows.size()) + " values answered before");
        };
        s.afterInput = [&s, &p, report] {
            if (p.ReplyState != 0 || p.profiles.check.running) return;
            report();
            const std::string unkept = kd::UnkeptValuesText(kd::CheckedValues(p), true);
            if (unkept.empty()) {
                s.finish(kExitOk);
                return;
            }
            std::string named;
            for (const char c : unkept) named += c == '\n' ? std::string("; ") : std::string(1, c);
            s.finish(kExitNotKept, "not kept: " + named);
        };
    });
}

void StartSetTime(Session& s) {
    kd::Program& p = s.program();
    FailOnNoResponse(s);
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
    const std::string sent = s.lastCommand();
    s.setDeadline(p.form.ReplyTimeout.interval(), [&s, sent] { s.finish(kExitNoAnswer, "no answer to " + sent); });
}

void StartSend(Session& s, const std::string& command) {
    kd::Program& p = s.program();
    const int quiet = p.form.ReplyTimeout.interval();
    s.outcome().hasLines = true;
    s.watchStall = false;  // the quiet time below ends it, even amid a stream of lines
    auto end = [&s, command] {
        std::string rest = s.takeUnfinishedLine();
        if (!rest.empty()) s.outcome().lines.push_back(std::move(rest));
        if (s.outcome().lines.empty())
            s.finish(kExitNoAnswer, "no answer to " + command);
        else
            s.finish(kExitOk);
    };
    // The dispatcher stays out of it: a reply it knows would go on with a read, and this
    // sends the one command asked for.
    s.rawLine = [&s, quiet, end](const std::string& line) {
        s.outcome().lines.push_back(line);
        s.setDeadline(quiet, end);
    };
    p.ReplyState = 0;  // the answer belongs to no read and no upload
    p.TxCommand = command + p.LineEnd;
    kd::SendCommand(p);
    s.setDeadline(quiet, end);
}

void StartRecords(Session& s, const Invocation& what) {
    using namespace kd::records;
    kd::Program& p = s.program();
    auto recorder = std::make_shared<Recorder>(p);
    s.jobState = recorder;
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
