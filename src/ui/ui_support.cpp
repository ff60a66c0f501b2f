#include "ui/ui_support.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>

namespace kd {

QAction* NewAction(QObject* parent, const QString& text, const char* name) {
    auto* a = new QAction(text, parent);
    a->setObjectName(QLatin1String(name));
    return a;
}

QColor ResolveColour(Colour c, const QPalette& palette) {
    switch (c) {
        case kButtonFace: return palette.color(QPalette::Button);
        case kWindowBackground: return palette.color(QPalette::Base);
        default: break;
    }
    if (c & 0x80000000u) return palette.color(QPalette::Base);  // a system colour we do not use
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

QColor ResolveTextColour(Colour fore, Colour back, const QPalette& palette, QPalette::ColorRole textRole) {
    const bool systemBack = (back & 0x80000000u) != 0;
    if (fore == kBlack && systemBack) return palette.color(textRole);
    return ResolveColour(fore, palette);
}

int KeyCodeOf(const QKeyEvent& event) {
    const int k = event.key();
    switch (k) {
        case Qt::Key_Backspace: return 8;
        case Qt::Key_Tab: return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter: return 13;
        case Qt::Key_Shift: return 16;
        case Qt::Key_Control: return 17;
        case Qt::Key_Alt: return 18;
        case Qt::Key_Escape: return 27;
        case Qt::Key_Space: return 32;
        case Qt::Key_PageUp: return 33;
        case Qt::Key_PageDown: return 34;
        case Qt::Key_End: return 35;
        case Qt::Key_Home: return 36;
        case Qt::Key_Left: return 37;
        case Qt::Key_Up: return 38;
        case Qt::Key_Right: return 39;
        case Qt::Key_Down: return 40;
        case Qt::Key_Insert: return 45;
        case Qt::Key_Delete: return 46;
        default: break;
    }
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return k;  // 48..57
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return k;  // 65..90
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return 112 + (k - Qt::Key_F1);
    return 0;
}

Scale ScaleFor(const QWidget* widget) {
    const QScreen* screen = widget && widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    return Scale(screen ? screen->logicalDotsPerInchX() : 96.0);
}

QFont ViewFont() {
    QFont f = QGuiApplication::font();
    if (f.pointSizeF() <= 0 || f.pointSizeF() > 9.0) f.setPointSizeF(9.0);
    return f;
}

}  // namespace kd
