#include "ui/archive_indicator.h"

#include <QLabel>
#include <QStatusBar>

#include "ui/main_window.h"
#include "ui/ui_support.h"

namespace kd {

ArchiveIndicator::ArchiveIndicator(MainWindow& window)
    : QObject(&window), window_(window), bar_(window.statusBar()), label_(new QLabel(bar_)) {
    bar_->setObjectName(QStringLiteral("ArchiveStatusBar"));
    bar_->setSizeGripEnabled(false);
    label_->setObjectName(QStringLiteral("RecordsNotArchived"));
    bar_->addPermanentWidget(label_, 1);
    // Nothing to say yet: the window keeps its size until there is.
    bar_->hide();
    window_.refitWindow();
}

void ArchiveIndicator::show(const std::string& text) {
    const QString shown = FromBytes(text);
    if (label_->text() == shown && bar_->isHidden() == shown.isEmpty()) return;
    label_->setText(shown);
    // A screen reader says the text itself, and hears it change.
    label_->setAccessibleName(shown);
    bar_->setVisible(!shown.isEmpty());
    window_.refitWindow();
}

}  // namespace kd
