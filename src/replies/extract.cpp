#include "replies/extract.h"

namespace kd {

std::string ExtractCommand(std::string_view b) {
    size_t p = b.find(' ');
    if (p == std::string_view::npos) p = b.find('\r');
    if (p == std::string_view::npos) return {};
    std::string name(b.substr(0, p));
    if (name.compare(0, 5, "@LOAD") == 0 && name.size() >= 5) name = "@LOAD";
    return name;
}

std::string ExtractParm(std::string_view b, int16_t& startPos, int16_t parmNo) {
    if (b.empty() || parmNo < 1 || startPos < 1) return {};
    // The working text: the line less its final CR, with a comma that ends the last field.
    const std::string_view body = b.substr(0, b.size() - 1);
    const size_t from = static_cast<size_t>(startPos - 1);
    if (from > body.size()) return {};  // beyond the end (the appended comma is at body.size())
    size_t comma = body.find(',', from);
    if (comma == std::string_view::npos) comma = body.size();
    const std::string field(body.substr(from, comma - from));
    if (field.empty()) return field;
    // A position past the 16-bit range cannot be represented: the field is still returned
    // but the position stays where it was.
    const long next = static_cast<long>(startPos) + static_cast<long>(field.size()) + 1;
    if (next <= 32767) startPos = static_cast<int16_t>(next);
    return field;
}

int16_t Numcheck(std::string_view x) {
    for (char c : x)
        if (c < '0' || c > '9') return 0;
    return 1;
}

}  // namespace kd
