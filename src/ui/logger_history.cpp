#include "ui/logger_history.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/platform.h"
#include "profiles/profile_file.h"
#include "ui/ui_support.h"
#include "visits/clock_offset.h"
#include "visits/profile_side.h"
#include "visits/report.h"
#include "visits/visit_store.h"

namespace kd {

namespace {

QString Latin(const std::string& bytes) { return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())); }
QString When(int64_t utc) {
    return utc == 0 ? QString() : QString::fromStdString(visits::LocalTimeText(utc));
}
QString WithChange(const std::string& value, const std::optional<long>& change) {
    QString text = Latin(value);
    if (change) text += *change > 0 ? QStringLiteral(" (+%1)").arg(*change) : QStringLiteral(" (%1)").arg(*change);
    return text;
}
QString Offset(const std::optional<int64_t>& s) {
    return s ? QString::fromStdString(visits::OffsetWords(*s)) : QString();
}

QTableWidget* Table(QWidget* parent, const QString& name, const QStringList& headers) {
    auto* t = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    t->setObjectName(name);
    t->setAccessibleName(name);
    t->setHorizontalHeaderLabels(headers);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->setVisible(false);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void Fill(QTableWidget* t, int row, const QStringList& cells) {
    for (int c = 0; c < cells.size(); ++c) t->setItem(row, c, new QTableWidgetItem(cells[c]));
}

// Side by side, one row a setting that differs.
void ShowComparison(QWidget* parent, const QString& left, const QString& right,
                    const std::vector<visits::CompareRow>& rows) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Compare"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* said = new QLabel(rows.empty() ? QStringLiteral("No setting differs.")
                                         : QStringLiteral("%1 settings differ.").arg(rows.size()),
                            &dialog);
    said->setObjectName(QStringLiteral("CompareSummary"));
    layout->addWidget(said);
    QTableWidget* table = Table(&dialog, QStringLiteral("Differences"), {QStringLiteral("Setting"), left, right});
    table->setRowCount(static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i)
        Fill(table, static_cast<int>(i), {Latin(rows[i].caption), QString::fromStdString(rows[i].left),
                                          QString::fromStdString(rows[i].right)});
    table->resizeColumnsToContents();
    layout->addWidget(table);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(close, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(close);
    dialog.resize(640, 420);
    dialog.exec();
}

}  // namespace

LoggerHistory::LoggerHistory(std::filesystem::path archive, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), archive_(std::move(archive)), dialogs_(dialogs) {
    setObjectName(QStringLiteral("LoggerHistory"));
    setWindowTitle(QStringLiteral("Logger History"));
    devices_ = Table(this, QStringLiteral("Loggers"),
                     {QStringLiteral("Device ID"), QStringLiteral("Model"), QStringLiteral("Last Visit"),
                      QStringLiteral("Visits"), QStringLiteral("Records Archived")});
    visits_ = Table(this, QStringLiteral("Visits"),
                    {QStringLiteral("Date"), QStringLiteral("User"), QStringLiteral("Battery Volts"),
                     QStringLiteral("WatchDog"), QStringLiteral("Cold Starts"), QStringLiteral("Clock"),
                     QStringLiteral("Values Changed"), QStringLiteral("Records Rescued")});
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("HistoryStatus"));
    drift_ = new QLabel(this);
    drift_->setObjectName(QStringLiteral("ClockDrift"));
    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignBottom);
    auto* chartView = new QChartView(chart_, this);
    chartView->setObjectName(QStringLiteral("HistoryChart"));
    chartView->setAccessibleName(QStringLiteral("Battery volts and clock offset chart"));
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMinimumHeight(200);
    compare_ = new QPushButton(QStringLiteral("&Compare..."), this);
    compare_->setObjectName(QStringLiteral("Compare"));
    compare_->setAccessibleName(QStringLiteral("Compare..."));
    report_ = new QPushButton(QStringLiteral("Visit &Report..."), this);
    report_->setObjectName(QStringLiteral("HistoryReport"));
    report_->setAccessibleName(QStringLiteral("Visit Report..."));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(drift_, 1);
    buttons->addWidget(compare_);
    buttons->addWidget(report_);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(devices_);
    split->addWidget(visits_);
    split->addWidget(chartView);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 2);
    split->setStretchFactor(2, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    layout->addWidget(status_);

    connect(devices_, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) { showDevice(row); });
    connect(compare_, &QPushButton::clicked, this, &LoggerHistory::compare);
    connect(report_, &QPushButton::clicked, this, [this] {
        const std::vector<const visits::Visit*> chosen = chosenVisits();
        if (chosen.empty() || !onReport) return;
        // The visit before the chosen one is the next older row.
        const visits::Visit* previous = nullptr;
        for (size_t i = 0; i + 1 < shown_.size(); ++i)
            if (&shown_[i] == chosen.front()) previous = &shown_[i + 1];
        onReport(*chosen.front(), previous);
    });
    connect(visits_, &QTableWidget::itemSelectionChanged, this, [this] {
        const size_t n = chosenVisits().size();
        compare_->setEnabled(n == 1 || n == 2);
        report_->setEnabled(n == 1);
    });
    compare_->setEnabled(false);
    report_->setEnabled(false);
    resize(980, 720);
}

