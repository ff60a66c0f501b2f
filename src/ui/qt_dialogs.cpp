#include "ui/qt_dialogs.h"

#include <QMessageBox>
#include <QWidget>

#include "app/timer.h"
#include "link/coms_box.h"
#include "ui/coms_box_dialog.h"
#include "ui/ui_support.h"

namespace kd {

QWidget* QtDialogs::owner() const { return window_ && window_->isVisible() ? window_ : nullptr; }

MsgAnswer QtDialogs::messageBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons,
                                const std::string& detail) {
    const bool retry = buttons == MsgButtons::RetryCancel;
    QMessageBox box(icon == MsgIcon::Critical ? QMessageBox::Critical : QMessageBox::Information, FromBytes(title),
                    FromBytes(text), retry ? QMessageBox::Retry | QMessageBox::Cancel : QMessageBox::Ok, owner());
    box.setTextFormat(Qt::PlainText);
    if (!detail.empty()) box.setDetailedText(FromSystem(detail));  // the system's own words
    box.setDefaultButton(retry ? QMessageBox::Retry : QMessageBox::Ok);
    box.setEscapeButton(retry ? QMessageBox::Cancel : QMessageBox::Ok);
    const int answer = box.exec();
    if (!retry) return MsgAnswer::Ok;
    return answer == QMessageBox::Retry ? MsgAnswer::Retry : MsgAnswer::Cancel;
}

void QtDialogs::runComsBox(ComsBox& box) {
    {
        ComsBoxDialog dialog(box, owner());
        if (!box.closed()) dialog.exec();
    }
    // The dialog's timer dies with the box; a tick after that would reach a dead object.
    if (box.DisplayTimer.enabled()) box.DisplayTimer.setEnabled(false);
    if (timers_) timers_->timerGone(box.DisplayTimer);
}

}  // namespace kd
