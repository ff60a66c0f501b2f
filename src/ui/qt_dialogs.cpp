#include "ui/qt_dialogs.h"

#include <QDir>
#include <QFile>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QWidget>

#include "app/timer.h"
#include "link/coms_box.h"
#include "network/signal_monitor.h"
#include "ui/coms_box_dialog.h"
#include "ui/upload_preview_dialog.h"
#include "ui/ui_support.h"

namespace kd {

namespace {

const QString kProfileFilter = QStringLiteral("Logger profiles (*.kdprofile)");

// The folder a profile dialog opens in: the last one used, else the documents folder, else home.
QString ProfileFolder(const std::string& last) {
    if (!last.empty()) return QFile::decodeName(last.c_str());
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

}  // namespace

QWidget* QtDialogs::owner() const { return window_ && window_->isVisible() ? window_ : nullptr; }

int QtDialogs::runModal(QDialog& dialog) { return dialog.exec(); }

// The file chosen, as the system spells its name; "" when cancelled.
std::string QtDialogs::chosen(QFileDialog& dialog) {
    if (runModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

MsgAnswer QtDialogs::messageBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons,
                                const std::string& detail) {
    return show(FromBytes(text), title, icon, buttons, detail);
}

MsgAnswer QtDialogs::systemMessageBox(const std::string& text, const std::string& title, MsgIcon icon,
                                      MsgButtons buttons) {
    return show(FromSystem(text), title, icon, buttons, {});
}

MsgAnswer QtDialogs::show(const QString& text, const std::string& title, MsgIcon icon, MsgButtons buttons,
                          const std::string& detail) {
    const bool retry = buttons == MsgButtons::RetryCancel;
    const QMessageBox::Icon shown = icon == MsgIcon::Critical ? QMessageBox::Critical
                                    : icon == MsgIcon::Warning ? QMessageBox::Warning
                                                               : QMessageBox::Information;
    QMessageBox box(shown, FromBytes(title), text,
                    retry ? QMessageBox::Retry | QMessageBox::Cancel : QMessageBox::Ok, owner());
    box.setTextFormat(Qt::PlainText);
    if (!detail.empty()) box.setDetailedText(FromSystem(detail));  // the system's own words
    box.setDefaultButton(retry ? QMessageBox::Retry : QMessageBox::Ok);
    box.setEscapeButton(retry ? QMessageBox::Cancel : QMessageBox::Ok);
    const int answer = runModal(box);
    if (!retry) return MsgAnswer::Ok;
    return answer == QMessageBox::Retry ? MsgAnswer::Retry : MsgAnswer::Cancel;
}

void QtDialogs::runComsBox(ComsBox& box) {
    {
        ComsBoxDialog dialog(box, owner());
        if (!box.closed()) runModal(dialog);
    }
    // The dialog's timer dies with the box; a tick after that would reach a dead object.
    if (box.DisplayTimer.enabled()) box.DisplayTimer.setEnabled(false);
    if (timers_) timers_->timerGone(box.DisplayTimer);
}

std::string QtDialogs::profileToSave(const std::string& folder, const std::string& suggestedName) {
    QFileDialog dialog(owner(), QStringLiteral("Save Profile"), ProfileFolder(folder), kProfileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("kdprofile"));
    dialog.selectFile(QFile::decodeName(suggestedName.c_str()));
    return chosen(dialog);
}

std::string QtDialogs::profileToOpen(const std::string& folder) {
    QFileDialog dialog(owner(), QStringLiteral("Load Profile"), ProfileFolder(folder),
                       kProfileFilter + QStringLiteral(";;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return chosen(dialog);
}

std::string QtDialogs::fileToSave(const std::string& title, const std::string& suggestedPath,
                                  const std::string& filter) {
    const QFileInfo suggested(QFile::decodeName(suggestedPath.c_str()));
    QFileDialog dialog(owner(), FromBytes(title), suggested.absolutePath(), FromBytes(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(suggested.fileName());
    return chosen(dialog);
}

std::string QtDialogs::transcriptToSave(const std::string& suggestedName) {
    QFileDialog dialog(owner(), QStringLiteral("Save Transcript"), ProfileFolder({}),
                       QStringLiteral("Text files (*.txt);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile(QFile::decodeName(suggestedName.c_str()));
    return chosen(dialog);
}

bool QtDialogs::confirmUpload(const std::vector<UploadPreviewRow>& rows) {
    UploadPreviewDialog dialog(rows, owner());
    return runModal(dialog) == QDialog::Accepted;
}

bool QtDialogs::leaveAnyway(const std::vector<std::string>& reasons) {
    QString text = QStringLiteral("Before you leave this logger:");
    for (const std::string& r : reasons) text += QStringLiteral("\n\u2022 ") + FromBytes(r);
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Before you leave"), text, QMessageBox::NoButton, owner());
    box.setTextFormat(Qt::PlainText);
    QPushButton* leave = box.addButton(QStringLiteral("Leave anyway"), QMessageBox::AcceptRole);
    QPushButton* stay = box.addButton(QStringLiteral("Stay"), QMessageBox::RejectRole);
    box.setDefaultButton(stay);  // Enter keeps the technician at the logger
    box.setEscapeButton(stay);
    runModal(box);
    return box.clickedButton() == leave;
}

std::optional<std::string> QtDialogs::signalSpanName(const std::string& suggested) {
    // Over the window that asked (the signal monitor), not behind it.
    QWidget* parent = QApplication::activeWindow() ? QApplication::activeWindow() : owner();
    QInputDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Mark"));
    dialog.setLabelText(QStringLiteral("&Name of the antenna's place:"));
    dialog.setTextValue(QString::fromStdString(suggested));
    dialog.setInputMode(QInputDialog::TextInput);
    if (auto* edit = dialog.findChild<QLineEdit*>()) {
        edit->setMaxLength(static_cast<int>(SignalMonitor::kMaxNameBytes));
        edit->setAccessibleName(QStringLiteral("Name of the antenna's place"));
        edit->selectAll();
    }
    if (runModal(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.textValue().toStdString();
}

}  // namespace kd