void LoggerHistory::reload(const std::optional<std::string>& device) {
    std::string chosen = device.value_or(std::string());
    if (!device && devices_->currentRow() >= 0 && devices_->currentRow() < static_cast<int>(deviceIds_.size()))
        chosen = deviceIds_[static_cast<size_t>(devices_->currentRow())];
    std::string error;
    const std::unique_ptr<visits::VisitReader> reader = visits::VisitReader::open(archive_, &error);
    std::vector<visits::DeviceSummary> found;
    if (reader) found = reader->store().devices(&error);
    status_->setText(error.empty() ? QString() : QString::fromLocal8Bit(error.c_str()));
    const QSignalBlocker quiet(devices_);
    devices_->setRowCount(static_cast<int>(found.size()));
    deviceIds_.clear();
    int pick = found.empty() ? -1 : 0;
    for (size_t i = 0; i < found.size(); ++i) {
        const visits::DeviceSummary& d = found[i];
        deviceIds_.push_back(d.deviceId);
        if (d.deviceId == chosen) pick = static_cast<int>(i);
        Fill(devices_, static_cast<int>(i),
             {QString::fromStdString(d.deviceId), Latin(d.model), When(d.lastVisit), QString::number(d.visits),
              QString::number(d.records)});
    }
    devices_->resizeColumnsToContents();
    devices_->setCurrentCell(pick, 0);
    showDevice(pick);
}

void LoggerHistory::showDevice(int row) {
    shown_.clear();
    if (row >= 0 && row < static_cast<int>(deviceIds_.size())) {
        std::string error;
        if (const auto reader = visits::VisitReader::open(archive_, &error))
            shown_ = reader->store().visits(deviceIds_[static_cast<size_t>(row)], &error);
        if (!error.empty()) status_->setText(QString::fromLocal8Bit(error.c_str()));
    }
    const std::vector<visits::HistoryRow> rows = visits::HistoryRows(shown_);
    visits_->clearSelection();
    visits_->setRowCount(static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        const visits::HistoryRow& r = rows[i];
        QString clock = Offset(r.clockFound);
        if (r.clockLeft) clock += QStringLiteral(", set: ") + Offset(r.clockLeft);
        Fill(visits_, static_cast<int>(i),
             {When(r.started), QString::fromStdString(r.user), Latin(r.battery), WithChange(r.watchdog, r.watchdogChange),
              WithChange(r.coldStarts, r.coldStartChange), clock, QString::number(r.valuesChanged),
              QString::number(r.recordsRescued)});
    }
    visits_->resizeColumnsToContents();
    const std::optional<double> drift = visits::ClockDrift(shown_);
    const QString driftText = drift ? QStringLiteral("Clock drift: %1 s per 30 days").arg(std::lround(*drift))
                                    : QStringLiteral("Clock drift: needs two visits");
    drift_->setText(driftText);
    drift_->setAccessibleName(driftText);  // what it says is what it is
    drawChart();
}

