#pragma once
// The program's core with the real serial adapter and Qt timers, on the simulated logger's
// pseudo-terminal, mapped as COM5 through the settings file.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <fstream>
#include <functional>

#include "core/fakes.h"
#include "link/com_mapping.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_timer_driver.h"
#include "simulator.h"

namespace kdtest {

// How long a wait for a state may last before the test gives up: far beyond what any step needs
// on a machine whose cores are busy elsewhere. Waits end as soon as the state holds.
constexpr int kPatienceMs = 60000;

// Runs the Qt event loop until the condition holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

struct LiveRig {
    explicit LiveRig(kdsim::Options o) {
        if (!sim.start(o)) throw std::runtime_error(sim.error());
        dir = MakeTempDir();
        std::ofstream(dir / "ORVIKAS.ini", std::ios::binary)
            << "[DEFAULT]\r\nComport=5\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\nStopbits=1\r\n"
            << "[Ports]\r\nCOM5=" << sim.devicePath() << "\r\n";
    }
    ~LiveRig() {
        program.reset();
        sim.stop();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    void boot() {
        ini = std::make_unique<kd::IniFile>(dir / "ORVIKAS.ini");
        port = std::make_unique<kd::QtSerialPort>([this](int n) { return kd::ComDevice(n, ini.get()); });
        program = std::make_unique<kd::Program>(kd::Platform{*port, *ini, dialogs, exit, wall, timers});
        kd::Form_Load(*program);
    }
    kd::Mainform& form() { return program->form; }

    kdsim::Simulator sim;
    std::filesystem::path dir;
    std::unique_ptr<kd::IniFile> ini;
    std::unique_ptr<kd::QtSerialPort> port;
    kd::QtTimerDriver timers;
    FakeDialogs dialogs;
    FakeExit exit;
    FakeClock wall;
    std::unique_ptr<kd::Program> program;
};

}  // namespace kdtest
