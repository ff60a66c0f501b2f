#include "ui/model_widgets.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QIcon>
#include <QPixmap>
#include <QKeyEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>

#include "ui/ui_support.h"

namespace kd {

namespace {

// Watches a control for the lifetime of a plain Qt object (widget or action) and stops
// watching when the object goes, so the model never calls into a deleted widget.
class Watch : public QObject, private ViewSyncClient {
public:
    Watch(Control& model, QObject* owner, std::function<void()> sync)
        : QObject(owner), model_(model), mirror_(std::move(sync)) {
        model_.setObserver([this] { modelChanged(this); });
    }
    ~Watch() override {
        model_.setObserver(nullptr);
        model_.onFocusRequest = nullptr;
    }

private:
    void mirrorNow() override { mirror_(); }
    Control& model_;
    std::function<void()> mirror_;
};

// The text colour while the widget reads as disabled. A control the program disabled itself,
// and one showing the theme's own text colour, look disabled as the theme draws it. A colour
// the program chose (a change mark, a blinking status) is drawn as chosen while only a frame
// around the control blocks input, as during a hub scan: the frame still takes no input.
QColor DisabledText(const QPalette& system, QPalette::ColorRole role, const QColor& chosen, bool themeColour,
                    bool ownEnabled) {
    return ownEnabled && !themeColour ? chosen : system.color(QPalette::Disabled, role);
}

void SetTextPalette(QWidget* w, Colour fore, Colour back, bool ownEnabled, QPalette::ColorRole textRole,
                    QPalette::ColorRole baseRole) {
    const QPalette system = QApplication::palette(w);
    QPalette pal = w->palette();
    const QColor base = ResolveColour(back, system);
    const QColor text = ResolveTextColour(fore, back, system, textRole);
    const bool themeColour = fore == kBlack && (back & 0x80000000u) != 0;
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) pal.setColor(g, textRole, text);
    pal.setColor(QPalette::Disabled, textRole, DisabledText(system, textRole, text, themeColour, ownEnabled));
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) pal.setColor(g, baseRole, base);
    if (pal != w->palette()) w->setPalette(pal);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

BoxEdit::BoxEdit(TextBox& model, QWidget* parent) : QLineEdit(parent), model_(model) {
    setObjectName(QString::fromStdString(model.name()));
    model_.setObserver([this] { modelChanged(this); });
    model_.onFocusRequest = [this] {
        mirror();  // the text the selection refers to may still be waiting for the next pass
        setFocus(Qt::OtherFocusReason);
        applySelection();
    };
    // textChanged, not textEdited: a screen reader sets the text without typing. The program's
    // own texts are mirrored with signals blocked, so they never come back as the user's.
    connect(this, &QLineEdit::textChanged, this, &BoxEdit::userEdited);
    selectionSeen_ = model_.selectionSerial();
    mirror();
}

BoxEdit::~BoxEdit() {
    model_.setObserver(nullptr);
    model_.onFocusRequest = nullptr;
}

void BoxEdit::mirror() {
    const QString t = model_.systemText() ? FromSystem(model_.text()) : FromBytes(model_.text());
    // The limit is for typing only: a longer text from the program is shown whole.
    const int limit = model_.maxLength() > 0 ? std::max<int>(model_.maxLength(), static_cast<int>(t.size())) : 32767;
    {
        const QSignalBlocker block(this);  // a shorter limit cuts the old text: not the user's change
        if (maxLength() != limit) setMaxLength(limit);
        if (text() != t) {
            const int pos = cursorPosition();
            setText(t);
            // A box the user is not in shows the start of a long text, not its end.
            setCursorPosition(hasFocus() ? std::min<int>(pos, static_cast<int>(t.size())) : 0);
        }
    }
    if (isReadOnly() != model_.readOnly()) setReadOnly(model_.readOnly());
    SetTextPalette(this, model_.foreColour(), model_.backColour(), model_.enabled(), QPalette::Text, QPalette::Base);
    MirrorEnabled(this, model_.enabled());
    if (isHidden() == model_.visible()) setHidden(!model_.visible());
    if (model_.selectionSerial() != selectionSeen_) applySelection();
}

void BoxEdit::userEdited(const QString& typed) {
    // A locked box takes no text from the user, not even through the accessibility interface.
    if (!model_.readOnly()) model_.setText(ToBytes(typed));  // runs the change handler, as typing did
    // Characters outside the byte range became '?': show what the program holds.
    mirror();
}

void BoxEdit::applySelection() {
    selectionSeen_ = model_.selectionSerial();
    const int size = static_cast<int>(text().size());
    const int start = static_cast<int>(std::clamp<long>(model_.selStart(), 0, size));
    const int length = static_cast<int>(std::clamp<long>(model_.selLength(), 0, size - start));
    if (length > 0)
        setSelection(start, length);
    else
        setCursorPosition(start);
}

void BoxEdit::keyPressEvent(QKeyEvent* event) {
    const int code = KeyCodeOf(*event);
    if (code != 0 && model_.onKeyDown) model_.onKeyDown(code);
    QLineEdit::keyPressEvent(event);
}

void BoxEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    if (model_.onDblClick) model_.onDblClick();
}

