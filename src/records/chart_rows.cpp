#include "records/chart_rows.h"

#include <algorithm>
#include <cmath>

namespace kd::records {

bool ChartRows::hasValues(int series) const {
    const auto& v = value[static_cast<size_t>(series)];
    return std::any_of(v.begin(), v.end(), [](float f) { return !std::isnan(f); });
}

void ChartRows::push(double t, const std::array<float, kChartSeries>& values) {
    time.push_back(t);
    for (size_t s = 0; s < values.size(); ++s) value[s].push_back(values[s]);
}

void ChartRows::merge(ChartRows&& later) {
    lastId = std::max(lastId, later.lastId);
    if (later.time.empty()) return;
    if (time.empty() || later.time.front() >= time.back()) {
        time.insert(time.end(), later.time.begin(), later.time.end());
        for (size_t s = 0; s < value.size(); ++s)
            value[s].insert(value[s].end(), later.value[s].begin(), later.value[s].end());
        return;
    }
    // Records of an earlier time (another logger's, or older log numbers fetched late): one
    // pass over both, so a batch costs a copy, not an insertion per record.
    ChartRows out;
    const size_t n = time.size() + later.time.size();
    out.time.reserve(n);
    for (auto& v : out.value) v.reserve(n);
    size_t i = 0, j = 0;
    while (i < time.size() || j < later.time.size()) {
        const bool mine = j == later.time.size() || (i < time.size() && time[i] <= later.time[j]);
        const ChartRows& from = mine ? *this : later;
        const size_t k = mine ? i++ : j++;
        out.time.push_back(from.time[k]);
        for (size_t s = 0; s < value.size(); ++s) out.value[s].push_back(from.value[s][k]);
    }
    time = std::move(out.time);
    value = std::move(out.value);
}

std::vector<ChartPoint> ReduceSeries(const ChartRows& rows, int series, double from, double to, int columns) {
    std::vector<ChartPoint> out;
    const auto& t = rows.time;
    const auto& v = rows.value[static_cast<size_t>(series)];
    if (t.empty() || !(to > from) || columns < 1) return out;
    const size_t begin = static_cast<size_t>(std::lower_bound(t.begin(), t.end(), from) - t.begin());
    const size_t end = static_cast<size_t>(std::upper_bound(t.begin(), t.end(), to) - t.begin());
    auto point = [&](size_t i) { return ChartPoint{t[i], static_cast<double>(v[i])}; };

    for (size_t i = begin; i-- > 0;)
        if (!std::isnan(v[i])) {
            out.push_back(point(i));
            break;
        }
    const double perColumn = static_cast<double>(columns) / (to - from);
    long column = -1;
    size_t lo = 0, hi = 0;
    auto flush = [&] {
        if (column < 0) return;
        out.push_back(point(std::min(lo, hi)));
        if (lo != hi) out.push_back(point(std::max(lo, hi)));
    };
    for (size_t i = begin; i < end; ++i) {
        if (std::isnan(v[i])) continue;
        const long c = std::min<long>(columns - 1, static_cast<long>((t[i] - from) * perColumn));
        if (c != column) {
            flush();
            column = c;
            lo = hi = i;
        } else if (v[i] < v[lo]) {
            lo = i;
        } else if (v[i] > v[hi]) {
            hi = i;
        }
    }
    flush();
    for (size_t i = end; i < t.size(); ++i)
        if (!std::isnan(v[i])) {
            out.push_back(point(i));
            break;
        }
    return out;
}

}  // namespace kd::records
