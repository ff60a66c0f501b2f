#include "replies/dispatcher.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>

#include "app/program.h"
#include "basic/basic.h"
#include "link/commands.h"
#include "link/engine.h"
#include "network/hub.h"
#include "network/logs.h"
#include "network/signal_monitor.h"
#include "params/panel.h"
#include "params/upload.h"
#include "profiles/upload_check.h"
#include "replies/extract.h"

namespace kd {

using basic::Mid;
using basic::Val;

namespace {

// The field that begins at a position the handler computed (1-based). Positions beyond the
// 16-bit range cannot hold a field of a real reply: they give the empty text.
std::string FieldAt(const std::string& line, long pos) {
    if (pos < 1 || pos > 32767) return {};
    auto start = static_cast<int16_t>(pos);
    return ExtractParm(line, start, 1);
}

// Up to three consecutive fields, each starting after the one before and its comma.
struct Fields {
    std::string f[3];
};
Fields TakeFields(const std::string& line, long first, int count) {
    Fields r;
    long pos = first;
    for (int i = 0; i < count; ++i) {
        r.f[i] = FieldAt(line, pos);
        pos += static_cast<long>(r.f[i].size()) + 1;
    }
    return r;
}

// The text from a position to the end of the line, less its last character (the CR).
// A line that ends right after its name has no such text: the result is empty.
std::string RestLessLast(const std::string& line, long pos) {
    const std::string rest = Mid(line, pos);
    return rest.empty() ? rest : rest.substr(0, rest.size() - 1);
}

void ShowParm(Program& p, int row, const std::string& value) {
    TextBox& box = p.form.ModemParm(row);
    if (!KeepsUnsentChange(p, box.foreColour())) box.setText(value);
}

void SetParm(Program& p, int row, const std::string& value) {
    ShowParm(p, row, value);
    p.DeviceValues[static_cast<size_t>(row)] = value;
}

// An answer with nothing awaited that goes on with the read starts a read nobody asked for,
// unless the line's holder lets no read start (its queries would go out between a download's
// requests): then it is shown only.
void ContinueRead(Program& p, int state, const char* query) {
    if (p.ReplyState == 0 && !p.line.mayStart(LineHolder::Read)) return;
    if (p.ReplyState == 0) p.unaskedRead = true;
    SendQuery(p, state, query);
}

// "Unless 100": during an upload the confirmed boxes turn black and the upload goes on;
// otherwise the read chain goes on with the next query.
void NextUnless100(Program& p, std::initializer_list<int> rows, int state, const char* query) {
    if (p.ReplyState == 100) {
        for (int r : rows) p.form.ModemParm(r).setForeColour(kBlack);
        UploadNext(p);
    } else {
        ContinueRead(p, state, query);
    }
    p.RetryCount = 0;
}

// "Unless 0": with nothing awaited the chain stops here.
void NextUnless0(Program& p, int state, const char* query) {
    if (p.ReplyState != 0) SendQuery(p, state, query);
    p.RetryCount = 0;
}

void OnSS(Program& p, const std::string& l) {
    const std::string v = RestLessLast(l, 6);
    p.form.ModemStat(8).setText(Mid(l, 6).empty() ? std::string() : v + "%");
    SignalShown(p);  // every report, a repeated value too
}

void OnSNR(Program& p, const std::string& l) {
    SetParm(p, 0, FieldAt(l, 7));
    NextUnless100(p, {0}, 2, cmd::kLoadQuery);
}

void OnLOAD(Program& p, const std::string& l) {
    const Fields f = TakeFields(l, 8, 2);
    SetParm(p, 1, f.f[0]);
    SetParm(p, 2, f.f[1]);
    NextUnless0(p, 3, cmd::kLogintQuery);
}

void OnLOGINT(Program& p, const std::string& l) {
    SetParm(p, 3, FieldAt(l, 10));
    NextUnless100(p, {3}, 4, cmd::kFtpintQuery);
}

void OnFTPINT(Program& p, const std::string& l) {
    SetParm(p, 4, FieldAt(l, 10));
    NextUnless100(p, {4}, 2, cmd::kOwnsimQuery);
}

void OnOWNSIM(Program& p, const std::string& l) {
    const Fields f = TakeFields(l, 10, 2);
    p.form.Defaults(5).setText(f.f[0]);
    ShowParm(p, 5, f.f[1]);
    p.DeviceValues[5] = f.f[0];
    NextUnless100(p, {5}, 6, cmd::kOwnnumQuery);
}

void OnOWNNUM(Program& p, const std::string& l) {
    SetParm(p, 6, FieldAt(l, 10));
    NextUnless100(p, {6}, 7, cmd::kApnconQuery);
}

void OnAPNCON(Program& p, const std::string& l) {
    const Fields f = TakeFields(l, 10, 3);
    for (int i = 0; i < 3; ++i) SetParm(p, 8 + i, f.f[i]);
    NextUnless100(p, {8, 9, 10}, 8, cmd::kFtpconQuery);
}

void OnFTPCON(Program& p, const std::string& l) {
    const Fields f = TakeFields(l, 10, 3);
    for (int i = 0; i < 3; ++i) SetParm(p, 11 + i, f.f[i]);
    NextUnless100(p, {11, 12, 13}, 11, cmd::kHomenumQuery);
}

void OnHOMENUM(Program& p, const std::string& l) {
    SetParm(p, 14, FieldAt(l, 11));
    NextUnless100(p, {14}, 9, cmd::kFwQuery);
}

void OnFW(Program& p, const std::string& l) {
    Mainform& f = p.form;
    const std::string v = FieldAt(l, 6);
    f.ModemParm(7).setText(v);
    // Two characters give at most 99 and at least -9, so the code always fits 16 bits.
    p.ProductType = basic::ClampInt16(Val(Mid(v, 3, 2)));
    // A code without a model name shows an empty caption; the rest goes on as usual.
    const bool known = p.ProductType >= 0 && p.ProductType <= 10;
    f.Product.setCaption(known ? p.ModelNames[static_cast<size_t>(p.ProductType)] : std::string());
    p.SimTypeSupported = Val(Mid(v, 4, 1)) > 5 ? 1 : 0;
    f.setWidth(p.ProductType == 3 ? kWideWidth : kNarrowWidth);
    if (p.ReplyState != 0) {
        if (p.SimTypeSupported == 1)
            SendQuery(p, 22, cmd::kSimtypeQuery);
        else
            SendQuery(p, 10, cmd::kWdtQuery);
    }
    p.RetryCount = 0;
}

void OnSIMTYPE(Program& p, const std::string& l) {
    Mainform& f = p.form;
    if (Mid(l, 12, 1) == "," && !KeepsUnsentChange(p, f.SIMtypeFrame.foreColour())) {
        const double a = Val(Mid(l, 11, 1));
        const double b = Val(Mid(l, 13, 1));
        if (a == 0) {
            f.SIMTypeOption(0).setValue(true);
            f.NetworkName.setEnabled(false);
            f.NetworkLabel.setEnabled(false);
        } else if (a == 1 && b >= 0 && b <= 3) {
            p.NetworkIndex = static_cast<int16_t>(b);
            f.SIMTypeOption(1).setValue(true);
            f.NetworkName.setListIndex(static_cast<int>(b));
            f.NetworkName.setEnabled(true);
            f.NetworkLabel.setEnabled(true);
        }
        f.SIMTypeOption(0).setEnabled(true);
        f.SIMTypeOption(1).setEnabled(true);
        p.SimTypeRead = 1;
        p.SimTypeValue = Mid(l, 11, 3);
    }
    if (p.ReplyState == 100) {
        f.SIMtypeFrame.setForeColour(kBlack);
        UploadNext(p);
    } else {
        ContinueRead(p, 10, cmd::kWdtQuery);
    }
    p.RetryCount = 0;
}

void OnWDT(Program& p, const std::string& l) {
    p.form.ModemStat(0).setText(FieldAt(l, 7));
    p.form.ClearWDT.setEnabled(true);
    NextUnless0(p, 12, cmd::kPorQuery);
}

void OnPOR(Program& p, const std::string& l) {
    p.form.ModemStat(1).setText(FieldAt(l, 7));
    p.form.ClearPU.setEnabled(true);
    NextUnless0(p, 13, cmd::kAutopdQuery);
}

void OnAUTOPD(Program& p, const std::string& l) {
    p.form.ModemStat(2).setText(FieldAt(l, 10));
    p.form.SetAO.setEnabled(true);
    NextUnless0(p, 14, cmd::kTimeQuery);
}

void OnTIME(Program& p, const std::string& l) {
    p.form.ModemStat(3).setText(RestLessLast(l, 8));
    p.form.SetTimeDate.setEnabled(true);
    NextUnless0(p, 15, cmd::kMpowerQuery);
}

void OnMPOWER(Program& p, const std::string& l) {
    p.form.ModemStat(4).setText(FieldAt(l, 10) == "0" ? "Modem OFF" : "Modem ON");
    NextUnless0(p, 16, cmd::kBatvoltsQuery);
}

void OnBATVOLTS(Program& p, const std::string& l) {
    p.form.ModemStat(5).setText(FieldAt(l, 12));
    NextUnless0(p, 17, cmd::kCregQuery);
}

void OnCREG(Program& p, const std::string& l) {
    Mainform& f = p.form;
    const Fields fl = TakeFields(l, 8, 2);
    f.ModemStat(6).setText(fl.f[1] == "1" || fl.f[1] == "5" ? "GSM ONline" : "GSM OFFline");
    f.RefreshStat.setEnabled(true);
    for (int i = 0; i <= 2; ++i) f.CustomSend(i).setEnabled(true);
    if (p.ReplyState != 0) {
        if (p.ProductType == 3)
            SendQuery(p, 18, cmd::kPtableQuery);
        else
            SendQuery(p, 20, cmd::kRaingQuery);
    }
    p.RetryCount = 0;
}

void OnRAING(Program& p, const std::string& l) {
    p.form.ModemStat(7).setText(FieldAt(l, 9));
    p.form.ResetRG.setEnabled(true);
    if (p.ReplyState != 0) FetchNewestRecord(p);
}

void OnAIRTIME(Program& p, const std::string& l) { p.form.AirTime.setText("R " + Mid(l, 11)); }

// The logger's answer to a command it did not carry out (a value out of its range).
bool IsErrorAnswer(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line == "ERROR";
}

struct Handler {
    std::string_view name;  // compared by length first: most names differ there
    void (*run)(Program&, const std::string&);
};

// In the order the names are tested.
const Handler kHandlers[] = {
    {cmd::kSS, OnSS},
    {cmd::kSNR, OnSNR},
    {cmd::kLOAD, OnLOAD},
    {cmd::kLOGINT, OnLOGINT},
    {cmd::kFTPINT, OnFTPINT},
    {cmd::kOWNSIM, OnOWNSIM},
    {cmd::kOWNNUM, OnOWNNUM},
    {cmd::kAPNCON, OnAPNCON},
    {cmd::kFTPCON, OnFTPCON},
    {cmd::kHOMENUM, OnHOMENUM},
    {cmd::kFW, OnFW},
    {cmd::kSIMTYPE, OnSIMTYPE},
    {cmd::kWDT, OnWDT},
    {cmd::kPOR, OnPOR},
    {cmd::kAUTOPD, OnAUTOPD},
    {cmd::kTIME, OnTIME},
    {cmd::kMPOWER, OnMPOWER},
    {cmd::kBATVOLTS, OnBATVOLTS},
    {cmd::kCREG, OnCREG},
    {cmd::kPTABLE, [](Program& p, const std::string& l) { ApplyDeviceTable(p, l); }},
    {cmd::kRFCHAN, [](Program& p, const std::string& l) { ApplyRadioChannel(p, l); }},
    {cmd::kRAING, OnRAING},
    {cmd::kLOADRecord, [](Program& p, const std::string& l) { ApplyLogRecord(p, l); }},
    {cmd::kSCANID, [](Program& p, const std::string& l) { ApplyScanResult(p, l); }},
    {cmd::kAIRTIME, OnAIRTIME},
};

}  // namespace

void ProcessReplyLine(Program& p) {
    p.form.ReplyTimeout.setEnabled(false);
    // Handlers never touch ReplyLines, so the pending line is read in place.
    const std::string& line = p.ReplyLines[1];
    const std::string name = ExtractCommand(line);
    if (p.onReplyLine) p.onReplyLine(line);
    for (const Handler& h : kHandlers) {
        if (name == h.name) {
            h.run(p, line);
            break;
        }
    }
    // An upload step refused is noted as such; what comes next is the face's to decide.
    if (p.ReplyState != 0 && IsErrorAnswer(line)) {
        if (p.ReplyState == 100) NoteUploadRefused(p);
        if (p.onCommandFailed) p.onCommandFailed({CommandFailure::Kind::Refused, CommandOfLine(p.TxCommand), p.RetryCount + 1});
    }
    if (p.onReplyHandled) p.onReplyHandled(name, line);
    for (const auto& watch : p.replyWatchers) watch(name, line);
    DropFirstReplyLine(p);
}

void DropFirstReplyLine(Program& p) {
    if (p.ReplyLineCount > 0) --p.ReplyLineCount;
    // Elements above replyLinesUsed are known to be empty, so only the used part moves;
    // the result is the same as moving all of 2..100 up one place, element 100 keeping its text.
    auto& lines = p.ReplyLines;
    const int top = std::max(1, static_cast<int>(p.replyLinesUsed));
    for (int i = 1; i < top && i < 99; ++i) lines[static_cast<size_t>(i)] = std::move(lines[static_cast<size_t>(i + 1)]);
    if (top >= 100) {
        lines[99] = lines[100];
    } else {
        lines[static_cast<size_t>(top)].clear();
        p.replyLinesUsed = static_cast<int16_t>(top - 1);
    }
}

void UpdateIDCaption(Program& p) {
    if (p.DeviceValues[0] == p.LastDeviceID)
        p.form.IDtext.setCaption(p.ProductType == 3 ? "SelfLog" : "Cable");
    else
        p.form.IDtext.setCaption("ID: " + p.LastDeviceID);
}

}  // namespace kd
