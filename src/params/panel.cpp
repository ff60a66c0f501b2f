#include "params/panel.h"

#include "app/program.h"

namespace kd {

void ShowDefaults(Program& p) {
    Mainform& f = p.form;
    f.Defaults(3).setText(p.DefLogint);
    f.Defaults(4).setText(p.DefFTPint);
    f.Defaults(8).setText(p.DefAPNname);
    f.Defaults(9).setText(p.DefAPNun);
    f.Defaults(10).setText(p.DefAPNpw);
    f.Defaults(11).setText(p.DefFTPname);
    f.Defaults(12).setText(p.DefFTPun);
    f.Defaults(13).setText(p.DefFTPpw);
    f.Defaults(14).setText(p.DefHome);
    for (int i = 0; i <= 2; ++i) f.CustomCMD(i).setText(p.CustomCommands[static_cast<size_t>(i)]);
    f.SIMTypeOption(0).setValue(true);
    f.NetworkName.setEnabled(false);
    f.SIMTypeOption(0).setEnabled(false);
    f.SIMTypeOption(1).setEnabled(false);
    f.NetworkLabel.setEnabled(false);
}

void ModemParm_Change(Program& p, int index) {
    if (p.ReplyState != 0) return;
    TextBox& box = p.form.ModemParm(index);
    if (index != 1 && index != 2 && index != 7) box.setForeColour(kRed);
    if (box.foreColour() == kRed) p.form.Uploadbutton.setEnabled(true);
}

void SIMTypeOption_Click(Program& p, int index) {
    Mainform& f = p.form;
    if (index == 1) {
        f.NetworkName.setEnabled(true);
        f.NetworkLabel.setEnabled(true);
        f.NetworkName.setListIndex(p.NetworkIndex);
    } else {
        f.NetworkName.setEnabled(false);
        f.NetworkLabel.setEnabled(false);
        f.NetworkName.setListIndex(-1);
    }
    if (p.SimTypeRead == 1) {
        f.SIMtypeFrame.setForeColour(kRed);
        f.Uploadbutton.setEnabled(true);
    }
}

void NetworkName_Click(Program& p) {
    if (p.SimTypeRead != 1) return;
    p.form.SIMtypeFrame.setForeColour(kRed);
    p.form.Uploadbutton.setEnabled(true);
    p.NetworkIndex = static_cast<int16_t>(p.form.NetworkName.listIndex());
}

bool KeepsUnsentChange(const Program& p, Colour mark) {
    return mark == kRed && p.ReplyState != 100 && (p.ReplyState == 0 || p.unaskedRead);
}

}  // namespace kd
