#pragma once
// Keeps every record a program fetches, by any path (a single fetch, the newest record of a
// read, a range download), in the records archive, and runs range downloads. The archive
// never stands between an answer and the next command: an answer is noted, the next request
// goes out, and only then are the noted records written, a batch per transaction.
//
//   kd::records::Recorder recorder(program);             // default archive path
//   std::string error;
//   recorder.startDownload({4090, 5}, events, &error);   // on a connected program
//   ... the event loop runs; events.finished reports the summary ...
//   recorder.flush();                                    // also done by the destructor
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/timer.h"
#include "records/archive.h"
#include "records/download.h"
#include "records/range.h"
#include "records/record.h"

namespace kd {
class Program;
}

namespace kd::records {

inline constexpr const char* kArchiveUnavailable = "Records archive unavailable: ";

class Recorder {
public:
    // Attaches to the program (its reply hooks); the archive is opened when first needed.
    // One recorder to a program at a time: destroy the old one before making another.
    explicit Recorder(Program& p, std::filesystem::path archivePath = DefaultArchivePath());
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // The archive, opened on first use; nullptr when it cannot be (the status line and
    // archiveError() say why). retry: try a failed open again (the technician asked for it).
    Archive* archive(bool retry = false);
    const std::string& archiveError() const { return error_; }
    const std::filesystem::path& archivePath() const { return path_; }

    // Writes the records noted so far, one transaction.
    void flush();
    size_t pending() const { return pending_.size(); }
    // After each batch written: the records of it.
    std::function<void(const std::vector<ArchivedRecord>&)> onArchived;

    // Starts downloading the range on the connected program. False with the reason when
    // the port is closed or the line's holder refuses it (a download, a read or a scan runs).
    bool startDownload(const RecordRange& range, DownloadEvents events, std::string* error);
    void cancelDownload();
    bool downloading() const { return download_ && download_->active(); }

private:
    void lineHandled(const std::string& name, const std::string& line);
    bool replyTimeout();
    void flushIfDue();
    void report(const std::string& text);

    Program& p_;
    std::filesystem::path path_;
    std::unique_ptr<Archive> archive_;
    bool tried_ = false;
    std::string error_;
    std::vector<ArchivedRecord> pending_;
    std::string lastRaw_;
    std::optional<int> lastNumber_;
    std::chrono::steady_clock::time_point firstPending_{};
    Timer flushTimer_{"RecordsFlush", 250, false};
    std::unique_ptr<RangeDownload> download_;
};

}  // namespace kd::records
