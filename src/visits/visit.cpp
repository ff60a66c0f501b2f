#include "visits/visit.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <cstdio>
#include <ctime>

namespace kd::visits {

const std::string& Visit::value(const std::string& key) const {
    static const std::string kNone;
    for (const FoundValue& v : found)
        if (v.key == key) return v.value;
    return kNone;
}

std::string PasswordDigest(const std::string& deviceId, const std::string& key, const std::string& value) {
    // Salted with what the row is, so equal passwords of two loggers do not look equal, and
    // the same on every laptop, so pooled archives still compare.
    const std::string text = "keldamar-visit\n" + deviceId + "\n" + key + "\n" + value;
    std::array<unsigned char, EVP_MAX_MD_SIZE> md{};
    unsigned int size = 0;
    if (EVP_Digest(text.data(), text.size(), md.data(), &size, EVP_sha256(), nullptr) != 1) return "?";
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex = "sha256:";
    for (unsigned int i = 0; i < size; ++i) {
        hex += kHex[md[i] >> 4];
        hex += kHex[md[i] & 0xF];
    }
    return hex;
}

std::string NewUuid() {
    std::array<unsigned char, 16> b{};
    if (RAND_bytes(b.data(), static_cast<int>(b.size())) != 1) {
        // No entropy source: a time-based fallback still separates this run's visits.
        const auto t = static_cast<unsigned long long>(std::time(nullptr));
        for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<unsigned char>((t >> (i % 8 * 8)) ^ (i * 37));
    }
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
    char out[37];
    std::snprintf(out, sizeof out, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0], b[1],
                  b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return out;
}

}  // namespace kd::visits
