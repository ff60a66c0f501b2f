#pragma once
// Keeps every record a program fetches, by any path (a single fetch, the newest record of a
// read, a range download), in the records archive, and runs range downloads. The archive
// never stands between an answer and the next command: an answer is noted, the next request
// goes out, and the record is handed to the archive's writer thread, which writes it within
// moments, or keeps it until the archive can be written (another program's lock passes, a
// refused file is put right). The state of the archive comes back on the program's thread.
//
//   kd::records::Recorder recorder(program);             // default archive path
//   std::string error;
//   recorder.startDownload({4090, 5}, events, &error);   // on a connected program
//   ... the event loop runs; events.finished reports the summary ...
//   recorder.close();                                    // at the end: "" or what was not archived
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/timer.h"
#include "records/archive.h"
#include "records/archive_writer.h"
#include "records/download.h"
#include "records/range.h"
#include "records/record.h"

namespace kd {
class Program;
}

namespace kd::records {

inline constexpr const char* kArchiveUnavailable = "Records archive unavailable: ";

// The window's lasting word while records of this run are not archived ("Records not
// archived: 17"), empty when every record noted is archived or on its way without a fault.
std::string NotArchivedText(const ArchiveState& s);

class Recorder {
public:
    static constexpr std::chrono::milliseconds kFlushWait{250};    // before an export or a chart
    static constexpr std::chrono::milliseconds kOpenWait{2000};
    static constexpr std::chrono::milliseconds kCloseWait{3000};   // at the program's end

    // Attaches to the program (its reply hooks); the archive is opened when first needed.
    // One recorder to a program at a time: destroy the old one before making another.
    explicit Recorder(Program& p, std::filesystem::path archivePath = DefaultArchivePath());
    // Writes what is noted, waiting at most kCloseWait.
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // A connection for reading on the caller's thread (export, chart), opened once the writer
    // has the archive ready; nullptr when it cannot be (the status line and archiveError()
    // say why). retry: try a failed open again (the technician asked for it).
    Archive* archive(bool retry = false);
    const std::string& archiveError() const { return error_; }
    const std::filesystem::path& archivePath() const { return writer_.path(); }
    // Has the writer open the archive now and reports how that went (bounded by kOpenWait).
    ArchiveState prepareArchive();

    // Waits up to `limit` until every record noted is archived; true then.
    bool flush(std::chrono::milliseconds limit = kFlushWait);
    size_t pending() const { return writer_.state().waiting; }
    ArchiveState archiveState() const { return writer_.state(); }
    // At the program's end: waits up to `limit` for the records noted to be archived; for
    // people, how many could not be and why ("" when all were).
    std::string close(std::chrono::milliseconds limit = kCloseWait);

    // On the program's thread: each record as it is noted (before it is archived), the
    // records of each batch archived, and the archive's state whenever it changes.
    std::function<void(const ArchivedRecord&)> onRecord;
    std::function<void(const std::vector<ArchivedRecord>&)> onArchived;
    std::function<void(const ArchiveState&)> onArchiveState;
    // After each range download, whoever started it: the range and what came of it.
    std::function<void(const RecordRange&, const DownloadSummary&)> onDownloadFinished;

    // The visit as it stands, written beside the records off the line's path.
    void keepVisit(const visits::Visit& visit) { writer_.addVisit(visit); }

    // Starts downloading the range on the connected program. False with the reason when
    // the port is closed or the line's holder refuses it (a download, a read or a scan runs).
    bool startDownload(const RecordRange& range, DownloadEvents events, std::string* error);
    void cancelDownload();
    bool downloading() const { return download_ && download_->active(); }

private:
    void lineHandled(const std::string& name, const std::string& line);
    bool replyTimeout();
    void poll();
    void report(const std::string& text);

    Program& p_;
    ArchiveWriter writer_;
    std::unique_ptr<Archive> reader_;
    bool tried_ = false;
    std::string error_;
    ArchiveState seen_;
    std::string said_;  // the fault last said on the status line
    std::string lastRaw_;
    std::optional<int> lastNumber_;
    Timer pollTimer_{"RecordsArchive", 250, false};
    std::unique_ptr<RangeDownload> download_;
};

}  // namespace kd::records
