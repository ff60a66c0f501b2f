#pragma once
// Writing a whole file of the user's that may hold passwords or field data (a transcript):
// atomically, in the target's own folder (a symlink is followed and stays), private to its
// owner when new, an existing file keeping its mode. A failed write leaves the old file.
#include <filesystem>
#include <string>
#include <string_view>

namespace kd {

// "" when written, else why not (as the system put it), naming the file.
std::string WritePrivateFile(const std::filesystem::path& file, std::string_view text);

}  // namespace kd
