#pragma once
// Small helpers the view shares: byte text to Qt text, model colours, key codes, and the
// conversion from the window's design units to device-independent pixels.
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>
#include <string>

#include "app/controls.h"

class QAction;
class QKeyEvent;
class QObject;
class QWidget;

namespace kd {

// Protocol and window texts are bytes, one byte a character (Latin-1).
inline QString FromBytes(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string ToBytes(const QString& s) {
    const QByteArray b = s.toLatin1();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}
// Texts that come from the system (device descriptions, error reasons) are UTF-8.
inline QString FromSystem(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A menu command of the records and visits views, found by its object name.
QAction* NewAction(QObject* parent, const QString& text, const char* name);

// A caption shown literally on a widget that treats '&' as a mnemonic marker.
inline QString LiteralAmpersands(QString s) { return s.replace(QLatin1Char('&'), QLatin1String("&&")); }

// 0x00BBGGRR or a system colour reference, resolved against the widget's palette.
QColor ResolveColour(Colour c, const QPalette& palette);
// Text colour: black on a system background is the theme's own text colour, so a dark theme
// keeps unchanged values readable; red and explicit colours stay as they are.
QColor ResolveTextColour(Colour fore, Colour back, const QPalette& palette, QPalette::ColorRole textRole);

// Mirrors a control's own enabled state. A widget inside a disabled frame reads as disabled
// whatever its own state, so the comparison is with its own flag: a control the program
// disables while its frame is disabled stays disabled when the frame is enabled again.
template <class W>
void MirrorEnabled(W* w, bool enabled) {
    if (w->testAttribute(Qt::WA_ForceDisabled) == enabled) w->setEnabled(enabled);
}

// The key code the program's handlers expect (13 Enter, 38 up, 40 down ...), 0 for none.
int KeyCodeOf(const QKeyEvent& event);

// Geometry is designed in pixels at 96 dots per inch and scaled by the screen's logical DPI,
// so the window keeps its proportions where Qt reports a higher logical DPI itself.
class Scale {
public:
    explicit Scale(double logicalDpi = 96.0) : dpi_(logicalDpi) {}
    double dpi() const { return dpi_; }
    int px(int designPx) const { return qRound(designPx * dpi_ / 96.0); }
    QRect rect(int x, int y, int w, int h) const { return QRect(px(x), px(y), px(w), px(h)); }
    int twips(int t) const { return qRound(t * dpi_ / 1440.0); }

private:
    double dpi_;
};

Scale ScaleFor(const QWidget* widget);

// The windows have fixed sizes, so their text must not grow past the designed boxes: the
// desktop's font family at most 9 pt (the display's own scaling still applies).
QFont ViewFont();

}  // namespace kd
