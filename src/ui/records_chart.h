#pragma once
// View > "Records Chart": the archive's records of one logger over time, moisture of each
// sensor on the left axis and temperature on the right; a legend entry hides and shows its
// series, a rubber band zooms, and the chart follows records archived while it is open.
#include <QWidget>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "records/record.h"

class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
class QPushButton;

namespace kd {

class Dialogs;

class RecordsChart : public QWidget {
    Q_OBJECT
public:
    // dialogs: where "Save Image..." asks for its file and reports a failed write.
    explicit RecordsChart(Dialogs& dialogs, QWidget* parent = nullptr);
    // Shows these records of the device (UTF-8 ID; all devices when nullopt).
    void load(const std::optional<std::string>& deviceId, const std::vector<records::ArchivedRecord>& all);
    // Adds the records of a batch just archived that belong to the device shown.
    void append(const std::vector<records::ArchivedRecord>& batch);
    bool savePng(const QString& file);

    // Series by name ("Moisture 1".."Temperature 6"); only those with a value exist.
    QLineSeries* series(const QString& name) const;
    int seriesCount() const;
    QPushButton* resetButton() const { return reset_; }

private:
    void add(const records::ArchivedRecord& r);
    void fitAxes();
    void saveImage();
    QLineSeries* seriesFor(int sensor, bool moisture);

    Dialogs& dialogs_;
    QChart* chart_;
    QChartView* view_;
    QDateTimeAxis* time_;
    QValueAxis* moisture_;
    QValueAxis* temperature_;
    QPushButton* reset_;
    std::array<QLineSeries*, 12> series_{};
    std::optional<std::string> device_;
    qint64 minT_ = 0, maxT_ = 0;
    double minM_ = 0, maxM_ = 0, minC_ = 0, maxC_ = 0;
    bool anyM_ = false, anyC_ = false, anyT_ = false;
};

}  // namespace kd
