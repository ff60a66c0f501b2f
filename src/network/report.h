#pragma once
// A problem the technician can fix: the message box, then the offending box selected and
// focused once the box has closed, so the value can be typed over at once.
#include <string>

#include "app/program.h"

namespace kd {

inline void ReportInBox(Program& p, const std::string& message, TextBox& box) {
    p.platform.dialogs.messageBox(message, "Message", MsgIcon::Information, MsgButtons::Ok);
    box.selectAll();
    box.requestFocus();
}

}  // namespace kd
