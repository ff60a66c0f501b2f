#include "visits/visit_recorder.h"

#include "link/shown_text.h"
#include "visits/clock_offset.h"
#include "visits/profile_side.h"

namespace kd::visits {

namespace {

// The answer's value: what follows "+NAME: ", without its line end.
std::string AnswerValue(const std::string& line) {
    std::string v = line;
    while (!v.empty() && (v.back() == '\r' || v.back() == '\n')) v.pop_back();
    const size_t space = v.find(' ');
    return space == std::string::npos ? v : v.substr(space + 1);
}

std::string SettingKey(const std::string& setting) {
    if (setting == "APN Password") return "apn_password";
    if (setting == "FTP Password") return "ftp_password";
    return setting;
}

}  // namespace

VisitRecorder::VisitRecorder(Identity identity, std::function<void(const Visit&)> store)
    : identity_(std::move(identity)), store_(std::move(store)) {}

void VisitRecorder::changed() {
    if (store_ && life_.open()) store_(visit_);
}

void VisitRecorder::end(int64_t nowUtc) {
    visit_.ended = nowUtc;
    if (store_) store_(visit_);
    visit_ = Visit{};
    downloaded_ = clockSet_ = false;
    awaitingAnswer_.reset();
    registration_.reset();
}

void VisitRecorder::readComplete(std::vector<FoundValue> found, int64_t nowUtc) {
    std::string device;
    for (const FoundValue& f : found)
        if (f.key == "device_id") device = f.value;
    const bool wasOpen = life_.open();
    const VisitStep step = life_.on(VisitEvent::ReadComplete, nowUtc, device);
    if (step.endsOpenVisit && wasOpen) end(nowUtc);
    // The first read's clock is what the visit found; a later one (after a set, or just
    // later) is what it leaves.
    if (!step.beginsVisit && readClock_) visit_.clockLeft = readClock_;
    if (step.beginsVisit) {
        visit_ = Visit{};
        visit_.uuid = NewUuid();
        visit_.deviceId = device;
        visit_.started = nowUtc;
        visit_.user = identity_.user;
        visit_.host = identity_.host;
        visit_.version = identity_.version;
        visit_.face = identity_.face;
        visit_.clockFound = readClock_;
    }
    if (readRegistration_) registration_ = readRegistration_;
    readClock_.reset();
    readRegistration_.reset();
    // Passwords are kept as digests only.
    for (FoundValue& f : found) {
        if (!IsPasswordKey(f.key)) continue;
        f.digest = PasswordDigest(device, f.key, f.value);
        f.value.clear();
    }
    visit_.found = std::move(found);
    visit_.model = visit_.value("model");
    visit_.firmware = visit_.value("firmware_version");
    changed();
}

void VisitRecorder::clockAnswer(const std::string& loggerTime, const std::tm& pcLocal, bool afterSet, int64_t nowUtc) {
    (void)nowUtc;
    const std::optional<int64_t> offset = ClockOffsetSeconds(AnswerValue(loggerTime), pcLocal);
    if (!offset) return;
    if (!afterSet) {
        readClock_ = offset;
        return;
    }
    if (!life_.open()) return;
    clockSet_ = true;
    visit_.clockLeft = offset;
    add(ActionKind::ClockSet, "AT+TIME=", nowUtc);
    changed();
}

Action& VisitRecorder::add(ActionKind kind, const std::string& what, int64_t nowUtc) {
    Action a;
    a.at = nowUtc;
    a.kind = kind;
    a.what = what;
    visit_.actions.push_back(std::move(a));
    return visit_.actions.back();
}

void VisitRecorder::registrationAnswer(const std::string& status) { readRegistration_ = status; }

void VisitRecorder::valuesSent(const std::vector<SentValue>& values, int64_t nowUtc) {
    if (!life_.open()) return;
    for (const SentValue& v : values) {
        Action& a = add(ActionKind::ValueSent, v.setting, nowUtc);
        a.kept = v.kept();
        if (v.password) {
            a.sent = PasswordDigest(visit_.deviceId, SettingKey(v.setting), v.sent);
            a.held = PasswordDigest(visit_.deviceId, SettingKey(v.setting), v.held);
        } else {
            a.sent = v.sent;
            a.held = v.held;
        }
    }
    changed();
}

void VisitRecorder::profileApplied(const std::string& fileName, int64_t nowUtc) {
    if (!life_.open()) return;
    add(ActionKind::ProfileApplied, fileName, nowUtc);
    changed();
}

void VisitRecorder::recordsDownloaded(const std::string& range, int received, const std::string& notReceived,
                                      int missing, int64_t nowUtc) {
    if (!life_.open()) return;
    Action& a = add(ActionKind::RecordsDownloaded, range, nowUtc);
    a.received = received;
    a.missing = missing;
    a.held = notReceived;
    a.kept = missing == 0;
    downloaded_ = true;
    changed();
}

void VisitRecorder::commandSent(ActionKind kind, const std::string& command, int64_t nowUtc) {
    if (!life_.open()) return;
    // A command is kept as the window shows it: a password typed into a custom command is not.
    Action& a = add(kind, MaskPasswords(command), nowUtc);
    a.kept = false;  // until its answer comes
    awaitingAnswer_ = visit_.actions.size() - 1;
    changed();
}

void VisitRecorder::commandAnswered(const std::string& answer) {
    if (!life_.open() || !awaitingAnswer_ || *awaitingAnswer_ >= visit_.actions.size()) return;
    Action& a = visit_.actions[*awaitingAnswer_];
    a.held = AnswerValue(MaskPasswords(answer));
    a.kept = a.held != "ERROR";  // the logger refused it
    awaitingAnswer_.reset();
    changed();
}

void VisitRecorder::signalSpans(const std::vector<Span>& spans) {
    if (!life_.open()) return;
    std::vector<Action> kept;
    for (Action& a : visit_.actions)
        if (a.kind != ActionKind::SignalSpan) kept.push_back(std::move(a));
    visit_.actions = std::move(kept);
    awaitingAnswer_.reset();  // the positions moved
    for (const Span& s : spans) {
        Action& a = add(ActionKind::SignalSpan, s.name, s.at);
        a.sent = s.mean;
        a.held = s.range;
        a.received = s.values;
    }
    changed();
}

void VisitRecorder::on(VisitEvent event, int64_t nowUtc) {
    const bool wasOpen = life_.open();
    const VisitStep step = life_.on(event, nowUtc);
    if (step.endsOpenVisit && wasOpen) end(nowUtc);
}

LeavingFacts VisitRecorder::leavingFacts(std::vector<std::string> editedNotUploaded) const {
    LeavingFacts f;
    if (!life_.open()) return f;
    f.editedNotUploaded = std::move(editedNotUploaded);
    for (const Action& a : visit_.actions) {
        if (a.kind != ActionKind::ValueSent) continue;
        // Only the latest word on each setting counts: a value sent again and kept is fine.
        std::erase_if(f.notKept, [&a](const LeavingFacts::NotKept& n) { return n.setting == a.what; });
        if (!a.kept) {
            const bool password = a.sent.rfind("sha256:", 0) == 0;
            f.notKept.push_back({a.what, password ? "(password)" : a.sent, password ? "another" : a.held});
        }
    }
    const std::string& unread = visit_.value("unread_logs");
    if (!unread.empty()) f.unread = std::atoi(unread.c_str());
    f.recordsDownloaded = downloaded_;
    f.loggingInterval = visit_.value("logging_interval");
    f.downloadInterval = visit_.value("download_interval");
    f.clockOffset = visit_.clockLeft ? visit_.clockLeft : visit_.clockFound;
    f.clockSet = clockSet_;
    f.registration = registration_;
    return f;
}

void VisitRecorder::noteLeftBehind(const std::vector<Finding>& findings) {
    if (!life_.open()) return;
    visit_.leftBehind.clear();
    for (const Finding& f : findings) visit_.leftBehind.push_back(f.reason);
    changed();
}

}  // namespace kd::visits
