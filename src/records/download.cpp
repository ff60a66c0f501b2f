#include "records/download.h"

#include "app/program.h"
#include "link/commands.h"
#include "link/engine.h"
#include "network/logs.h"

namespace kd::records {

RangeDownload::RangeDownload(Program& p, RecordRange range, DownloadEvents events, std::function<void()> afterSend)
    : p_(p), range_(range), events_(std::move(events)), afterSend_(std::move(afterSend)) {
    summary_.total = range_.count();
}

RangeDownload::~RangeDownload() {
    if (active_) p_.line.release(LineHolder::Download);
}

// The caller has asked the line (LineOwner::mayStart).
void RangeDownload::start() {
    active_ = true;
    p_.line.hold(LineHolder::Download, [this] {
        // The request out is not sent again, on this port or the next one.
        p_.form.ReplyTimeout.setEnabled(false);
        finish("the port was closed");
    });
    send();
}

void RangeDownload::send() {
    sends_ = 1;
    // ReplyState stays idle, as a single fetch leaves it; the download keeps its own count.
    p_.TxCommand = std::string(cmd::kEvent) + std::to_string(range_.at(index_)) + p_.LineEnd;
    SendCommand(p_);
    if (afterSend_) afterSend_();
}

void RangeDownload::lineHandled(const std::string& line, bool record) {
    if (!active_) return;
    if (record && line != lastRecord_) {
        lastRecord_ = line;
        ++summary_.received;
        advance();
        return;
    }
    // Any line stops the reply time-out; a line that is not the record awaited (a status
    // line, a garbled or repeated answer) must not leave the download waiting for ever.
    if (active_) p_.form.ReplyTimeout.setEnabled(true);
}

void RangeDownload::timeout() {
    if (!p_.Comport.isOpen()) {
        p_.form.ReplyTimeout.setEnabled(false);
        finish("the port was closed");
        return;
    }
    if (++sends_ <= kDownloadSends) {
        p_.form.ReplyTimeout.setEnabled(false);
        const std::string command = std::string(cmd::kEvent) + std::to_string(range_.at(index_)) + p_.LineEnd;
        p_.TxCommand = command;
        SendCommand(p_);
        return;
    }
    p_.form.ReplyTimeout.setEnabled(false);
    const int n = range_.at(index_);
    summary_.skipped.push_back(n);
    if (events_.skipped) events_.skipped(n);
    advance();
}

void RangeDownload::advance() {
    ++index_;
    const bool done = index_ >= summary_.total;
    if (!done && !cancelRequested_ && p_.Comport.isOpen()) {
        send();
        if (events_.progress) events_.progress(index_, summary_.total);
        return;
    }
    if (events_.progress) events_.progress(index_, summary_.total);
    summary_.cancelled = !done && cancelRequested_;
    finish(!done && !cancelRequested_ ? "the port was closed" : "");
}

void RangeDownload::finish(std::string error) {
    if (!active_) return;
    active_ = false;
    summary_.error = std::move(error);
    p_.line.release(LineHolder::Download);
    p_.RetryCount = 0;
    if (events_.finished) events_.finished(summary_);
}

}  // namespace kd::records
