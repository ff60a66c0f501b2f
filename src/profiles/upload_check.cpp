#include "profiles/upload_check.h"

#include <algorithm>
#include <string_view>

#include "app/program.h"
#include "link/shown_text.h"
#include "link/commands.h"
#include "params/upload.h"
#include "profiles/upload_preview.h"

namespace kd {

namespace {

bool ConfirmedBlack(const Program& p, const UploadCheck::Watched& w) {
    return (w.box ? w.box->foreColour() : p.form.SIMtypeFrame.foreColour()) == kBlack;
}

// The SIM card type the answer being handled carries, as "type,network" digits. The panel is
// no witness: an answer it cannot show ("+SIMTYPE: 1,7") leaves it as it was. A contract SIM
// has no network, so its digit is not compared.
std::string AnsweredSimType(const Program& p) {
    std::string_view line = p.ReplyLines[1];
    const std::string_view name = cmd::kSIMTYPE;
    if (line.substr(0, name.size()) != name) return {};
    line.remove_prefix(name.size());
    if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    if (const size_t end = line.find_first_of("\r\n"); end != std::string_view::npos) line = line.substr(0, end);
    std::string held(line);
    if (held.size() == 3 && held[0] == '0' && held[1] == ',' && held[2] >= '0' && held[2] <= '9') held = "0,0";
    return held;
}

// What the box now shows (the handler put the answer's value there), or the SIM card type
// the answer carries.
std::string Held(Program& p, const UploadCheck::Watched& w) { return w.box ? w.box->text() : AnsweredSimType(p); }

// Puts the value sent back, marked as not on the logger.
void PutBack(Program& p, const UploadCheck::Watched& w) {
    Mainform& f = p.form;
    if (w.box) {
        w.box->setText(w.raw);
        w.box->setForeColour(kRed);
        return;
    }
    const bool prepaid = w.raw[0] == '1';
    f.SIMTypeOption(prepaid ? 1 : 0).setValue(true);
    if (prepaid) f.NetworkName.setListIndex(w.raw[2] - '0');
    f.SIMtypeFrame.setForeColour(kRed);
}

// What the last read reported for the box a value was sent from.
std::string LastRead(Program& p, const TextBox* box) {
    if (!box) return SimTypeWords(p, p.SimTypeValue);
    for (int i = 0; i <= 14; ++i)
        if (&p.form.ModemParm(i) == box) return p.DeviceValues[static_cast<size_t>(i)];
    for (int i = 0; i <= 7; ++i)
        if (&p.form.NWDevIDBox(i) == box) return p.DeviceTableValues[static_cast<size_t>(i)];
    return {};
}

std::string Shown(const std::string& v, bool password, bool mask) {
    if (v.empty()) return "(empty)";
    return password && mask ? MaskedValue(v) : v;
}

}  // namespace

bool StartCheckedUpload(Program& p) {
    ProfileSession& s = p.profiles;
    if (p.form.ConfirmUpload.checked() || s.previewNextUpload) {
        if (!p.platform.dialogs.confirmUpload(UploadPreview(p))) return false;
        s.previewNextUpload = false;
    }
    s.check = UploadCheck{};
    s.check.running = true;
    return true;
}

void NoteUploadAnswer(Program& p) {
    UploadCheck& c = p.profiles.check;
    if (!c.running || c.pendingCommand.empty()) return;
    std::vector<UploadCheck::Watched> step = std::move(c.pending);
    const std::string command = std::move(c.pendingCommand);
    c.pending.clear();
    c.pendingCommand.clear();
    // An answer to another command confirms nothing: the step is still red and goes again.
    if (!std::all_of(step.begin(), step.end(), [&](const auto& w) { return ConfirmedBlack(p, w); })) return;
    c.answered.push_back(command);
    for (UploadCheck::Watched& w : step) {
        if (!w.compared) continue;
        const std::string held = Held(p, w);
        w.value.held = w.box ? held : SimTypeWords(p, held);
        c.values.push_back(w.value);
        if (held != w.raw) PutBack(p, w);
    }
}

void NoteUploadRefused(Program& p) {
    UploadCheck& c = p.profiles.check;
    if (!c.running || c.pendingCommand.empty()) return;
    c.answered.push_back(std::move(c.pendingCommand));
    c.pendingCommand.clear();
    for (UploadCheck::Watched& w : c.pending) {
        if (!w.compared) continue;
        w.value.refused = true;
        w.value.held = LastRead(p, w.box);
        c.values.push_back(std::move(w.value));
    }
    c.pending.clear();
}

std::vector<SentValue> AwaitedValues(const Program& p) {
    std::vector<SentValue> values;
    for (const UploadCheck::Watched& w : p.profiles.check.pending)
        if (w.compared) values.push_back(w.value);
    return values;
}

void SkipAnsweredItems(const Program& p, std::vector<UploadItem>& items) {
    const auto& answered = p.profiles.check.answered;
    if (answered.empty()) return;
    std::erase_if(items, [&](const UploadItem& i) {
        return std::find(answered.begin(), answered.end(), i.command) != answered.end();
    });
}

void NoteUploadStep(Program& p, const UploadItem& item) {
    UploadCheck& c = p.profiles.check;
    if (!c.running) return;
    c.pendingCommand = item.command;
    c.pending.clear();
    switch (item.kind) {
        case UploadItem::Kind::Rows:
            if (item.values.empty()) {
                TextBox& box = p.form.ModemParm(item.firstRow);
                c.pending.push_back({&box, box.text(), {}, false});
            }
            for (size_t i = 0; i < item.values.size(); ++i) {
                const int row = item.firstRow + static_cast<int>(i);
                const std::string& text = item.values[i]->text();
                c.pending.push_back({item.values[i], text, {SettingName(p, row), text, {}, IsPasswordRow(row)}, true});
            }
            break;
        case UploadItem::Kind::DeviceTable:
            for (size_t s = 0; s < item.values.size(); ++s) {
                const std::string& text = item.values[s]->text();
                c.pending.push_back({item.values[s], text, {DeviceSlotName(static_cast<int>(s)), text, {}, false}, true});
            }
            break;
        case UploadItem::Kind::SimType: {
            const std::string digits = SimTypeDigits(p);
            c.pending.push_back({nullptr, digits, {kSimTypeSetting, SimTypeWords(p, digits), {}, false}, true});
            break;
        }
    }
}

void FinishCheckedUpload(Program& p) {
    UploadCheck& c = p.profiles.check;
    if (!c.running) return;
    c.running = false;
    p.form.StatusBox(0).setText(UploadCompleteText(c.values));
    const std::string unkept = UnkeptValuesText(c.values, true);
    if (unkept.empty()) return;
    // The values put back are still to send: the next press sends them again.
    p.form.Uploadbutton.setEnabled(true);
    p.platform.dialogs.messageBox("The logger did not keep every value:\n" + unkept, "Message", MsgIcon::Information,
                                  MsgButtons::Ok);
}

const std::vector<SentValue>& CheckedValues(const Program& p) { return p.profiles.check.values; }

std::string UnkeptValuesText(const std::vector<SentValue>& values, bool maskPasswords) {
    std::string s;
    for (const SentValue& v : values) {
        if (v.kept()) continue;
        if (!s.empty()) s += '\n';
        s += v.setting + ": sent " + Shown(v.sent, v.password, maskPasswords) +
             (v.refused ? std::string(", refused by the logger") : ", logger holds " + Shown(v.held, v.password, maskPasswords));
    }
    return s;
}

std::string UploadCompleteText(const std::vector<SentValue>& values) {
    const auto n = std::count_if(values.begin(), values.end(), [](const SentValue& v) { return v.kept(); });
    return "Upload complete: " + std::to_string(n) + (n == 1 ? " value" : " values") + " confirmed by the logger";
}

}  // namespace kd
