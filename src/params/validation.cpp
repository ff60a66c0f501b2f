#include "params/validation.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "app/program.h"
#include "basic/basic.h"
#include "params/upload.h"

namespace kd {

namespace {

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

// How the messages name a box; the two user name and password rows say whose they are.
std::string BoxName(int row) {
    static const char* const kNames[15] = {"Device ID",    "Log Pointer",   "Unread Logs",  "Logging Int",
                                           "Download Int", "SIM Number",    "Own Number",   "Firmware Ver",
                                           "APN Name",     "APN User Name", "APN Password", "FTP Server",
                                           "FTP User Name", "FTP Password", "Home No"};
    return kNames[row];
}

}  // namespace

bool IsOneOf(const std::string& text, std::initializer_list<const char*> list) {
    return std::any_of(list.begin(), list.end(), [&](const char* v) { return text == v; });
}

void TellAndFocus(Program& p, const char* message, TextBox* box) {
    p.platform.dialogs.messageBox(message, "Message", MsgIcon::Information, MsgButtons::Ok);
    if (!box) return;
    box->requestFocus();
    box->selectAll();
}

std::optional<ParameterProblem> FindParameterProblem(Program& p) {
    Mainform& f = p.form;
    const double id = basic::Val(f.ModemParm(0).text());
    const std::string& sim = f.ModemParm(5).text();
    const std::string& own = f.ModemParm(6).text();
    if (id < 10000 || id > 30000) return ParameterProblem{"Device ID out of range!!", 0, &f.ModemParm(0)};
    if (!IsOneOf(f.ModemParm(3).text(), {"5", "0", "10", "15", "30", "60"}))
        return ParameterProblem{"Log Interval out of range!", 3, &f.ModemParm(3)};
    if (!IsOneOf(f.ModemParm(4).text(), {"30", "15", "60", "120", "240"}))
        return ParameterProblem{"FTP Interval out of range!", 4, &f.ModemParm(4)};
    // The SIM number's box is read-only: nothing to focus.
    if (!sim.empty() && (sim.size() < 15 || sim.size() > 24)) return ParameterProblem{"SIM number out of range!", 5, nullptr};
    if (!own.empty() && own.size() < 10) return ParameterProblem{"OWN contact number out of range!", 6, &f.ModemParm(6)};
    return std::nullopt;
}

void CheckParameters(Program& p) {
    p.ParmCheckFailed = 0;
    const std::optional<ParameterProblem> problem = FindParameterProblem(p);
    if (!problem) return;
    TellAndFocus(p, problem->message.c_str(), problem->box);
    p.ParmCheckFailed = 1;
}

bool RefuseUnsafeValue(Program& p) { return RefuseUnsafeValue(p, PendingUploadItems(p)); }

std::optional<ParameterProblem> FindUnsafeValue(Program&, const std::vector<UploadItem>& items) {
    for (const UploadItem& item : items) {
        for (size_t i = 0; i < item.values.size(); ++i) {
            TextBox& box = *item.values[i];
            const bool slot = item.kind == UploadItem::Kind::DeviceTable;
            const int row = slot ? -1 : item.firstRow + static_cast<int>(i);
            const std::string name = slot ? (i == 0 ? std::string("Probe ID") : "Network device " + std::to_string(i) + " ID")
                                          : BoxName(row);
            if (HasLineBreak(box.text())) return ParameterProblem{name + " holds a line break: it cannot be sent!", row, &box};
            if (box.text().find(',') != std::string::npos)
                return ParameterProblem{name + " must not contain a comma!", row, &box};
        }
    }
    return std::nullopt;
}

bool RefuseUnsafeValue(Program& p, const std::vector<UploadItem>& items) {
    const std::optional<ParameterProblem> problem = FindUnsafeValue(p, items);
    if (!problem) return false;
    TellAndFocus(p, problem->message.c_str(), problem->box);
    return true;
}

}  // namespace kd
