#include "records/recorder.h"

#include <cstdio>

#include "app/program.h"
#include "link/commands.h"
#include "records/range.h"

namespace kd::records {

namespace {

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

std::string NotArchivedText(const ArchiveState& s) {
    // Records on their way while the archive is fine are not worth a word.
    if (s.lost == 0 && (s.waiting == 0 || s.problem == ArchiveProblem::None)) return {};
    std::string text = "Records not archived: " + std::to_string(s.waiting + s.lost);
    if (s.lost > 0) text += " (" + std::to_string(s.lost) + " lost: too many waiting)";
    return text;
}

Recorder::Recorder(Program& p, std::filesystem::path archivePath) : p_(p), writer_(std::move(archivePath)) {
    p_.onReplyHandled = [this](const std::string& name, const std::string& line) { lineHandled(name, line); };
    p_.onReplyTimeout = [this] { return replyTimeout(); };
    pollTimer_.onTimer = [this] { poll(); };
    pollTimer_.attach(&p_.platform.timers);
}

Recorder::~Recorder() {
    writer_.flush(kCloseWait);
    p_.onReplyHandled = nullptr;
    p_.onReplyTimeout = nullptr;
    download_.reset();
    pollTimer_.attach(nullptr);
}

void Recorder::report(const std::string& text) { p_.form.StatusBox(0).setText(text); }

ArchiveState Recorder::prepareArchive() {
    writer_.open(kOpenWait);
    poll();
    return writer_.state();
}

Archive* Recorder::archive(bool retry) {
    if (reader_ || (tried_ && !retry)) return reader_.get();
    tried_ = true;
    // The writer makes (or marks) the archive; the reader only reads what it judged ours.
    const ArchiveState s = prepareArchive();
    if (s.open)
        reader_ = Archive::open(writer_.path(), &error_, nullptr, Archive::Access::Read);
    else
        error_ = s.error;
    if (reader_) {
        error_.clear();
    } else {
        report(kArchiveUnavailable + error_);
        said_ = error_;
    }
    return reader_.get();
}

void Recorder::poll() {
    // The state first: when nothing waits by then, every record written is among those taken.
    const ArchiveState s = writer_.state();
    const std::vector<ArchivedRecord> archived = writer_.takeArchived();
    if (!archived.empty() && onArchived) onArchived(archived);
    pollTimer_.setEnabled(s.waiting > 0);
    if (s.changes == seen_.changes) return;
    seen_ = s;
    // A fault is said once when it comes, and taken back when it has passed.
    if (s.problem != ArchiveProblem::None && s.error != said_) {
        said_ = s.error;
        report(kArchiveUnavailable + s.error);
    } else if (s.problem == ArchiveProblem::None && !said_.empty()) {
        said_.clear();
        if (p_.form.StatusBox(0).text().rfind(kArchiveUnavailable, 0) == 0) report("");
    }
    if (onArchiveState) onArchiveState(s);
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
    // The next request first; the record is handed over after it has gone out.
    if (downloading()) download_->lineHandled(line, record.has_value());
    if (!record) return;
    if (onRecord) onRecord(*record);
    writer_.add(std::move(*record));
    if (!pollTimer_.enabled()) pollTimer_.setEnabled(true);
}

bool Recorder::replyTimeout() {
    if (!downloading()) return false;
    download_->timeout();
    return true;
}

bool Recorder::flush(std::chrono::milliseconds limit) {
    const bool all = writer_.flush(limit);
    poll();
    return all;
}

std::string Recorder::close(std::chrono::milliseconds limit) {
    flush(limit);
    const ArchiveState s = writer_.state();
    if (s.allArchived()) return {};
    std::string why = s.error;
    const std::string file = writer_.path().string();
    if (why.rfind(file + ": ", 0) == 0) why.erase(0, file.size() + 2);
    std::string text = "records archive " + file + ": " + std::to_string(s.waiting + s.lost) + " records could not be archived";
    if (!why.empty()) text += " (" + why + ")";
    return text;
}

bool Recorder::startDownload(const RecordRange& range, DownloadEvents events, std::string* error) {
    // Refused while anything else holds the line (a download, a read, an upload, a scan) or
    // the port is closed.
    if (std::string why = p_.line.refusal(LineHolder::Download); !why.empty()) {
        if (error) *error = std::move(why);
        return false;
    }
    auto finished = std::move(events.finished);
    events.finished = [this, finished, range](const DownloadSummary& s) {
        poll();  // what the archive holds and says of this download, before it is reported
        if (onDownloadFinished) onDownloadFinished(range, s);
        if (finished) finished(s);
    };
    download_ = std::make_unique<RangeDownload>(p_, range, std::move(events), nullptr);
    download_->start();
    return true;
}

void Recorder::cancelDownload() {
    if (downloading()) download_->cancel();
}

}  // namespace kd::records
