#include "settings/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kd {

#ifndef _WIN32

namespace {

void SyncFolder(const std::filesystem::path& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

std::filesystem::path WriteTarget(const std::filesystem::path& path, std::string* why) {
    std::filesystem::path target = path;
    // Followed here rather than by the system, so that the write lands in the target's own
    // folder and the link stays a link.
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
        std::error_code ec;
        const std::filesystem::path to = std::filesystem::read_symlink(target, ec);
        if (ec || hops == 40) {
            if (why) *why = ec ? ec.message() : std::strerror(ELOOP);
            return {};
        }
        target = to.is_absolute() ? to : target.parent_path() / to;
    }
}

FileReplacement::FileReplacement(const std::filesystem::path& path, ReplaceOptions options)
    : options_(std::move(options)) {
    std::string why;
    target_ = WriteTarget(path, &why);
    if (target_.empty()) {
        fail(why);
        return;
    }
    const std::filesystem::path dir = target_.parent_path();
    std::error_code ec;
    if (options_.createFolders && !dir.empty()) std::filesystem::create_directories(dir, ec);
    // mkostemp opens with O_CREAT | O_EXCL under a fresh random name, so nothing already lying
    // there (a link planted by someone else) is ever followed or reused.
    temp_ = (dir / ("." + target_.filename().string() + ".XXXXXX")).string();
    fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        temp_.clear();
        fail(std::strerror(errno));
    }
}

FileReplacement::~FileReplacement() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void FileReplacement::fail(const std::string& why) {
    if (error_.empty()) error_ = why.empty() ? "the write failed" : why;
}

bool FileReplacement::write(std::string_view bytes) {
    while (ok() && !bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fail(n < 0 ? std::strerror(errno) : "the disk took nothing");
            break;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return ok();
}

bool FileReplacement::commit() {
    if (!ok() || committed_) return ok();
    const std::filesystem::path dir = target_.parent_path();
    struct stat old {};
    const bool replacing = ::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    bool done = true;
    if (replacing) {
        // Owner first: a change of owner clears set-id bits the mode then restores.
        unsigned mode = options_.alwaysPrivate ? 0600u : static_cast<unsigned>(old.st_mode & 07777);
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0) {
            // The owner may hand a file only to a group of their own, so a file an administrator
            // gave the user (chown user, the group left as it was) cannot keep its group. It is
            // saved anyway, in the group the new file got; since that group's members and the
            // old group's (now others) are other people than before, both classes keep only
            // what the old group and the old others could both do: nobody gains a right.
            done = errno == EPERM && old.st_uid == ::geteuid();
            const unsigned both = (mode >> 3) & mode & 07;
            mode = (mode & ~(S_ISGID | 077u)) | (both << 3) | both;
        }
        done = done && ::fchmod(fd_, mode) == 0;
    } else {
        done = ::fchmod(fd_, options_.newMode) == 0;
        if (done && ::geteuid() == 0) {
            // Root creating the file in a user's folder gives it to that user.
            struct stat folder {};
            if (::stat(dir.empty() ? "." : dir.c_str(), &folder) == 0) done = ::fchown(fd_, folder.st_uid, folder.st_gid) == 0;
        }
    }
    done = done && ::fsync(fd_) == 0;
    if (!done) fail(std::strerror(errno));
    if (::close(fd_) != 0 && done) fail(std::strerror(errno));
    fd_ = -1;
    if (!ok()) return false;
    if (options_.beforeRename && options_.beforeRename()) {
        fail("abandoned before the rename");
        return false;
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        fail(std::strerror(errno));
        return false;
    }
    committed_ = true;
    SyncFolder(dir);
    return true;
}

#else  // Windows: no owners or symlinks to speak of; the temporary name is still unpredictable.

std::filesystem::path WriteTarget(const std::filesystem::path& path, std::string*) { return path; }

FileReplacement::FileReplacement(const std::filesystem::path& path, ReplaceOptions options)
    : options_(std::move(options)), target_(path) {
    std::error_code ec;
    const auto dir = target_.parent_path();
    if (options_.createFolders && !dir.empty()) std::filesystem::create_directories(dir, ec);
    char name[MAX_PATH] = {};
    if (GetTempFileNameA(dir.empty() ? "." : dir.string().c_str(), "kd", 0, name) == 0) {
        fail("cannot create a temporary file");
        return;
    }
    temp_ = name;
}

FileReplacement::~FileReplacement() {
    std::error_code ec;
    if (!committed_ && !temp_.empty()) std::filesystem::remove(temp_, ec);
}

void FileReplacement::fail(const std::string& why) {
    if (error_.empty()) error_ = why.empty() ? "the write failed" : why;
}

bool FileReplacement::write(std::string_view bytes) {
    if (!ok()) return false;
    std::ofstream o(temp_, std::ios::binary | std::ios::app);
    if (!o.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !o.flush()) fail("the write failed");
    return ok();
}

bool FileReplacement::commit() {
    if (!ok() || committed_) return ok();
    if (options_.beforeRename && options_.beforeRename()) {
        fail("abandoned before the rename");
        return false;
    }
    if (MoveFileExA(temp_.c_str(), target_.string().c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        fail("cannot replace the file");
        return false;
    }
    committed_ = true;
    return true;
}

#endif

std::string ReplaceFileText(const std::filesystem::path& path, std::string_view text, ReplaceOptions options) {
    FileReplacement file(path, std::move(options));
    file.write(text);
    file.commit();
    return file.error();
}

}  // namespace kd