void BoxEdit::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (!selectAfterPress_) return;
    selectAfterPress_ = false;
    mirror();  // the text the selection refers to may still be waiting for the next pass
    applySelection();
}

void BoxEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    const uint64_t requested = model_.selectionSerial();
    if (model_.onGotFocus) model_.onGotFocus();
    selectAfterPress_ = event->reason() == Qt::MouseFocusReason && model_.selectionSerial() != requested;
}

// ---------------------------------------------------------------------------------------------

TrafficPane::TrafficPane(TextBox& model, QWidget* parent) : QPlainTextEdit(parent), model_(model) {
    setObjectName(QString::fromStdString(model.name()));
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUndoRedoEnabled(false);  // the program replaces the text; nothing to undo
    model_.setObserver([this] { modelChanged(this); });
    model_.onFocusRequest = [this] {
        mirror();  // the text the selection refers to may still be waiting for the next pass
        setFocus(Qt::OtherFocusReason);
        applySelection();
    };
    selectionSeen_ = model_.selectionSerial();
    mirror();
}

TrafficPane::~TrafficPane() {
    model_.setObserver(nullptr);
    model_.onFocusRequest = nullptr;
}

QString TrafficPane::DisplayText(const std::string& bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r') {
            out += QLatin1Char('\n');
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else if (c == '\n' || c == '\t') {
            out += QLatin1Char(static_cast<char>(c));
        } else if (c < 0x20) {
            out += QChar(0x2400 + c);  // the control character's visible symbol
        } else if (c == 0x7F) {
            out += QChar(0x2421);
        } else {
            out += QChar(c);  // Latin-1
        }
    }
    return out;
}

void TrafficPane::mirror() {
    const std::string& now = model_.text();
    bool textChanged = false;
    if (now != shown_) {
        // A CR at the old end may pair with an LF at the new start: lay such text out anew.
        const bool grew = !shown_.empty() && now.size() > shown_.size() && shown_.back() != '\r' &&
                          now.compare(0, shown_.size(), shown_) == 0;
        if (grew) {
            QTextCursor end(document());
            end.movePosition(QTextCursor::End);
            end.insertText(DisplayText(now.substr(shown_.size())));
        } else {
            setPlainText(DisplayText(now));
        }
        shown_ = now;
        textChanged = true;
    }
    if (isReadOnly() != model_.readOnly()) {
        setReadOnly(model_.readOnly());
        if (model_.readOnly()) setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    SetTextPalette(this, model_.foreColour(), model_.backColour(), model_.enabled(), QPalette::Text, QPalette::Base);
    MirrorEnabled(this, model_.enabled());
    if (isHidden() == model_.visible()) setHidden(!model_.visible());
    if (textChanged || model_.selectionSerial() != selectionSeen_) applySelection();
}

void TrafficPane::applySelection() {
    selectionSeen_ = model_.selectionSerial();
    const std::string& text = model_.text();
    QTextCursor cursor(document());
    const auto mapped = [&](long bytePos) {
        if (bytePos >= static_cast<long>(text.size())) return -1;
        return static_cast<int>(DisplayText(text.substr(0, static_cast<size_t>(std::max(0L, bytePos)))).size());
    };
    const int start = mapped(model_.selStart());
    if (start < 0) {
        cursor.movePosition(QTextCursor::End);
    } else {
        cursor.setPosition(start);
        if (model_.selLength() > 0) {
            const int stop = mapped(model_.selStart() + model_.selLength());
            if (stop < 0)
                cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            else
                cursor.setPosition(stop, QTextCursor::KeepAnchor);
        }
    }
    setTextCursor(cursor);
    ensureCursorVisible();
    // At the end, show the very end: the empty line after a final line break included.
    if (cursor.atEnd()) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TrafficPane::keyPressEvent(QKeyEvent* event) {
    const int code = KeyCodeOf(*event);
    if (code != 0 && model_.onKeyDown) model_.onKeyDown(code);
    QPlainTextEdit::keyPressEvent(event);
}

void TrafficPane::mouseDoubleClickEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    if (model_.onDblClick) model_.onDblClick();
}

void TrafficPane::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    if (model_.onGotFocus) model_.onGotFocus();
}

