#include "settings/ini_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "settings/atomic_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kd {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// One line of the file, kept byte for byte with its own ending; both view the file's text
// (or a line the write puts in), so a rewrite copies each byte once.
struct Line {
    std::string_view text;  // without the line ending
    std::string_view end;   // "\r\n", "\n" or "" (last line without one)
};

std::vector<Line> Split(std::string_view data) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < data.size()) {
        const size_t lf = data.find('\n', pos);
        if (lf == std::string_view::npos) {
            lines.push_back({data.substr(pos), ""});
            break;
        }
        size_t end = lf;
        if (end > pos && data[end - 1] == '\r') --end;
        lines.push_back({data.substr(pos, end - pos), data.substr(end, lf + 1 - end)});
        pos = lf + 1;
    }
    return lines;
}

bool SectionName(std::string_view line, std::string_view* name) {
    const std::string_view t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    const size_t close = t.find(']');
    if (close == std::string_view::npos) return false;
    *name = Trim(t.substr(1, close - 1));
    return true;
}

bool KeyOf(std::string_view line, std::string_view* key, std::string_view* value) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return false;
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    *key = Trim(t.substr(0, eq));
    *value = Trim(t.substr(eq + 1));
    return true;
}

// Calls fn with each line of data, without its ending, until fn returns true. Reading walks
// the text in place: start-up reads some thirty keys, and splitting the file into copies for
// each of them was most of the start-up's work.
template <class Fn>
bool AnyLine(std::string_view data, Fn fn) {
    while (!data.empty()) {
        const size_t lf = data.find('\n');
        std::string_view line = data.substr(0, lf);
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (fn(line)) return true;
        data = lf == std::string_view::npos ? std::string_view() : data.substr(lf + 1);
    }
    return false;
}

std::optional<std::string> Lookup(std::string_view data, std::string_view section, std::string_view key,
                                  std::size_t maxChars) {
    bool inSection = false;
    std::optional<std::string> found;
    AnyLine(data, [&](std::string_view line) {
        std::string_view name, k, v;
        if (SectionName(line, &name)) {
            inSection = SameName(name, section);
            return false;
        }
        if (!inSection || !KeyOf(line, &k, &v) || !SameName(k, key)) return false;
        // One pair of matching surrounding quotes is removed, as the profile functions do.
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        std::string value(v.substr(0, std::min(v.size(), maxChars)));
        // The profile functions stop at a NUL.
        if (const size_t nul = value.find('\0'); nul != std::string::npos) value.resize(nul);
        found = std::move(value);
        return true;
    });
    return found;
}

// The text with the key set: updated in place, appended to its section, or appended with
// a new section.
std::string Apply(const std::string& data, std::string_view section, std::string_view key,
                  std::string_view value) {
    // A value must never add lines or keys: line breaks become spaces.
    std::string clean(value);
    for (char& c : clean)
        if (c == '\r' || c == '\n') c = ' ';
    // Reading trims the value and removes one pair of surrounding quotes, so a value with a
    // blank at either end or in quotes of its own ("x", 'x') would come back changed: it is
    // written inside quotes, which every reader of the format removes again. A number after
    // blanks (the port number as the port dialog writes it) keeps the Windows form: its blanks
    // mean nothing.
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const size_t first = clean.find_first_not_of(" \t");
    const bool number = first != std::string::npos && first > 0 &&
                        clean.find_first_not_of("0123456789", first) == std::string::npos;
    const bool ownQuotes =
        clean.size() >= 2 && (clean.front() == '"' || clean.front() == '\'') && clean.back() == clean.front();
    if (!clean.empty() && !number && (blank(clean.front()) || blank(clean.back()) || ownQuotes)) clean = '"' + clean + '"';

    std::vector<Line> lines = Split(data);
    // Files travel to Windows machines: a new file uses CR LF, an old one keeps its style.
    std::string_view eol = "\r\n";
    for (const Line& l : lines)
        if (!l.end.empty()) { eol = l.end; break; }
    if (!lines.empty() && lines.back().end.empty()) lines.back().end = eol;

    const std::string entry = std::string(key) + "=" + clean;
    const std::string header = "[" + std::string(section) + "]";
    long sectionAt = -1, lastKeyAt = -1;
    bool done = false;
    for (size_t i = 0; i < lines.size() && !done; ++i) {
        std::string_view name, k, v;
        if (SectionName(lines[i].text, &name)) {
            if (sectionAt >= 0) break;  // end of our section
            if (SameName(name, section)) { sectionAt = static_cast<long>(i); lastKeyAt = sectionAt; }
            continue;
        }
        if (sectionAt < 0) continue;
        if (KeyOf(lines[i].text, &k, &v)) {
            if (SameName(k, key)) {
                lines[i].text = entry;
                done = true;
            } else {
                lastKeyAt = static_cast<long>(i);
            }
        } else if (!Trim(lines[i].text).empty()) {
            lastKeyAt = static_cast<long>(i);
        }
    }
    if (!done) {
        if (sectionAt >= 0) {
            lines.insert(lines.begin() + lastKeyAt + 1, Line{entry, eol});
        } else {
            lines.push_back({header, eol});
            lines.push_back({entry, eol});
        }
    }
    std::string out;
    out.reserve(data.size() + header.size() + entry.size() + 2 * eol.size());
    for (const Line& l : lines) {
        out += l.text;
        out += l.end;
    }
    return out;
}

