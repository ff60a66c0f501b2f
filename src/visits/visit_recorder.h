#pragma once
// Keeps the open visit of one program run as things happen: the lifecycle's events, what a
// read found, the clock, and each thing done. Every change hands the whole visit to `store`
// (the archive's writer keeps the latest of each visit), so a run that ends abruptly loses
// at most what its writer had not written.
//
//   VisitRecorder visits(identity, [&writer](const Visit& v) { writer.addVisit(v); });
//   visits.readComplete(found, nowUtc);              // begins or goes on with a visit
//   visits.clockAnswer("26/12/10,14:30:00", pcLocal, nowUtc);
//   visits.valuesSent(checked, nowUtc);
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "profiles/session.h"
#include "visits/before_leaving.h"
#include "visits/lifecycle.h"
#include "visits/visit.h"

namespace kd::visits {

struct Identity {
    std::string user, host, version, face;  // face: "window" or "command line"
};

class VisitRecorder {
public:
    VisitRecorder(Identity identity, std::function<void(const Visit&)> store);

    // A read of the whole chain ended with these values (FoundValues). Begins a visit, or
    // goes on with the open one when it is the same device; ends the open one first when not.
    void readComplete(std::vector<FoundValue> found, int64_t nowUtc);
    // The logger's "+TIME:" answer and the computer's local time at its arrival; afterSet: the
    // answer to a clock set (the offset the visit leaves).
    void clockAnswer(const std::string& loggerTime, const std::tm& pcLocal, bool afterSet, int64_t nowUtc);
    // Field 2 of the read's "+CREG:" answer (1 home, 5 roaming: registered).
    void registrationAnswer(const std::string& status);
    // The values an upload sent with what the logger then held.
    void valuesSent(const std::vector<SentValue>& values, int64_t nowUtc);
    void profileApplied(const std::string& fileName, int64_t nowUtc);
    void recordsDownloaded(const std::string& range, int received, const std::string& notReceived, int missing,
                           int64_t nowUtc);
    // A maintenance or custom command and, once answered, what the logger said.
    void commandSent(ActionKind kind, const std::string& command, int64_t nowUtc);
    void commandAnswered(const std::string& answer);

    // The signal monitor's spans as they stand (name, mean, min, max, values): they replace
    // the ones kept before, in place of the first.
    struct Span {
        std::string name, mean, range;
        int values = 0;
        int64_t at = 0;
    };
    void signalSpans(const std::vector<Span>& spans);

    // Disconnect, File > New, Exit and the passing of time (Tick) as the lifecycle knows them.
    void on(VisitEvent event, int64_t nowUtc);

    // The open visit, nullptr when none.
    const Visit* open() const { return life_.open() ? &visit_ : nullptr; }
    // What "Before you leave" would find in the open visit, given what the window shows now:
    // the settings edited but not uploaded, the unread count, intervals and registration.
    LeavingFacts leavingFacts(std::vector<std::string> editedNotUploaded) const;
    // Keeps what the check found with the visit as it ends.
    void noteLeftBehind(const std::vector<Finding>& findings);

private:
    void end(int64_t nowUtc);
    void changed();
    Action& add(ActionKind kind, const std::string& what, int64_t nowUtc);

    Identity identity_;
    std::function<void(const Visit&)> store_;
    VisitLifecycle life_;
    Visit visit_;
    bool downloaded_ = false;
    bool clockSet_ = false;
    std::optional<size_t> awaitingAnswer_;  // the command action its answer completes
    // What the read under way found before it completes: it belongs to the visit the read
    // begins or goes on with, not to the one open now.
    std::optional<int64_t> readClock_;
    std::optional<std::string> readRegistration_;
    std::optional<std::string> registration_;
};

}  // namespace kd::visits
