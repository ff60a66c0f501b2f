#include "params/defaults_editor.h"

#include <string>

#include "app/program.h"
#include "params/validation.h"
#include "settings/settings_file.h"

namespace kd {

namespace {

// Rows whose default the user may edit.
constexpr int kEditableRows[] = {3, 4, 8, 9, 10, 11, 12, 13, 14};

void SetEditMode(Program& p, bool on) {
    Mainform& f = p.form;
    f.DefEdit.setChecked(on);
    for (int row : kEditableRows) {
        f.Defaults(row).setReadOnly(!on);
        f.Defaults(row).setBackColour(on ? kWindowBackground : kButtonFace);
    }
}

}  // namespace

void Defaults_DblClick(Program& p, int index) {
    Mainform& f = p.form;
    if (f.DefEdit.checked()) return;
    if (index != 5 && f.ModemParm(index).readOnly()) return;
    TextBox& parm = f.ModemParm(index);
    const bool same = parm.text() == f.Defaults(index).text();
    parm.setText(f.Defaults(index).text());
    // The copy is an edit even when the box shows that text already: the technician means
    // "send this", so the change handler marks the row as it does for a new text.
    if (same && parm.onChange) parm.onChange();
}

void Defaults_GotFocus(Program& p, int index) {
    TextBox& box = p.form.Defaults(index);
    box.selectAll();
}

void DefEdit_Click(Program& p) {
    Mainform& f = p.form;
    if (!f.DefEdit.checked()) {
        SetEditMode(p, true);
        return;
    }
    const std::string logint = f.Defaults(3).text();
    if (!IsOneOf(logint, {"5", "15", "30", "60"})) {
        TellAndFocus(p, "Log Interval out of range!", &f.Defaults(3));
        return;
    }
    const std::string ftpint = f.Defaults(4).text();
    if (!IsOneOf(ftpint, {"15", "30", "60", "120", "240"})) {
        TellAndFocus(p, "FTP Interval out of range!", &f.Defaults(4));
        return;
    }
    p.DefLogint = logint;
    p.DefFTPint = ftpint;
    SaveDefaults(p);
    SetEditMode(p, false);
}

void SaveDefaults(Program& p) {
    Mainform& f = p.form;
    std::string* const texts[] = {&p.DefAPNname, &p.DefAPNun, &p.DefAPNpw, &p.DefFTPname,
                                  &p.DefFTPun,   &p.DefFTPpw, &p.DefHome};
    for (int i = 0; i < 7; ++i) *texts[i] = f.Defaults(8 + i).text();
    const std::pair<const char*, const std::string*> keys[] = {
        {"Logint", &p.DefLogint}, {"FTPint", &p.DefFTPint}, {"APNname", &p.DefAPNname},
        {"APNun", &p.DefAPNun},   {"APNpw", &p.DefAPNpw},   {"FTPname", &p.DefFTPname},
        {"FTPun", &p.DefFTPun},   {"FTPpw", &p.DefFTPpw},   {"Home", &p.DefHome}};
    // One rewrite for the nine keys, and one word in the status line should it fail.
    IniFile::Batch batch(p.platform.settings);
    bool saved = true;
    for (const auto& [key, value] : keys) saved = WriteIniValue(p, kSection, key, *value) && saved;
    if (!batch.commit() || !saved) TellUnsaved(p);
}

}  // namespace kd
