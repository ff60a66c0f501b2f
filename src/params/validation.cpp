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

void CheckParameters(Program& p) {
    Mainform& f = p.form;
    p.ParmCheckFailed = 0;
    const double id = basic::Val(f.ModemParm(0).text());
    const std::string& sim = f.ModemParm(5).text();
    const std::string& own = f.ModemParm(6).text();
    const char* message = nullptr;
    TextBox* focus = nullptr;
    if (id < 10000 || id > 30000) {
        message = "Device ID out of range!!";
        focus = &f.ModemParm(0);
    } else if (!IsOneOf(f.ModemParm(3).text(), {"5", "0", "10", "15", "30", "60"})) {
        message = "Log Interval out of range!";
        focus = &f.ModemParm(3);
    } else if (!IsOneOf(f.ModemParm(4).text(), {"30", "15", "60", "120", "240"})) {
        message = "FTP Interval out of range!";
        focus = &f.ModemParm(4);
    } else if (!sim.empty() && (sim.size() < 15 || sim.size() > 24)) {
        message = "SIM number out of range!";  // the box is read-only: no focus
    } else if (!own.empty() && own.size() < 10) {
        message = "OWN contact number out of range!";
        focus = &f.ModemParm(6);
    }
    if (!message) return;
    TellAndFocus(p, message, focus);
    p.ParmCheckFailed = 1;
}

bool RefuseUnsafeValue(Program& p) { return RefuseUnsafeValue(p, PendingUploadItems(p)); }

bool RefuseUnsafeValue(Program& p, const std::vector<UploadItem>& items) {
    for (const UploadItem& item : items) {
        for (size_t i = 0; i < item.values.size(); ++i) {
            TextBox& box = *item.values[i];
            const std::string name = item.kind == UploadItem::Kind::DeviceTable
                                         ? (i == 0 ? std::string("Probe ID") : "Network device " + std::to_string(i) + " ID")
                                         : BoxName(item.firstRow + static_cast<int>(i));
            std::string message;
            if (HasLineBreak(box.text()))
                message = name + " holds a line break: it cannot be sent!";
            else if (box.text().find(',') != std::string::npos)
                message = name + " must not contain a comma!";
            if (message.empty()) continue;
            TellAndFocus(p, message.c_str(), &box);
            return true;
        }
    }
    return false;
}

}  // namespace kd
