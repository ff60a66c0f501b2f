#include "ui/visits_view.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>

#include "app/program.h"
#include "platform/report_file.h"
#include "settings/ini_file.h"
#include "ui/logger_history.h"
#include "ui/main_window.h"
#include "ui/ui_support.h"
#include "visits/leaving_setting.h"
#include "visits/program_visits.h"
#include "visits/report.h"
#include "visits/visit_store.h"

namespace kd {

namespace {

// Before the menu's last separator (the one above Exit), or at its end.
void InsertBeforeLastSeparator(QMenu* menu, QAction* action) {
    if (menu == nullptr) return;
    QAction* before = nullptr;
    for (QAction* a : menu->actions())
        if (a->isSeparator()) before = a;
    menu->insertAction(before, action);
}

// The visit before this one of the same logger, from the archive.
std::optional<visits::Visit> PreviousVisit(const std::filesystem::path& archive, const visits::Visit& v) {
    std::string error;
    const auto reader = visits::VisitReader::open(archive, &error);
    if (!reader) return std::nullopt;
    for (visits::Visit& older : reader->store().visits(v.deviceId, &error))
        if (older.uuid != v.uuid && older.started <= v.started) return std::move(older);
    return std::nullopt;
}

}  // namespace

VisitsView::VisitsView(MainWindow& window, Program& p, visits::ProgramVisits& visits, IniFile& settings,
                       std::filesystem::path archive)
    : QObject(&window), window_(window), p_(p), visits_(visits), settings_(settings), archive_(std::move(archive)) {
    check_ = NewAction(this, QString::fromLatin1(visits::kCheckBeforeLeavingCaption), "CheckBeforeLeaving");
    check_->setCheckable(true);
    check_->setChecked(visits::CheckBeforeLeaving(settings_));
    visits_.checkBeforeLeaving = check_->isChecked();
    connect(check_, &QAction::toggled, this, [this](bool on) {
        visits_.checkBeforeLeaving = on;
        visits::SetCheckBeforeLeaving(settings_, on);
    });
    if (auto* edit = window.findChild<QMenu*>(QStringLiteral("EditmenPopup"))) edit->addAction(check_);

    history_ = NewAction(this, QStringLiteral("Logger History"), "LoggerHistory");
    connect(history_, &QAction::triggered, this, &VisitsView::openHistory);
    if (auto* view = window.findChild<QMenu*>(QStringLiteral("ViewmenPopup"))) view->addAction(history_);

    report_ = NewAction(this, QStringLiteral("Visit Report..."), "VisitReport");
    connect(report_, &QAction::triggered, this, &VisitsView::reportOpenVisit);
    InsertBeforeLastSeparator(window.findChild<QMenu*>(QStringLiteral("FileMenuPopup")), report_);
}

void VisitsView::openHistory() {
    if (window_history_ == nullptr) {
        window_history_ = new LoggerHistory(archive_, p_.platform.dialogs, &window_);
        window_history_->onReport = [this](const visits::Visit& v, const visits::Visit* previous) {
            askAndWrite(v, previous);
        };
    }
    // The logger shown, else the one of the open visit, is chosen first.
    std::optional<std::string> device;
    if (!p_.form.ModemParm(0).text().empty()) device = p_.form.ModemParm(0).text();
    else if (const visits::Visit* v = visits_.recorder().open()) device = v->deviceId;
    window_history_->reload(device);
    window_history_->show();
    window_history_->raise();
    window_history_->activateWindow();
}

void VisitsView::reportOpenVisit() {
    const visits::Visit* open = visits_.recorder().open();
    if (open == nullptr) {
        p_.platform.dialogs.messageBox("No visit is open: read a logger first, or choose a visit in View > Logger History.",
                                       "Message", MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const visits::Visit visit = *open;
    const std::optional<visits::Visit> previous = PreviousVisit(archive_, visit);
    askAndWrite(visit, previous ? &*previous : nullptr);
}

void VisitsView::askAndWrite(const visits::Visit& visit, const visits::Visit* previous) {
    const QString date = QString::fromStdString(visits::LocalTimeText(visit.started)).left(10);
    const QString name = QStringLiteral("visit-%1-%2.pdf").arg(FromBytes(visit.deviceId), date);
    const std::string file = p_.platform.dialogs.fileToSave(
        "Visit Report", QFile::encodeName(QDir::home().filePath(name)).toStdString(),
        "PDF files (*.pdf);;HTML files (*.html *.htm)");
    if (file.empty()) return;
    const std::string error = writeReport(visit, previous, file);
    if (!error.empty())
        p_.platform.dialogs.systemMessageBox(error, "Visit Report", MsgIcon::Warning, MsgButtons::Ok);
    else
        p_.form.StatusBox(0).setSystemText("Visit report written to " + file);
}

std::string VisitsView::writeReport(const visits::Visit& visit, const visits::Visit* previous, const std::string& file) {
    // The open visit's findings are those of now; a visit that ended keeps its own.
    visits::Visit shown = visit;
    if (const visits::Visit* open = visits_.recorder().open(); open && open->uuid == visit.uuid) {
        visits_.keepSignalSpans();
        shown = *visits_.recorder().open();
        shown.leftBehind.clear();
        for (const visits::Finding& f : visits_.findings()) shown.leftBehind.push_back(f.reason);
    }
    const std::string& transcript = p_.transcript.savedTo;
    const std::string html = visits::ReportHtml({&shown, previous, transcript});
    std::filesystem::path target(file);
    if (ReportFormatOf(target) == ReportFormat::Unknown) target += ".pdf";
    return WriteReportFile(target, html);
}

}  // namespace kd
