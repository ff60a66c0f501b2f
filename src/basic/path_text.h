#pragma once
// A file name inside a text meant for people. The line's texts are bytes shown as Latin-1,
// but a file name is the system's: UTF-8 (as the system spells it on Linux, converted from
// the system's own form elsewhere). A text that names a file is therefore UTF-8 as a whole;
// the view is told so (TextBox::setSystemText, Dialogs::systemMessageBox) and any line or
// file bytes put beside the name are converted (records::Latin1ToUtf8).
#include <filesystem>
#include <string>

namespace kd {

inline std::string PathText(const std::filesystem::path& file) {
    const std::u8string u = file.u8string();
    return std::string(u.begin(), u.end());
}

}  // namespace kd
