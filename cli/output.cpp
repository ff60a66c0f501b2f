#include "output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "link/shown_text.h"

namespace kdcli {

namespace {

// Texts are the logger's 8-bit bytes; JSON carries them as the characters they are.
QString Text(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string Line(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

const char* FateText(Outcome::Row::Fate fate) {
    switch (fate) {
        case Outcome::Row::Fate::Kept: return "kept";
        case Outcome::Row::Fate::NotKept: return "not kept";
        case Outcome::Row::Fate::Refused: return "refused";
        case Outcome::Row::Fate::Unanswered: return "no answer";
    }
    return "";
}

}  // namespace

std::string TerminalText(std::string_view text) {
    // Line feeds (a message of several lines) and runs of well-formed UTF-8 above U+009F (a
    // file name as the system spells it) pass; every other byte takes the one rule for
    // bytes a terminal would act on.
    std::string out;
    std::size_t plain = 0;
    auto flush = [&](std::size_t to) {
        out += kd::VisibleText(text.substr(plain, to - plain));
        plain = to;
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            flush(i);
            out += '\n';
            plain = ++i;
            continue;
        }
        const std::size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        bool wellFormed = n > 0 && i + n <= text.size();
        for (std::size_t k = 1; wellFormed && k < n; ++k) wellFormed = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        // C1 controls (U+0080..U+009F) are C2 80..C2 9F.
        if (wellFormed && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) wellFormed = false;
        if (!wellFormed) {
            ++i;
            continue;
        }
        flush(i);
        out.append(text.substr(i, n));
        i += n;
        plain = i;
    }
    flush(text.size());
    return out;
}

std::string FormatText(const Outcome& o) {
    // What the logger sent is shown by the one rule for terminal-safe text.
    using kd::VisibleText;
    std::string out;
    if (o.hasLines) {
        for (const std::string& line : o.lines) out += VisibleText(line) + "\n";
        return out;
    }
    for (const Field& f : o.fields) out += f.caption + (f.value.empty() ? "" : " " + VisibleText(f.value)) + "\n";
    auto shown = [](const std::string& v) { return v.empty() ? std::string("(empty)") : VisibleText(v); };
    for (const Outcome::Row& r : o.rows) {
        const std::string setting = VisibleText(r.setting) + ": ";
        switch (o.rowKind == Outcome::RowKind::Preview ? Outcome::Row::Fate::Kept : r.fate) {
            case Outcome::Row::Fate::Kept:
                out += o.rowKind == Outcome::RowKind::Preview ? setting + shown(r.before) + " -> " + shown(r.after)
                                                              : setting + "sent " + shown(r.before) + ", kept";
                break;
            case Outcome::Row::Fate::NotKept: out += setting + "sent " + shown(r.before) + ", logger holds " + shown(r.after); break;
            case Outcome::Row::Fate::Refused: out += setting + "sent " + shown(r.before) + ", refused by the logger"; break;
            case Outcome::Row::Fate::Unanswered: out += setting + "sent " + shown(r.before) + ", no answer"; break;
        }
        out += "\n";
    }
    return out;
}

std::string FormatJson(const Outcome& o) {
    QJsonObject json;
    json.insert(QStringLiteral("port"), Text(o.port));
    json.insert(QStringLiteral("device"), Text(o.device));
    json.insert(QStringLiteral("exit_status"), o.status);
    if (o.status != 0) json.insert(QStringLiteral("error"), Text(o.error));
    for (const Field& f : o.fields) json.insert(QString::fromLatin1(f.key.c_str()), Text(f.value));
    if (o.rowKind != Outcome::RowKind::None) {
        const bool preview = o.rowKind == Outcome::RowKind::Preview;
        QJsonArray rows;
        for (const Outcome::Row& r : o.rows) {
            QJsonObject row;
            row.insert(QStringLiteral("setting"), Text(r.setting));
            row.insert(preview ? QStringLiteral("on_logger") : QStringLiteral("sent"), Text(r.before));
            row.insert(preview ? QStringLiteral("new_value") : QStringLiteral("held"), Text(r.after));
            if (!preview) {
                row.insert(QStringLiteral("kept"), r.kept());
                row.insert(QStringLiteral("result"), QString::fromLatin1(FateText(r.fate)));
            }
            rows.append(row);
        }
        json.insert(preview ? QStringLiteral("preview") : QStringLiteral("sent"), rows);
    }
    if (o.hasLines) {
        QJsonArray lines;
        for (const std::string& line : o.lines) lines.append(Text(line));
        json.insert(QStringLiteral("lines"), lines);
    }
    return Line(json);
}

std::string FormatDevices(const std::vector<SerialDevice>& devices, bool json) {
    std::string out;
    if (json) {
        for (const SerialDevice& d : devices) {
            QJsonObject o;
            o.insert(QStringLiteral("com"), d.com ? QJsonValue(QStringLiteral("COM%1").arg(d.com)) : QJsonValue());
            o.insert(QStringLiteral("path"), QString::fromStdString(d.path));
            o.insert(QStringLiteral("description"), QString::fromStdString(d.description));
            o.insert(QStringLiteral("usb"), d.usb);
            out += Line(o);
        }
        return out;
    }
    std::size_t width = 4;
    for (const SerialDevice& d : devices) width = std::max(width, d.path.size());
    for (const SerialDevice& d : devices) {
        std::string com = d.com ? "COM" + std::to_string(d.com) : "-";
        com.resize(6, ' ');
        std::string path = d.path;
        path.resize(width + 2, ' ');
        std::string line = com + path + d.description;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    return out;
}

Progress::Progress(std::vector<std::string> labels, std::function<int(std::size_t)> done, int total, bool bar)
    : labels_(std::move(labels)), done_(std::move(done)), total_(total), bar_(bar) {
    if (!bar_) return;
    struct stat out {}, err {};
    sharesTerminal_ = ::isatty(STDOUT_FILENO) == 1 && ::fstat(STDOUT_FILENO, &out) == 0 && ::fstat(STDERR_FILENO, &err) == 0 &&
                      out.st_rdev == err.st_rdev;
    timer_.setInterval(100);
    QObject::connect(&timer_, &QTimer::timeout, [this] { draw(); });
    timer_.start();
}

Progress::~Progress() { stop(); }

void Progress::stop() {
    timer_.stop();
    clear();
}

void Progress::message(const std::string& line) {
    clear();
    std::fprintf(stderr, "%s\n", TerminalText(line).c_str());
    std::fflush(stderr);
}

void Progress::beforeOutput() {
    if (sharesTerminal_) clear();
}

void Progress::clear() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

void Progress::draw() {
    constexpr int kWidth = 16;
    std::string line = "\r\033[K";
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        const int done = std::clamp(done_(i), 0, total_);
        const int filled = done * kWidth / total_;
        line += (i ? "  " : "") + labels_[i] + " [" + std::string(static_cast<size_t>(filled), '#') +
                std::string(static_cast<size_t>(kWidth - filled), '.') + "]";
    }
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    drawn_ = true;
}

}  // namespace kdcli
