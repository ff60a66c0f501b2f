#pragma once
// What a records chart draws, held apart from its drawing: each record's time and its twelve
// values in time order, and the reduction of one series to the points a plot of a given width
// can show (the lowest and highest value of each pixel column), so that a chart of 100 000
// records hands each series a few thousand points and re-reduces from the full data on zoom.
#include <array>
#include <cstddef>
#include <vector>

namespace kd::records {

inline constexpr int kChartSeries = 12;  // moisture 1-6, then temperature 1-6

struct ChartRows {
    std::vector<double> time;                          // ms since the epoch, ascending
    std::array<std::vector<float>, kChartSeries> value;  // NaN where the record has no value
    long long lastId = 0;  // the archive's highest row read; a later read asks for rows after it

    size_t size() const { return time.size(); }
    bool hasValues(int series) const;
    // One record; its values in series order (NaN for none).
    void push(double t, const std::array<float, kChartSeries>& values);
    // Adds rows read later, keeping time order (a row of equal time goes after those held).
    void merge(ChartRows&& later);
};

struct ChartPoint {
    double x, y;
};

// The points of one series over [from, to] for a plot `columns` pixels wide: per column the
// lowest and the highest value in their time order (one point when they are the same record),
// and the nearest value on each side outside the span, so the line runs on to the plot's edge.
std::vector<ChartPoint> ReduceSeries(const ChartRows& rows, int series, double from, double to, int columns);

}  // namespace kd::records
