#include "ui/records_chart.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFile>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/platform.h"
#include "ui/ui_support.h"

namespace kd {

namespace {

constexpr int kFirstTemperature = 6;

}  // namespace

RecordsChart::RecordsChart(Dialogs& dialogs, QWidget* parent) : QMainWindow(parent), dialogs_(dialogs) {
    // A window of its own beside the main window, which screen readers present as one.
    setWindowFlag(Qt::Window);
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
    // A zoom or a resize changes what one pixel column holds.
    connect(time_, &QDateTimeAxis::rangeChanged, this, &RecordsChart::redrawSoon);
    connect(chart_, &QChart::plotAreaChanged, this, &RecordsChart::redrawSoon);

    auto* body = new QWidget(this);
    view_ = new QChartView(chart_, body);
    view_->setObjectName(QStringLiteral("RecordsChartView"));
    view_->setAccessibleName(QStringLiteral("Records chart"));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setRubberBand(QChartView::RectangleRubberBand);

    reset_ = new QPushButton(QStringLiteral("&Reset Zoom"), body);
    reset_->setObjectName(QStringLiteral("ResetZoom"));
    reset_->setAccessibleName(QStringLiteral("Reset Zoom"));
    auto* save = new QPushButton(QStringLiteral("&Save Image..."), body);
    save->setObjectName(QStringLiteral("SaveImage"));
    save->setAccessibleName(QStringLiteral("Save Image..."));
    connect(reset_, &QPushButton::clicked, this, [this] { chart_->zoomReset(); });
    connect(save, &QPushButton::clicked, this, &RecordsChart::saveImage);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(reset_);
    buttons->addWidget(save);
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);
    setCentralWidget(body);
    resize(900, 560);
}

QLineSeries* RecordsChart::seriesFor(int index) {
    QLineSeries*& s = series_[static_cast<size_t>(index)];
    if (s) return s;
    const bool moisture = index < kFirstTemperature;
    const int sensor = index % kFirstTemperature;
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

void RecordsChart::fitAxes() {
    if (!rows_.time.empty()) {
        const qint64 minT = static_cast<qint64>(rows_.time.front()), maxT = static_cast<qint64>(rows_.time.back());
        const qint64 pad = std::max<qint64>(60'000, (maxT - minT) / 50);
        time_->setRange(QDateTime::fromMSecsSinceEpoch(minT - pad), QDateTime::fromMSecsSinceEpoch(maxT + pad));
    }
    auto fit = [this](QValueAxis* axis, int first) {
        float lo = INFINITY, hi = -INFINITY;
        for (int s = first; s < first + kFirstTemperature; ++s)
            for (const float v : rows_.value[static_cast<size_t>(s)])
                if (!std::isnan(v)) lo = std::min(lo, v), hi = std::max(hi, v);
        if (lo > hi) return axis->setRange(0, 100);
        const double margin = std::max(1.0, (static_cast<double>(hi) - lo) * 0.05);
        axis->setRange(lo - margin, hi + margin);
        axis->applyNiceNumbers();
    };
    fit(moisture_, 0);
    fit(temperature_, kFirstTemperature);
}

void RecordsChart::title(const QString& suffix) {
    chart_->setTitle((device_ ? QStringLiteral("Records of logger %1").arg(QString::fromStdString(*device_))
                              : QStringLiteral("Records of all loggers")) +
                     suffix);
    // A shorter title or axes laid out anew leave parts of the old picture on the view otherwise.
    view_->viewport()->update();
}

void RecordsChart::startLoading(const std::optional<std::string>& deviceId) {
    if (chart_->isZoomed()) chart_->zoomReset();
    chart_->removeAllSeries();
    series_.fill(nullptr);
    rows_ = {};
    device_ = deviceId;
    loading_ = true;
    // A date axis first shown without a range of its own stays hidden when records come later.
    const QDateTime now = QDateTime::currentDateTime();
    time_->setRange(now.addDays(-1), now);
    title(QStringLiteral(" (reading the archive...)"));
}

void RecordsChart::setRows(records::ChartRows rows) {
    rows_ = std::move(rows);
    loading_ = false;
    title({});
    // The legend lists all moisture series first, then all temperatures, sensor 1 first.
    for (int s = 0; s < records::kChartSeries; ++s)
        if (rows_.hasValues(s)) seriesFor(s);
    fitAxes();
    // The axes were laid out while the chart was empty; their labels need their room now.
    if (QGraphicsLayout* layout = chart_->layout()) layout->invalidate();
    redrawSoon();
}

void RecordsChart::addRows(records::ChartRows later) {
    const bool nothingNew = later.time.empty();
    rows_.merge(std::move(later));
    if (nothingNew) return;  // records downloaded again: the picture stays as it is
    for (int s = 0; s < records::kChartSeries; ++s)
        if (!series_[static_cast<size_t>(s)] && rows_.hasValues(s)) seriesFor(s);
    if (!chart_->isZoomed()) fitAxes();
    redrawSoon();
}

void RecordsChart::showError(const QString& why) {
    loading_ = false;
    title(QStringLiteral(": ") + why);
}

void RecordsChart::redrawSoon() {
    if (redrawQueued_) return;
    redrawQueued_ = true;
    QTimer::singleShot(0, this, &RecordsChart::redraw);
}

void RecordsChart::redraw() {
    redrawQueued_ = false;
    const double from = static_cast<double>(time_->min().toMSecsSinceEpoch());
    const double to = static_cast<double>(time_->max().toMSecsSinceEpoch());
    const int width = static_cast<int>(chart_->plotArea().width());
    const int columns = width > 0 ? width : 1200;  // not laid out yet: about a screen's width
    QList<QPointF> points;
    for (int s = 0; s < records::kChartSeries; ++s) {
        QLineSeries* line = series_[static_cast<size_t>(s)];
        if (!line) continue;
        const auto reduced = records::ReduceSeries(rows_, s, from, to, columns);
        points.resize(static_cast<qsizetype>(reduced.size()));
        for (size_t i = 0; i < reduced.size(); ++i) points[static_cast<qsizetype>(i)] = QPointF(reduced[i].x, reduced[i].y);
        line->replace(points);
    }
    view_->viewport()->update();
    emit drawn();
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
