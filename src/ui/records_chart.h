#pragma once
// View > "Records Chart": the archive's records of one logger over time, moisture of each
// sensor on the left axis and temperature on the right; a legend entry hides and shows its
// series, a rubber band zooms, and the chart follows records archived while it is open.
// It keeps every record's values and hands each series only what the plot's width can show,
// reduced again from the full data when the time axis is zoomed or the plot resized.
#include <QMainWindow>
#include <array>
#include <optional>
#include <string>

#include "records/chart_rows.h"

class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
class QPushButton;

namespace kd {

class Dialogs;

class RecordsChart : public QMainWindow {
    Q_OBJECT
public:
    // dialogs: where "Save Image..." asks for its file and reports a failed write.
    explicit RecordsChart(Dialogs& dialogs, QWidget* parent = nullptr);
    // Empties the chart for the records of the device (UTF-8 ID; all devices when nullopt)
    // while they are read.
    void startLoading(const std::optional<std::string>& deviceId);
    // Shows these records of the device given to startLoading.
    void setRows(records::ChartRows rows);
    // Adds records archived since (rows after rows().lastId).
    void addRows(records::ChartRows later);
    // The load failed: the chart's title says why.
    void showError(const QString& why);
    const std::optional<std::string>& device() const { return device_; }
    const records::ChartRows& rows() const { return rows_; }
    bool loading() const { return loading_; }
    bool savePng(const QString& file);

    // Series by name ("Moisture 1".."Temperature 6"); only those with a value exist.
    QLineSeries* series(const QString& name) const;
    int seriesCount() const;
    QChart* chart() const { return chart_; }
    QPushButton* resetButton() const { return reset_; }
    // Draws the points for the axis range and plot width now (it is otherwise done in the next
    // pass of the event loop after a change).
    void redraw();

signals:
    void drawn();

private:
    void fitAxes();
    void redrawSoon();
    void saveImage();
    void title(const QString& suffix);
    QLineSeries* seriesFor(int index);

    QChart* chart_;
    QChartView* view_;
    QDateTimeAxis* time_;
    QValueAxis* moisture_;
    QValueAxis* temperature_;
    QPushButton* reset_;
    std::array<QLineSeries*, records::kChartSeries> series_{};
    std::optional<std::string> device_;
    records::ChartRows rows_;
    bool loading_ = false;
    bool redrawQueued_ = false;
    Dialogs& dialogs_;
};

}  // namespace kd