#ifndef _WIN32
// Reads a regular file of at most kMaxSettingsFileSize bytes; false for anything else.
bool ReadBounded(const std::filesystem::path& path, const struct stat& expected, std::string* out) {
    // O_NONBLOCK: should a FIFO or device be swapped in after the check, opening it must not wait.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == expected.st_dev &&
              st.st_ino == expected.st_ino;
    std::string data;
    char buf[16384];
    while (ok) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        data.append(buf, static_cast<size_t>(n));
        if (data.size() > kMaxSettingsFileSize) ok = false;  // grew past the bound while read
    }
    ::close(fd);
    if (ok) *out = std::move(data);
    return ok;
}

#endif

void SkipByteOrderMark(std::string& text) {
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
}

}  // namespace

IniFile::IniFile(std::filesystem::path path) : path_(std::move(path)) {}

#ifndef _WIN32

IniFile::Snapshot IniFile::load() const {
    Snapshot s;
    // The write lands on the link's target, in its own folder, and the link stays.
    s.target = WriteTarget(path_);
    if (s.target.empty()) {
        s.state = State::Unreadable;
        return s;
    }
    struct stat st {};
    if (::lstat(s.target.c_str(), &st) != 0) {
        // A dangling link counts as a missing file: the target is created.
        s.state = (errno == ENOENT || errno == ENOTDIR) ? State::Missing : State::Unreadable;
        s.writable = s.state == State::Missing;
        return s;
    }
    if (!S_ISREG(st.st_mode) || static_cast<std::uintmax_t>(st.st_size) > kMaxSettingsFileSize ||
        !ReadBounded(s.target, st, &s.text)) {
        s.state = State::Unreadable;
        return s;
    }
    s.state = State::Readable;
    if (skipByteOrderMark) SkipByteOrderMark(s.text);
    // The rename needs only the folder's permission, so the file's own is checked here. A
    // file nobody may write was protected on purpose and stays so even for root; a file of
    // another user would pass to us, so only root may replace it (and gives it back).
    const uid_t me = ::geteuid();
    s.writable = (st.st_mode & 0222) != 0 && (me == 0 || st.st_uid == me) &&
                 ::faccessat(AT_FDCWD, s.target.c_str(), W_OK, AT_EACCESS) == 0;
    return s;
}

#else  // Windows: no owners, symlinks or FIFOs to speak of; the read-only attribute is honoured.

IniFile::Snapshot IniFile::load() const {
    Snapshot s;
    s.target = path_;
    std::error_code ec;
    const auto st = std::filesystem::status(path_, ec);
    if (!std::filesystem::exists(st)) {
        s.writable = true;
        return s;
    }
    s.state = State::Unreadable;
    if (!std::filesystem::is_regular_file(st) || std::filesystem::file_size(path_, ec) > kMaxSettingsFileSize || ec)
        return s;
    std::ifstream in(path_, std::ios::binary);
    if (!in) return s;
    std::ostringstream ss;
    ss << in.rdbuf();
    s.text = ss.str();
    if (skipByteOrderMark) SkipByteOrderMark(s.text);
    s.state = State::Readable;
    s.writable = (st.permissions() & std::filesystem::perms::owner_write) != std::filesystem::perms::none;
    return s;
}

