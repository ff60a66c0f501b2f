#pragma once
// The signal monitor for placing the antenna: the values the "Signal strength:" box shows,
// with their times, over the last ten minutes; minimum, maximum and mean since the monitor
// opened or since the last mark; named spans (one per antenna position) with their figures,
// for the visit; and which values are worth saying aloud.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kd {

class Program;

struct SignalSample {
    int64_t atMs;  // on the monitor's steady clock
    double value;
};

struct SignalStats {
    long count = 0;
    double min = 0, max = 0, sum = 0;
    void add(double v);
    std::optional<double> mean() const;
};

struct SignalSpan {
    std::string name;  // UTF-8; empty for the span from opening to the first mark
    std::tm startedAt{};
    int64_t startMs = 0;
    SignalStats stats;
};

class SignalMonitor {
public:
    static constexpr int64_t kWindowMs = 10 * 60 * 1000;
    // A value this far from the last one announced is announced.
    static constexpr double kAnnounceStep = 5;
    // A logger flooding the line cannot grow the window without end (10 values a second).
    static constexpr size_t kMaxSamples = 6000;
    static constexpr size_t kMaxSpans = 200;
    static constexpr size_t kMaxNameBytes = 60;

    using MsClock = std::function<int64_t()>;
    SignalMonitor();
    void setClock(MsClock clock) { clock_ = std::move(clock); }
    int64_t now() const { return clock_(); }

    // A value shown: kept in the window and, while the monitor is open, in the current span.
    void add(double value);
    // Forgets the samples that have left the window.
    void trim(int64_t nowMs);

    // Opening starts a span of its own; closing stops adding to spans (the chart goes on).
    void open(const std::tm& wall);
    void close();
    bool isOpen() const { return current_.has_value(); }
    // Starts a new span under this name (trimmed and shortened; "Mark N" when empty).
    // Marking a closed monitor opens it.
    void mark(const std::string& name, const std::tm& wall);
    // The name mark() would give an empty entry.
    std::string defaultMarkName() const;

    const std::deque<SignalSample>& samples() const { return samples_; }
    std::optional<double> latest() const;
    // Figures since opening or the last mark; nullptr while closed.
    const SignalSpan* currentSpan() const;
    // Every span kept, oldest first, the current one last. A span from opening with no
    // values is dropped when the next one starts; a named one is kept, empty or not.
    const std::vector<SignalSpan>& spans() const { return spans_; }

    // Counts the values to be announced: the latest on opening (else the first to come), then
    // each at least kAnnounceStep from the last announced (a slow drift is said once it adds up).
    uint64_t announcements() const { return announcements_; }
    std::optional<double> lastAnnounced() const { return lastAnnounced_; }

    // The view's hook: called after every change (keep it cheap; it runs on the wire's path).
    std::function<void()> onChange;

private:
    void startSpan(std::string name, const std::tm& wall);
    void announceLatest();
    void changed() { if (onChange) onChange(); }

    MsClock clock_;
    std::deque<SignalSample> samples_;
    std::vector<SignalSpan> spans_;
    std::optional<size_t> current_;
    std::optional<double> lastAnnounced_;
    uint64_t announcements_ = 0;
    int marks_ = 0;
};

// A value as the monitor shows it: whole numbers without decimals, others to two places.
std::string FormatSignal(double value);

// The number a "Signal strength:" box text begins with ("23%" gives 23); none when the
// text holds no number (an empty box, a garbled reply).
std::optional<double> SignalValueOf(const std::string& shown);

// The program's side: the dispatcher calls SignalShown after the box was set from a report.
void SignalShown(Program& p);
void OpenSignalMonitor(Program& p);
void CloseSignalMonitor(Program& p);
// "Mark...": asks for the place's name; false when the technician cancelled.
bool MarkSignalSpan(Program& p);

}  // namespace kd
