#include "transcript_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kdcli {

TranscriptFile::~TranscriptFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::string TranscriptFile::open(const std::string& path) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd_ < 0) return "cannot write " + path + ": " + std::strerror(errno);
    return {};
}

void TranscriptFile::write(const kd::LocalTime& at, kd::TrafficDirection direction, std::string_view line,
                           std::string_view label) {
    if (fd_ < 0 || !error_.empty()) return;
    buffer_.clear();
    kd::AppendTranscriptLine(buffer_, at, direction, line, label);
    // One system call per line: the line is in the file before the next command goes out.
    std::string_view rest = buffer_;
    while (!rest.empty()) {
        const ssize_t n = ::write(fd_, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = "cannot write " + path_ + ": " + std::strerror(errno);
            return;
        }
        rest.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace kdcli
