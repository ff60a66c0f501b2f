#pragma once
// "Confirm upload": what an upload is about to send, next to what the logger reported at the
// last read, with "Upload" and "Cancel". Passwords are shown as dots.
#include <QDialog>
#include <vector>

#include "profiles/upload_preview.h"

class QTableWidget;

namespace kd {

class UploadPreviewDialog : public QDialog {
    Q_OBJECT
public:
    UploadPreviewDialog(const std::vector<UploadPreviewRow>& rows, QWidget* parent);
    QTableWidget* table() const { return table_; }

private:
    QTableWidget* table_ = nullptr;
};

}  // namespace kd
