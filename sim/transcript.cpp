#include "transcript.h"

namespace kdsim {

std::string escapeBytes(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (u < 0x20 || u > 0x7E) {
            static const char* hex = "0123456789ABCDEF";
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

Transcript::~Transcript() { close(); }

bool Transcript::open(bool keepInMemory, const std::string& filePath,
                      std::chrono::steady_clock::time_point start) {
    close();
    keep_ = keepInMemory;
    start_ = start;
    entries_.clear();
    if (filePath.empty()) return true;
    file_ = std::fopen(filePath.c_str(), "w");
    return file_ != nullptr;
}

void Transcript::add(Direction d, std::string bytes, std::chrono::steady_clock::time_point t) {
    if (bytes.empty()) return;
    if (file_) {
        const double secs = std::chrono::duration<double>(t - start_).count();
        std::fprintf(file_, "%.6f %c %s\n", secs, d == Direction::In ? '<' : '>', escapeBytes(bytes).c_str());
        std::fflush(file_);  // a transcript is read while the simulator runs and after a crash
    }
    if (keep_) entries_.push_back({t, d, std::move(bytes)});
}

void Transcript::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

}  // namespace kdsim
