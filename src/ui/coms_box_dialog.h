#pragma once
// The port selection dialog, built from the ComsBox model. It closes only when the model
// unloads it (OK, Cancel, or the close box, which the model treats like Cancel).
#include <QDialog>

#include "link/coms_box.h"
#include "ui/ui_support.h"

namespace kd {

class ComsBoxDialog : public QDialog {
    Q_OBJECT
public:
    // anchor: the main window the dialog is placed against; null or hidden centres it.
    ComsBoxDialog(ComsBox& box, QWidget* anchor);
    ~ComsBoxDialog() override;
    ComsBox& box() const { return box_; }

    void reject() override;  // Escape: the same as the close box

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void closeBox();
    ComsBox& box_;
    bool unloaded_ = false;
};

}  // namespace kd
