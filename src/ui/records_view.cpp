#include "ui/records_view.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>

#include "app/program.h"
#include "records/csv.h"
#include "records/recorder.h"
#include "ui/download_dialog.h"
#include "ui/main_window.h"
#include "ui/records_chart.h"
#include "ui/ui_support.h"

namespace kd {

namespace {

QAction* NewAction(QObject* parent, const QString& text, const char* name) {
    auto* a = new QAction(text, parent);
    a->setObjectName(QLatin1String(name));
    return a;
}

}  // namespace

RecordsView::RecordsView(MainWindow& window, Program& p, records::Recorder& recorder)
    : QObject(&window), window_(window), p_(p), recorder_(recorder) {
    auto* file = window.findChild<QMenu*>(QStringLiteral("FileMenuPopup"));
    auto* edit = window.findChild<QMenu*>(QStringLiteral("EditmenPopup"));
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
    (void)edit;

    recorder_.onArchived = [this](const std::vector<records::ArchivedRecord>& batch) {
        if (chart_ && chart_->isVisible()) chart_->append(batch);
    };
}

RecordsView::~RecordsView() { recorder_.onArchived = nullptr; }

std::optional<std::string> RecordsView::shownDevice() const {
    std::string id = p_.LastDeviceID.empty() ? p_.form.ModemParm(0).text() : p_.LastDeviceID;
    if (id.empty()) return std::nullopt;
    return records::Latin1ToUtf8(id);
}

void RecordsView::openDownload() {
    if (!download_) download_ = new DownloadDialog(p_, recorder_, &window_);
    download_->prepare();
    download_->show();
    download_->raise();
    download_->activateWindow();
}

bool RecordsView::exportTo(const QString& file) {
    recorder_.flush();
    records::Archive* archive = recorder_.archive(true);
    TextBox& status = p_.form.StatusBox(0);
    if (!archive) return false;  // the status line says why
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto result = records::ExportCsvFile(*archive, shownDevice(), QFile::encodeName(file).toStdString());
    QApplication::restoreOverrideCursor();
    if (result.rows < 0) {
        status.setSystemText("Export failed: " + result.error);  // names the file
        return false;
    }
    status.setSystemText(
        QStringLiteral("%1 records written to %2").arg(result.rows).arg(QDir::toNativeSeparators(file)).toStdString());
    return true;
}

void RecordsView::exportRecords() {
    const auto device = shownDevice();
    const QString name = QStringLiteral("records-%1.csv").arg(device ? QString::fromStdString(*device) : QStringLiteral("all"));
    QString file = QFileDialog::getSaveFileName(&window_, QStringLiteral("Export Records"), QDir::home().filePath(name),
                                                QStringLiteral("CSV files (*.csv)"));
    if (file.isEmpty()) return;
    exportTo(file);
}

void RecordsView::openChart() {
    if (!chart_) chart_ = new RecordsChart(&window_);
    recorder_.flush();
    std::vector<records::ArchivedRecord> all;
    const auto device = shownDevice();
    if (records::Archive* archive = recorder_.archive(true))
        archive->forEach(device, [&](const records::ArchivedRecord& r) { all.push_back(r); }, nullptr);
    chart_->load(device, all);
    chart_->show();
    chart_->raise();
    chart_->activateWindow();
}

}  // namespace kd
