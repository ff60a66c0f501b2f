#include "link/transcript.h"

#include <cstdio>

#include "link/shown_text.h"

namespace kd {

namespace {
// "YYYY-MM-DD hh:mm:ss.mmm", a blank, the direction, a blank; and the line feed.
constexpr std::size_t kStampSize = 23;
constexpr std::size_t kLineOverhead = kStampSize + 3 + 1;

std::string_view WithoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}
}  // namespace

std::int64_t PackStamp(const LocalTime& at) {
    const std::tm& t = at.tm;
    std::int64_t v = t.tm_year + 1900;
    for (int part : {t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec}) v = v * 100 + part;
    return v * 1000 + at.millisecond;
}

LocalTime UnpackStamp(std::int64_t v) {
    LocalTime at;
    at.millisecond = static_cast<int>(v % 1000);
    v /= 1000;
    int* parts[] = {&at.tm.tm_sec, &at.tm.tm_min, &at.tm.tm_hour, &at.tm.tm_mday, &at.tm.tm_mon};
    for (int* part : parts) {
        *part = static_cast<int>(v % 100);
        v /= 100;
    }
    at.tm.tm_mon -= 1;
    at.tm.tm_year = static_cast<int>(v) - 1900;
    return at;
}

void AppendTranscriptLine(std::string& out, const LocalTime& at, TrafficDirection direction,
                          std::string_view line, std::string_view label) {
    char stamp[64];
    const std::tm& t = at.tm;
    const int n = std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d ", t.tm_year + 1900,
                                t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, at.millisecond);
    out.append(stamp, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (!label.empty()) {
        out += label;
        out += ' ';
    }
    out += static_cast<char>(direction);
    out += ' ';
    out += VisibleText(MaskPasswords(line));
    out += '\n';
}

void Transcript::clear() {
    bytes_.clear();
    base_ = 0;
    lines_.clear();
    counted_ = 0;
    pending_.clear();
    savedTo.clear();
}

void Transcript::sent(std::string_view bytes, const LocalTime& at) {
    if (bytes.empty()) return;
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.remove_suffix(1);
    // A command holding a line feed went out as several lines.
    for (;;) {
        const std::size_t lf = bytes.find('\n');
        add(WithoutLineEnd(bytes.substr(0, lf)), at, TrafficDirection::Sent);
        if (lf == std::string_view::npos) break;
        bytes.remove_prefix(lf + 1);
    }
}

void Transcript::received(std::string_view bytes, const LocalTime& at) {
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        std::string_view piece = bytes.substr(0, lf);
        // Whole pieces of an overlong line go out as lines of their own.
        while (pending_.size() + piece.size() > kMaxLine) {
            const std::size_t room = kMaxLine - pending_.size();
            pending_.append(piece.substr(0, room));
            piece.remove_prefix(room);
            add(pending_, at, TrafficDirection::Received);
            pending_.clear();
        }
        pending_.append(piece);
        pendingAt_ = at;
        if (lf == std::string_view::npos) return;
        add(WithoutLineEnd(pending_), at, TrafficDirection::Received);
        pending_.clear();
        bytes.remove_prefix(lf + 1);
    }
}

void Transcript::endLine(const LocalTime& at) {
    if (pending_.empty()) return;
    add(WithoutLineEnd(pending_), at, TrafficDirection::Received);
    pending_.clear();
}

void Transcript::add(std::string_view line, const LocalTime& at, TrafficDirection direction) {
    if (onLine) onLine(at, direction, line);
    if (!keep) return;
    lines_.push_back({PackStamp(at), base_ + bytes_.size(), static_cast<std::uint32_t>(line.size()), direction});
    bytes_.append(line);
    counted_ += kLineOverhead + line.size();
    trim();
}

void Transcript::trim() {
    while (counted_ > limit_ && !lines_.empty()) {
        counted_ -= kLineOverhead + lines_.front().length;
        lines_.pop_front();
    }
    // The bytes of dropped lines go in one move once they are a quarter of the store, so each
    // byte is moved a few times at most over its life.
    const std::uint64_t head = lines_.empty() ? base_ + bytes_.size() : lines_.front().start;
    const std::size_t dead = static_cast<std::size_t>(head - base_);
    if (dead > 0 && (dead == bytes_.size() || dead > bytes_.size() / 4)) {
        bytes_.erase(0, dead);
        base_ = head;
    }
}

std::string Transcript::text() const {
    std::string out;
    out.reserve(counted_ + counted_ / 8 + pending_.size() + kLineOverhead);
    for (const Entry& e : lines_)
        AppendTranscriptLine(out, UnpackStamp(e.stamp), e.direction,
                             std::string_view(bytes_).substr(static_cast<std::size_t>(e.start - base_), e.length));
    if (!pending_.empty()) AppendTranscriptLine(out, pendingAt_, TrafficDirection::Received, WithoutLineEnd(pending_));
    return out;
}

}  // namespace kd
