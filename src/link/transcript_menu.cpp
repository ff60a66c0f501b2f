#include "link/transcript_menu.h"

#include <cstdio>

#include "app/program.h"
#include "settings/private_file.h"

namespace kd {

void SaveTranscript_Click(Program& p) {
    const std::tm t = p.platform.clock.localNow();
    char name[64];
    std::snprintf(name, sizeof name, "transcript-%04d%02d%02d-%02d%02d%02d.txt", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    const std::string file = p.platform.dialogs.transcriptToSave(name);
    if (file.empty()) return;
    if (const std::string error = WritePrivateFile(file, p.transcript.text()); !error.empty()) {
        p.platform.dialogs.messageBox("Transcript not saved: " + error, "Message", MsgIcon::Information,
                                      MsgButtons::Ok);
        return;
    }
    p.transcript.savedTo = file;
    p.form.StatusBox(0).setText("Transcript saved to " + file);
}

}  // namespace kd