#endif

bool IniFile::store(const Snapshot& on, const std::string& text, std::string* why) {
    ReplaceOptions options;
    options.alwaysPrivate = alwaysPrivate;
    options.createFolders = on.state == State::Missing;
    options.beforeRename = testHookBeforeRename;
    const std::string error = ReplaceFileText(on.target, text, std::move(options));
    if (why) *why = error;
    return error.empty();
}


std::string IniFile::read(std::string_view section, std::string_view key, std::size_t maxChars) const {
    return find(section, key, maxChars).value_or(std::string());
}

std::optional<std::string> IniFile::find(std::string_view section, std::string_view key, std::size_t maxChars) const {
    if (held_) return Lookup(held_->text, section, key, maxChars);
    return Lookup(load().text, section, key, maxChars);
}

bool IniFile::hasSection(std::string_view section) const {
    const std::string text = held_ ? held_->text : load().text;
    return AnyLine(text, [&](std::string_view line) {
        std::string_view name;
        return SectionName(line, &name) && SameName(name, section);
    });
}

std::string IniFile::readProblem() const {
    const Snapshot s = load();
    if (s.state != State::Unreadable) return {};
    std::error_code ec;
    const auto st = std::filesystem::status(s.target, ec);
    if (std::filesystem::is_directory(st)) return "is a folder";
    if (!ec && std::filesystem::exists(st) && !std::filesystem::is_regular_file(st)) return "is not a regular file";
    if (std::filesystem::is_regular_file(st) && std::filesystem::file_size(s.target, ec) > kMaxSettingsFileSize && !ec)
        return "is larger than 1 MiB";
    std::ifstream probe(s.target, std::ios::binary);
    if (!probe) return std::string("cannot be read: ") + std::strerror(errno);
    return "cannot be read";
}

bool IniFile::replaceAll(const std::vector<Entry>& entries, std::string* why) {
    const Snapshot s = load();
    if (s.state == State::Unreadable) {
        if (why) *why = "the file there " + readProblem();
        return false;
    }
    if (!s.writable) {
        if (why) *why = "the file is read-only";
        return false;
    }
    std::string text;
    for (const Entry& e : entries) {
        // An entry without a key writes its section alone, so a section may be empty.
        if (e.key.empty())
            text += "[" + e.section + "]\r\n";
        else
            text = Apply(text, e.section, e.key, e.value);
    }
    return store(s, text, why);
}

bool IniFile::write(std::string_view section, std::string_view key, std::string_view value) {
    if (held_) {
        if (!held_->writable) return false;
        held_->text = Apply(held_->text, section, key, value);
        heldWrites_.push_back({std::string(section), std::string(key), std::string(value)});
        return true;
    }
    const Snapshot s = load();
    return s.writable && store(s, Apply(s.text, section, key, value));
}

IniFile::Batch::Batch(IniFile& file) : file_(file), owns_(!file.held_) {
    if (owns_) file_.held_ = file_.load();
}

IniFile::Batch::~Batch() { (void)commit(); }

bool IniFile::Batch::commit() {
    if (!owns_ || !file_.held_) return true;
    std::vector<HeldWrite> writes = std::move(file_.heldWrites_);
    file_.heldWrites_.clear();
    file_.held_.reset();
    if (writes.empty()) return true;
    // Applied to the file as it is now, so a change made meanwhile by another program survives.
    const Snapshot s = file_.load();
    if (!s.writable) return false;
    std::string text = s.text;
    for (const HeldWrite& w : writes) text = Apply(text, w.section, w.key, w.value);
    return file_.store(s, text);
}

std::filesystem::path SettingsDirectory() {
#ifdef _WIN32
    char buf[500] = {};
    const UINT n = GetWindowsDirectoryA(buf, sizeof buf);
    return std::filesystem::path(std::string(buf, n));
#else
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return x;
    if (const char* h = std::getenv("HOME"); h && *h) return std::filesystem::path(h) / ".config";
    return std::filesystem::path(".config");
#endif
}

}  // namespace kd