// ---------------------------------------------------------------------------------------------

CaptionGroupBox::CaptionGroupBox(Frame& model, QWidget* parent) : QGroupBox(parent), model_(model) {
    setObjectName(QString::fromStdString(model.name()));
    model_.setObserver([this] { modelChanged(this); });
    model_.onFocusRequest = [this] { setFocus(Qt::OtherFocusReason); };
    mirror();
}

CaptionGroupBox::~CaptionGroupBox() {
    model_.setObserver(nullptr);
    model_.onFocusRequest = nullptr;
}

void CaptionGroupBox::mirror() {
    const QString caption = FromBytes(model_.caption());
    if (title() != caption) {
        setTitle(caption);
        // Said outright: a frame inside another would otherwise be announced by the outer title.
        if (!caption.isEmpty()) setAccessibleName(caption);
    }
    const QColor colour = model_.foreColour() == kBlack ? QColor() : ResolveColour(model_.foreColour(), palette());
    if (colour != titleColour_) {
        titleColour_ = colour;
        update();
    }
    MirrorEnabled(this, model_.enabled());
    const bool show = model_.visible() && !cutOff_;
    if (isHidden() == show) setHidden(!show);
}

void CaptionGroupBox::setCutOff(bool cut) {
    cutOff_ = cut;
    mirror();
}

void CaptionGroupBox::paintEvent(QPaintEvent*) {
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    if (titleColour_.isValid()) option.textColor = titleColour_;
    // Every repaint of a box inside repaints the frame behind it, many times a second while a
    // logger streams; the style's frame is drawn once for its look and copied from then on.
    const qreal ratio = devicePixelRatioF();
    const QString key = QStringLiteral("%1x%2@%3 %4 %5 %6 %7 %8")
                            .arg(width()).arg(height()).arg(ratio)
                            .arg(static_cast<qulonglong>(option.state.toInt()))
                            .arg(option.textColor.rgba()).arg(palette().cacheKey())
                            .arg(font().key(), option.text);
    if (key != frameKey_) {
        frame_ = QPixmap(size() * ratio);
        frame_.setDevicePixelRatio(ratio);
        frame_.fill(Qt::transparent);
        QStylePainter onFrame(&frame_, this);
        onFrame.drawComplexControl(QStyle::CC_GroupBox, option);
        frameKey_ = key;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, frame_);
}

// ---------------------------------------------------------------------------------------------

PlugPicture::PlugPicture(Picture& model, const QString& imagePath, QWidget* parent)
    : QLabel(parent), model_(model), imagePath_(imagePath) {
    setObjectName(QString::fromStdString(model.name()));
    setAlignment(Qt::AlignCenter);
    model_.setObserver([this] { modelChanged(this); });
    model_.onFocusRequest = [this] { setFocus(Qt::OtherFocusReason); };
    mirror();
}

