// A technician's upload in the real window: key events on the real widgets, the QSerialPort
// adapter on the pseudo-terminal of a keldamar-sim process, Qt timers.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>

#include "live_rig.h"
#include "platform/qt_app_platform.h"
#include "ui/main_window.h"

using namespace kd;
using namespace kdtest;

namespace {

// The simulator as a separate process, mapped as COM5 into the given settings folder.
struct SimProcess {
    QProcess process;
    bool start(const std::filesystem::path& dir, const QStringList& extra) {
        QStringList args = {QStringLiteral("--map-com"), QStringLiteral("5"), QStringLiteral("--settings-dir"),
                            QString::fromStdString(dir.string())};
        process.start(QStringLiteral(KELDAMAR_SIM_EXE), args + extra);
        // The device path on the first line says the device is mapped and served.
        return process.waitForStarted(5000) && process.waitForReadyRead(5000) && process.canReadLine();
    }
    ~SimProcess() {
        process.terminate();
        if (!process.waitForFinished(3000)) process.kill();
    }
};

struct WindowRig {
    std::filesystem::path dir = MakeTempDir();
    SimProcess sim;
    std::unique_ptr<IniFile> ini;
    std::unique_ptr<QtSerialPort> port;
    QtTimerDriver timers;
    FakeDialogs dialogs;
    FakeExit exit;
    FakeClock wall;
    std::unique_ptr<Program> program;
    std::unique_ptr<MainWindow> window;

    explicit WindowRig(const QStringList& simArgs) {
        std::ofstream(dir / "ORVIKAS.ini", std::ios::binary)
            << "[DEFAULT]\r\nComport=5\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\nStopbits=1\r\n";
        if (!sim.start(dir, simArgs)) throw std::runtime_error("keldamar-sim did not start");
        ini = std::make_unique<IniFile>(dir / "ORVIKAS.ini");
        port = std::make_unique<QtSerialPort>([this](int n) { return ComDevice(n, ini.get()); });
        program = std::make_unique<Program>(Platform{*port, *ini, dialogs, exit, wall, timers});
        window = std::make_unique<MainWindow>(program->form);
        Form_Load(*program);
        window->show();
    }
    ~WindowRig() {
        window.reset();
        program.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    template <class T>
    T* widget(const std::string& name) const { return qobject_cast<T*>(window->findControl(name)); }
    // The window mirrors the model once per loop pass, which always comes before a
    // technician's next action: bring the widgets up to date first.
    void press(const std::string& button) {
        window->syncView();
        widget<QAbstractButton>(button)->click();
    }
    // Empties the box and types the text, one key at a time, as the user would.
    void type(const std::string& box, const QString& text) {
        window->syncView();
        QLineEdit* edit = widget<QLineEdit>(box);
        edit->setFocus();
        key(edit, Qt::Key_End);
        for (qsizetype n = edit->text().size(); n > 0; --n) key(edit, Qt::Key_Backspace);
        for (QChar c : text) key(edit, c.isDigit() ? Qt::Key_0 + c.digitValue() : Qt::Key_A, QString(c));
    }
    static void key(QWidget* w, int k, const QString& text = {}) {
        QKeyEvent down(QEvent::KeyPress, k, Qt::NoModifier, text);
        QApplication::sendEvent(w, &down);
        QKeyEvent up(QEvent::KeyRelease, k, Qt::NoModifier, text);
        QApplication::sendEvent(w, &up);
    }
    bool readDone() const { return program->ReplyState == 0 && program->LogRecordCount == 1; }
    bool red(const std::string& box) const {
        return widget<QLineEdit>(box)->palette().color(QPalette::Active, QPalette::Text) == QColor(Qt::red);
    }
};

TEST(UploadWindow, TypedValuesReachTheLoggerAndAStoppedUploadFinishesOnTheNextPress) {
    // The logger obeys AT+FTPINT= but leaves its first five answers unsent: the whole retry run.
    WindowRig rig({QStringLiteral("--no-pacing"), QStringLiteral("--ignore"), QStringLiteral("AT+FTPINT=:5")});
    Mainform& f = rig.program->form;
    rig.press("ConnectButton");
    ASSERT_TRUE(rig.port->isOpen());
    rig.press("LoadSettings");
    ASSERT_TRUE(PumpUntil([&] { return rig.readDone(); }, 10000))
        << rig.program->ReplyState << "\nTX " << f.TXText.text() << "\nRX " << rig.program->RxLog;
    ASSERT_EQ(f.ModemParm(3).text(), "30");

    rig.type("ModemParm(14)", QStringLiteral("0831234000"));
    rig.type("ModemParm(3)", QStringLiteral("15"));
    rig.type("ModemParm(4)", QStringLiteral("240"));
    ASSERT_TRUE(rig.red("ModemParm(3)") && rig.red("ModemParm(4)") && rig.red("ModemParm(14)"));
    rig.press("Uploadbutton");
    ASSERT_TRUE(PumpUntil([&] { return !rig.dialogs.messages.empty(); }, 15000));
    EXPECT_EQ(rig.dialogs.messages.at(0).text, "No Response from device");
    PumpUntil([] { return false; }, 50);  // the view catches up
    EXPECT_FALSE(rig.red("ModemParm(3)"));
    EXPECT_TRUE(rig.red("ModemParm(4)"));
    EXPECT_TRUE(rig.red("ModemParm(14)"));
    EXPECT_TRUE(rig.widget<QAbstractButton>("Uploadbutton")->isEnabled());

    rig.press("Uploadbutton");
    ASSERT_TRUE(PumpUntil([&] { return !f.Uploadbutton.enabled() && rig.program->ReplyState == 0; }, 5000));
    PumpUntil([] { return false; }, 50);
    EXPECT_FALSE(rig.widget<QAbstractButton>("Uploadbutton")->isEnabled());
    for (const char* box : {"ModemParm(3)", "ModemParm(4)", "ModemParm(14)"}) EXPECT_FALSE(rig.red(box)) << box;
    EXPECT_EQ(rig.dialogs.messages.size(), 1u);

    // The logger kept what it was told: a fresh read shows the new values.
    for (int row : {3, 4, 14}) f.ModemParm(row).setText("");
    rig.press("LoadSettings");
    ASSERT_TRUE(PumpUntil([&] { return rig.readDone() && !f.ModemParm(14).text().empty(); }, 10000));
    PumpUntil([] { return false; }, 50);
    EXPECT_EQ(rig.widget<QLineEdit>("ModemParm(3)")->text(), "15");
    EXPECT_EQ(rig.widget<QLineEdit>("ModemParm(4)")->text(), "240");
    EXPECT_EQ(rig.widget<QLineEdit>("ModemParm(14)")->text(), "0831234000");
}

}  // namespace
