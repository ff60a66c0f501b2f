// The radio scan of one device: the command, the 35-second countdown that watches it in
// place of the reply time-out, and the hub's answer.
#include <string>

#include "app/program.h"
#include "basic/basic.h"
#include "link/commands.h"
#include "link/engine.h"
#include "network/hub.h"
#include "replies/extract.h"

namespace kd {

namespace {

constexpr int16_t kScanSeconds = 35;
constexpr int kBlinkMs = 250;
constexpr int kClockMs = 500;

void ShowCountdown(Program& p) { p.form.StatusBox(0).setText("Scanning..." + basic::Str(p.ScanCountdown)); }

// Both ends of a scan, answered or timed out, leave the same idle state.
void EndScan(Program& p) {
    Mainform& f = p.form;
    p.ScanCountdown = 0;
    p.line.release(LineHolder::Scan);
    f.MainTimer.setEnabled(false);
    f.tmrTime.setInterval(kClockMs);
    f.StatusBox(0).setText("");
}

const char* StatusWord(const std::string& code) {
    static const char* const kWords[] = {nullptr, "RF Busy", "No Reply", "Resp. flt", "No Logs", "Type Fault"};
    for (int i = 1; i <= 5; ++i)
        if (code == std::to_string(i)) return kWords[i];
    return nullptr;
}

}  // namespace

void ScanCommand_Click(Program& p, int index) {
    Mainform& f = p.form;
    // The frames holding the buttons are held disabled while a scan runs; the line's owner
    // keeps the rule too, so a second scan (or one during a download) never starts from any
    // caller.
    if (p.ScanCountdown != 0 || !p.line.mayStart(LineHolder::Scan)) return;
    const std::string& id = f.NWDevIDBox(index).text();
    if (basic::Val(id) == 0) return;
    p.TxCommand = std::string(cmd::kScanId) + id + "," + std::to_string(index + 1) + p.LineEnd;
    const bool sent = SendCommand(p);
    f.ReplyTimeout.setEnabled(false);
    // A command that never left has nothing to wait for: no countdown, and the status line
    // keeps saying why.
    if (!sent) return;
    f.StatText(index).setCaption("Scanning");
    f.MainTimer.setEnabled(true);
    p.ScanCountdown = kScanSeconds;
    ShowCountdown(p);
    // No other scan, edit or parameter change meanwhile. A lost line does not end the scan:
    // its countdown does.
    p.line.hold(LineHolder::Scan);
    p.ScanIndex = static_cast<int16_t>(index);
    f.tmrTime.setEnabled(false);
    f.tmrTime.setInterval(kBlinkMs);
    f.tmrTime.setEnabled(true);
}

void MainTimer_Timer(Program& p) {
    Mainform& f = p.form;
    if (p.ScanCountdown <= 0) {  // no scan to count down: a stray tick only stops the timer
        f.MainTimer.setEnabled(false);
        return;
    }
    --p.ScanCountdown;
    ShowCountdown(p);
    if (p.ScanCountdown != 0) return;
    EndScan(p);
    Label& status = f.StatText(p.ScanIndex);
    status.setCaption("");
    status.setForeColour(kRed);
}

void ApplyScanResult(Program& p, const std::string& line) {
    Mainform& f = p.form;
    EndScan(p);
    Label& status = f.StatText(p.ScanIndex);
    status.setForeColour(kRed);
    // Fields from position 10; each ExtractParm moves past the field it took.
    int16_t pos = 10;
    const std::string id = ExtractParm(line, pos, 1);
    const std::string code = ExtractParm(line, pos, 2);
    const std::string logs = ExtractParm(line, pos, 3);
    // The remainder runs from after the third field's comma to the line's last character;
    // a line with fewer fields has none, which counts as empty.
    const size_t start = id.size() + code.size() + logs.size() + 13;
    std::string rest = basic::Mid(line, static_cast<long>(start));
    if (!rest.empty()) rest.pop_back();
    if (code == "0") {
        status.setCaption(logs + "/" + rest + "%");
    } else if (const char* word = StatusWord(code)) {
        status.setCaption(word);
    }
}

}  // namespace kd