PlugPicture::~PlugPicture() {
    model_.setObserver(nullptr);
    model_.onFocusRequest = nullptr;
}

void PlugPicture::mirror() {
    MirrorEnabled(this, model_.enabled());
    if (isHidden() == model_.visible()) setHidden(!model_.visible());
}

void PlugPicture::refreshPixmap() {
    // The drawing comes in two sizes; the larger one serves anything above its small size.
    const qreal ratio = devicePixelRatioF();
    const QSize device = size() * ratio;
    QString path = imagePath_;
    if (device.width() > 32 || device.height() > 32) path.replace(QLatin1String(".png"), QLatin1String("@2x.png"));
    QPixmap picture(path);
    if (picture.isNull()) picture = QPixmap(imagePath_);
    picture = picture.scaled(device, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    picture.setDevicePixelRatio(ratio);
    setPixmap(picture);
}

void PlugPicture::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    refreshPixmap();
}

void PlugPicture::mouseDoubleClickEvent(QMouseEvent* event) {
    QLabel::mouseDoubleClickEvent(event);
    model_.dblClick();
}

// ---------------------------------------------------------------------------------------------

LineWidget::LineWidget(Line& model, QPalette::ColorRole role, QWidget* parent)
    : QWidget(parent), model_(model), role_(role) {
    setObjectName(QString::fromStdString(model.name()));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    model_.setObserver([this] { modelChanged(this); });
    mirror();
}

LineWidget::~LineWidget() { model_.setObserver(nullptr); }

void LineWidget::mirror() {
    const Scale s = ScaleFor(this);
    const int x = s.twips(model_.x1);
    const int y = s.twips(std::min(model_.y1, model_.y2));
    const int w = std::max(0, s.twips(model_.x2) - x);
    setGeometry(x, y, w, 1);  // a line is one pixel thick at any density
    setHidden(!model_.visible());
}

void LineWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(role_));
}

// ---------------------------------------------------------------------------------------------

void Bind(Label& model, QLabel* w, const QString& spokenPrefix) {
    w->setObjectName(QString::fromStdString(model.name()));
    w->setTextFormat(Qt::PlainText);  // logger texts are never markup
    auto sync = [&model, w, spokenPrefix] {
        // With a buddy the label reads '&' as a mnemonic mark; captions are shown literally.
        const QString caption = w->buddy() ? LiteralAmpersands(FromBytes(model.caption())) : FromBytes(model.caption());
        if (w->text() != caption) w->setText(caption);
        if (!spokenPrefix.isEmpty()) {
            const QString shown = FromBytes(model.caption()).trimmed();
            w->setAccessibleName(shown.isEmpty() || shown == QLatin1String("-") ? spokenPrefix
                                                                                 : spokenPrefix + QLatin1String(": ") + shown);
        }
        const QPalette system = QApplication::palette(w);
        QPalette pal = w->palette();
        const QColor colour = model.foreColour() == kBlack ? system.color(QPalette::WindowText)
                                                           : ResolveColour(model.foreColour(), system);
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) pal.setColor(g, QPalette::WindowText, colour);
        pal.setColor(QPalette::Disabled, QPalette::WindowText,
                     DisabledText(system, QPalette::WindowText, colour, model.foreColour() == kBlack, model.enabled()));
        if (pal != w->palette()) w->setPalette(pal);
        MirrorEnabled(w, model.enabled());
        if (w->isHidden() == model.visible()) w->setHidden(!model.visible());
    };
    new Watch(model, w, sync);
    model.onFocusRequest = [w] { w->setFocus(Qt::OtherFocusReason); };
    sync();
}

void Bind(Button& model, QAbstractButton* w) {
    w->setObjectName(QString::fromStdString(model.name()));
    auto sync = [&model, w] {
        const QString caption = FromBytes(model.caption());
        if (w->text() != caption) w->setText(caption);
        MirrorEnabled(w, model.enabled());
        if (w->isHidden() == model.visible()) w->setHidden(!model.visible());
    };
    new Watch(model, w, sync);
    model.onFocusRequest = [w] { w->setFocus(Qt::OtherFocusReason); };
    QObject::connect(w, &QAbstractButton::clicked, w, [&model] { model.click(); });
    sync();
}

