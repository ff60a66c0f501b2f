#pragma once
// The program with its real window, real serial adapter and Qt timers against the keldamar-sim
// process on its pseudo-terminal; its dialogs are answered through the dialog seam (hands).
// Only the wall clock is fixed, so the time sent to the logger is known.
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "app/program.h"
#include "app/startup.h"
#include "core/fakes.h"
#include "live_rig.h"  // PumpUntil
#include "link/com_mapping.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_timer_driver.h"
#include "ui/main_window.h"
#include "window_hands.h"

namespace kdtest {

struct LiveWindow {
    explicit LiveWindow(const QStringList& simArgs) : dir(MakeTempDir()) {
        transcript = dir / "transcript.txt";
        QStringList args = simArgs;
        args << "--transcript" << QString::fromStdString(transcript.string());
        sim.start(QStringLiteral(KELDAMAR_SIM_EXE), args);
        // Bounds for a starved machine; both return as soon as the simulator is up.
        if (!sim.waitForStarted(60000) || !sim.waitForReadyRead(60000)) throw std::runtime_error("keldamar-sim did not start");
        const std::string device = sim.readLine().trimmed().toStdString();
        std::ofstream(dir / "ORVIKAS.ini", std::ios::binary)
            << "[DEFAULT]\r\nComport=5\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\nStopbits=1\r\n"
            << "[Ports]\r\nCOM5=" << device << "\r\n";
        ini = std::make_unique<kd::IniFile>(dir / "ORVIKAS.ini");
        port = std::make_unique<kd::QtSerialPort>([this](int n) { return kd::ComDevice(n, ini.get()); });
        program = std::make_unique<kd::Program>(kd::Platform{*port, *ini, dialogs, exit, wall, timers});
        window = std::make_unique<kd::MainWindow>(program->form);
        dialogs.setWindow(window.get());
        kd::Form_Load(*program);
        window->show();
        window->activateWindow();
        // Returns as soon as the window is active; the bound only matters on a starved machine.
        if (!QTest::qWaitForWindowActive(window.get(), 60000)) throw std::runtime_error("window not active");
    }
    ~LiveWindow() {
        window.reset();
        program.reset();
        sim.terminate();
        sim.waitForFinished(5000);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // A widget as the technician sees it: after the view's pass has mirrored the model.
    template <class T = QWidget>
    T* w(const std::string& name) const {
        window->syncView();
        return qobject_cast<T*>(window->findControl(name));
    }
    // The window mirrors the model once per loop pass; a technician's next click always comes
    // after that pass, so bring the widgets up to date before acting on them.
    void click(const std::string& name) const {
        window->syncView();
        QTest::mouseClick(w(name), Qt::LeftButton);
    }
    // Replaces a box's text by typing, as the technician would.
    void typeInto(const std::string& name, const QString& text) const {
        window->syncView();
        auto* edit = w<QLineEdit>(name);
        QTest::mouseClick(edit, Qt::LeftButton);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    kd::Mainform& form() const { return program->form; }

    // A box's text drawn in the change-mark red.
    bool red(const std::string& name) const {
        return w<QLineEdit>(name)->palette().color(QPalette::Active, QPalette::Text) == QColor(Qt::red);
    }

    // The read has ended with the newest record shown.
    bool readDone() const { return program->ReplyState == 0 && program->LogRecordCount == 1; }
    // Connect and Load Settings with the real buttons; true when the read has ended.
    bool connectAndLoad() {
        click("ConnectButton");
        if (!port->isOpen()) return false;
        click("LoadSettings");
        return PumpUntil([this] { return readDone(); }, kPatienceMs);
    }

    // Everything the simulator sent, as its transcript writes it (CR LF as \r\n).
    std::string simSent() const {
        std::ifstream in(transcript);
        std::string line, out;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string time, way;
            fields >> time >> way;
            if (way != ">") continue;
            std::string bytes;
            std::getline(fields, bytes);
            out += bytes.empty() ? bytes : bytes.substr(1);
        }
        return out;
    }

    std::filesystem::path dir, transcript;
    QProcess sim;
    std::unique_ptr<kd::IniFile> ini;
    std::unique_ptr<kd::QtSerialPort> port;
    kd::QtTimerDriver timers;
    WindowHands dialogs{&timers};
    FakeExit exit;
    FakeClock wall;
    std::unique_ptr<kd::Program> program;
    std::unique_ptr<kd::MainWindow> window;
    std::vector<std::string>& messages = dialogs.messages;
};

}  // namespace kdtest
