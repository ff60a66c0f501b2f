#include "records/recorder.h"

#include <cstdio>

#include "app/program.h"
#include "link/commands.h"
#include "records/range.h"

namespace kd::records {

namespace {

constexpr size_t kBatch = 64;
constexpr std::chrono::seconds kBatchAge{2};

// The log number the last request asked for, when it was one ("AT+EVENT=" and digits).
std::optional<int> AskedNumber(const std::string& tx) {
    const std::string_view prefix = cmd::kEvent;
    if (tx.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    std::string_view rest(tx);
    rest.remove_prefix(prefix.size());
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) rest.remove_suffix(1);
    if (rest.empty() || rest.find_first_not_of("0123456789") != std::string_view::npos || rest.size() > 5)
        return std::nullopt;
    return std::stoi(std::string(rest));
}

std::string Now(const Program& p) {
    const std::tm t = p.platform.clock.localNow();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

}  // namespace

Recorder::Recorder(Program& p, std::filesystem::path archivePath) : p_(p), path_(std::move(archivePath)) {
    p_.onReplyHandled = [this](const std::string& name, const std::string& line) { lineHandled(name, line); };
    p_.onReplyTimeout = [this] { return replyTimeout(); };
    flushTimer_.onTimer = [this] {
        flushTimer_.setEnabled(false);
        flush();
    };
    flushTimer_.attach(&p_.platform.timers);
}

Recorder::~Recorder() {
    flush();
    p_.onReplyHandled = nullptr;
    p_.onReplyTimeout = nullptr;
    download_.reset();
    flushTimer_.attach(nullptr);
}

void Recorder::report(const std::string& text) { p_.form.StatusBox(0).setText(text); }

Archive* Recorder::archive(bool retry) {
    if (archive_ || (tried_ && !retry)) return archive_.get();
    tried_ = true;
    archive_ = Archive::open(path_, &error_);
    if (archive_) {
        if (p_.form.StatusBox(0).text().rfind(kArchiveUnavailable, 0) == 0) report("");
        error_.clear();
    } else {
        report(kArchiveUnavailable + error_);
    }
    return archive_.get();
}

void Recorder::lineHandled(const std::string& name, const std::string& line) {
    std::optional<ArchivedRecord> record;
    if (name == cmd::kLOADRecord) {
        // The same line again is a late answer to the request before (a re-send answered
        // twice), not the record now asked for: it keeps the number it came with first.
        const std::optional<int> number = line == lastRaw_ ? lastNumber_ : AskedNumber(p_.TxCommand);
        record = DecodeRecord(line, number, Now(p_));
        if (record) {
            lastRaw_ = line;
            lastNumber_ = number;
        }
    }
    // Note the answer (cheap); the write waits until the next request is out.
    if (record && archive()) {
        if (pending_.empty()) firstPending_ = std::chrono::steady_clock::now();
        pending_.push_back(*record);
    }
    if (downloading()) {
        download_->lineHandled(line, record.has_value());
        if (downloading()) return;  // its afterSend writes when due
    }
    if (!pending_.empty()) flushTimer_.setEnabled(true);
}

bool Recorder::replyTimeout() {
    if (!downloading()) return false;
    download_->timeout();
    if (!downloading() && !pending_.empty()) flushTimer_.setEnabled(true);
    return true;
}

void Recorder::flushIfDue() {
    if (pending_.size() >= kBatch ||
        (!pending_.empty() && std::chrono::steady_clock::now() - firstPending_ >= kBatchAge))
        flush();
}

void Recorder::flush() {
    flushTimer_.setEnabled(false);
    if (pending_.empty()) return;
    Archive* a = archive();
    if (!a) {
        pending_.clear();
        return;
    }
    std::string why;
    if (a->add(pending_, &why) < 0) {
        // Kept for the next try (a lock held by another program passes); reported meanwhile.
        report("Records archive: cannot write: " + why);
        if (pending_.size() > 100000) pending_.erase(pending_.begin(), pending_.begin() + 50000);
        return;
    }
    std::vector<ArchivedRecord> written;
    written.swap(pending_);
    if (onArchived) onArchived(written);
}

bool Recorder::startDownload(const RecordRange& range, DownloadEvents events, std::string* error) {
    // Refused while anything else holds the line (a download, a read, an upload, a scan) or
    // the port is closed.
    if (std::string why = p_.line.refusal(LineHolder::Download); !why.empty()) {
        if (error) *error = std::move(why);
        return false;
    }
    auto finished = std::move(events.finished);
    events.finished = [this, finished](const DownloadSummary& s) {
        flush();
        if (finished) finished(s);
    };
    download_ = std::make_unique<RangeDownload>(p_, range, std::move(events), [this] { flushIfDue(); });
    download_->start();
    archive();  // opened while the first answer comes, so a failure shows before it does
    return true;
}

void Recorder::cancelDownload() {
    if (downloading()) download_->cancel();
}

}  // namespace kd::records
