#include "ui/signal_monitor.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "app/program.h"
#include "network/signal_monitor.h"
#include "ui/main_window.h"

namespace kd {

namespace {

QString Shown(std::optional<double> v) {
    return v ? QString::fromStdString(FormatSignal(*v)) + QLatin1Char('%') : QStringLiteral("\u2013");
}

QString TimeOfDay(const std::tm& t) {
    return QStringLiteral("%1:%2:%3").arg(t.tm_hour, 2, 10, QLatin1Char('0')).arg(t.tm_min, 2, 10, QLatin1Char('0'))
        .arg(t.tm_sec, 2, 10, QLatin1Char('0'));
}

QString SpanName(const SignalSpan& s) {
    return s.name.empty() ? QStringLiteral("(since opened)") : QString::fromStdString(s.name);
}

void SetIfDiffers(QTreeWidgetItem* item, int column, const QString& text) {
    if (item->text(column) != text) item->setText(column, text);
}

constexpr int kRedrawMs = 100;

const char* const kFigureCaptions[4] = {"Minimum:", "Maximum:", "Mean:", "Values:"};
const char* const kSpanColumns[6] = {"Name", "Started", "Values", "Minimum", "Maximum", "Mean"};

}  // namespace

SignalMonitorWindow::SignalMonitorWindow(Program& p, QWidget* parent) : QMainWindow(parent, Qt::Window), p_(p) {
    setObjectName(QStringLiteral("SignalMonitor"));
    setWindowTitle(QStringLiteral("Signal Monitor"));
    setAccessibleName(QStringLiteral("Signal Monitor"));

    auto* latestCaption = new QLabel(QStringLiteral("Latest signal strength:"), this);
    latest_ = new QLabel(this);
    latest_->setObjectName(QStringLiteral("LatestSignal"));
    QFont big = latest_->font();
    big.setPointSize(72);  // read from two metres away
    big.setBold(true);
    latest_->setFont(big);
    latest_->setAlignment(Qt::AlignCenter);
    latest_->setMinimumWidth(latest_->fontMetrics().horizontalAdvance(QStringLiteral("100.00%")));
    // Focusable, so a screen reader's user can rest on it and hear each announced change.
    latest_->setFocusPolicy(Qt::StrongFocus);
    latest_->setAccessibleName(QStringLiteral("Latest signal strength"));
    latestCaption->setBuddy(latest_);

    spanCaption_ = new QLabel(this);
    spanCaption_->setObjectName(QStringLiteral("SpanCaption"));
    spanCaption_->setWordWrap(true);  // a long mark name must not push the figures off the window
    spanCaption_->setMaximumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 32);
    auto* form = new QFormLayout;
    for (int i = 0; i < 4; ++i) {
        auto* e = new QLineEdit(this);
        e->setReadOnly(true);
        const QString caption = QString::fromLatin1(kFigureCaptions[i]);
        e->setObjectName(QStringLiteral("Signal") + caption.chopped(1));
        e->setAccessibleName(caption.chopped(1));
        e->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
        figures_[i] = e;
        form->addRow(caption, e);
    }
    auto* figures = new QVBoxLayout;
    figures->addWidget(spanCaption_);
    figures->addLayout(form);
    figures->addStretch();

    auto* top = new QHBoxLayout;
    auto* latestBox = new QVBoxLayout;
    latestBox->addWidget(latestCaption);
    latestBox->addWidget(latest_, 1);
    top->addLayout(latestBox, 1);
    top->addLayout(figures);

