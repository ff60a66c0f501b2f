#include "visits/history.h"

#include <map>

#include "basic/basic.h"
#include "visits/clock_offset.h"
#include "visits/counters.h"

namespace kd::visits {

namespace {

// The clear command of each counter key.
const char* ClearCommand(const std::string& key) {
    if (key == "watchdog") return "AT+WDT=0";
    if (key == "cold_starts") return "AT+POR=0";
    return "";
}

long Number(const std::string& text) { return static_cast<long>(basic::Val(text)); }

std::optional<CounterReading> Reading(const Visit* v, const std::string& key) {
    if (v == nullptr || v->value(key).empty()) return std::nullopt;
    return CounterReading{Number(v->value(key)), CounterLeft(*v, key)};
}

}  // namespace

long CounterLeft(const Visit& v, const std::string& key) {
    long left = Number(v.value(key));
    for (const Action& a : v.actions)
        if (a.kind == ActionKind::Maintenance && a.what == ClearCommand(key) && a.kept) left = Number(a.held);
    return left;
}

std::vector<HistoryRow> HistoryRows(const std::vector<Visit>& visits) {
    std::vector<HistoryRow> rows;
    rows.reserve(visits.size());
    for (size_t i = 0; i < visits.size(); ++i) {
        const Visit& v = visits[i];
        const Visit* before = i + 1 < visits.size() ? &visits[i + 1] : nullptr;
        HistoryRow r;
        r.visitId = v.id;
        r.started = v.started;
        r.user = v.user;
        r.battery = v.value("battery_volts");
        r.watchdog = v.value("watchdog");
        r.coldStarts = v.value("cold_starts");
        if (!r.watchdog.empty()) r.watchdogChange = CounterChange(Reading(before, "watchdog"), Number(r.watchdog));
        if (!r.coldStarts.empty())
            r.coldStartChange = CounterChange(Reading(before, "cold_starts"), Number(r.coldStarts));
        r.clockFound = v.clockFound;
        r.clockLeft = v.clockLeft;
        for (const Action& a : v.actions) {
            if (a.kind == ActionKind::ValueSent && a.kept) ++r.valuesChanged;
            if (a.kind == ActionKind::RecordsDownloaded) r.recordsRescued += a.received;
        }
        rows.push_back(std::move(r));
    }
    return rows;
}

std::optional<double> ClockDrift(const std::vector<Visit>& visits) {
    std::vector<ClockReading> readings;
    for (auto it = visits.rbegin(); it != visits.rend(); ++it)
        if (it->clockFound) readings.push_back({it->started, *it->clockFound, it->clockLeft.value_or(*it->clockFound)});
    return DriftPer30Days(readings);
}

std::vector<CompareRow> Compare(const std::vector<FoundValue>& left, const std::vector<FoundValue>& right) {
    std::map<std::string, const FoundValue*> rightByKey;
    for (const FoundValue& v : right) rightByKey.emplace(v.key, &v);
    auto shown = [](const FoundValue* v) -> std::string {
        if (v == nullptr) return "";
        return v->digest.empty() ? v->value : kPasswordDots;
    };
    auto empty = [](const FoundValue& v) { return v.value.empty() && v.digest.empty(); };
    std::vector<CompareRow> rows;
    std::map<std::string, bool> seen;
    for (const FoundValue& l : left) {
        seen[l.key] = true;
        const auto r = rightByKey.find(l.key);
        const FoundValue* rv = r == rightByKey.end() ? nullptr : r->second;
        if (rv == nullptr ? empty(l) : (l.value == rv->value && l.digest == rv->digest)) continue;
        rows.push_back({l.caption, shown(&l), shown(rv)});
    }
    for (const FoundValue& r : right)
        if (!seen.count(r.key) && !empty(r)) rows.push_back({r.caption, "", shown(&r)});
    return rows;
}

}  // namespace kd::visits
