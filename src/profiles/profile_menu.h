#pragma once
// The window's profile commands: File > Save, File > Load and Edit > "Confirm before upload"
// (remembered in the settings file, section Upload, written only when the user changes it).

namespace kd {

class Program;

inline constexpr const char* kUploadSection = "Upload";
inline constexpr const char* kConfirmKey = "Confirm";

void SaveButton_Click(Program& p);
void LoadButton_Click(Program& p);
void ConfirmUpload_Click(Program& p);
// At start-up, after the settings file has been read.
void ReadUploadPreviewSetting(Program& p);

}  // namespace kd
