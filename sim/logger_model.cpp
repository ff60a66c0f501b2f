#include "logger_model.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <vector>

namespace kdsim {

namespace {

using std::chrono::milliseconds;

constexpr std::size_t kMaxTextField = 40;
constexpr std::size_t kMaxNumber = 20;
constexpr std::size_t kMaxId = 10;

const std::string kError = "ERROR\r\n";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view s) { return std::all_of(s.begin(), s.end(), isDigit); }

std::string upper(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// A plain decimal number within [0, maxValue]; leading zeros are fine, signs and blanks not.
std::optional<int> parseNumber(std::string_view s, int maxValue) {
    if (s.empty() || !allDigits(s)) return std::nullopt;
    long long v = 0;
    for (char c : s) {
        v = v * 10 + (c - '0');
        if (v > maxValue) return std::nullopt;  // also stops overflow on long inputs
    }
    return static_cast<int>(v);
}

std::vector<std::string_view> splitFields(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (true) {
        const auto comma = s.find(',', start);
        if (comma == std::string_view::npos) {
            out.push_back(s.substr(start));
            return out;
        }
        out.push_back(s.substr(start, comma - start));
        start = comma + 1;
    }
}

// Free text that can travel as one reply field: no separators, no control bytes.
bool isFieldText(std::string_view s) {
    if (s.size() > kMaxTextField) return false;
    return std::all_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u != 0x7F && c != ',';
    });
}

bool isPhoneNumber(std::string_view s) {
    if (s.size() > kMaxNumber) return false;
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    return allDigits(s);
}

bool isDeviceId(std::string_view s) { return !s.empty() && s.size() <= kMaxId && allDigits(s); }

std::string reply(std::string_view name, std::initializer_list<std::string> fields) {
    std::string out = "+";
    out += name;
    out += ": ";
    bool first = true;
    for (const auto& f : fields) {
        if (!first) out += ',';
        out += f;
        first = false;
    }
    out += "\r\n";
    return out;
}

std::string num(int v) { return std::to_string(v); }

}  // namespace

LoggerModel::LoggerModel(LoggerState state, Clock::time_point now)
    : state_(std::move(state)), clockAnchor_(now) {}

std::chrono::sys_seconds LoggerModel::clockAt(Clock::time_point now) const {
    return state_.clock + std::chrono::floor<std::chrono::seconds>(now - clockAnchor_);
}

void LoggerModel::setClock(std::chrono::sys_seconds t, Clock::time_point now) {
    state_.clock = t;
    clockAnchor_ = now;
}

std::string LoggerModel::timeText(Clock::time_point now) const {
    using namespace std::chrono;
    const auto t = clockAt(now);
    const auto day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss hms{t - day};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02u/%02u,%02d:%02d:%02d",
                  static_cast<int>(ymd.year()) % 100, static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()), static_cast<int>(hms.hours().count()),
                  static_cast<int>(hms.minutes().count()), static_cast<int>(hms.seconds().count()));
    return buf;
}

std::string LoggerModel::unsolicited() {
    state_.airtimeCents += 25;
    char airtime[32];
    std::snprintf(airtime, sizeof airtime, "%d.%02d", state_.airtimeCents / 100, state_.airtimeCents % 100);
    return reply("SS", {num(state_.signalPercent)}) + reply("AIRTIME", {airtime});
}

Reply LoggerModel::handle(std::string_view line, Clock::time_point now) {
    if (line.size() < 4 || upper(line.substr(0, 3)) != "AT+") return {kError};
    std::string_view rest = line.substr(3);
    const auto op = rest.find_first_of("?=");
    const std::string name = upper(rest.substr(0, op));
    if (name.empty()) return {kError};
    if (op == std::string_view::npos) {
        // Bare action commands.
        if (name == "OWNSIM") return query("OWNSIM", now);
        if (name == "RAING") {
            state_.rainCount = 0;
            return {reply("RAING", {"0"})};
        }
        return {kError};
    }
    if (rest[op] == '?') {
        if (op + 1 != rest.size()) return {kError};
        return query(name, now);
    }
    return set(name, rest.substr(op + 1), now);
}

Reply LoggerModel::query(const std::string& name, Clock::time_point now) {
    const auto& s = state_;
    if (name == "SNR") return {reply("SNR", {s.deviceId})};
    if (name == "LOAD") return {reply("LOAD", {num(s.logPointer), num(s.unreadLogs)})};
    if (name == "LOGINT") return {reply("LOGINT", {num(s.logInterval)})};
    if (name == "FTPINT") return {reply("FTPINT", {num(s.downloadInterval)})};
    if (name == "OWNSIM") return {reply("OWNSIM", {s.simIccid, s.simNumber})};
    if (name == "OWNNUM") return {reply("OWNNUM", {s.ownNumber})};
    if (name == "APNCON") return {reply("APNCON", {s.apnName, s.apnUser, s.apnPassword})};
    if (name == "FTPCON") return {reply("FTPCON", {s.ftpServer, s.ftpUser, s.ftpPassword})};
    if (name == "HOMENUM") return {reply("HOMENUM", {s.homeNumber})};
    if (name == "FW") return {reply("FW", {s.firmware})};
    if (name == "SIMTYPE") {
        if (!offersSimType(s)) return {kError};
        return {reply("SIMTYPE", {num(s.simType), num(s.prepaidNetwork)})};
    }
    if (name == "WDT") return {reply("WDT", {num(s.watchdogCount)})};
    if (name == "POR") return {reply("POR", {num(s.coldStarts)})};
    if (name == "AUTOPD") return {reply("AUTOPD", {num(s.autoPowerDown)})};
    if (name == "TIME") return {reply("TIME", {timeText(now)})};
    if (name == "MPOWER") return {reply("MPOWER", {num(s.modemPower)})};
    if (name == "BATVOLTS") return {reply("BATVOLTS", {s.batteryVolts})};
    if (name == "CREG") return {reply("CREG", {num(s.cregMode), num(s.cregStatus)})};
    if (name == "PTABLE") {
        if (!isHub(s)) return {kError};
        const auto& t = s.deviceTable;
        return {reply("PTABLE", {t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7]})};
    }
    if (name == "RFCHAN") {
        if (!isHub(s)) return {kError};
        return {reply("RFCHAN", {num(s.radioChannel)})};
    }
    if (name == "RAING") return {reply("RAING", {num(s.rainCount)})};
    return {kError};
}

