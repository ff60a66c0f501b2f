// Receive path throughput and reply-to-next-command turnaround, in process.
#include <benchmark/benchmark.h>

#include <chrono>
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

}  // namespace
