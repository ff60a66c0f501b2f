#include "network/signal_monitor.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "app/program.h"
#include "basic/basic.h"

namespace kd {

void SignalStats::add(double v) {
    min = count ? std::min(min, v) : v;
    max = count ? std::max(max, v) : v;
    sum += v;
    ++count;
}

std::optional<double> SignalStats::mean() const {
    if (count == 0) return std::nullopt;
    return sum / static_cast<double>(count);
}

SignalMonitor::SignalMonitor()
    : clock_([] {
          return std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now().time_since_epoch())
              .count();
      }) {}

void SignalMonitor::add(double value) {
    const int64_t t = now();
    samples_.push_back({t, value});
    if (samples_.size() > kMaxSamples) samples_.pop_front();
    trim(t);
    if (current_) spans_[*current_].stats.add(value);
    if (!lastAnnounced_ || std::fabs(value - *lastAnnounced_) >= kAnnounceStep) {
        lastAnnounced_ = value;
        ++announcements_;
    }
    changed();
}

void SignalMonitor::trim(int64_t nowMs) {
    while (!samples_.empty() && samples_.front().atMs < nowMs - kWindowMs) samples_.pop_front();
}

void SignalMonitor::startSpan(std::string name, const std::tm& wall) {
    // A span from opening that saw no value says nothing; a named one is the technician's.
    if (!spans_.empty() && spans_.back().name.empty() && spans_.back().stats.count == 0) spans_.pop_back();
    if (spans_.size() >= kMaxSpans) spans_.erase(spans_.begin());
    spans_.push_back({std::move(name), wall, now(), {}});
    current_ = spans_.size() - 1;
}

void SignalMonitor::open(const std::tm& wall) {
    if (isOpen()) return;
    startSpan({}, wall);
    announceLatest();
    changed();
}

void SignalMonitor::close() {
    if (!isOpen()) return;
    if (spans_.back().name.empty() && spans_.back().stats.count == 0) spans_.pop_back();
    current_.reset();
    changed();
}

void SignalMonitor::announceLatest() {
    // Whoever opens the monitor hears the value it shows, whatever was said before; with none
    // yet, the first to come.
    lastAnnounced_ = latest();
    if (lastAnnounced_) ++announcements_;
}

std::string SignalMonitor::defaultMarkName() const { return "Mark " + std::to_string(marks_ + 1); }

void SignalMonitor::mark(const std::string& name, const std::tm& wall) {
    const size_t first = name.find_first_not_of(" \t\r\n");
    std::string n = first == std::string::npos ? std::string() : name.substr(first, name.find_last_not_of(" \t\r\n") - first + 1);
    if (n.size() > kMaxNameBytes) {
        size_t cut = kMaxNameBytes;
        // Never between the bytes of one UTF-8 character.
        while (cut > 0 && (static_cast<unsigned char>(n[cut]) & 0xC0) == 0x80) --cut;
        n.resize(cut);
    }
    if (n.empty()) n = defaultMarkName();
    ++marks_;
    const bool wasOpen = isOpen();
    startSpan(std::move(n), wall);
    if (!wasOpen) announceLatest();
    changed();
}

std::optional<double> SignalMonitor::latest() const {
    if (samples_.empty()) return std::nullopt;
    return samples_.back().value;
}

const SignalSpan* SignalMonitor::currentSpan() const { return current_ ? &spans_[*current_] : nullptr; }

std::string FormatSignal(double value) {
    char buf[32];
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", value);
    else
        std::snprintf(buf, sizeof buf, "%.2f", value);
    return buf;
}

std::optional<double> SignalValueOf(const std::string& shown) {
    size_t i = shown.find_first_not_of(' ');
    if (i == std::string::npos) return std::nullopt;
    if (shown[i] == '+' || shown[i] == '-') ++i;
    if (i < shown.size() && shown[i] == '.') ++i;
    if (i >= shown.size() || shown[i] < '0' || shown[i] > '9') return std::nullopt;
    const double v = basic::Val(shown);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

void SignalShown(Program& p) {
    if (const auto v = SignalValueOf(p.form.ModemStat(8).text())) p.signalMonitor.add(*v);
}

void OpenSignalMonitor(Program& p) { p.signalMonitor.open(p.platform.clock.localNow()); }

void CloseSignalMonitor(Program& p) { p.signalMonitor.close(); }

bool MarkSignalSpan(Program& p) {
    SignalMonitor& m = p.signalMonitor;
    const auto name = p.platform.dialogs.signalSpanName(m.defaultMarkName());
    if (!name) return false;
    m.mark(*name, p.platform.clock.localNow());
    return true;
}

}  // namespace kd
