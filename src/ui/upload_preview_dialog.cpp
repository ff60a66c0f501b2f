#include "ui/upload_preview_dialog.h"

#include <QDialogButtonBox>
#include <algorithm>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/ui_support.h"

namespace kd {

namespace {

// A cell's text: passwords as dots, empty values said in words.
QTableWidgetItem* Cell(const std::string& value, bool password, const QString& none) {
    auto* item = new QTableWidgetItem;
    if (value.empty()) {
        item->setText(none);
        item->setForeground(QPalette().color(QPalette::Disabled, QPalette::Text));
    } else {
        item->setText(password ? QString(static_cast<qsizetype>(value.size()), QChar(0x2022)) : FromBytes(value));
    }
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

UploadPreviewDialog::UploadPreviewDialog(const std::vector<UploadPreviewRow>& rows, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("UploadPreview"));
    setWindowTitle(QStringLiteral("Confirm upload"));
    setFont(ViewFont());

    auto* intro = new QLabel(QStringLiteral("These values will be sent to the logger:"), this);
    table_ = new QTableWidget(static_cast<int>(rows.size()), 3, this);
    table_->setObjectName(QStringLiteral("UploadPreviewTable"));
    table_->setAccessibleName(QStringLiteral("Values to upload"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Setting"), QStringLiteral("On the logger"), QStringLiteral("New value")});
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false);  // Tab leaves the table for the buttons
    intro->setBuddy(table_);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const UploadPreviewRow& row = rows[static_cast<size_t>(r)];
        table_->setItem(r, 0, Cell(row.setting, false, {}));
        table_->setItem(r, 1, Cell(row.onLogger, row.password, QStringLiteral("(empty)")));
        QTableWidgetItem* next =
            Cell(row.newValue, row.password, row.sendsValue ? QStringLiteral("(empty)") : QStringLiteral("(no value sent)"));
        // What changes stands out from what is only sent along with it.
        if (row.sendsValue && row.newValue != row.onLogger) {
            QFont bold = next->font();
            bold.setBold(true);
            next->setFont(bold);
        }
        table_->setItem(r, 2, next);
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    // Every row in view without scrolling: a preview that hides rows hides what will be sent.
    table_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    table_->setMinimumWidth(std::max(420, table_->horizontalHeader()->length() + 2 * table_->frameWidth() + 24));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* upload = buttons->addButton(QStringLiteral("Upload"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    upload->setObjectName(QStringLiteral("UploadPreviewUpload"));
    cancel->setObjectName(QStringLiteral("UploadPreviewCancel"));
    upload->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(table_);
    layout->addWidget(buttons);
}

}  // namespace kd
