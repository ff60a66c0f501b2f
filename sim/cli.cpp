#include "cli.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <utility>

namespace kdsim {

namespace {

using std::chrono::milliseconds;

template <typename T>
std::optional<T> number(const std::string& s, T lo, T hi) {
    T v{};
    const auto* end = s.data() + s.size();
    const auto [p, ec] = std::from_chars(s.data(), end, v);
    if (ec != std::errc{} || p != end || v < lo || v > hi) return std::nullopt;
    return v;
}

std::optional<double> decimal(const std::string& s, double lo, double hi) {
    if (s.empty()) return std::nullopt;
    std::size_t used = 0;
    double v = 0;
    try {
        v = std::stod(s, &used);
    } catch (...) {
        return std::nullopt;
    }
    if (used != s.size() || !std::isfinite(v) || v < lo || v > hi) return std::nullopt;
    return v;
}

bool isDeviceId(const std::string& s) {
    if (s.empty() || s.size() > 10) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// "never" or milliseconds.
std::optional<std::optional<milliseconds>> scanDelay(const std::string& s) {
    if (s == "never") return std::optional<milliseconds>{};
    const auto ms = number<long>(s, 0, 24L * 3600 * 1000);
    if (!ms) return std::nullopt;
    return std::optional<milliseconds>{milliseconds{*ms}};
}

// "\e", "\a", "\\" and "\xHH" as the bytes they stand for; false for any other escape.
bool unescape(const std::string& s, std::string* out) {
    out->clear();
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            *out += s[i];
            continue;
        }
        if (++i >= s.size()) return false;
        switch (s[i]) {
            case 'e': *out += '\x1b'; break;
            case 'a': *out += '\a'; break;
            case '\\': *out += '\\'; break;
            case 'x': {
                const std::string hex = s.substr(i + 1, 2);
                if (hex.size() != 2 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
                *out += static_cast<char>(std::stoi(hex, nullptr, 16));
                i += 2;
                break;
            }
            default: return false;
        }
    }
    return true;
}

struct ScanOverride {
    std::string id;
    int status;
    std::optional<std::optional<milliseconds>> delay;
};

}  // namespace

std::string usageText() {
    return R"(Usage: keldamar-sim [OPTIONS]

Simulated KELDAMAR logger on a pseudo-terminal. Prints the device path on the first line of
standard output and serves until SIGINT or SIGTERM. The device may be opened and closed any
number of times.

Logger:
  --model plain|simtype|hub  model preset (default plain): plain logger, logger whose SIM card
                             type can be set, or hub with a device table and radio channel
  --hub                      same as --model hub
  --records N                log records held, numbered from 0 (0..4097, default 5)
  --log-pointer P            the log pointer reported (0..4095): the records are the N before
                             it in the ring of 4096, oldest first, wrapping past 4095 to 0
  --unread U                 the unread count reported (default: the number of records)
  --id ID                    device ID (digits, default 12345)
  --raw-id TEXT              device ID taken as it is, unchecked, with \e, \a, \\ and \xHH for
                             bytes: a logger with a corrupt ID, e.g. '12\e[2J345'
  --scan ID:STATUS[:DELAY]   how a hub answers a scan of device ID: status 0..5 (0 = success)
                             after DELAY ms, or "never" for no answer; repeatable
  --scan-delay MS|never      delay of every scan answer not given one by --scan

Set commands change the logger's state and are answered with the value now held, as
queries are. A value the logger refuses is answered with ERROR and changes nothing:
a logging interval other than 0, 5, 10, 15, 30 or 60; a download interval other than 15,
30, 60, 120 or 240; a device ID that is not 1 to 10 digits; a phone number that is not
digits (an optional leading +, at most 20); an APN or FTP field with a comma or a control
character, or longer than 40; a SIM type other than 0 or 1 with a network 0 to 3.

Timing:
  --no-pacing                send at full speed instead of at the serial line's byte rate
  --baud N                   line speed for pacing, 8N1 (default 9600)
  --think MS                 pause before each reply (default 2)
  --unsolicited SECONDS      send "+SS:" and "+AIRTIME:" lines at this period (default off)

Faults (all off by default):
  --silent                   never answer
  --ignore TEXT[:N]          leave the answer to a command beginning with TEXT unsent (the
                             command is still carried out), the next N times or always;
                             repeatable, e.g. --ignore AT+FTPINT=:5
  --keep-old TEXT            answer a set command beginning with TEXT with the value the logger
                             already holds and keep that value, as a logger that refuses a
                             value silently; repeatable, e.g. --keep-old AT+LOGINT=
  --drop-every N             leave every N-th reply unsent
  --late MS                  answer MS milliseconds late
  --garble RATE              corrupt each reply byte with chance RATE (0..1)
  --split                    write every reply in several pieces cut at random points
  --split-gap MS             pause between the pieces (default 15)
  --echo                     echo each command before answering
  --noise                    send all 256 byte values before each reply
  --flood BYTES              answer every command with BYTES bytes of text and no line feed
  --hang-up-after N          close the device after answering the N-th command
  --reopen-after MS          after a hang-up, offer a new device after MS (default: never)
  --seed N                   seed of the random faults (default 1)

Output and set-up:
  --transcript FILE          write every byte in and out, with times, to FILE
  --link PATH                make PATH a symbolic link to the device (removed on exit)
  --map-com N                enter the device (or the link) as COM port N (1..16) in section
                             [Ports] of the program's settings file ORVIKAS.ini
  --settings-dir DIR         folder of that settings file (default: the program's own)
  -h, --help                 show this text
)";
}

CliParse parseCommandLine(const std::vector<std::string>& args) {
    CliParse out;
    auto& cfg = out.config;
    auto& o = cfg.options;
    o.keepTranscript = false;  // nobody reads it in memory here

    Model model = Model::Plain;
    int records = 5;
    std::optional<int> logPointer, unread;
    std::optional<std::string> id;
    std::optional<std::optional<milliseconds>> defaultScanDelay;
    std::vector<ScanOverride> scans;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string opt = args[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = opt.find('='); opt.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = opt.substr(eq + 1);
            opt.resize(eq);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 < args.size()) return args[++i];
            return std::nullopt;
        };
        auto bad = [&](const std::string& why) {
            out.error = opt + ": " + why;
            return out;
        };
        auto flag = [&] { return !inlineValue; };

