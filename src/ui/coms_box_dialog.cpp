#include "ui/coms_box_dialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "ui/model_widgets.h"

namespace kd {

ComsBoxDialog::ComsBoxDialog(ComsBox& box, QWidget* anchor) : QDialog(anchor), box_(box) {
    setObjectName(QStringLiteral("ComsBox"));
    setWindowTitle(QString::fromLatin1(box.caption()));
    // A fixed dialog border: no resizing, no help button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    const Scale s = ScaleFor(anchor ? anchor : this);
    setFont(ViewFont());

    auto* frame = new CaptionGroupBox(box.ComFrame, this);
    frame->setGeometry(s.rect(8, 6, 344, 100));

    auto* searching = new QLabel(frame);
    searching->setGeometry(s.rect(12, 26, 130, 23));
    Bind(box.SearchText, searching);

    auto* combo = new QComboBox(frame);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);  // Enter must not add what was typed to the list
    combo->setGeometry(s.rect(12, 26, 130, 24));
    combo->setAccessibleName(QStringLiteral("COM Port"));
    Bind(box.ComsCombo, combo);

    auto* info = new QLabel(frame);
    info->setWordWrap(true);
    info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    info->setGeometry(s.rect(150, 24, 186, 68));
    info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    info->setObjectName(QString::fromStdString(box.DeviceInfo.name()));
    // The device description is the system's text, not a byte string of the protocol.
    box.DeviceInfo.setObserver([info, &box] {
        info->setText(FromSystem(box.DeviceInfo.caption()));
        info->setAccessibleName(box.DeviceInfo.caption().empty()
                                    ? QStringLiteral("Device")
                                    : QStringLiteral("Device: ") + FromSystem(box.DeviceInfo.caption()));
        info->setHidden(!box.DeviceInfo.visible());
    });
    info->setText(FromSystem(box.DeviceInfo.caption()));
    info->setAccessibleName(QStringLiteral("Device"));

    auto* test = new QPushButton(frame);
    test->setAutoDefault(false);
    test->setGeometry(s.rect(12, 62, 80, 27));
    Bind(box.TestComs, test);
    test->setAccessibleName(QStringLiteral("Test port"));

    auto* ok = new QPushButton(this);
    ok->setGeometry(s.rect(190, 114, 78, 28));
    ok->setDefault(true);
    Bind(box.OKButton, ok);
    auto* cancel = new QPushButton(this);
    cancel->setAutoDefault(false);
    cancel->setGeometry(s.rect(274, 114, 78, 28));
    Bind(box.CancelButton, cancel);

    setTabOrder(combo, test);
    setTabOrder(test, ok);
    setTabOrder(ok, cancel);
    setFixedSize(s.px(360), s.px(150));

    box_.onUnload = [this] {
        unloaded_ = true;
        done(QDialog::Accepted);
    };
    if (box_.closed()) unloaded_ = true;

    // Placed against the main window's top left corner, as designed; centred at start-up,
    // when the main window is not on the screen yet.
    if (anchor && anchor->isVisible()) {
        move(anchor->frameGeometry().topLeft() + QPoint(s.twips(kComsBoxOffsetX), s.twips(kComsBoxOffsetY)));
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

ComsBoxDialog::~ComsBoxDialog() {
    box_.onUnload = nullptr;
    box_.DeviceInfo.setObserver(nullptr);
}

void ComsBoxDialog::closeBox() {
    if (unloaded_) return;
    if (box_.onCloseBox)
        box_.onCloseBox();
    else
        box_.unload();
}

void ComsBoxDialog::reject() { closeBox(); }

void ComsBoxDialog::closeEvent(QCloseEvent* event) {
    if (unloaded_) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();  // the model decides; its unload closes the dialog
    closeBox();
}

}  // namespace kd
