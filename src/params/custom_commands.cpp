#include "params/custom_commands.h"

#include <string>

#include "app/program.h"
#include "link/engine.h"
#include "settings/settings_file.h"

namespace kd {

void CustomSend_Click(Program& p, int index) {
    if (!p.line.mayStart(LineHolder::Custom)) return;
    p.ReplyState = 0;  // the answer belongs to no read and no upload
    const std::string text = p.form.CustomCMD(index).text();
    if (text.empty()) return;
    p.TxCommand = text + p.LineEnd;
    SendCommand(p);
    if (!WriteIniValue(p, kSection, "Cust" + std::to_string(index + 1), text)) TellUnsaved(p);
}

}  // namespace kd
