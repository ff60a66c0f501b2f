#pragma once
// Replacing a file the user owns (settings, profiles, CSV exports) so that no reader ever
// sees half of it: the new text goes to a temporary file created exclusively under an
// unpredictable name in the target's own folder (a symlink is followed to its target and
// stays a link), gets the old file's owner and mode, reaches the disk, and is renamed over
// the target. Whatever fails on the way leaves the old file as it was.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kd {

// The path a write to `path` lands on: symlinks followed (a dangling link: the file it names).
// Empty, with *why set, when the chain of links cannot be followed.
std::filesystem::path WriteTarget(const std::filesystem::path& path, std::string* why = nullptr);

struct ReplaceOptions {
    // Mode of a newly created file.
    unsigned newMode = 0600;
    // Every write leaves the file 0600 even when the old one was more open (it holds passwords).
    bool alwaysPrivate = false;
    // Create missing folders on the way to a new file.
    bool createFolders = false;
    // Tests only: called when the new file is complete and before it replaces the old one;
    // returning true abandons the write there, as a crash at that moment would.
    std::function<bool()> beforeRename;
};

// One replacement in progress. Nothing is visible at the target until commit() succeeds; a
// replacement destroyed uncommitted removes its temporary file.
class FileReplacement {
public:
    explicit FileReplacement(const std::filesystem::path& path, ReplaceOptions options = {});
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // False once anything failed; error() then says why, as the system put it.
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    // The file really written (the symlink's target).
    const std::filesystem::path& target() const { return target_; }

    bool write(std::string_view bytes);
    // Owner and mode, the disk, the rename. True when the target now holds what was written.
    bool commit();

private:
    void fail(const std::string& why);

    ReplaceOptions options_;
    std::filesystem::path target_;
    std::string temp_;
    int fd_ = -1;
    bool committed_ = false;
    std::string error_;
};

// The whole text in one replacement; "" when written, else why not.
std::string ReplaceFileText(const std::filesystem::path& path, std::string_view text, ReplaceOptions options = {});

}  // namespace kd
