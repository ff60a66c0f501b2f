#include "profiles/profile_menu.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "app/program.h"
#include "basic/path_text.h"
#include "profiles/profile_apply.h"
#include "profiles/profile_file.h"
#include "settings/settings_file.h"

namespace kd {

namespace {

void Tell(Program& p, const std::string& text) {
    p.platform.dialogs.messageBox(text, "Message", MsgIcon::Information, MsgButtons::Ok);
}
// A message that names a file (UTF-8).
void TellAboutFile(Program& p, const std::string& text) {
    p.platform.dialogs.systemMessageBox(text, "Message", MsgIcon::Information, MsgButtons::Ok);
}

// logger-12345.kdprofile; a device ID that could not be part of a file name is left out.
std::string SuggestedName(const std::string& id) {
    const bool usable = !id.empty() && std::all_of(id.begin(), id.end(), [](unsigned char c) { return std::isalnum(c); });
    return (usable ? "logger-" + id : std::string("logger")) + kProfileExtension;
}

}  // namespace

void SaveButton_Click(Program& p) {
    std::filesystem::path file =
        p.platform.dialogs.profileToSave(p.profiles.folder, SuggestedName(p.form.ModemParm(0).text()));
    if (file.empty()) return;
    if (!file.has_extension()) file += kProfileExtension;
    p.profiles.folder = file.parent_path().string();
    const std::string error = WriteProfile(file, ProfileOfPanel(p));
    if (!error.empty()) {
        TellAboutFile(p, "Profile not saved: " + error);
        return;
    }
    p.form.StatusBox(0).setSystemText("Profile saved to " + PathText(file));
}

void LoadButton_Click(Program& p) {
    if (const std::string busy = ProfileBusyReason(p); !busy.empty()) {
        Tell(p, busy);
        return;
    }
    const std::filesystem::path file = p.platform.dialogs.profileToOpen(p.profiles.folder);
    if (file.empty()) return;
    p.profiles.folder = file.parent_path().string();
    const ProfileRead read = ReadProfile(file);
    if (!read.ok()) {
        TellAboutFile(p, "Profile not loaded: " + read.error);
        return;
    }
    const ProfileApplied applied = ApplyProfile(p, read.profile);
    if (!applied.ok()) {
        TellAboutFile(p, "Profile not loaded: " + PathText(file) + ": " + applied.refusal);
        return;
    }
    // The technician sees what a loaded profile changes before any of it is sent.
    if (applied.changed > 0) p.profiles.previewNextUpload = true;
    p.form.StatusBox(0).setSystemText(ProfileLoadedText(read.profile, applied));  // names the file
}

void ConfirmUpload_Click(Program& p) {
    MenuItem& item = p.form.ConfirmUpload;
    item.setChecked(!item.checked());
    WriteIniValue(p, kUploadSection, kConfirmKey, item.checked() ? "1" : "0");
}

void ReadUploadPreviewSetting(Program& p) {
    p.form.ConfirmUpload.setChecked(ReadIniValue(p, kUploadSection, kConfirmKey) == "1");
}

}  // namespace kd
