// A hub's whole "Load Settings" against the simulated logger paced at 9600 baud, on a real
// pseudo-terminal: elapsed time divided by the wire time of every byte sent and received
// plus the simulator's think time. Prints one line; run it from bench/run_load_settings_ratio.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/program.h"
#include "app/startup.h"
#include "link/com_mapping.h"
#include "link/coms_box.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_timer_driver.h"
#include "simulator.h"
#include "quiet_platform.h"

namespace {
struct NoClock : kd::Clock { std::tm localNow() const override { return {}; } };
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    kdsim::Options o;
    o.model = kdsim::Model::Hub;
    o.records = 20;
    kdsim::Simulator sim;
    if (!sim.start(o)) { std::fprintf(stderr, "%s\n", sim.error().c_str()); return 1; }
    const auto dir = BenchSettingsDir("kd-bench-", sim.devicePath());
    kd::IniFile ini(dir / "ORVIKAS.ini");
    kd::QtSerialPort port([&](int n) { return kd::ComDevice(n, &ini); });
    kd::QtTimerDriver timers;
    QuietDialogs dialogs;
    NoExit exit;
    NoClock clock;
    kd::Program p(kd::Platform{port, ini, dialogs, exit, clock, timers});
    kd::Form_Load(p);
    p.form.ConnectButton.click();
    while (!sim.attached()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    sim.clearRecords();

    QElapsedTimer t;
    t.start();
    p.form.LoadSettings.click();
    while (!(p.ReplyState == 0 && p.LogRecordCount == 1)) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (t.elapsed() > 30000 || dialogs.messages) { std::fprintf(stderr, "read did not finish\n"); return 1; }
    }
    const double elapsed = static_cast<double>(t.nsecsElapsed()) / 1e6;
    const size_t in = sim.transcriptBytes(kdsim::Direction::In).size();
    const size_t out = sim.transcriptBytes(kdsim::Direction::Out).size();
    const size_t replies = sim.commands().size();
    const double byteMs = static_cast<double>(sim.byteTime().count()) / 1e6;
    const double wire = static_cast<double>(in + out) * byteMs + static_cast<double>(replies) * 2.0;
    std::printf("hub Load Settings: %zu commands, %zu bytes sent, %zu received, elapsed %.1f ms, "
                "wire+think %.1f ms, ratio %.4f\n", replies, in, out, elapsed, wire, elapsed / wire);
    std::filesystem::remove_all(dir);
    return 0;
}
