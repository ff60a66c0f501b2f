#include "basic/basic.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kd::basic {

double Val(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    const size_t start = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const size_t digitsStart = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    bool any = i > digitsStart;
    if (i < s.size() && s[i] == '.') {
        const size_t frac = ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
        any = any || i > frac;
    }
    if (!any) return 0.0;
    std::string text(s.substr(start, i - start));
    if (text[0] == '+') text.erase(0, 1);
    // strtod under the C locale would need a locale switch; from_chars is locale-free.
    double v = 0.0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec == std::errc::result_out_of_range) return text[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    return v;
}

double RoundHalfEven(double v) {
    if (!std::isfinite(v)) return v;
    const double f = std::floor(v);
    const double diff = v - f;
    if (diff < 0.5) return f;
    if (diff > 0.5) return f + 1.0;
    return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

std::optional<int16_t> ToInt16(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    const double r = RoundHalfEven(v);
    if (r < -32768.0 || r > 32767.0) return std::nullopt;
    return static_cast<int16_t>(r);
}

int16_t ClampInt16(double v) {
    if (std::isnan(v)) return 0;
    const double r = RoundHalfEven(v);
    if (r < -32768.0) return std::numeric_limits<int16_t>::min();
    if (r > 32767.0) return std::numeric_limits<int16_t>::max();
    return static_cast<int16_t>(r);
}

std::string Left(std::string_view s, long n) {
    if (n <= 0) return {};
    return std::string(s.substr(0, static_cast<size_t>(n)));
}

std::string Right(std::string_view s, long n) {
    if (n <= 0) return {};
    const size_t k = std::min(s.size(), static_cast<size_t>(n));
    return std::string(s.substr(s.size() - k));
}

std::string Mid(std::string_view s, long start, long len) {
    if (start < 1) start = 1;
    const size_t from = static_cast<size_t>(start - 1);
    if (from >= s.size()) return {};
    if (len < 0) return std::string(s.substr(from));
    return std::string(s.substr(from, static_cast<size_t>(len)));
}

std::string Str(long v) { return (v >= 0 ? " " : "") + std::to_string(v); }

namespace {
// Fixed-point text with the given decimals, halves away from zero; never "-0.0".
std::string Fixed(double v, int decimals) {
    if (!std::isfinite(v)) return "0";
    const double scale = decimals == 4 ? 10000.0 : 10.0;
    double scaled = std::round(v * scale);  // std::round: halves away from zero
    if (scaled == 0.0) scaled = 0.0;        // drops the sign of negative zero
    char buf[64];
    const long long whole = static_cast<long long>(scaled);
    const long long unit = static_cast<long long>(scale);
    const long long a = whole < 0 ? -whole : whole;
    std::snprintf(buf, sizeof buf, "%s%lld.%0*lld", whole < 0 ? "-" : "", a / unit, decimals, a % unit);
    return buf;
}
}  // namespace

std::string Format4(double v) { return Fixed(v, 4); }
std::string Format1(double v) { return Fixed(v, 1); }

int HexByte(std::string_view s) {
    if (s.empty()) return 0;
    auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return 0;
    };
    return 16 * digit(s.front()) + digit(s.back());
}

}  // namespace kd::basic
