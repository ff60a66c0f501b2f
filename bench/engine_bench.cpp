// Receive path throughput and reply-to-next-command turnaround, in process.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <string>

#include "app/program.h"
#include "link/engine.h"
#include "settings/settings_file.h"

namespace {

class NullPort : public kd::SerialPort {
public:
    std::string input;
    size_t writes = 0;
    bool setCommPort(int, std::string*) override { return true; }
    int commPort() const override { return 1; }
    bool setSettings(const std::string&, std::string*) override { return true; }
    bool open(std::string*) override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    bool write(std::string_view, std::string*) override { ++writes; return true; }
    std::string readAll() override { std::string s; s.swap(input); return s; }
    std::string describe(int) const override { return {}; }
};
struct NoDialogs : kd::Dialogs {
    kd::MsgAnswer messageBox(const std::string&, const std::string&, kd::MsgIcon, kd::MsgButtons,
                             const std::string&) override { return kd::MsgAnswer::Ok; }
    void runComsBox(kd::ComsBox&) override {}
};
struct NoExit : kd::ProgramExit { void exitNow() override {} };
struct NoClock : kd::Clock { std::tm localNow() const override { return {}; } };
// The program's wall clock, as the platform's: local time from the system, to the millisecond.
struct WallClock : kd::Clock {
    std::tm localNow() const override { return localNowPrecise().tm; }
    kd::LocalTime localNowPrecise() const override {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::system_clock::now().time_since_epoch()).count();
        const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
        kd::LocalTime t;
        localtime_r(&seconds, &t.tm);
        t.millisecond = static_cast<int>(ms % 1000);
        return t;
    }
};

struct Bench {
    NullPort port;
    kd::IniFile ini{"/nonexistent/ORVIKAS.ini"};
    NoDialogs dialogs;
    NoExit exit;
    NoClock clock;
    kd::VirtualClock timers;
    kd::Program p{kd::Platform{port, ini, dialogs, exit, clock, timers}};
    Bench() { p.LineEnd = "\r\n"; }
    void receive(const std::string& s) {
        port.input += s;
        kd::Comport_OnComm(p, kd::kCommEventReceive);
    }
};

void BM_ReceiveLines(benchmark::State& state) {
    Bench b;
    size_t lines = 0;
    b.p.onReplyLine = [&](const std::string&) { ++lines; };
    std::string batch;
    const char* mix[] = {"+SS: 23\r\n", "+AIRTIME: 12.50\r\n", "+XYZ: 1,2,3\r\n", "OK\r\n"};
    for (int i = 0; batch.size() < 4096; ++i) batch += mix[i % 4];
    for (auto _ : state) b.receive(batch);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * batch.size()));
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceiveLines);

// From the line feed of a read-chain reply to the next query handed to the port.
void BM_Turnaround(benchmark::State& state) {
    Bench b;
    for (auto _ : state) {
        b.p.ReplyState = 3;
        const size_t before = b.port.writes;
        b.receive("+LOGINT: 30\r\n");
        if (b.port.writes != before + 1) state.SkipWithError("no follow-up command");
    }
}
BENCHMARK(BM_Turnaround)->Repetitions(10)->ReportAggregatesOnly(true);

// The same with the wall clock, the transcript off (0), kept (1), and kept after it has
// reached its bound, so every line also drops the oldest (2).
void BM_TurnaroundTranscript(benchmark::State& state) {
    Bench b;
    WallClock wall;
    kd::Program p{kd::Platform{b.port, b.ini, b.dialogs, b.exit, wall, b.timers}};
    p.LineEnd = "\r\n";
    p.transcript.keep = state.range(0) != 0;
    if (state.range(0) == 2)
        for (int i = 0; p.transcript.size() < kd::Transcript::kDefaultLimit - 100; ++i)
            p.transcript.received("+LOGINT: 30\r\n", wall.localNowPrecise());
    for (auto _ : state) {
        p.ReplyState = 3;
        const size_t before = b.port.writes;
        b.port.input += "+LOGINT: 30\r\n";
        kd::Comport_OnComm(p, kd::kCommEventReceive);
        if (b.port.writes != before + 1) state.SkipWithError("no follow-up command");
    }
    state.counters["lines kept"] = static_cast<double>(p.transcript.lineCount());
}
BENCHMARK(BM_TurnaroundTranscript)->Arg(0)->Arg(1)->Arg(2)->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace
