#pragma once
// Widgets that mirror one model control each. A widget registers itself as the control's
// observer and copies the control's properties onto itself in the next pass of the window's
// event loop (see ViewSync); user events go back to the model at once.
// The model must outlive the widgets bound to it (the window is destroyed before the program).
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QWidget>
#include <cstdint>
#include <string>

#include "app/controls.h"
#include "ui/view_sync.h"

class QAbstractButton;
class QAction;
class QComboBox;
class QRadioButton;

namespace kd {

// A single-line text box.
class BoxEdit : public QLineEdit, private ViewSyncClient {
    Q_OBJECT
public:
    BoxEdit(TextBox& model, QWidget* parent);
    ~BoxEdit() override;
    TextBox& model() const { return model_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void mirror();
    void mirrorNow() override { mirror(); }
    void userEdited(const QString& text);
    void applySelection();

    TextBox& model_;
    uint64_t selectionSeen_ = 0;
    // The program selected text as a mouse press brought the focus; the press would place
    // the caret over it, so the selection is made again after the press.
    bool selectAfterPress_ = false;
};

// A multi-line, scrolling traffic pane. Appends when the model text only grew, so a pane
// of 20000 characters is not laid out again five times a second.
class TrafficPane : public QPlainTextEdit, private ViewSyncClient {
    Q_OBJECT
public:
    TrafficPane(TextBox& model, QWidget* parent);
    ~TrafficPane() override;
    TextBox& model() const { return model_; }
    // The model text as the pane shows it: CR LF and lone CR break lines, other control
    // characters appear as their visible symbols.
    static QString DisplayText(const std::string& bytes);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void mirror();
    void mirrorNow() override { mirror(); }
    void applySelection();

    TextBox& model_;
    std::string shown_;  // model text last put into the document
    uint64_t selectionSeen_ = 0;
};

// A frame; its caption can be coloured without colouring the controls inside.
class CaptionGroupBox : public QGroupBox, private ViewSyncClient {
    Q_OBJECT
public:
    CaptionGroupBox(Frame& model, QWidget* parent);
    ~CaptionGroupBox() override;
    Frame& model() const { return model_; }
    QColor titleColour() const { return titleColour_; }
    // A panel that lies outside the window's current width is hidden as well, so keyboard
    // and screen reader users never land on controls nobody can see.
    void setCutOff(bool cut);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void mirror();
    void mirrorNow() override { mirror(); }
    Frame& model_;
    QColor titleColour_;  // invalid: the style's own colour
    bool cutOff_ = false;
    // The frame as last drawn, and what it was drawn for.
    QPixmap frame_;
    QString frameKey_;
};

// One of the two plug pictures; a double-click toggles the connection.
class PlugPicture : public QLabel, private ViewSyncClient {
    Q_OBJECT
public:
    PlugPicture(Picture& model, const QString& imagePath, QWidget* parent);
    ~PlugPicture() override;
    // Renders the picture for the current size and pixel ratio.
    void refreshPixmap();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void mirror();
    void mirrorNow() override { mirror(); }
    Picture& model_;
    QString imagePath_;
};

// A horizontal line drawn at the model's coordinates (twips).
class LineWidget : public QWidget, private ViewSyncClient {
    Q_OBJECT
public:
    LineWidget(Line& model, QPalette::ColorRole role, QWidget* parent);
    ~LineWidget() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void mirror();
    void mirrorNow() override { mirror(); }
    Line& model_;
    QPalette::ColorRole role_;
};

// Plain Qt widgets bound to a model control.
// A label whose text alone says little (a number, a name) can be given a prefix for the
// name a screen reader speaks, e.g. "Logger model: KELDAMAR HUB".
void Bind(Label& model, QLabel* widget, const QString& spokenPrefix = {});
void Bind(Button& model, QAbstractButton* widget);
void Bind(OptionButton& model, QRadioButton* widget);
void Bind(ComboBox& model, QComboBox* widget);
void Bind(MenuItem& model, QAction* action);

}  // namespace kd
