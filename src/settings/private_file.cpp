#include "settings/private_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kd {

#ifndef _WIN32

namespace {

std::string Why(const std::filesystem::path& file, const char* what) {
    return file.string() + " " + what + ": " + std::strerror(errno);
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string WritePrivateFile(const std::filesystem::path& file, std::string_view text) {
    std::filesystem::path target = file;
    struct stat st {};
    bool exists = false;
    for (int hops = 0;; ++hops) {
        if (::lstat(target.c_str(), &st) != 0) {
            if (errno != ENOENT) return Why(file, "cannot be written");
            break;  // a dangling link: its target is created
        }
        if (!S_ISLNK(st.st_mode)) {
            exists = true;
            break;
        }
        std::error_code ec;
        const std::filesystem::path to = std::filesystem::read_symlink(target, ec);
        if (ec || hops == 40) return file.string() + " cannot be written: too many links";
        target = to.is_absolute() ? to : target.parent_path() / to;
    }
    if (exists && !S_ISREG(st.st_mode)) return file.string() + " cannot be written: not a regular file";

    const std::filesystem::path dir = target.parent_path();
    // A fresh name (O_EXCL, mode 0600), so nothing already lying there is followed.
    std::string tmp = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) return Why(file, "cannot be written");
    bool ok = WriteAll(fd, text) && (!exists || ::fchmod(fd, st.st_mode & 07777) == 0) && ::fsync(fd) == 0;
    std::string error = ok ? std::string() : Why(file, "cannot be written");
    ::close(fd);
    if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) {
        error = Why(file, "cannot be replaced");
        ok = false;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        return error;
    }
    const int folder = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
    return {};
}

#else  // Windows: no modes or symlinks to speak of.

std::string WritePrivateFile(const std::filesystem::path& file, std::string_view text) {
    std::filesystem::path temp = file;
    temp += ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            return file.string() + " cannot be written: " + std::strerror(errno);
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, file, ec);
    if (!ec) return {};
    const std::string why = ec.message();
    std::filesystem::remove(temp, ec);
    return file.string() + " cannot be replaced: " + why;
}

#endif

}  // namespace kd