        if (opt == "-h" || opt == "--help") {
            cfg.help = true;
        } else if (opt == "--hub" && flag()) {
            model = Model::Hub;
        } else if (opt == "--no-pacing" && flag()) {
            o.pacing = false;
        } else if (opt == "--ignore") {
            const auto v = value();
            if (!v || v->empty()) return bad("needs the start of a command");
            Faults::Ignore rule{*v, 0};
            if (const auto colon = v->rfind(':'); colon != std::string::npos && colon > 0) {
                const auto n = number<int>(v->substr(colon + 1), 1, 1'000'000);
                if (!n) return bad("count after ':' must be 1..1000000");
                rule = {v->substr(0, colon), *n};
            }
            o.faults.ignore.push_back(rule);
        } else if (opt == "--keep-old") {
            const auto v = value();
            if (!v || v->empty()) return bad("needs the start of a command");
            o.faults.keepOld.push_back(*v);
        } else if (opt == "--silent" && flag()) {
            o.faults.silent = true;
        } else if (opt == "--split" && flag()) {
            o.faults.splitWrites = true;
        } else if (opt == "--echo" && flag()) {
            o.faults.echo = true;
        } else if (opt == "--noise" && flag()) {
            o.faults.noise = true;
        } else if (opt == "--model" || opt == "--records" || opt == "--id" || opt == "--raw-id" || opt == "--log-pointer" || opt == "--unread" || opt == "--scan" ||
                   opt == "--scan-delay" || opt == "--baud" || opt == "--think" || opt == "--unsolicited" ||
                   opt == "--drop-every" || opt == "--late" || opt == "--garble" || opt == "--split-gap" ||
                   opt == "--flood" || opt == "--hang-up-after" || opt == "--reopen-after" || opt == "--seed" ||
                   opt == "--transcript" || opt == "--link" || opt == "--map-com" || opt == "--settings-dir") {
            const auto v = value();
            if (!v) return bad("needs a value");
            if (opt == "--model") {
                if (*v == "plain") model = Model::Plain;
                else if (*v == "simtype") model = Model::SimType;
                else if (*v == "hub") model = Model::Hub;
                else return bad("must be plain, simtype or hub");
            } else if (opt == "--records") {
                const auto n = number<int>(*v, 0, kRecordSlots);
                if (!n) return bad("must be 0.." + std::to_string(kRecordSlots));
                records = *n;
            } else if (opt == "--log-pointer" || opt == "--unread") {
                const auto n = number<int>(*v, 0, opt == "--unread" ? 65535 : kLastRecord - 1);
                if (!n) return bad(opt == "--unread" ? "must be 0..65535" : "must be 0..4095");
                (opt == "--unread" ? unread : logPointer) = *n;
            } else if (opt == "--id") {
                if (!isDeviceId(*v)) return bad("must be 1 to 10 digits");
                id = *v;
            } else if (opt == "--raw-id") {
                std::string bytes;
                if (!unescape(*v, &bytes) || bytes.empty() || bytes.find_first_of("\r\n") != std::string::npos)
                    return bad("must be a text with \\e, \\a, \\\\ or \\xHH escapes and no line break");
                id = bytes;
            } else if (opt == "--scan") {
                const auto c1 = v->find(':');
                if (c1 == std::string::npos) return bad("must be ID:STATUS[:DELAY]");
                const auto c2 = v->find(':', c1 + 1);
                ScanOverride s{v->substr(0, c1), 0, std::nullopt};
                const auto status = number<int>(v->substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1), 0, 99);
                if (!isDeviceId(s.id) || !status) return bad("must be ID:STATUS[:DELAY]");
                s.status = *status;
                if (c2 != std::string::npos) {
                    s.delay = scanDelay(v->substr(c2 + 1));
                    if (!s.delay) return bad("delay must be milliseconds or never");
                }
                scans.push_back(s);
            } else if (opt == "--scan-delay") {
                defaultScanDelay = scanDelay(*v);
                if (!defaultScanDelay) return bad("must be milliseconds or never");
            } else if (opt == "--baud") {
                const auto n = number<int>(*v, 50, 4'000'000);
                if (!n) return bad("must be 50..4000000");
                o.baud = *n;
            } else if (opt == "--think" || opt == "--late" || opt == "--split-gap" || opt == "--reopen-after") {
                const auto n = number<long>(*v, 0, 3'600'000);
                if (!n) return bad("must be 0..3600000 milliseconds");
                const milliseconds ms{*n};
                if (opt == "--think") o.think = ms;
                else if (opt == "--late") o.faults.lateBy = ms;
                else if (opt == "--split-gap") o.faults.splitGap = ms;
                else o.faults.reopenAfter = ms;
            } else if (opt == "--unsolicited") {
                const auto s = decimal(*v, 0.001, 86400);
                if (!s) return bad("must be a number of seconds above 0");
                o.unsolicitedPeriod = milliseconds{static_cast<long>(std::lround(*s * 1000))};
            } else if (opt == "--drop-every" || opt == "--hang-up-after") {
                const auto n = number<int>(*v, 1, 1'000'000);
                if (!n) return bad("must be 1..1000000");
                (opt == "--drop-every" ? o.faults.dropEvery : o.faults.hangUpAfter) = *n;
            } else if (opt == "--garble") {
                const auto r = decimal(*v, 0.0, 1.0);
                if (!r) return bad("must be 0..1");
                o.faults.garbleRate = *r;
            } else if (opt == "--flood") {
                const auto n = number<std::size_t>(*v, 1, 100'000'000);
                if (!n) return bad("must be 1..100000000");
                o.faults.floodBytes = *n;
            } else if (opt == "--seed") {
                const auto n = number<std::uint64_t>(*v, 0, UINT64_MAX);
                if (!n) return bad("must be a whole number");
                o.seed = *n;
            } else if (opt == "--transcript") {
                o.transcriptFile = *v;
            } else if (opt == "--link") {
                o.linkPath = *v;
            } else if (opt == "--map-com") {
                const auto n = number<int>(*v, 1, 16);
                if (!n) return bad("must be 1..16");
                cfg.mapCom = *n;
            } else {
                cfg.settingsDir = *v;
            }
        } else {
            out.error = "unknown option " + args[i];
            return out;
        }
    }

    LoggerState s = makePreset(model, 0);
    if (id) {
        for (auto& slot : s.deviceTable)
            if (slot == s.deviceId) slot = *id;  // the hub's own probe carries its ID
        if (auto it = s.scanAnswers.find(s.deviceId); it != s.scanAnswers.end()) {
            auto answer = it->second;
            s.scanAnswers.erase(it);
            s.scanAnswers[*id] = answer;
        }
        s.deviceId = *id;
    }
    if (logPointer) {
        // The newest record sits just before the pointer; older ones run back round the ring.
        if (records > kLastRecord) {
            out.error = "--records with --log-pointer must be 0..4096";
            return out;
        }
        for (int n = 0; n < records; ++n) s.records[(*logPointer - records + n + kLastRecord) % kLastRecord] = makeRecord(s, n);
        s.logPointer = *logPointer;
    } else {
        for (int n = 0; n < records; ++n) s.records[n] = makeRecord(s, n);
        s.logPointer = records % kRecordSlots;
    }
    s.unreadLogs = unread.value_or(records);
    if (defaultScanDelay) {
        s.scanDefault.delay = *defaultScanDelay;
        for (auto& [_, a] : s.scanAnswers) a.delay = *defaultScanDelay;
    }
    for (const auto& sc : scans) {
        ScanAnswer a = s.scanAnswers.count(sc.id) ? s.scanAnswers[sc.id] : s.scanDefault;
        a.status = sc.status;
        if (sc.status == 0 && a.logs == 0) {
            a.logs = 12;
            a.remainder = 85;
        }
        if (sc.delay) a.delay = *sc.delay;
        s.scanAnswers[sc.id] = a;
    }
    o.model = model;
    o.records = records;
    o.state = std::move(s);
    return out;
}

}  // namespace kdsim
