#include "jobs.h"

#include <memory>

#include "exit_status.h"
#include "link/commands.h"
#include "link/engine.h"
#include "network/maintenance.h"
#include "read_values.h"
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

}  // namespace

void StartRead(Session& s) {
    kd::Program& p = s.program();
    FailOnNoResponse(s);
    s.afterInput = [&s, &p] {
        // The read is over when nothing is awaited any more: after the newest record, or
        // after the rain gauge when the logger holds no record.
        if (p.ReplyState != 0) return;
        s.outcome().fields = ReadValues(p);
        s.finish(kExitOk);
    };
    p.form.LoadSettings.click();
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

}  // namespace kdcli