Reply LoggerModel::set(const std::string& name, std::string_view value, Clock::time_point now) {
    auto& s = state_;
    if (name == "SNR") {
        if (!isDeviceId(value)) return {kError};
        s.deviceId = std::string(value);
        return query(name, now);
    }
    if (name == "LOGINT" || name == "FTPINT" || name == "AUTOPD") {
        const auto v = parseNumber(value, 65535);
        if (!v) return {kError};
        // The logger keeps only the intervals it offers; leading zeros ("05") are its business.
        static const std::vector<int> logging{0, 5, 10, 15, 30, 60}, download{15, 30, 60, 120, 240};
        const std::vector<int>* allowed = name == "LOGINT" ? &logging : name == "FTPINT" ? &download : nullptr;
        if (allowed && std::find(allowed->begin(), allowed->end(), *v) == allowed->end()) return {kError};
        (name == "LOGINT" ? s.logInterval : name == "FTPINT" ? s.downloadInterval : s.autoPowerDown) = *v;
        return query(name, now);
    }
    if (name == "OWNNUM" || name == "HOMENUM") {
        if (!isPhoneNumber(value)) return {kError};
        (name == "OWNNUM" ? s.ownNumber : s.homeNumber) = std::string(value);
        return query(name, now);
    }
    if (name == "APNCON" || name == "FTPCON") {
        const auto f = splitFields(value);
        if (f.size() != 3 || !std::all_of(f.begin(), f.end(), isFieldText)) return {kError};
        if (name == "APNCON") {
            s.apnName = std::string(f[0]);
            s.apnUser = std::string(f[1]);
            s.apnPassword = std::string(f[2]);
        } else {
            s.ftpServer = std::string(f[0]);
            s.ftpUser = std::string(f[1]);
            s.ftpPassword = std::string(f[2]);
        }
        return query(name, now);
    }
    if (name == "PTABLE") {
        if (!isHub(s)) return {kError};
        const auto f = splitFields(value);
        if (f.size() != s.deviceTable.size() || !std::all_of(f.begin(), f.end(), isDeviceId)) return {kError};
        for (std::size_t i = 0; i < f.size(); ++i) s.deviceTable[i] = std::string(f[i]);
        return query(name, now);
    }
    if (name == "SIMTYPE") {
        if (!offersSimType(s)) return {kError};
        const auto f = splitFields(value);
        if (f.size() != 2) return {kError};
        const auto type = parseNumber(f[0], 1);
        const auto network = parseNumber(f[1], 3);
        if (!type || !network || f[0].size() != 1 || f[1].size() != 1) return {kError};
        s.simType = *type;
        s.prepaidNetwork = *network;
        return query(name, now);
    }
    if (name == "WDT" || name == "POR") {
        // Counters can only be cleared, never preset.
        if (value != "0") return {kError};
        (name == "WDT" ? s.watchdogCount : s.coldStarts) = 0;
        return query(name, now);
    }
    if (name == "TIME") {
        using namespace std::chrono;
        if (value.size() != 12 || !allDigits(value)) return {kError};
        auto two = [&](std::size_t at) { return (value[at] - '0') * 10 + (value[at + 1] - '0'); };
        const year_month_day ymd{year{2000 + two(0)}, month{static_cast<unsigned>(two(2))},
                                 day{static_cast<unsigned>(two(4))}};
        const int hh = two(6), mm = two(8), ss = two(10);
        if (!ymd.ok() || hh > 23 || mm > 59 || ss > 59) return {kError};
        setClock(sys_days{ymd} + hours{hh} + minutes{mm} + seconds{ss}, now);
        return query(name, now);
    }
    if (name == "EVENT") return event(value);
    if (name == "SCANID") return scan(value);
    return {kError};
}

Reply LoggerModel::event(std::string_view value) {
    const auto n = parseNumber(value, kLastRecord);
    if (!n) return {kError};
    const auto it = state_.records.find(*n);
    if (it == state_.records.end()) return {kError};
    return {formatRecordLine(it->second)};
}

Reply LoggerModel::scan(std::string_view value) {
    if (!isHub(state_)) return {kError};
    const auto f = splitFields(value);
    if (f.size() != 2 || !isDeviceId(f[0])) return {kError};
    const auto position = parseNumber(f[1], 8);
    if (!position || *position < 1 || f[1].size() != 1) return {kError};
    const std::string id(f[0]);
    const auto it = state_.scanAnswers.find(id);
    const ScanAnswer& a = it != state_.scanAnswers.end() ? it->second : state_.scanDefault;
    if (!a.delay) return {};
    return {reply("SCANID", {id, num(a.status), num(a.logs), num(a.remainder)}), *a.delay};
}

}  // namespace kdsim
