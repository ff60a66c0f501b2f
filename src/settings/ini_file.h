#pragma once
// A settings file with the semantics of the Windows profile functions, so that files copied
// from Windows machines and back keep working: sections and keys match case-insensitively,
// values are trimmed and lose one pair of surrounding quotes, every line the program does
// not change stays as it was, CRLF and LF files both read.
//
// The file is the user's: only a regular file of at most kMaxSettingsFileSize bytes is read;
// one that exists but cannot be read (a device, a FIFO, a folder, no permission, too big) is
// never written, so it is never replaced by defaults; a file the program may not write
// (no write permission, or owned by someone else) is left exactly as it is. A symlink is
// followed: the link's target is updated and the link stays.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kd {

// Far above any real settings file; anything bigger is not a settings file.
inline constexpr std::uintmax_t kMaxSettingsFileSize = 1 << 20;

class IniFile {
public:
    explicit IniFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }

    // The value, or "" when the file, section or key is missing or the file cannot be read.
    // At most maxChars characters are returned (a Windows profile buffer of 80 holds 79
    // characters and the NUL).
    std::string read(std::string_view section, std::string_view key, std::size_t maxChars = 79) const;
    // The same, but nothing when the section or key is missing, so an empty value can be told
    // from an absent one.
    std::optional<std::string> find(std::string_view section, std::string_view key,
                                    std::size_t maxChars = 79) const;
    // Whether the file has the section (an empty one counts).
    bool hasSection(std::string_view section) const;
    // Why an existing file cannot be read, in a few words ("is a folder", "is larger than
    // 1 MiB", "cannot be read: Permission denied"); "" when it can be read or does not exist.
    std::string readProblem() const;

    struct Entry {
        std::string section, key, value;
    };
    // Replaces the whole text with these keys, in this order (an entry with an empty key
    // writes its section header alone, for a section that may be empty), by the same safe write as
    // write() (a file that cannot be read or may not be written is left as it was). On
    // failure *why (when given) says why, as the system put it.
    bool replaceAll(const std::vector<Entry>& entries, std::string* why = nullptr);

    // Updates the key in place, appends a missing key to its section, appends a missing
    // section to the file. The new text is written to a temporary file in the folder of the
    // file (of the link's target for a symlink), given the old file's owner and mode, and
    // renamed over it, so a failed write never leaves a half-written file. A newly created
    // file gets mode 0600 (it holds passwords).
    // CR and LF in the value are written as spaces, so a value can never add lines or keys.
    // A value that reading would change (a blank at either end, quotes of its own) is written
    // inside quotes, so it reads back as written; only a number's leading blanks are dropped.
    // Returns false when the file may not or cannot be written (callers ignore this); the
    // file is then left as it was.
    bool write(std::string_view section, std::string_view key, std::string_view value);

    // Holds every write made while it lives and writes them all in one rewrite of the file
    // when it ends (or at commit()), instead of one rewrite per key. Reads in between see the
    // held writes. A write during a batch returns whether the file may be written; commit()
    // tells whether the rewrite succeeded.
    class Batch {
    public:
        explicit Batch(IniFile& file);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // Writes what is held and ends the batch; true when there was nothing to write.
        bool commit();

    private:
        IniFile& file_;
        bool owns_;  // false for a batch opened inside another one
    };

    // Every write leaves the file 0600, whatever mode it had (a file that holds passwords).
    bool alwaysPrivate = false;
    // A UTF-8 byte order mark at the start is not part of the first line (editors that write
    // one: a file made for this program, not the Windows settings file).
    bool skipByteOrderMark = false;

    // Tests only: called after the new file is written and before it replaces the old one;
    // returning true abandons the write there, as a crash at that moment would.
    std::function<bool()> testHookBeforeRename;

private:
    enum class State { Missing, Readable, Unreadable };
    // What is on disk: the text, where the file really is, and whether it may be replaced.
    struct Snapshot {
        State state = State::Missing;
        std::string text;
        std::filesystem::path target;  // the path after following symlinks
        bool writable = false;  // the store keeps an existing file's owner and mode
    };
    struct HeldWrite {
        std::string section, key, value;
    };

    Snapshot load() const;
    bool store(const Snapshot& on, const std::string& text, std::string* why = nullptr);

    std::filesystem::path path_;
    std::optional<Snapshot> held_;  // while a Batch lives, with its writes applied
    std::vector<HeldWrite> heldWrites_;
};

// Folder of the settings file: $XDG_CONFIG_HOME, else ~/.config (the Windows directory on Windows).
std::filesystem::path SettingsDirectory();
inline constexpr const char* kSettingsFileName = "ORVIKAS.ini";

}  // namespace kd
