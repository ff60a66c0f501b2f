#include "link/connection.h"

#include "app/program.h"
#include "link/port.h"

namespace kd {

namespace {
void ShowDisconnected(Program& p) {
    Mainform& f = p.form;
    f.ConStat.setCaption("Disconnected");
    f.ConnectButton.setCaption("Connect");
    f.Connected.setVisible(false);
    f.Disconnected.setVisible(true);
    f.LoadSettings.setEnabled(false);
    f.Uploadbutton.setEnabled(false);
    for (int i = 0; i <= 2; ++i) f.CustomSend(i).setEnabled(false);
}
}  // namespace

void ConnectButton_Click(Program& p) {
    Mainform& f = p.form;
    if (f.ConnectButton.caption() == "Connect") {
        f.IDtext.setCaption("");
        f.setWidth(kNarrowWidth);
        if (!OpenPort(p)) return;
        p.transcript.clear();
        f.ConStat.setCaption("Connected");
        f.ConnectButton.setCaption("Disconnect");
        f.Connected.setVisible(true);
        f.Disconnected.setVisible(false);
        f.LoadSettings.setEnabled(true);
        f.Uploadbutton.setEnabled(false);
    } else {
        if (p.mayLeave && !p.mayLeave(Program::Leaving::Disconnect)) return;
        if (p.Comport.isOpen()) p.Comport.close();
        p.transcript.endLine(p.platform.clock.localNowPrecise());
        ShowDisconnected(p);
        p.line.lineGone();
    }
}

void Connected_DblClick(Program& p) { ConnectButton_Click(p); }
void Disconnected_DblClick(Program& p) { ConnectButton_Click(p); }

void PortLost(Program& p) {
    if (p.Comport.isOpen()) p.Comport.close();
    p.transcript.endLine(p.platform.clock.localNowPrecise());
    if (p.form.ConnectButton.caption() != "Connect") ShowDisconnected(p);
    p.line.lineGone();
}

}  // namespace kd
