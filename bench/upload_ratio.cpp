// "Upload Settings" of every item (rows 0, 3-6, the APN and FTP groups, the home number and
// the SIM type) in the real program with its window on screen, against the simulated logger
// paced at 9600 baud on a pseudo-terminal. Each round times the program's upload, then an
// ideal client (it writes each command the moment the answer's line feed arrives) sending
// the same commands to the same logger; the ratio of the two is printed. Run it from
// bench/run_upload_ratio (under a virtual X server when there is no display).
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/program.h"
#include "app/startup.h"
#include "link/com_mapping.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_timer_driver.h"
#include "pty_client.h"
#include "quiet_platform.h"
#include "simulator.h"
#include "ui/main_window.h"

namespace {
// The upload goes on past its message boxes: each is printed and answered OK.
struct ConfirmingDialogs : kd::Dialogs {
    int messages = 0;
    kd::MsgAnswer messageBox(const std::string& text, const std::string&, kd::MsgIcon, kd::MsgButtons,
                             const std::string&) override {
        ++messages;
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return kd::MsgAnswer::Ok;
    }
    void runComsBox(kd::ComsBox&) override {}
};
struct NoClock : kd::Clock { std::tm localNow() const override { return {}; } };

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Two sets of values, so every round changes every item.
void Edit(kd::Program& p, int round) {
    kd::Mainform& f = p.form;
    const std::string n = std::to_string(round % 2);
    const std::pair<int, std::string> rows[] = {
        {0, "2000" + n}, {3, round % 2 ? "15" : "30"}, {4, round % 2 ? "60" : "120"}, {6, "082111000" + n},
        {8, "apn" + n + ".example"}, {9, "user" + n}, {10, "pass" + n}, {11, "ftp" + n + ".example.net"},
        {12, "ftpuser" + n}, {13, "ftppass" + n}, {14, "083111000" + n}};
    for (const auto& [row, text] : rows) f.ModemParm(row).setText(text);
    f.Defaults(5).onDblClick();  // the SIM number changes only through its default
    f.SIMTypeOption(round % 2 ? 0 : 1).setValue(true);  // the logger starts prepaid
}

template <class F>
bool PumpUntil(F done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    kdsim::Options o;
    o.model = kdsim::Model::SimType;
    kdsim::Simulator sim;
    if (!sim.start(o)) { std::fprintf(stderr, "%s\n", sim.error().c_str()); return 1; }
    const auto dir = BenchSettingsDir("kd-bench-upload-", sim.devicePath());
    kd::IniFile ini(dir / "ORVIKAS.ini");
    kd::QtSerialPort port([&](int n) { return kd::ComDevice(n, &ini); });
    kd::QtTimerDriver timers;
    ConfirmingDialogs dialogs;
    NoExit exit;
    NoClock clock;
    kd::Program p(kd::Platform{port, ini, dialogs, exit, clock, timers});
    kd::MainWindow window(p.form);
    kd::Form_Load(p);
    window.show();
    auto* upload = qobject_cast<QAbstractButton*>(window.findControl("Uploadbutton"));
    auto* connect = qobject_cast<QAbstractButton*>(window.findControl("ConnectButton"));
    Clock::time_point lastLine;
    p.onReplyLine = [&](const std::string&) { lastLine = Clock::now(); };

    connect->click();
    PumpUntil([&] { return sim.attached(); }, 5000);
    p.form.LoadSettings.click();
    if (!PumpUntil([&] { return p.ReplyState == 0 && p.LogRecordCount == 1; }, 30000) || dialogs.messages) {
        std::fprintf(stderr, "read did not finish\n");
        return 1;
    }

    double programTotal = 0, idealTotal = 0;
    std::vector<double> ratios;
    for (int round = 1; round <= rounds; ++round) {
        Edit(p, round);
        PumpUntil([] { return false; }, 100);  // the window settles before the clock starts
        sim.clearRecords();
        const auto start = Clock::now();
        upload->click();
        if (!PumpUntil([&] { return p.ReplyState == 0 && !p.form.Uploadbutton.enabled(); }, 30000) || dialogs.messages) {
            std::fprintf(stderr, "upload did not finish\n");
            return 1;
        }
        const double programMs = Ms(lastLine - start);
        const std::vector<std::string> commands = sim.commands();

        // The ideal client, on the same device once the program has let it go.
        connect->click();
        PumpUntil([&] { return !sim.attached(); }, 5000);
        double idealMs = 0;
        {
            kdsim::test::PtyClient client(sim.devicePath());
            if (!client.ok() || !kdsim::test::waitAttached(sim, true, std::chrono::seconds{5})) return 1;
            const auto t0 = Clock::now();
            for (const std::string& c : commands) {
                client.send(c + "\r\n");
                if (client.readLine().empty()) { std::fprintf(stderr, "no answer to %s\n", c.c_str()); return 1; }
            }
            idealMs = Ms(Clock::now() - t0);
        }
        kdsim::test::waitAttached(sim, false, std::chrono::seconds{5});
        connect->click();
        PumpUntil([&] { return sim.attached(); }, 5000);

        programTotal += programMs;
        idealTotal += idealMs;
        ratios.push_back(programMs / idealMs);
        std::printf("round %d: %zu commands, program %.1f ms, ideal client %.1f ms, ratio %.4f\n", round,
                    commands.size(), programMs, idealMs, programMs / idealMs);
        std::fflush(stdout);
    }
    // The median round says most on a shared machine, where one slow round skews the sum.
    std::sort(ratios.begin(), ratios.end());
    std::printf("upload of every item, %d rounds: program %.1f ms, ideal client %.1f ms, ratio %.4f, median round %.4f\n",
                rounds, programTotal, idealTotal, programTotal / idealTotal, ratios[ratios.size() / 2]);
    std::filesystem::remove_all(dir);
    return 0;
}
