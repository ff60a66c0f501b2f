#include "params/upload.h"

#include <iterator>

#include "app/program.h"
#include "link/commands.h"
#include "link/engine.h"
#include "params/validation.h"
#include "profiles/upload_check.h"

namespace kd {

namespace {

struct RowItem {
    int first, last;
    const char* command;
    bool sendsValues;
};
// Parameter rows in upload order; rows 1, 2 and 7 are never marked and have no command.
const RowItem kRowItems[] = {
    {0, 0, cmd::kSnrSet, true},      {3, 3, cmd::kLogintSet, true},   {4, 4, cmd::kFtpintSet, true},
    {5, 5, cmd::kOwnsimSet, false},  {6, 6, cmd::kOwnnumSet, true},   {8, 10, cmd::kApnconSet, true},
    {11, 13, cmd::kFtpconSet, true}, {14, 14, cmd::kHomenumSet, true},
};

bool Red(const TextBox& b) { return b.foreColour() == kRed; }

bool SimTypePending(const Program& p) { return p.form.SIMtypeFrame.foreColour() == kRed && p.SimTypeSupported == 1; }

UploadItem ItemOf(Program& p, const RowItem& r) {
    UploadItem item{UploadItem::Kind::Rows, r.command, r.first, {}};
    if (r.sendsValues)
        for (int i = r.first; i <= r.last; ++i) item.values.push_back(&p.form.ModemParm(i));
    return item;
}

UploadItem DeviceTableItem(Program& p) {
    UploadItem item{UploadItem::Kind::DeviceTable, cmd::kPtableSet, 0, {}};
    for (int i = 0; i <= 7; ++i) item.values.push_back(&p.form.NWDevIDBox(i));
    return item;
}

bool AnyRed(Program& p, const RowItem& r) {
    for (int i = r.first; i <= r.last; ++i)
        if (Red(p.form.ModemParm(i))) return true;
    return false;
}

bool AnyDeviceRed(Program& p) {
    for (int i = 0; i <= 7; ++i)
        if (Red(p.form.NWDevIDBox(i))) return true;
    return false;
}

// The network digit of a prepaid SIM: the list's choice, or the one remembered when the
// list has none, so the logger always gets a digit from 0 to 3.
char NetworkDigit(const Program& p) {
    int n = p.form.NetworkName.listIndex();
    if (n < 0 || n > 3) n = p.NetworkIndex >= 0 && p.NetworkIndex <= 3 ? p.NetworkIndex : 0;
    return static_cast<char>('0' + n);
}

}  // namespace

std::vector<UploadItem> PendingUploadItems(Program& p) {
    std::vector<UploadItem> items;
    for (const RowItem& r : kRowItems)
        if (AnyRed(p, r)) items.push_back(ItemOf(p, r));
    if (AnyDeviceRed(p)) items.push_back(DeviceTableItem(p));
    if (SimTypePending(p)) items.push_back({UploadItem::Kind::SimType, cmd::kSimtypeSet, 0, {}});
    return items;
}

std::string UploadCommand(Program& p, const UploadItem& item) {
    std::string c = item.command;
    switch (item.kind) {
        case UploadItem::Kind::SimType:
            if (p.form.SIMTypeOption(1).value()) {
                c += "1,";
                c += NetworkDigit(p);
            } else {
                c += "0,0";
            }
            break;
        case UploadItem::Kind::DeviceTable:
        case UploadItem::Kind::Rows:
            for (size_t i = 0; i < item.values.size(); ++i) {
                if (i > 0) c += ',';
                const std::string& v = item.values[i]->text();
                c += item.kind == UploadItem::Kind::DeviceTable && v.empty() ? std::string("0") : v;
            }
            break;
    }
    return c;
}

void Uploadbutton_Click(Program& p) {
    if (!p.line.mayStart(LineHolder::Upload)) return;
    Mainform& f = p.form;
    // A step still awaiting its answer goes on by itself; sending it again would make the
    // logger answer twice and the second answer confirm the step after it.
    if (p.ReplyState == 100 && f.ReplyTimeout.enabled()) return;
    int marks = 0;
    for (int i = 0; i <= 14; ++i) marks += Red(f.ModemParm(i)) ? 1 : 0;
    for (int i = 0; i <= 7; ++i) marks += Red(f.NWDevIDBox(i)) ? 1 : 0;
    if (SimTypePending(p)) ++marks;
    if (marks == 0) {
        p.platform.dialogs.messageBox("Settings has not changed!", "Message", MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    CheckParameters(p);
    if (p.ParmCheckFailed != 0) return;
    if (RefuseUnsafeValue(p)) return;
    if (!StartCheckedUpload(p)) return;
    UploadNext(p);
}

void UploadNext(Program& p) {
    // Only the first pending item is sent; the next goes when the logger has confirmed it.
    NoteUploadAnswer(p);
    std::vector<UploadItem> items = PendingUploadItems(p);
    SkipAnsweredItems(p, items);
    if (items.empty()) {
        p.ReplyState = 0;
        p.form.Uploadbutton.setEnabled(false);
        FinishCheckedUpload(p);
        return;
    }
    // A value edited after the press (pasted while the upload ran) is checked again here,
    // for the item about to go out only: a later row stops the upload when its turn comes.
    if (RefuseUnsafeValue(p, {items.front()})) {
        p.ReplyState = 0;
        return;
    }
    NoteUploadStep(p, items.front());
    SendQuery(p, 100, UploadCommand(p, items.front()));
}

}  // namespace kd