std::vector<const visits::Visit*> LoggerHistory::chosenVisits() const {
    std::vector<const visits::Visit*> chosen;
    for (const QModelIndex& i : visits_->selectionModel()->selectedRows())
        if (i.row() < static_cast<int>(shown_.size())) chosen.push_back(&shown_[static_cast<size_t>(i.row())]);
    std::sort(chosen.begin(), chosen.end(), [](const visits::Visit* a, const visits::Visit* b) { return a->started > b->started; });
    return chosen;
}

void LoggerHistory::drawChart() {
    chart_->removeAllSeries();
    for (QAbstractAxis* a : chart_->axes()) {
        chart_->removeAxis(a);
        delete a;
    }
    if (shown_.empty()) return;
    auto* time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("dd MMM yyyy"));
    auto* volts = new QValueAxis;
    volts->setTitleText(QStringLiteral("Volts"));
    auto* offset = new QValueAxis;
    offset->setTitleText(QStringLiteral("Offset (s)"));
    chart_->addAxis(time, Qt::AlignBottom);
    chart_->addAxis(volts, Qt::AlignLeft);
    chart_->addAxis(offset, Qt::AlignRight);
    auto* battery = new QLineSeries;
    battery->setName(QStringLiteral("Battery Volts"));
    auto* clock = new QLineSeries;
    clock->setName(QStringLiteral("Clock offset"));
    QList<QPointF> b, c;
    double vmin = 1e9, vmax = -1e9, omin = 0, omax = 0;
    for (auto it = shown_.rbegin(); it != shown_.rend(); ++it) {
        const double t = static_cast<double>(it->started) * 1000.0;
        bool ok = false;
        const double v = Latin(it->value("battery_volts")).trimmed().toDouble(&ok);
        if (ok) {
            b.append({t, v});
            vmin = std::min(vmin, v);
            vmax = std::max(vmax, v);
        }
        if (it->clockFound) {
            const double o = static_cast<double>(*it->clockFound);
            c.append({t, o});
            omin = std::min(omin, o);
            omax = std::max(omax, o);
        }
    }
    battery->replace(b);
    clock->replace(c);
    for (QLineSeries* s : {battery, clock}) {
        chart_->addSeries(s);
        s->attachAxis(time);
        s->attachAxis(s == battery ? volts : offset);
    }
    const qint64 first = shown_.back().started * 1000, last = shown_.front().started * 1000;
    time->setRange(QDateTime::fromMSecsSinceEpoch(first - 86400000), QDateTime::fromMSecsSinceEpoch(last + 86400000));
    if (vmin <= vmax) volts->setRange(vmin - 0.1, vmax + 0.1);
    offset->setRange(omin - 10, omax + 10);
}

void LoggerHistory::compare() {
    const std::vector<const visits::Visit*> chosen = chosenVisits();
    if (chosen.size() == 2) {
        ShowComparison(this, When(chosen[1]->started), When(chosen[0]->started),
                       visits::Compare(chosen[1]->found, chosen[0]->found));
        return;
    }
    if (chosen.size() != 1) return;
    const std::string file = dialogs_.profileToOpen({});
    if (file.empty()) return;
    const ProfileRead read = ReadProfile(file);
    if (!read.ok()) {
        dialogs_.messageBox(read.error, "Message", MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    ShowComparison(this, When(chosen[0]->started), QFile::decodeName(std::filesystem::path(file).filename().c_str()),
                   visits::Compare(chosen[0]->found, visits::ProfileSide(read.profile, chosen[0]->deviceId)));
}

}  // namespace kd
