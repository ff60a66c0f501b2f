#pragma once
// keldamar --transcript FILE: every line sent and received, with its time, written as it
// happens and handed to the system line by line, so a run that is killed loses nothing.
#include <string>
#include <string_view>

#include "link/transcript.h"

namespace kdcli {

class TranscriptFile {
public:
    TranscriptFile() = default;
    ~TranscriptFile();
    TranscriptFile(const TranscriptFile&) = delete;
    TranscriptFile& operator=(const TranscriptFile&) = delete;

    // Creates or empties the file (a new one private to this user); "" when open, else why not.
    std::string open(const std::string& path);
    // One line; label names the port when several share the file.
    void write(const kd::LocalTime& at, kd::TrafficDirection direction, std::string_view line,
               std::string_view label);
    // "" while every line went out, else the first failure.
    const std::string& error() const { return error_; }

private:
    int fd_ = -1;
    std::string path_;
    std::string buffer_;  // reused for every line
    std::string error_;
};

}  // namespace kdcli
