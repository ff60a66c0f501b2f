#include "ui/records_chart.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFile>
#include <QHBoxLayout>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>

#include "app/platform.h"
#include "ui/ui_support.h"

namespace kd {

RecordsChart::RecordsChart(Dialogs& dialogs, QWidget* parent) : QWidget(parent, Qt::Window), dialogs_(dialogs) {
    setObjectName(QStringLiteral("RecordsChart"));
    setWindowTitle(QStringLiteral("Records Chart"));
    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignRight);
    time_ = new QDateTimeAxis;
    time_->setFormat(QStringLiteral("dd MMM yyyy hh:mm"));
    time_->setTitleText(QStringLiteral("Time stamp"));
    moisture_ = new QValueAxis;
    moisture_->setTitleText(QStringLiteral("Moisture (%)"));
    temperature_ = new QValueAxis;
    temperature_->setTitleText(QStringLiteral("Temperature (\u00B0C)"));
    chart_->addAxis(time_, Qt::AlignBottom);
    chart_->addAxis(moisture_, Qt::AlignLeft);
    chart_->addAxis(temperature_, Qt::AlignRight);

    view_ = new QChartView(chart_, this);
    view_->setObjectName(QStringLiteral("RecordsChartView"));
    view_->setAccessibleName(QStringLiteral("Records chart"));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setRubberBand(QChartView::RectangleRubberBand);

    reset_ = new QPushButton(QStringLiteral("&Reset Zoom"), this);
    reset_->setObjectName(QStringLiteral("ResetZoom"));
    reset_->setAccessibleName(QStringLiteral("Reset Zoom"));
    auto* save = new QPushButton(QStringLiteral("&Save Image..."), this);
    save->setObjectName(QStringLiteral("SaveImage"));
    save->setAccessibleName(QStringLiteral("Save Image..."));
    connect(reset_, &QPushButton::clicked, this, [this] { chart_->zoomReset(); });
    connect(save, &QPushButton::clicked, this, &RecordsChart::saveImage);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(reset_);
    buttons->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);
    resize(900, 560);
}

QLineSeries* RecordsChart::seriesFor(int sensor, bool moisture) {
    QLineSeries*& s = series_[static_cast<size_t>(sensor + (moisture ? 0 : 6))];
    if (s) return s;
    s = new QLineSeries;
    s->setName((moisture ? QStringLiteral("Moisture %1") : QStringLiteral("Temperature %1")).arg(sensor + 1));
    chart_->addSeries(s);
    // One colour per sensor: moisture drawn solid, its temperature dashed.
    static const QColor kSensorColours[6] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0xa0, 0x2c),
                                             QColor(0xff, 0x7f, 0x0e), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b)};
    QPen pen(kSensorColours[sensor], 2, moisture ? Qt::SolidLine : Qt::DashLine);
    s->setPen(pen);
    s->attachAxis(time_);
    s->attachAxis(moisture ? moisture_ : temperature_);
    // A click on its legend entry hides and shows the series; the entry stays, dimmed.
    for (QLegendMarker* m : chart_->legend()->markers(s)) {
        connect(m, &QLegendMarker::clicked, this, [s, m] {
            s->setVisible(!s->isVisible());
            m->setVisible(true);
            QBrush b = m->labelBrush();
            QColor c = b.color();
            c.setAlphaF(s->isVisible() ? 1.0f : 0.4f);
            b.setColor(c);
            m->setLabelBrush(b);
        });
    }
    return s;
}

void RecordsChart::add(const records::ArchivedRecord& r) {
    if (device_ && r.deviceId != *device_) return;
    const QDateTime at = QDateTime::fromString(QString::fromStdString(r.recordedAt), Qt::ISODate);
    if (!at.isValid()) return;  // a stamp that is no date has no place on a time axis
    const qint64 t = at.toMSecsSinceEpoch();
    if (!anyT_ || t < minT_) minT_ = t;
    if (!anyT_ || t > maxT_) maxT_ = t;
    anyT_ = true;
    for (int k = 0; k < 6; ++k) {
        if (const auto& v = r.moisture[static_cast<size_t>(k)]) {
            seriesFor(k, true)->append(static_cast<qreal>(t), *v);
            minM_ = anyM_ ? std::min(minM_, *v) : *v;
            maxM_ = anyM_ ? std::max(maxM_, *v) : *v;
            anyM_ = true;
        }
        if (const auto& v = r.temperature[static_cast<size_t>(k)]) {
            seriesFor(k, false)->append(static_cast<qreal>(t), *v);
            minC_ = anyC_ ? std::min(minC_, *v) : *v;
            maxC_ = anyC_ ? std::max(maxC_, *v) : *v;
            anyC_ = true;
        }
    }
}

void RecordsChart::fitAxes() {
    const qint64 pad = std::max<qint64>(60'000, (maxT_ - minT_) / 50);
    if (anyT_) time_->setRange(QDateTime::fromMSecsSinceEpoch(minT_ - pad), QDateTime::fromMSecsSinceEpoch(maxT_ + pad));
    auto fit = [](QValueAxis* axis, bool any, double lo, double hi) {
        if (!any) return axis->setRange(0, 100);
        const double margin = std::max(1.0, (hi - lo) * 0.05);
        axis->setRange(lo - margin, hi + margin);
        axis->applyNiceNumbers();
    };
    fit(moisture_, anyM_, minM_, maxM_);
    fit(temperature_, anyC_, minC_, maxC_);
}

void RecordsChart::load(const std::optional<std::string>& deviceId, const std::vector<records::ArchivedRecord>& all) {
    chart_->removeAllSeries();
    series_.fill(nullptr);
    anyM_ = anyC_ = anyT_ = false;
    device_ = deviceId;
    // The legend lists all moisture series first, then all temperatures, sensor 1 first.
    for (const bool moisture : {true, false})
        for (int k = 0; k < 6; ++k)
            if (std::any_of(all.begin(), all.end(), [&](const records::ArchivedRecord& r) {
                    return (!device_ || r.deviceId == *device_) &&
                           (moisture ? r.moisture : r.temperature)[static_cast<size_t>(k)].has_value();
                }))
                seriesFor(k, moisture);
    chart_->setTitle(deviceId ? QStringLiteral("Records of logger %1").arg(QString::fromStdString(*deviceId))
                              : QStringLiteral("Records of all loggers"));
    for (const auto& r : all) add(r);
    fitAxes();
}

void RecordsChart::append(const std::vector<records::ArchivedRecord>& batch) {
    for (const auto& r : batch) add(r);
    if (!chart_->isZoomed()) fitAxes();
}

QLineSeries* RecordsChart::series(const QString& name) const {
    for (QLineSeries* s : series_)
        if (s && s->name() == name) return s;
    return nullptr;
}

int RecordsChart::seriesCount() const {
    return static_cast<int>(std::count_if(series_.begin(), series_.end(), [](QLineSeries* s) { return s != nullptr; }));
}

bool RecordsChart::savePng(const QString& file) { return view_->grab().save(file, "PNG"); }

void RecordsChart::saveImage() {
    const std::string chosen = dialogs_.fileToSave("Save Image", "records-chart.png", "PNG images (*.png)");
    if (chosen.empty()) return;
    QString file = QFile::decodeName(chosen.c_str());
    if (!file.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) file += QStringLiteral(".png");
    if (!savePng(file))
        dialogs_.messageBox(ToBytes(QStringLiteral("Could not write %1.").arg(file)), "Save Image", MsgIcon::Warning,
                            MsgButtons::Ok);
}

}  // namespace kd
