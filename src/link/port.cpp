#include "link/port.h"

#include "app/program.h"
#include "basic/basic.h"
#include "link/coms_box.h"
#include "link/commands.h"
#include "settings/settings_file.h"

namespace kd {

namespace {

constexpr const char* kNotAvailable = "Coms Port not available!";

// Shows the Retry/Cancel warning; true for Retry. On Cancel the program is ended.
bool AskRetry(Program& p, const std::string& reason) {
    const MsgAnswer a = p.platform.dialogs.messageBox(kNotAvailable, "Warning", MsgIcon::Critical,
                                                      MsgButtons::RetryCancel, PortFailureDetail(reason));
    if (a == MsgAnswer::Retry) return true;
    EndProgram(p);
    return false;
}

// Sets the port number and the fixed settings, opens and closes: is the port usable?
bool TryPort(Program& p, int n, std::string* error) {
    SerialPort& port = p.Comport;
    if (!port.setCommPort(n, error)) return false;
    if (!port.setSettings(cmd::kPortSettings, error)) return false;
    if (!port.open(error)) return false;
    port.close();
    return true;
}

}  // namespace

std::string PortFailureDetail(const std::string& reason) {
    std::string detail = reason;
    // A device another program holds can read "Permission error while locking the device":
    // joining a group would not free it, and the reason says what would.
    if (reason.find("ermission") != std::string::npos && reason.find(kHeldByAnother) == std::string::npos) {
        detail +=
            "\n\nThis user may not use the device. Add the user to the group that owns it (usually "
            "dialout), for example: sudo usermod -aG dialout $USER - then log out and in again.";
    }
    return detail;
}

void ConfigurePort(Program& p) {
    for (;;) {
        if (p.Comport.isOpen()) p.Comport.close();
        std::string error;
        if (p.Comport.setCommPort(p.PortNumber, &error) && p.Comport.setSettings(cmd::kPortSettings, &error)) return;
        if (!AskRetry(p, error)) return;
        ShowComsBox(p);
        if (p.ended) return;
    }
}

bool OpenPort(Program& p) {
    for (;;) {
        if (p.Comport.isOpen()) p.Comport.close();
        std::string error;
        if (p.Comport.setCommPort(p.PortNumber, &error) && p.Comport.setSettings(cmd::kPortSettings, &error) &&
            p.Comport.open(&error))
            return true;
        if (!AskRetry(p, error)) return false;
        ShowComsBox(p);
        if (p.ended) return false;
    }
}

void SetupComs_Click(Program& p) { ShowComsBox(p); }

void ShowComsBox(Program& p) {
    ComsBox box;
    WireComsBox(p, box);
    box.DisplayTimer.attach(&p.platform.timers);
    p.platform.dialogs.runComsBox(box);
    box.DisplayTimer.attach(nullptr);
}

std::string ComEntry(int number) { return "COM" + basic::Str(number); }

int ComNumber(const std::string& text) {
    if (basic::Left(text, 3) != "COM") return 0;
    return basic::ToInt16(basic::Val(basic::Mid(text, 5))).value_or(0);
}

void SearchPorts(Program& p, ComsBox& box) {
    // The link in use is listed as it is: probing other ports would have to close it.
    if (p.Comport.isOpen()) {
        box.ComsCombo.addItem(ComEntry(p.Comport.commPort()));
        box.DeviceInfo.setCaption("Disconnect to search the other ports");
        return;
    }
    for (int n = 1; n <= 16; ++n) {
        std::string error;
        if (TryPort(p, n, &error)) box.ComsCombo.addItem(ComEntry(n));
    }
}

void WireComsBox(Program& p, ComsBox& box) {
    box.ComsCombo.setVisible(false);
    box.TestComs.setVisible(false);
    box.DisplayTimer.onTimer = [&p, &box] {
        SearchPorts(p, box);
        const auto& items = box.ComsCombo.items();
        for (size_t i = 0; i < items.size(); ++i) {
            if (ComNumber(items[i]) == p.PortNumber) {
                box.ComsCombo.setListIndex(static_cast<int>(i));
                break;
            }
        }
        box.ComsCombo.setVisible(true);
        box.TestComs.setVisible(true);
        box.DisplayTimer.setEnabled(false);
        box.SearchText.setVisible(false);
    };
    box.ComsCombo.onClick = [&p, &box] {
        const std::string info = p.Comport.describe(ComNumber(box.ComsCombo.text()));
        box.DeviceInfo.setCaption(info);
    };
    box.TestComs.onClick = [&p, &box] {
        const int n = ComNumber(box.ComsCombo.text());
        std::string error;
        bool ok;
        if (p.Comport.isOpen() && n == p.Comport.commPort())
            ok = true;  // the open link is the proof
        else
            ok = TryPort(p, n, &error);
        if (ok)
            p.platform.dialogs.messageBox("Coms Port is Available!", "Message", MsgIcon::Information, MsgButtons::Ok);
        else
            p.platform.dialogs.messageBox("Port not available!", "Warning", MsgIcon::Critical, MsgButtons::Ok,
                                          PortFailureDetail(error));
    };
    box.OKButton.onClick = [&p, &box] {
        const std::string& text = box.ComsCombo.text();
        p.PortNumber = basic::Left(text, 3) == "COM" ? static_cast<int16_t>(ComNumber(text)) : int16_t{1};
        if (!WriteIniValue(p, kSection, "Comport", basic::Str(p.PortNumber))) TellUnsaved(p);
        box.unload();
    };
    box.CancelButton.onClick = [&box] { box.unload(); };
    box.onCloseBox = [&box] { box.unload(); };
}

}  // namespace kd
