#include "settings/ini_file.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

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

// One line of the file, kept byte for byte with its own ending.
struct Line {
    std::string text;  // without the line ending
    std::string end;   // "\r\n", "\n" or "" (last line without one)
};

std::vector<Line> Split(const std::string& data) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < data.size()) {
        const size_t lf = data.find('\n', pos);
        if (lf == std::string::npos) {
            lines.push_back({data.substr(pos), ""});
            break;
        }
        size_t end = lf;
        std::string ending = "\n";
        if (end > pos && data[end - 1] == '\r') { --end; ending = "\r\n"; }
        lines.push_back({data.substr(pos, end - pos), ending});
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

bool ReadAll(const std::filesystem::path& path, std::string* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    *out = ss.str();
    return true;
}

}  // namespace

IniFile::IniFile(std::filesystem::path path) : path_(std::move(path)) {}

std::string IniFile::read(std::string_view section, std::string_view key, std::size_t maxChars) const {
    std::string data;
    if (!ReadAll(path_, &data)) return {};
    bool inSection = false;
    for (const Line& l : Split(data)) {
        std::string_view name, k, v;
        if (SectionName(l.text, &name)) {
            inSection = SameName(name, section);
            continue;
        }
        if (!inSection || !KeyOf(l.text, &k, &v) || !SameName(k, key)) continue;
        // One pair of matching surrounding quotes is removed, as the profile functions do.
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        std::string value(v.substr(0, std::min(v.size(), maxChars)));
        // The profile functions stop at a NUL.
        if (const size_t nul = value.find('\0'); nul != std::string::npos) value.resize(nul);
        return value;
    }
    return {};
}

bool IniFile::write(std::string_view section, std::string_view key, std::string_view value) {
    // A value must never add lines or keys: line breaks become spaces.
    std::string clean(value);
    for (char& c : clean)
        if (c == '\r' || c == '\n') c = ' ';

    std::string data;
    const bool existed = ReadAll(path_, &data);
    std::vector<Line> lines = Split(data);
    // Files travel to Windows machines: a new file uses CR LF, an old one keeps its style.
    std::string eol = "\r\n";
    for (const Line& l : lines)
        if (!l.end.empty()) { eol = l.end; break; }
    if (!lines.empty() && lines.back().end.empty()) lines.back().end = eol;

    const std::string entry = std::string(key) + "=" + clean;
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
            lines.push_back({"[" + std::string(section) + "]", eol});
            lines.push_back({entry, eol});
        }
    }
    std::string out;
    for (const Line& l : lines) out += l.text + l.end;

    std::error_code ec;
    const auto dir = path_.parent_path();
    if (!dir.empty()) std::filesystem::create_directories(dir, ec);
    // Written beside the old file and renamed over it, so a failed write never leaves a
    // half-written file behind.
    const std::filesystem::path tmp = path_.string() + ".tmp";
#ifdef _WIN32
    {
        std::ofstream o(tmp, std::ios::binary | std::ios::trunc);
        if (!o || !(o << out) || !o.flush()) return false;
    }
    return MoveFileExA(tmp.string().c_str(), path_.string().c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    mode_t mode = 0600;  // a new file holds passwords
    struct stat st {};
    if (existed && ::stat(path_.c_str(), &st) == 0) mode = st.st_mode & 07777;
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    size_t written = 0;
    while (written < out.size()) {
        const ssize_t n = ::write(fd, out.data() + written, out.size() - written);
        if (n <= 0) { ::close(fd); ::unlink(tmp.c_str()); return false; }
        written += static_cast<size_t>(n);
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) { ::close(fd); ::unlink(tmp.c_str()); return false; }
    ::close(fd);
    if (testHookBeforeRename && testHookBeforeRename()) { ::unlink(tmp.c_str()); return false; }
    if (::rename(tmp.c_str(), path_.c_str()) != 0) { ::unlink(tmp.c_str()); return false; }
    return true;
#endif
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
