#include "replies/read_chain.h"

#include "app/program.h"
#include "link/commands.h"
#include "link/engine.h"
#include "network/hub.h"

namespace kd {

void LoadSettings_Click(Program& p) {
    if (!p.line.mayStart(LineHolder::Read)) return;
    Mainform& f = p.form;
    p.ProductType = 0;
    p.unaskedRead = false;
    f.setWidth(kNarrowWidth);
    f.IDtext.setCaption("");
    for (int i = 0; i <= 2; ++i) f.CustomSend(i).setEnabled(false);
    f.Product.setCaption("");
    p.ReplyState = 1;
    p.TxCommand = std::string(cmd::kSnrQuery) + p.LineEnd;
    SendCommand(p);
    p.RetryCount = 0;
    p.RetryLimit = 5;
    for (Button* b : {&f.ClearWDT, &f.ClearPU, &f.SetAO, &f.SetTimeDate, &f.RefreshStat, &f.ResetRG})
        b->setEnabled(false);
    for (int i = 0; i <= 5; ++i) {
        f.Moisture(i).setText("");
        f.Temperature(i).setText("");
    }
    f.TimeBox.setText("");
    f.DateBox.setText("");
    ClearHubAndLogDisplay(p);
    f.Prevlog.setEnabled(false);
    f.Nextlog.setEnabled(false);
    f.SIMtypeFrame.setForeColour(kBlack);
    p.SimTypeSupported = 0;
    f.SIMTypeOption(0).setEnabled(false);
    f.SIMTypeOption(1).setEnabled(false);
    f.NetworkLabel.setEnabled(false);
    f.NetworkName.setListIndex(-1);
    f.AirTime.setText("");
    f.NetworkName.setEnabled(false);
    p.SimTypeRead = 0;
    p.NetworkIndex = 0;
}

}  // namespace kd
