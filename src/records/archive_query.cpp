#include "records/archive_query.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>

namespace kd::records {

namespace {

struct Connection {
    sqlite3* db = nullptr;
    ~Connection() { sqlite3_close_v2(db); }
};
struct Statement {
    sqlite3_stmt* s = nullptr;
    ~Statement() { sqlite3_finalize(s); }
};

bool Digits(const std::string& s, size_t at, size_t n, int* out) {
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    *out = v;
    return true;
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = static_cast<int>(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Converting a local time asks the time zone rules, which is slow; records come in time order,
// so the zone's offset is asked twice a day (at its first and last hour) and, only on a day
// the clocks change, once an hour.
class LocalClock {
public:
    std::optional<double> millis(const std::string& iso) {
        int y, mo, d, h, mi, s = 0;
        if (iso.size() < 16 || iso[4] != '-' || iso[7] != '-' || iso[10] != 'T' || iso[13] != ':' ||
            !Digits(iso, 0, 4, &y) || !Digits(iso, 5, 2, &mo) || !Digits(iso, 8, 2, &d) || !Digits(iso, 11, 2, &h) ||
            !Digits(iso, 14, 2, &mi) || (iso.size() >= 19 && !Digits(iso, 17, 2, &s)))
            return std::nullopt;
        if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return std::nullopt;
        const long long day = DaysFromCivil(y, mo, d);
        if (day != day_) {
            day_ = day;
            first_ = offset(y, mo, d, 0);
            changes_ = first_ != offset(y, mo, d, 23);
            hour_ = -1;
        }
        std::optional<long long> off = first_;
        if (changes_) {
            if (h != hour_) hourOffset_ = offset(y, mo, d, h), hour_ = h;
            off = hourOffset_;
        }
        if (!off) return std::nullopt;
        const long long utc = day * 86400LL + h * 3600LL + mi * 60LL + s;
        return static_cast<double>(utc - *off) * 1000.0;
    }

private:
    // Local time minus UTC at that hour, in seconds; nullopt when the zone cannot say.
    static std::optional<long long> offset(int y, int mo, int d, int h) {
        std::tm tm{};
        tm.tm_year = y - 1900;
        tm.tm_mon = mo - 1;
        tm.tm_mday = d;
        tm.tm_hour = h;
        tm.tm_isdst = -1;
        const std::time_t t = std::mktime(&tm);
        if (t == static_cast<std::time_t>(-1)) return std::nullopt;
        // mktime moves an hour the clocks skipped; the offset is the one in force after it.
        const long long local = DaysFromCivil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) * 86400LL +
                                tm.tm_hour * 3600LL + tm.tm_min * 60LL + tm.tm_sec;
        return local - static_cast<long long>(t);
    }

    long long day_ = std::numeric_limits<long long>::min();
    std::optional<long long> first_, hourOffset_;
    bool changes_ = false;
    int hour_ = -1;
};

}  // namespace

std::optional<double> LocalMillis(const std::string& iso) { return LocalClock().millis(iso); }

bool ReadChartRows(const std::filesystem::path& archive, const std::optional<std::string>& deviceId, long long afterId,
                   ChartRows* out, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = archive.string() + ": " + why;
        return false;
    };
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(archive, ec))) return true;
    Connection c;
    if (sqlite3_open_v2(archive.c_str(), &c.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK)
        return fail(c.db ? sqlite3_errmsg(c.db) : "out of memory");
    // Off the wire's thread a lock held by another program may be waited for a while.
    sqlite3_busy_timeout(c.db, 5000);
    Statement st;
    const std::string sql =
        std::string("SELECT id, recorded_at, moisture_1, moisture_2, moisture_3, moisture_4, moisture_5, moisture_6, "
                    "temperature_1, temperature_2, temperature_3, temperature_4, temperature_5, temperature_6 "
                    "FROM records WHERE id > ?1") +
        (deviceId ? " AND device_id = ?2" : "") + " ORDER BY recorded_at, device_id, log_number, id";
    if (sqlite3_prepare_v2(c.db, sql.c_str(), -1, &st.s, nullptr) != SQLITE_OK) return fail(sqlite3_errmsg(c.db));
    sqlite3_bind_int64(st.s, 1, afterId);
    if (deviceId) sqlite3_bind_text(st.s, 2, deviceId->data(), static_cast<int>(deviceId->size()), SQLITE_STATIC);

    ChartRows rows;
    rows.lastId = afterId;
    LocalClock clock;
    std::array<float, kChartSeries> values{};
    std::string stamp;
    bool ordered = true;
    int rc;
    while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
        rows.lastId = std::max<long long>(rows.lastId, sqlite3_column_int64(st.s, 0));
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st.s, 1));
        if (!text) continue;
        stamp.assign(text, static_cast<size_t>(sqlite3_column_bytes(st.s, 1)));
        const auto t = clock.millis(stamp);
        if (!t) continue;
        for (int k = 0; k < kChartSeries; ++k)
            values[static_cast<size_t>(k)] = sqlite3_column_type(st.s, 2 + k) == SQLITE_NULL
                                                 ? std::numeric_limits<float>::quiet_NaN()
                                                 : static_cast<float>(sqlite3_column_double(st.s, 2 + k));
        if (!rows.time.empty() && *t < rows.time.back()) ordered = false;
        rows.push(*t, values);
    }
    if (rc != SQLITE_DONE) return fail(sqlite3_errmsg(c.db));
    if (!ordered) {
        // The clock went back (the end of summer time): wall-clock order is not time order.
        ChartRows sorted;
        sorted.lastId = rows.lastId;
        std::vector<size_t> order(rows.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return rows.time[a] < rows.time[b]; });
        for (size_t i : order) {
            for (size_t s = 0; s < values.size(); ++s) values[s] = rows.value[s][i];
            sorted.push(rows.time[i], values);
        }
        rows = std::move(sorted);
    }
    *out = std::move(rows);
    return true;
}

}  // namespace kd::records
