#pragma once
// Feeds a program's traffic to its visit recorder: when a read of the whole chain ends, the
// clock and registration answers, the end of an upload, maintenance and custom commands with
// their answers. The faces add what only they see (a profile applied, a download's summary,
// Disconnect, File > New, Exit) through recorder().
#include <cstdint>
#include <functional>
#include <string>

#include "app/program.h"
#include "app/timer.h"
#include "visits/visit_recorder.h"

namespace kd::visits {

class ProgramVisits {
public:
    // utcNow: seconds since 1970, UTC (the faces pass the system clock, tests their own).
    ProgramVisits(Program& p, Identity identity, std::function<void(const Visit&)> store,
                  std::function<int64_t()> utcNow);
    ~ProgramVisits();
    ProgramVisits(const ProgramVisits&) = delete;
    ProgramVisits& operator=(const ProgramVisits&) = delete;

    VisitRecorder& recorder() { return recorder_; }
    int64_t now() const { return utcNow_(); }
    // The settings shown red (edited, not on the logger), named as the upload preview names them.
    std::vector<std::string> editedNotUploaded() const;
    // What "Before you leave" finds now; empty when no visit is open.
    std::vector<Finding> findings() const;
    // Edit > "Check before leaving": when off, nothing is asked (the findings are still kept).
    bool checkBeforeLeaving = true;
    // Leaving the logger: asks "Before you leave" when something is found; false when the
    // technician chose to stay. Keeps the findings with the visit and ends it (File > New,
    // Exit) or starts its 30 minutes (Disconnect).
    bool leave(Program::Leaving what);
    // The signal monitor's spans into the visit (also done on leaving).
    void keepSignalSpans();

private:
    bool askBeforeLeaving();
    void commandSent(const std::string& command);
    void replyHandled(const std::string& name, const std::string& line);

    Program& p_;
    VisitRecorder recorder_;
    std::function<int64_t()> utcNow_;
    bool reading_ = false;         // a "Load Settings" chain is under way
    bool clockSetAwaited_ = false;
    bool commandAwaited_ = false;  // a maintenance or custom command awaits its answer
    bool uploading_ = false;
    // Ends a visit 30 minutes after a Disconnect even when nothing else happens.
    Timer idle_{"VisitIdle", 60000, true};
};

// The computer's user and host names and this program's version, for a visit.
Identity ThisComputer(const std::string& version, const std::string& face);

}  // namespace kd::visits
