#include "visits/report.h"

#include <ctime>

#include "basic/basic.h"
#include "link/shown_text.h"
#include "visits/clock_offset.h"
#include "visits/counters.h"
#include "visits/history.h"

namespace kd::visits {

namespace {

std::string Escaped(const std::string& utf8) {
    std::string out;
    for (const char c : utf8) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

// Latin-1 bytes above 0x7E as the characters the window shows; below as VisibleText does.
std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0xA0) {
            out += VisibleText(std::string_view(&ch, 1));  // ASCII, and C1 controls are no characters
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Row(std::initializer_list<std::string> cells, const char* tag = "td") {
    std::string r = "<tr>";
    for (const std::string& c : cells) r += std::string("<") + tag + ">" + c + "</" + tag + ">";
    return r + "</tr>\n";
}

std::string Shown(const std::string& value, bool password) { return password ? kPasswordDots : HtmlText(value); }

bool IsDigest(const std::string& v) { return v.rfind("sha256:", 0) == 0; }

std::string Offset(const std::optional<int64_t>& offset) {
    return offset ? Escaped(OffsetWords(*offset)) : std::string("not read");
}

std::string Change(const std::optional<long>& change) {
    if (!change) return "";
    return *change > 0 ? " (+" + std::to_string(*change) + ")" : " (" + std::to_string(*change) + ")";
}

}  // namespace

std::string HtmlText(const std::string& bytes) { return Escaped(Latin1ToUtf8(bytes)); }
std::string HtmlUtf8(const std::string& utf8) { return Escaped(utf8); }

std::string LocalTimeText(int64_t utc) {
    const auto t = static_cast<std::time_t>(utc);
    std::tm local{};
    localtime_r(&t, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &local);
    return buf;
}

std::string ReportHtml(const ReportInput& in) {
    const Visit& v = *in.visit;
    std::string h = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Visit report " + HtmlText(v.deviceId) +
                    "</title>\n<style>body{font-family:sans-serif;font-size:10pt} table{border-collapse:collapse}"
                    " td,th{border:1px solid #999;padding:2px 6px;text-align:left} .no{color:#b00}</style></head><body>\n";
    h += "<h1>Visit report: logger " + HtmlText(v.deviceId) + "</h1>\n<table>\n";
    h += Row({"Model", HtmlText(v.model)}) + Row({"Firmware", HtmlText(v.firmware)});
    h += Row({"Visit", LocalTimeText(v.started) + (v.ended ? " to " + LocalTimeText(*v.ended) : std::string(" (open)"))});
    h += Row({"By", HtmlUtf8(v.user) + " on " + HtmlUtf8(v.host)});
    h += Row({"Program", HtmlUtf8(v.version) + ", " + HtmlUtf8(v.face)});
    if (!in.transcript.empty()) h += Row({"Transcript", HtmlUtf8(in.transcript)});
    h += "</table>\n";

    h += "<h2>Clock</h2>\n<table>\n" + Row({"Found", Offset(v.clockFound)});
    if (v.clockLeft) h += Row({"After setting", Offset(v.clockLeft)});
    h += "</table>\n";

    h += "<h2>Health since the visit before</h2>\n";
    if (in.previous == nullptr) {
        h += "<p>First visit on record.</p>\n";
    } else {
        const std::vector<HistoryRow> rows = HistoryRows({v, *in.previous});
        const HistoryRow& now = rows[0];
        h += "<table>\n" + Row({"", "Visit before (" + LocalTimeText(in.previous->started) + ")", "This visit"}, "th");
        h += Row({"Battery Volts", HtmlText(in.previous->value("battery_volts")), HtmlText(now.battery)});
        h += Row({"WatchDog", HtmlText(in.previous->value("watchdog")), HtmlText(now.watchdog) + Change(now.watchdogChange)});
        h += Row({"Cold Starts", HtmlText(in.previous->value("cold_starts")),
                  HtmlText(now.coldStarts) + Change(now.coldStartChange)});
        h += "</table>\n";
    }

    h += "<h2>What was done</h2>\n";
    if (v.actions.empty()) h += "<p>Nothing was changed.</p>\n";
    else {
        h += "<table>\n" + Row({"Time", "What", "Sent", "Logger holds", "Result"}, "th");
        for (const Action& a : v.actions) {
            const bool pw = IsDigest(a.sent) || IsDigest(a.held);
            std::string result = a.kept ? "kept" : "<span class=\"no\">not kept</span>";
            std::string what = HtmlText(a.kind == ActionKind::CustomCommand || a.kind == ActionKind::Maintenance
                                            ? MaskPasswords(a.what)
                                            : a.what);
            switch (a.kind) {
                case ActionKind::RecordsDownloaded:
                    what = "Records " + what;
                    result = std::to_string(a.received) + " received" +
                             (a.missing ? ", <span class=\"no\">" + std::to_string(a.missing) + " not received: " +
                                              HtmlText(a.held) + "</span>"
                                        : std::string());
                    break;
                case ActionKind::ProfileApplied: what = "Profile " + HtmlUtf8(a.what); result = ""; break;
                case ActionKind::CustomCommand:
                case ActionKind::Maintenance:
                case ActionKind::ClockSet:
                    result = a.kept           ? "answered"
                             : a.held.empty() ? "<span class=\"no\">no answer</span>"
                                              : "<span class=\"no\">refused: " + HtmlText(a.held) + "</span>";
                    break;
                case ActionKind::SignalSpan:
                    what = "Signal at " + HtmlUtf8(a.what);
                    result = "mean " + HtmlText(a.sent) + ", " + HtmlText(a.held) + ", " + std::to_string(a.received) +
                             " values";
                    break;
                case ActionKind::ValueSent: break;
            }
            const bool value = a.kind == ActionKind::ValueSent;
            h += Row({LocalTimeText(a.at).substr(11), what, value ? Shown(a.sent, pw) : "",
                      value ? Shown(a.held, pw) : "", result});
        }
        h += "</table>\n";
    }

    h += "<h2>Before you leave</h2>\n";
    if (v.leftBehind.empty()) h += "<p>Nothing was left to do.</p>\n";
    else {
        h += "<ul>\n";
        for (const std::string& l : v.leftBehind) h += "<li>" + HtmlText(l) + "</li>\n";
        h += "</ul>\n";
    }

    h += "<h2>Values found</h2>\n<table>\n";
    for (const FoundValue& f : v.found) h += Row({HtmlText(f.caption), Shown(f.value, !f.digest.empty())});
    h += "</table>\n</body></html>\n";
    return h;
}

}  // namespace kd::visits