    chart_ = new QChart;
    chart_->legend()->hide();
    series_ = new QLineSeries;
    series_->setName(QStringLiteral("Signal strength"));
    series_->setPen(QPen(QColor(0x1f, 0x77, 0xb4), 2));
    chart_->addSeries(series_);
    minutes_ = new QValueAxis;
    minutes_->setTitleText(QStringLiteral("Minutes ago"));
    minutes_->setRange(-10, 0);
    minutes_->setTickCount(11);
    minutes_->setLabelFormat(QStringLiteral("%d"));
    strength_ = new QValueAxis;
    strength_->setTitleText(QStringLiteral("Strength (%)"));
    strength_->setRange(0, 100);
    chart_->addAxis(minutes_, Qt::AlignBottom);
    chart_->addAxis(strength_, Qt::AlignLeft);
    series_->attachAxis(minutes_);
    series_->attachAxis(strength_);
    auto* chartView = new QChartView(chart_, this);
    chartView->setObjectName(QStringLiteral("SignalChart"));
    chartView->setAccessibleName(QStringLiteral("Signal strength over the last 10 minutes"));
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMinimumHeight(280);

    auto* spansCaption = new QLabel(QStringLiteral("&Spans:"), this);
    spans_ = new QTreeWidget(this);
    spans_->setObjectName(QStringLiteral("SignalSpans"));
    spans_->setAccessibleName(QStringLiteral("Spans"));
    spans_->setRootIsDecorated(false);
    spans_->setColumnCount(6);
    QStringList headers;
    for (const char* c : kSpanColumns) headers << QString::fromLatin1(c);
    spans_->setHeaderLabels(headers);
    spans_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    spans_->setMinimumHeight(110);
    spans_->setMaximumHeight(170);
    spansCaption->setBuddy(spans_);

    mark_ = new QPushButton(QStringLiteral("&Mark..."), this);
    mark_->setObjectName(QStringLiteral("SignalMark"));
    mark_->setAccessibleName(QStringLiteral("Mark..."));
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("SignalClose"));
    close->setAccessibleName(QStringLiteral("Close"));
    connect(mark_, &QPushButton::clicked, this, [this] { MarkSignalSpan(p_); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(mark_);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto* layout = new QVBoxLayout(client);
    layout->addLayout(top);
    layout->addWidget(chartView, 1);
    layout->addWidget(spansCaption);
    layout->addWidget(spans_);
    layout->addLayout(buttons);

    setTabOrder(latest_, figures_[0]);
    for (int i = 0; i < 3; ++i) setTabOrder(figures_[i], figures_[i + 1]);
    setTabOrder(figures_[3], chartView);
    setTabOrder(chartView, spans_);
    setTabOrder(spans_, mark_);
    setTabOrder(mark_, close);

    // The chart moves on with time even when no value comes.
    scroll_ = new QTimer(this);
    scroll_->setInterval(1000);
    connect(scroll_, &QTimer::timeout, this, &SignalMonitorWindow::refresh);

    // Called on the wire's path: only note that there is something to draw.
    p_.signalMonitor.onChange = [this] { schedule(); };
    resize(820, 700);
}

SignalMonitorWindow::~SignalMonitorWindow() { p_.signalMonitor.onChange = nullptr; }

void SignalMonitorWindow::open() {
    OpenSignalMonitor(p_);
    scroll_->start();
    refresh();
    show();
    raise();
    activateWindow();
}

void SignalMonitorWindow::closeEvent(QCloseEvent* event) {
    scroll_->stop();
    CloseSignalMonitor(p_);
    event->accept();
}

void SignalMonitorWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void SignalMonitorWindow::schedule() {
    // Closed, it draws nothing; opening draws what came meanwhile.
    if (pending_ || !isVisible()) return;
    pending_ = true;
    // Ten pictures a second at most, however fast the logger reports.
    QTimer::singleShot(kRedrawMs, this, [this] {
        if (pending_) refresh();
    });
}

void SignalMonitorWindow::refresh() {
    pending_ = false;
    p_.signalMonitor.trim(p_.signalMonitor.now());
    latest_->setText(Shown(p_.signalMonitor.latest()));
    drawFigures();
    drawChart();
    drawSpans();
    announce();
}

void SignalMonitorWindow::drawChart() {
    const SignalMonitor& m = p_.signalMonitor;
    const int64_t now = m.now();
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(m.samples().size()));
    double lo = 0, hi = 100;
    for (const SignalSample& s : m.samples()) {
        points.append(QPointF(static_cast<double>(s.atMs - now) / 60000.0, s.value));
        lo = std::min(lo, s.value);
        hi = std::max(hi, s.value);
    }
    series_->replace(points);
    // Percent fits 0-100; a logger that reports beyond that still shows on the chart.
    if (strength_->min() != lo || strength_->max() != hi) strength_->setRange(std::floor(lo), std::ceil(hi));
}

