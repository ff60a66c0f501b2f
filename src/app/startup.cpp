#include "app/startup.h"

#include "app/program.h"
#include "link/port.h"
#include "network/hub.h"
#include "params/panel.h"
#include "profiles/profile_menu.h"
#include "settings/settings_file.h"

namespace kd {

void Form_Load(Program& p) {
    Mainform& f = p.form;
    p.BaseCaption = f.caption();
    f.setWidth(kNarrowWidth);
    ReadSettingsFile(p);
    ReadUploadPreviewSetting(p);
    ShowDefaults(p);
    if (p.PortSetupNeeded != 0) {
        ShowComsBox(p);
        if (p.ended) return;
        p.PortSetupNeeded = 0;
    }
    ConfigurePort(p);
}

void Form_Resize(Program& p) {
    Mainform& f = p.form;
    f.Line1.setX2(f.width() - kTopLineMargin);
    f.Line2.setX2(f.width() - kTopLineMargin);
}

void NewButton_Click(Program& p) {
    if (p.mayLeave && !p.mayLeave(Program::Leaving::FileNew)) return;
    Mainform& f = p.form;
    for (int i = 0; i <= 13; ++i) {
        f.ModemParm(i).setText("");
        f.ModemParm(i).setForeColour(kBlack);
        p.DeviceValues[static_cast<size_t>(i)].clear();
    }
    f.Defaults(5).setText("");
    for (int i = 0; i <= 8; ++i) f.ModemStat(i).setText("");
    for (int i = 0; i <= 5; ++i) {
        f.Moisture(i).setText("");
        f.Temperature(i).setText("");
    }
    ClearHubAndLogDisplay(p);
    f.TimeBox.setText("");
    f.DateBox.setText("");
    f.setWidth(kNarrowWidth);
    f.Uploadbutton.setEnabled(false);
    p.ProductType = 0;
    f.IDtext.setCaption("");
    f.Product.setCaption("");
    for (Button* b : {&f.ClearWDT, &f.ClearPU, &f.SetAO, &f.SetTimeDate, &f.RefreshStat, &f.ResetRG, &f.FetchLog})
        b->setEnabled(false);
    f.LogBox.setReadOnly(true);
    f.AirTime.setText("");
    f.SIMTypeOption(0).setEnabled(false);
    f.SIMTypeOption(1).setEnabled(false);
    f.NetworkName.setEnabled(false);
    f.NetworkLabel.setEnabled(false);
    p.SimTypeSupported = 0;
    f.NetworkName.setListIndex(-1);
    p.SimTypeRead = 0;
    p.NetworkIndex = 0;
    f.SIMtypeFrame.setForeColour(kBlack);
    f.RSSIBox.setText("");
    for (int i = 0; i <= 2; ++i) f.CustomSend(i).setEnabled(false);
}

void ClearButton_Click(Program& p) {
    p.form.TXText.setText("");
    p.form.RXText.setText("");
    p.RxLog.clear();
}

void ExitButton_Click(Program& p) {
    if (p.mayLeave && !p.mayLeave(Program::Leaving::Exit)) return;
    EndProgram(p);
}

}  // namespace kd