void Bind(OptionButton& model, QRadioButton* w) {
    w->setObjectName(QString::fromStdString(model.name()));
    auto sync = [&model, w] {
        const QString caption = FromBytes(model.caption());
        if (w->text() != caption) w->setText(caption);
        if (w->isChecked() != model.value()) {
            // The model keeps the group exclusive; Qt's own exclusivity would refuse to clear.
            const QSignalBlocker block(w);
            w->setAutoExclusive(false);
            w->setChecked(model.value());
            w->setAutoExclusive(true);
        }
        MirrorEnabled(w, model.enabled());
        if (w->isHidden() == model.visible()) w->setHidden(!model.visible());
    };
    new Watch(model, w, sync);
    model.onFocusRequest = [w] { w->setFocus(Qt::OtherFocusReason); };
    // toggled, not clicked: a screen reader's Toggle action changes the state without a click.
    // The program's own changes are mirrored with signals blocked, so they never come back as
    // the user's; a button being cleared is the model's to clear (it keeps the group exclusive).
    QObject::connect(w, &QAbstractButton::toggled, w, [&model, sync](bool checked) {
        if (!checked) return;
        model.setValue(true);
        sync();  // a refused change puts the button back
    });
    sync();
}

void Bind(ComboBox& model, QComboBox* w) {
    w->setObjectName(QString::fromStdString(model.name()));
    auto sync = [&model, w] {
        const QSignalBlocker block(w);
        const auto& items = model.items();
        bool same = w->count() == static_cast<int>(items.size());
        for (int i = 0; same && i < w->count(); ++i) same = w->itemText(i) == FromBytes(items[static_cast<size_t>(i)]);
        if (!same) {
            w->clear();
            for (const std::string& item : items) w->addItem(FromBytes(item));
        }
        if (w->currentIndex() != model.listIndex()) w->setCurrentIndex(model.listIndex());
        if (w->isEditable() && w->currentText() != FromBytes(model.text())) w->setEditText(FromBytes(model.text()));
        MirrorEnabled(w, model.enabled());
        if (w->isHidden() == model.visible()) w->setHidden(!model.visible());
    };
    new Watch(model, w, sync);
    model.onFocusRequest = [w] { w->setFocus(Qt::OtherFocusReason); };
    // currentIndexChanged, not activated: every way the entry can change (mouse, keys, wheel, an
    // accessibility client's selection) reaches the model once. The program's own changes are
    // mirrored with signals blocked.
    QObject::connect(w, &QComboBox::currentIndexChanged, w, [&model, sync](int index) {
        model.setListIndex(index);
        sync();
    });
    if (w->isEditable()) {
        QObject::connect(w, &QComboBox::editTextChanged, w, [&model, w](const QString& text) {
            if (w->signalsBlocked()) return;
            // Choosing an entry puts its text in the box before Qt reports the new index: the
            // index goes first, so mirroring the text cannot put the old entry back.
            if (w->currentIndex() >= 0 && w->currentIndex() != model.listIndex()) model.setListIndex(w->currentIndex());
            model.setText(ToBytes(text));
        });
    }
    sync();
}

void Bind(MenuItem& model, QAction* a) {
    a->setObjectName(QString::fromStdString(model.name()));
    if (!model.shortcut().empty()) a->setShortcut(QKeySequence(FromBytes(model.shortcut())));
    auto sync = [&model, a] {
        const QString caption = FromBytes(model.caption());
        if (a->text() != caption) a->setText(caption);
        if (a->isCheckable() && a->isChecked() != model.checked()) {
            const QSignalBlocker block(a);
            a->setChecked(model.checked());
        }
        if (a->isEnabled() != model.enabled()) a->setEnabled(model.enabled());
        if (a->isVisible() != model.visible()) a->setVisible(model.visible());
    };
    new Watch(model, a, sync);
    QObject::connect(a, &QAction::triggered, a, [&model, sync] {
        model.click();
        sync();  // the check mark is the program's to set
    });
    sync();
}

}  // namespace kd
