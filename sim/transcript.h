#pragma once
// Record of the bytes on the line, each chunk with the time it was read or written.
// Not thread-safe on its own; the simulator guards it.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace kdsim {

enum class Direction { In, Out };  // In: from the program to the logger

struct TranscriptEntry {
    std::chrono::steady_clock::time_point time;
    Direction direction;
    std::string bytes;
};

// "\r\n" -> "\\r\\n", bytes outside printable ASCII as \xHH, backslash doubled.
std::string escapeBytes(const std::string& bytes);

class Transcript {
public:
    Transcript() = default;
    ~Transcript();
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;

    // Where entries go: memory (readable via entries()) and/or a text file, one entry a line:
    // seconds since start, "<" for in or ">" for out, the escaped bytes.
    // Returns false when the file cannot be opened.
    bool open(bool keepInMemory, const std::string& filePath, std::chrono::steady_clock::time_point start);
    void add(Direction d, std::string bytes, std::chrono::steady_clock::time_point t);
    const std::vector<TranscriptEntry>& entries() const { return entries_; }
    void clearMemory() { entries_.clear(); }
    void close();

private:
    bool keep_ = false;
    std::FILE* file_ = nullptr;
    std::chrono::steady_clock::time_point start_{};
    std::vector<TranscriptEntry> entries_;
};

}  // namespace kdsim
