#include "network/hub.h"

#include "app/program.h"
#include "basic/basic.h"
#include "link/commands.h"
#include "link/engine.h"
#include "params/upload.h"
#include "replies/extract.h"

namespace kd {

using basic::Val;

void ClearHubAndLogDisplay(Program& p) {
    Mainform& f = p.form;
    for (int i = 0; i <= 7; ++i) {
        f.NWDevIDBox(i).setText("");
        f.NWDevIDBox(i).setReadOnly(true);
        f.NWDevIDBox(i).setForeColour(kBlack);
        f.ScanCommand(i).setEnabled(false);
        f.StatText(i).setCaption("");
    }
    for (LogRecord& r : p.LogRecords) r = LogRecord{};
    p.LogRecordCount = 0;
    p.LogRecordIndex = 0;
    f.StartLog.setCaption("-");
    f.Endlog.setCaption("-");
}

void NWDevIDBox_Change(Program& p, int index) {
    Mainform& f = p.form;
    const Button& edit = index == 0 ? f.EditProbe : f.EditNW;
    if (edit.caption() != "Edit") {
        f.Uploadbutton.setEnabled(true);
        f.NWDevIDBox(index).setForeColour(kRed);
    }
    f.StatText(index).setCaption("");
}

void ApplyDeviceTable(Program& p, const std::string& line) {
    Mainform& f = p.form;
    int16_t pos = 10;
    for (int i = 0; i <= 7; ++i) {
        const std::string field = ExtractParm(line, pos, static_cast<int16_t>(i + 1));
        TextBox& box = f.NWDevIDBox(i);
        box.setText(Val(field) == 0 ? std::string() : field);
        f.ScanCommand(i).setEnabled(Val(box.text()) != 0);
        box.setForeColour(kBlack);
    }
    if (p.ReplyState != 100) {
        SendQuery(p, 19, cmd::kRfchanQuery);
    } else {
        UploadNext(p);
        p.RetryCount = 0;
    }
}

void ApplyRadioChannel(Program& p, const std::string& line) {
    int16_t pos = 10;
    const std::string field = ExtractParm(line, pos, 1);
    // Out-of-range numbers (any size the logger may send) simply select nothing new.
    const double c = basic::RoundHalfEven(Val(field) - 1);
    if (c >= 0 && c <= 3) p.form.RFChannel.setListIndex(static_cast<int>(c));
    if (p.ReplyState != 0) SendQuery(p, 20, cmd::kRaingQuery);
    p.RetryCount = 0;
}

void ApplyScanResult(Program& /*p*/, const std::string& /*line*/) {
    // The radio scan's result display comes with the hub scan work.
}

}  // namespace kd
