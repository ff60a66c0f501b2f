#include "network/clock_timers.h"

#include <cstdio>
#include <string>

#include "app/program.h"

namespace kd {

void tmrTime_Timer(Program& p) {
    Mainform& f = p.form;
    const std::tm now = p.platform.clock.localNow();
    char hms[16];
    std::snprintf(hms, sizeof hms, "%02d:%02d:%02d", now.tm_hour % 100, now.tm_min % 100, now.tm_sec % 100);
    // The caption is written only when the second has changed: a title change costs the
    // window manager a redraw, twice a second otherwise (four times during a scan).
    std::string caption = p.BaseCaption + std::string(88, ' ') + hms;
    if (f.caption() != caption) f.setCaption(std::move(caption));
    if (p.ScanCountdown != 0) {
        Label& status = f.StatText(p.ScanIndex);
        status.setForeColour(status.foreColour() == kRed ? kButtonFace : kRed);
    }
}

}  // namespace kd
