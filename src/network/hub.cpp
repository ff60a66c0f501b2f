#include "network/hub.h"

#include "app/program.h"
#include "basic/basic.h"
#include "link/commands.h"
#include "link/engine.h"
#include "network/report.h"
#include "params/panel.h"
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
        p.DeviceTableValues[static_cast<size_t>(i)].clear();
    }
    p.LogRecords.assign(1, LogRecord{});
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

namespace {

// A device box passes the check when it holds digits only (or nothing) and, for the
// networked slots, a value the hub can address. The value is a double, so however many
// digits are typed nothing wraps.
bool DeviceIdPasses(const std::string& text, bool bounded) {
    if (Numcheck(text) == 0) return false;
    return !bounded || Val(text) <= 65500;
}

}  // namespace

void EditNW_Click(Program& p) {
    Mainform& f = p.form;
    if (f.EditNW.caption() == "Edit") {
        f.EditNW.setCaption("OK");
        for (int i = 1; i <= 7; ++i) {
            f.NWDevIDBox(i).setReadOnly(false);
            f.ScanCommand(i).setEnabled(false);
        }
        return;
    }
    for (int i = 1; i <= 7; ++i) {
        TextBox& box = f.NWDevIDBox(i);
        if (!DeviceIdPasses(box.text(), true)) {
            ReportInBox(p, "Device ID is out of range!", box);
            return;
        }
        box.setReadOnly(true);
    }
    f.EditNW.setCaption("Edit");
}

void EditProbe_Click(Program& p) {
    Mainform& f = p.form;
    TextBox& box = f.NWDevIDBox(0);
    if (f.EditProbe.caption() == "Edit") {
        f.EditProbe.setCaption("OK");
        box.setReadOnly(false);
        f.ScanCommand(0).setEnabled(false);
        return;
    }
    if (!DeviceIdPasses(box.text(), false)) {
        ReportInBox(p, "Device ID is out of range!", box);
        return;
    }
    f.EditProbe.setCaption("Edit");
    box.setReadOnly(true);
}

void ApplyDeviceTable(Program& p, const std::string& line) {
    Mainform& f = p.form;
    int16_t pos = 10;
    for (int i = 0; i <= 7; ++i) {
        const std::string field = ExtractParm(line, pos, static_cast<int16_t>(i + 1));
        TextBox& box = f.NWDevIDBox(i);
        // An answer nobody asked for keeps the technician's unsent IDs (and their disabled
        // "Scan") and refreshes every other slot; an asked read shows the hub's whole table.
        if (KeepsUnsentChange(p, box.foreColour())) continue;
        box.setText(Val(field) == 0 ? std::string() : field);
        f.ScanCommand(i).setEnabled(Val(box.text()) != 0);
        box.setForeColour(kBlack);
        p.DeviceTableValues[static_cast<size_t>(i)] = box.text();
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

}  // namespace kd
