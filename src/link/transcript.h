#pragma once
// Every line sent to and received from the logger in this connection, with its time to the
// millisecond, as evidence for support: "2026-12-10 14:30:00.123 > AT+SNR?".
//
// The engine records raw bytes and a packed time stamp only; masking and escaping happen when
// the text is written out, so keeping the transcript costs the wire one copy of each line and
// no allocation per line (the store grows in large steps and is compacted rarely).
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "app/platform.h"

namespace kd {

enum class TrafficDirection : char { Sent = '>', Received = '<' };

// One transcript line as written out, line feed included: local time, direction, the line
// with passwords masked and every byte a terminal could act on shown visibly. Appends to out.
void AppendTranscriptLine(std::string& out, const LocalTime& at, TrafficDirection direction,
                          std::string_view line, std::string_view label = {});

class Transcript {
public:
    // The newest lines whose written size (stamp, direction, raw line and line feed) comes to
    // at most this many bytes are kept.
    static constexpr std::size_t kDefaultLimit = std::size_t{8} << 20;
    // A received line longer than this (a logger that never sends a line feed) is kept in
    // pieces of this size, so no byte is lost and memory stays bounded.
    static constexpr std::size_t kMaxLine = 4096;

    explicit Transcript(std::size_t limit = kDefaultLimit) : limit_(limit) {}

    // A new connection starts a new transcript.
    void clear();
    // A command as it went out; its line end is not part of the line.
    void sent(std::string_view bytes, const LocalTime& at);
    // Bytes as they came in, in any pieces; a line is complete at its line feed (a CR before
    // it is the line end) and stamped with the time that line feed arrived.
    void received(std::string_view bytes, const LocalTime& at);
    // The connection ended: an unfinished received line becomes a line of its own.
    void endLine(const LocalTime& at);

    // The whole transcript as text, oldest line first; an unfinished received line last.
    std::string text() const;
    std::size_t lineCount() const { return lines_.size(); }
    std::size_t size() const { return counted_; }

    // Each line once it is complete, with its time, for a face that writes as it goes.
    std::function<void(const LocalTime& at, TrafficDirection direction, std::string_view line)> onLine;
    // Whether lines are kept for text(); a face that offers no saving (the command line) turns
    // it off and then pays nothing unless it has onLine.
    bool keep = true;
    bool wanted() const { return keep || static_cast<bool>(onLine); }

    // Where the transcript was last saved ("" when it was not), so a report can name it.
    std::string savedTo;

private:
    struct Entry {
        std::int64_t stamp;   // local time packed as YYYYMMDDhhmmssmmm
        std::uint64_t start;  // position in the stream of kept bytes
        std::uint32_t length;
        TrafficDirection direction;
    };
    void add(std::string_view line, const LocalTime& at, TrafficDirection direction);
    void trim();

    std::size_t limit_;
    std::string bytes_;         // the lines' bytes, back to back; bytes_[0] is at base_
    std::uint64_t base_ = 0;
    std::deque<Entry> lines_;
    std::size_t counted_ = 0;   // written size of the kept lines
    std::string pending_;       // received bytes after the last line feed
    LocalTime pendingAt_{};
};

// Local time to the millisecond as one number, YYYYMMDDhhmmssmmm, and back.
std::int64_t PackStamp(const LocalTime& at);
LocalTime UnpackStamp(std::int64_t stamp);

}  // namespace kd
