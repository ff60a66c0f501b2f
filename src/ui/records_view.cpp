#include "ui/records_view.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <memory>

#include "app/program.h"
#include "records/archive_query.h"
#include "records/csv.h"
#include "records/recorder.h"
#include "records/shown_device.h"
#include "ui/download_dialog.h"
#include "ui/main_window.h"
#include "ui/records_chart.h"
#include "ui/ui_support.h"

namespace kd {

namespace {

// The reading thread yields a core to the thread that drives the port whenever both want one:
// an export (bulk, nobody waits for its moment) runs only on a core nothing else wants; a chart's
// reading, which the technician waits for, below normal priority.
void YieldToTheWire(bool bulk) {
#ifdef __linux__
    sched_param none{};
    static_cast<void>(::pthread_setschedparam(::pthread_self(), bulk ? SCHED_IDLE : SCHED_OTHER, &none));
    static_cast<void>(::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 10));
#else
    (void)bulk;
#endif
}

// A batch archived during a download is drawn at most this often: the chart follows, the
// wire does not wait for it.
constexpr int kFollowMs = 1000;

}  // namespace

RecordsView::RecordsView(MainWindow& window, Program& p, records::Recorder& recorder)
    : QObject(&window), window_(window), p_(p), recorder_(recorder) {
    auto* file = window.findChild<QMenu*>(QStringLiteral("FileMenuPopup"));
    auto* tools = window.findChild<QMenu*>(QStringLiteral("ToolmenPopup"));

    downloadAction_ = NewAction(this, QStringLiteral("Download Records..."), "DownloadRecords");
    connect(downloadAction_, &QAction::triggered, this, &RecordsView::openDownload);
    if (tools) tools->addAction(downloadAction_);

    // In the File menu with the other file commands, before the separator above Exit.
    exportAction_ = NewAction(this, QStringLiteral("Export Records..."), "ExportRecords");
    connect(exportAction_, &QAction::triggered, this, &RecordsView::exportRecords);
    if (file) {
        QAction* before = nullptr;
        for (QAction* a : file->actions())
            if (a->isSeparator()) before = a;
        file->insertAction(before, exportAction_);
    }

    // A menu of its own after "&Edit"; nothing else moves.
    auto* view = new QMenu(QStringLiteral("&View"), &window);
    view->setObjectName(QStringLiteral("ViewmenPopup"));
    chartAction_ = NewAction(this, QStringLiteral("Records Chart"), "RecordsChart");
    connect(chartAction_, &QAction::triggered, this, &RecordsView::openChart);
    view->addAction(chartAction_);
    QMenuBar* bar = window.menuBar();
    if (tools) bar->insertMenu(tools->menuAction(), view);
    else bar->addMenu(view);

    worker_.setMaxThreadCount(1);
    chartFollow_ = new QTimer(this);
    chartFollow_->setSingleShot(true);
    chartFollow_->setInterval(kFollowMs);
    connect(chartFollow_, &QTimer::timeout, this, [this] {
        if (chart_ && chart_->isVisible() && !chart_->loading()) readChart(chart_->rows().lastId);
    });
    // The recorder may report from its writing thread: the chart hears of it in this one.
    recorder_.onArchived = [this](const std::vector<records::ArchivedRecord>&) {
        QMetaObject::invokeMethod(this, &RecordsView::archived, Qt::QueuedConnection);
    };
}

RecordsView::~RecordsView() {
    recorder_.onArchived = nullptr;
    worker_.waitForDone();
}

std::optional<std::string> RecordsView::shownDevice() const { return records::ShownDevice(p_); }

void RecordsView::openDownload() {
    if (!download_) download_ = new DownloadDialog(p_, recorder_, &window_);
    download_->prepare();
    download_->show();
    download_->raise();
    download_->activateWindow();
}

bool RecordsView::exportTo(const QString& file) {
    if (exporting_) return false;
    recorder_.flush();
    exporting_ = true;
    exportAction_->setEnabled(false);
    const std::filesystem::path archivePath = recorder_.archivePath();
    const std::optional<std::string> device = shownDevice();
    const std::string target = QFile::encodeName(file).toStdString();
    worker_.start([this, archivePath, device, target, file] {
        YieldToTheWire(true);
        // A connection of this thread's own: the recorder's stays free for the records arriving.
        std::string error;
        records::ExportResult result;
        if (auto archive = records::Archive::open(archivePath, &error, nullptr, records::Archive::Access::Read))
            result = records::ExportCsvFile(*archive, device, target);
        else
            result.error = records::kArchiveUnavailable + error;
        QMetaObject::invokeMethod(
            this,
            [this, result, file] {
                exporting_ = false;
                exportAction_->setEnabled(true);
                TextBox& status = p_.form.StatusBox(0);
                const bool ok = result.rows >= 0;
                // These texts name a file: they are the system's spelling, not logger bytes.
                if (ok)
                    status.setSystemText(QStringLiteral("%1 records written to %2")
                                             .arg(result.rows)
                                             .arg(QDir::toNativeSeparators(file))
                                             .toStdString());
                else if (result.error.rfind(records::kArchiveUnavailable, 0) == 0)
                    status.setSystemText(result.error);
                else
                    status.setSystemText("Export failed: " + result.error);
                emit exportFinished(ok);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void RecordsView::exportRecords() {
    const auto device = shownDevice();
    const QString name = QStringLiteral("records-%1.csv").arg(device ? QString::fromStdString(*device) : QStringLiteral("all"));
    const std::string file = p_.platform.dialogs.fileToSave(
        "Export Records", QFile::encodeName(QDir::home().filePath(name)).toStdString(), "CSV files (*.csv)");
    if (file.empty()) return;
    exportTo(QFile::decodeName(file.c_str()));
}

void RecordsView::openChart() {
    if (!chart_) chart_ = new RecordsChart(p_.platform.dialogs, &window_);
    recorder_.flush();
    ++chartGeneration_;
    chartFollow_->stop();
    chartBehind_ = false;
    chart_->startLoading(shownDevice());
    chart_->show();
    chart_->raise();
    chart_->activateWindow();
    readChart(0);
}

void RecordsView::readChart(long long afterId) {
    if (chartReading_ && afterId > 0) {
        chartBehind_ = true;
        return;
    }
    chartReading_ = true;
    const int generation = chartGeneration_;
    const std::filesystem::path archivePath = recorder_.archivePath();
    const std::optional<std::string> device = chart_->device();
    worker_.start([this, generation, archivePath, device, afterId] {
        YieldToTheWire(false);
        auto rows = std::make_shared<records::ChartRows>();
        auto error = std::make_shared<std::string>();
        const bool ok = records::ReadChartRows(archivePath, device, afterId, rows.get(), error.get());
        QMetaObject::invokeMethod(
            this,
            [this, generation, afterId, ok, rows, error] {
                if (generation != chartGeneration_) {
                    // Opened again meanwhile: the read for that opening is queued behind this one.
                    return;
                }
                chartReading_ = false;
                if (!ok) chart_->showError(FromSystem(*error));
                else if (afterId == 0) chart_->setRows(std::move(*rows));
                else chart_->addRows(std::move(*rows));
                emit chartRead();
                if (chartBehind_) {
                    chartBehind_ = false;
                    chartFollow_->start();
                }
            },
            Qt::QueuedConnection);
    });
}

void RecordsView::archived() {
    if (!chart_ || !chart_->isVisible()) return;
    if (chart_->loading() || chartReading_) {
        chartBehind_ = true;
        return;
    }
    if (!chartFollow_->isActive()) chartFollow_->start();
}

}  // namespace kd
