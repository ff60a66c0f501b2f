#pragma once
// Writes records to the archive on a thread of its own, with its own connection, so that a
// lock held by another program, a checkpoint or a slow disk never delays the thread that
// drives the port: that thread only hands records over. What cannot be written yet is kept
// (up to a limit, the rest counted as lost) and written as soon as the archive can be; an
// archive that cannot be opened is tried again, once a second while records wait.
//
//   kd::records::ArchiveWriter writer(path);
//   writer.add(record);                          // never waits on the disk
//   writer.flush(std::chrono::seconds(3));       // waits, bounded, until all is written
//   writer.state().waiting                       // records not archived yet
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <map>

#include "records/archive.h"
#include "records/record.h"
#include "visits/visit.h"

namespace kd::records {

struct ArchiveState {
    bool open = false;                               // the writer holds the archive now
    ArchiveProblem problem = ArchiveProblem::None;   // why not, or why the last write failed
    std::string error;                               // for people; names the file
    size_t waiting = 0;                              // handed over, not archived yet
    size_t visitsWaiting = 0;                        // visits changed, not written yet
    size_t lost = 0;                                 // not kept: more than the limit waited
    unsigned long long changes = 0;                  // counts every change of the above

    bool allArchived() const { return waiting == 0 && lost == 0 && visitsWaiting == 0; }
};

class ArchiveWriter {
public:
    static constexpr size_t kKeepLimit = 100000;
    static constexpr std::chrono::milliseconds kRetry{1000};

    explicit ArchiveWriter(std::filesystem::path path, size_t keepLimit = kKeepLimit);
    // Stops after the write under way; what has not been written by then is not (flush first).
    ~ArchiveWriter();
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    const std::filesystem::path& path() const { return path_; }

    void add(ArchivedRecord record);
    // The visit as it stands now; of several handed over before a write, the latest is written.
    void addVisit(visits::Visit visit);
    // Opens the archive now (tries again at once when it failed) and waits up to `limit` for
    // the outcome of that attempt.
    ArchiveState open(std::chrono::milliseconds limit);
    // Waits until everything handed over is archived, or `limit` passes, or an attempt made
    // meanwhile finds the archive unusable for a reason that does not pass by itself. True
    // when nothing waits.
    bool flush(std::chrono::milliseconds limit);
    ArchiveState state() const;
    // The records archived since the last call, in the order handed over.
    std::vector<ArchivedRecord> takeArchived();

private:
    void run();
    bool tryOpen(std::unique_lock<std::mutex>& lock);
    void tryWrite(std::unique_lock<std::mutex>& lock);
    void tryWriteVisits(std::unique_lock<std::mutex>& lock);
    void changed();

    const std::filesystem::path path_;
    const size_t keepLimit_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;   // work for the thread
    std::condition_variable done_;   // an attempt ended
    std::vector<ArchivedRecord> queue_;
    std::map<std::string, visits::Visit> visits_;  // by uuid: the latest of each, not written yet
    std::vector<ArchivedRecord> archived_;
    std::unique_ptr<Archive> archive_;  // used on the thread only
    ArchiveState state_;
    unsigned long long attempts_ = 0;
    bool openAsked_ = false;
    bool stop_ = false;
    std::chrono::steady_clock::time_point nextTry_{};
    std::thread thread_;  // last: starts once everything above is made
};

}  // namespace kd::records
