#pragma once
// A range download: one "AT+EVENT=n" per answer through the command engine, each answer
// shown and stored in the log list as a single fetch is. A record that does not come is
// sent for again on each reply time-out, five times in all, then skipped and listed; cancel
// stops after the record awaited. The download holds the line meanwhile (nothing else sends,
// and the buttons that would are held disabled); Disconnect or a lost port ends it.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "records/range.h"

namespace kd {
class Program;
}  // namespace kd

namespace kd::records {

struct DownloadSummary {
    int total = 0;
    int received = 0;
    std::vector<int> skipped;  // log numbers not received, in the order asked
    bool cancelled = false;
    std::string error;         // why it stopped early (the port closed), else empty
};

struct DownloadEvents {
    // After each record received or skipped: records done of total.
    std::function<void(int done, int total)> progress;
    std::function<void(int logNumber)> skipped;
    std::function<void(const DownloadSummary&)> finished;
};

inline constexpr int kDownloadSends = 5;  // sends of one request in all, as a read's queries

class RangeDownload {
public:
    // afterSend runs right after each request has gone out: the moment to write to disk.
    RangeDownload(Program& p, RecordRange range, DownloadEvents events, std::function<void()> afterSend);
    ~RangeDownload();
    void start();
    void cancel() { cancelRequested_ = true; }
    bool active() const { return active_; }
    const DownloadSummary& summary() const { return summary_; }

    // The engine's hooks while active: a reply line handled (record: it was a whole record),
    // and a reply time-out tick.
    void lineHandled(const std::string& line, bool record);
    void timeout();

private:
    void send();
    void advance();
    void finish(std::string error);

    Program& p_;
    RecordRange range_;
    DownloadEvents events_;
    std::function<void()> afterSend_;
    DownloadSummary summary_;
    int index_ = 0;   // of the record awaited
    int sends_ = 0;   // of its request so far
    bool active_ = false;
    bool cancelRequested_ = false;
    std::string lastRecord_;  // a late second answer to the previous request is not this one
};

}  // namespace kd::records