void SignalMonitorWindow::drawFigures() {
    const SignalSpan* span = p_.signalMonitor.currentSpan();
    spanCaption_->setText(!span ? QString()
                          : span->name.empty() ? QStringLiteral("Since opened:")
                                               : QStringLiteral("Since mark \u201c%1\u201d:").arg(SpanName(*span)));
    const SignalStats stats = span ? span->stats : SignalStats{};
    const bool any = stats.count > 0;
    const QString texts[4] = {any ? Shown(stats.min) : Shown(std::nullopt), any ? Shown(stats.max) : Shown(std::nullopt),
                              Shown(stats.mean()), QString::number(stats.count)};
    for (int i = 0; i < 4; ++i)
        if (figures_[i]->text() != texts[i]) figures_[i]->setText(texts[i]);
}

void SignalMonitorWindow::drawSpans() {
    const auto& spans = p_.signalMonitor.spans();
    while (spans_->topLevelItemCount() > static_cast<int>(spans.size())) delete spans_->takeTopLevelItem(0);
    while (spans_->topLevelItemCount() < static_cast<int>(spans.size())) spans_->addTopLevelItem(new QTreeWidgetItem);
    for (int i = 0; i < static_cast<int>(spans.size()); ++i) {
        const SignalSpan& s = spans[static_cast<size_t>(i)];
        QTreeWidgetItem* item = spans_->topLevelItem(i);
        const bool any = s.stats.count > 0;
        SetIfDiffers(item, 0, SpanName(s));
        SetIfDiffers(item, 1, TimeOfDay(s.startedAt));
        SetIfDiffers(item, 2, QString::number(s.stats.count));
        SetIfDiffers(item, 3, any ? Shown(s.stats.min) : Shown(std::nullopt));
        SetIfDiffers(item, 4, any ? Shown(s.stats.max) : Shown(std::nullopt));
        SetIfDiffers(item, 5, Shown(s.stats.mean()));
    }
}

void SignalMonitorWindow::announce() {
    const SignalMonitor& m = p_.signalMonitor;
    if (m.announcements() == announced_) return;
    announced_ = m.announcements();
    // A live region of sorts: the big label's name carries the value last announced, and a
    // screen reader resting there speaks the change.
    // (Qt tells assistive technology of the name change itself.)
    if (m.lastAnnounced()) latest_->setAccessibleName(QStringLiteral("Latest signal strength ") + Shown(m.lastAnnounced()));
}

SignalMonitorView::SignalMonitorView(MainWindow& window, Program& p) : QObject(&window), window_(window), p_(p) {
    action_ = new QAction(QStringLiteral("Signal Monitor"), this);
    action_->setObjectName(QStringLiteral("SignalMonitorAction"));
    connect(action_, &QAction::triggered, this, &SignalMonitorView::openMonitor);
    auto* view = window.findChild<QMenu*>(QStringLiteral("ViewmenPopup"));
    if (!view) {
        view = new QMenu(QStringLiteral("&View"), &window);
        view->setObjectName(QStringLiteral("ViewmenPopup"));
        auto* tools = window.findChild<QMenu*>(QStringLiteral("ToolmenPopup"));
        if (tools) window.menuBar()->insertMenu(tools->menuAction(), view);
        else window.menuBar()->addMenu(view);
    }
    view->addAction(action_);
}

void SignalMonitorView::openMonitor() {
    if (!monitor_) monitor_ = new SignalMonitorWindow(p_, &window_);
    monitor_->open();
}

}  // namespace kd
