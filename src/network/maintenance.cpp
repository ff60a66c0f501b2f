#include "network/maintenance.h"

#include <cstdio>

#include "app/program.h"
#include "basic/basic.h"
#include "link/commands.h"
#include "link/engine.h"
#include "network/report.h"

namespace kd {

namespace {

bool Refused(const Program& p) { return !p.line.mayStart(LineHolder::Maintenance); }

// These commands await no follow-up: ReplyState as the caller left it, RetryCount untouched.
void Send(Program& p, const std::string& command) {
    p.TxCommand = command + p.LineEnd;
    SendCommand(p);
}

}  // namespace

void ClearWDT_Click(Program& p) {
    if (Refused(p)) return;
    p.ReplyState = 0;
    Send(p, cmd::kWdtClear);
}

void ClearPU_Click(Program& p) {
    if (Refused(p)) return;
    p.ReplyState = 0;
    Send(p, cmd::kPorClear);
}

void ResetRG_Click(Program& p) {
    if (Refused(p)) return;
    p.ReplyState = 0;
    Send(p, cmd::kRaingReset);
}

void SetAO_Click(Program& p) {
    if (Refused(p)) return;
    p.ReplyState = 0;
    TextBox& box = p.form.ModemStat(2);
    const double v = basic::Val(box.text());
    if (v > 30 && v < 1800) {
        Send(p, cmd::kAutopdSet + box.text());
    } else {
        ReportInBox(p, "Auto Power down out of range!", box);
    }
}

std::string TimeDigits(const std::tm& t) {
    // Built from the clock's fields, not from a regional date text, so the logger gets the
    // same digits in every locale, and midnight is hour 00 rather than a 12-hour "12".
    char digits[32];
    std::snprintf(digits, sizeof digits, "%02d%02d%02d%02d%02d%02d", (t.tm_year + 1900) % 100, (t.tm_mon + 1) % 100,
                  t.tm_mday % 100, t.tm_hour % 100, t.tm_min % 100, t.tm_sec % 100);
    return digits;
}

void SetTimeDate_Click(Program& p) {
    if (Refused(p)) return;
    Send(p, cmd::kTimeSet + TimeDigits(p.platform.clock.localNow()));
}

void RefreshStat_Click(Program& p) {
    if (Refused(p)) return;
    p.unaskedRead = false;  // an asked read: what an earlier unasked answer left no longer counts
    SendQuery(p, 10, cmd::kWdtQuery);
}

}  // namespace kd
