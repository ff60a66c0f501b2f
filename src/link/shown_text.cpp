#include "link/shown_text.h"

#include <array>

namespace kd {

namespace {

// Commands and answers whose third comma-separated field is a password, and the length of
// the prefix before the fields.
constexpr std::array<std::string_view, 4> kPasswordLines = {"AT+APNCON=", "AT+FTPCON=", "+APNCON:", "+FTPCON:"};

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::string MaskedValue(std::string_view value) { return std::string(value.size(), kMaskSymbol); }

std::string MaskPasswords(std::string_view line) {
    for (const std::string_view prefix : kPasswordLines) {
        if (line.substr(0, prefix.size()) != prefix) continue;
        size_t at = prefix.size();
        for (int commas = 0; commas < 2; ++commas) {
            at = line.find(',', at);
            if (at == std::string_view::npos) return std::string(line);
            ++at;
        }
        // The password is the last field: everything to the line's end, so a comma typed
        // into it cannot leave a part showing (a CR LF stays visible).
        size_t end = line.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = line.size();
        std::string out(line.substr(0, at));
        out += MaskedValue(line.substr(at, end - at));
        out += line.substr(end);
        return out;
    }
    return std::string(line);
}

std::string VisibleText(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\t' || (c >= 0x20 && c < 0x7F)) {
            out += ch;
        } else if (c < 0x20) {
            AppendUtf8(out, 0x2400 + c);
        } else if (c == 0x7F) {
            AppendUtf8(out, 0x2421);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

}  // namespace kd
