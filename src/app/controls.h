#pragma once
// The window as a model: each control is a small object holding exactly the properties the
// program uses. Setting a text fires the control's change handler synchronously, as the
// original toolkit did, so handlers run whether the user or the program changed the text.
// The view attaches an observer to mirror every property change onto its widget.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kd {

// Colour values as the program stores them: 0x00BBGGRR, plus system-colour references.
using Colour = uint32_t;
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kRed = 0x0000FF;      // colour value 255
inline constexpr Colour kWhite = 0xFFFFFF;
inline constexpr Colour kButtonFace = 0x8000000F;
inline constexpr Colour kWindowBackground = 0x80000005;

class Control {
public:
    explicit Control(std::string name) : name_(std::move(name)) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    // Enabled as its own rule says and not held by the line's owner (ShowLineState).
    bool enabled() const { return enabled_ && !held_; }
    void setEnabled(bool on) {
        if (on == enabled_) return;
        enabled_ = on;
        if (!held_) notify();
    }
    bool held() const { return held_; }
    void setHeld(bool on) {
        if (on == held_) return;
        held_ = on;
        if (enabled_) notify();
    }
    bool visible() const { return visible_; }
    void setVisible(bool on) { if (on != visible_) { visible_ = on; notify(); } }

    // The view's hook: called after any property of this control changed.
    void setObserver(std::function<void()> observer) { observer_ = std::move(observer); }

    // Requests to the view that are not properties: focus, select all text.
    std::function<void()> onFocusRequest;
    void requestFocus() { ++focusRequests_; if (onFocusRequest) onFocusRequest(); }
    int focusRequests() const { return focusRequests_; }

protected:
    void notify() { if (observer_) observer_(); }

private:
    std::string name_;
    bool enabled_ = true;
    bool held_ = false;
    bool visible_ = true;
    int focusRequests_ = 0;
    std::function<void()> observer_;
};

class TextBox : public Control {
public:
    using Control::Control;
    const std::string& text() const { return text_; }
    // Fires onChange only when the text differs, as the original toolkit did.
    void setText(std::string text) { replaceText(text, false); }
    // A text that names a file: UTF-8 as the system spells file names, not the line's
    // one-byte characters (basic/path_text.h). The next setText makes the box bytes again.
    void setSystemText(std::string text) { replaceText(text, true); }
    bool systemText() const { return systemText_; }
    Colour foreColour() const { return fore_; }
    void setForeColour(Colour c) { if (c != fore_) { fore_ = c; notify(); } }
    Colour backColour() const { return back_; }
    void setBackColour(Colour c) { if (c != back_) { back_ = c; notify(); } }
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on) { if (on != readOnly_) { readOnly_ = on; notify(); } }
    int maxLength() const { return maxLength_; }  // 0 = no limit
    void setMaxLength(int n) { maxLength_ = n; notify(); }
    // Selection, as start and length in bytes.
    long selStart() const { return selStart_; }
    long selLength() const { return selLength_; }
    void setSelection(long start, long length) {
        selStart_ = start;
        selLength_ = length;
        ++selectionSerial_;
        notify();
    }
    // Counts setSelection calls, so a view can tell a new selection request from other
    // changes even when the same range is asked for again.
    uint64_t selectionSerial() const { return selectionSerial_; }
    void selectAll() { setSelection(0, static_cast<long>(text_.size())); }

    std::function<void()> onChange;
    std::function<void()> onDblClick;
    std::function<void()> onGotFocus;
    std::function<void(int keyCode)> onKeyDown;

private:
    void replaceText(std::string& text, bool system) {
        const bool changed = text != text_;
        if (!changed && system == systemText_) return;
        if (changed) text_.swap(text);
        systemText_ = system;
        notify();
        if (changed && onChange) onChange();
    }

    std::string text_;
    bool systemText_ = false;
    Colour fore_ = kBlack;
    Colour back_ = kWindowBackground;
    bool readOnly_ = false;
    int maxLength_ = 0;
    long selStart_ = 0;
    long selLength_ = 0;
    uint64_t selectionSerial_ = 0;
};

class Label : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return caption_; }
    void setCaption(std::string c) { if (c != caption_) { caption_ = std::move(c); notify(); } }
    Colour foreColour() const { return fore_; }
    void setForeColour(Colour c) { if (c != fore_) { fore_ = c; notify(); } }

private:
    std::string caption_;
    Colour fore_ = kBlack;
};

class Button : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return caption_; }
    void setCaption(std::string c) { if (c != caption_) { caption_ = std::move(c); notify(); } }
    // A user click: ignored while disabled, as a disabled button takes no clicks.
    void click() { if (enabled() && onClick) onClick(); }
    std::function<void()> onClick;

private:
    std::string caption_;
};

class Frame : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return caption_; }
    void setCaption(std::string c) { if (c != caption_) { caption_ = std::move(c); notify(); } }
    Colour foreColour() const { return fore_; }  // colour of the caption
    void setForeColour(Colour c) { if (c != fore_) { fore_ = c; notify(); } }

private:
    std::string caption_;
    Colour fore_ = kBlack;
};

// Option buttons of one group: selecting one clears the others and fires its click handler.
class OptionButton : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return caption_; }
    void setCaption(std::string c) { if (c != caption_) { caption_ = std::move(c); notify(); } }
    bool value() const { return value_; }
    void setValue(bool on);
    void setGroup(std::vector<OptionButton*> group) { group_ = std::move(group); }
    std::function<void()> onClick;

private:
    std::string caption_;
    bool value_ = false;
    std::vector<OptionButton*> group_;
};

// A list or combo box. listIndex -1 means no selection; text is what the box shows.
class ComboBox : public Control {
public:
    using Control::Control;
    const std::vector<std::string>& items() const { return items_; }
    void addItem(std::string item) { items_.push_back(std::move(item)); notify(); }
    void clear() { items_.clear(); listIndex_ = -1; notify(); }
    int listIndex() const { return listIndex_; }
    // Selecting an entry (by program or user) fires onClick; clearing the selection does not.
    void setListIndex(int index);
    const std::string& text() const { return text_; }
    void setText(std::string t) { if (t != text_) { text_ = std::move(t); notify(); } }
    std::function<void()> onClick;

private:
    std::vector<std::string> items_;
    int listIndex_ = -1;
    std::string text_;
};

class Picture : public Control {
public:
    using Control::Control;
    void dblClick() { if (enabled() && onDblClick) onDblClick(); }
    std::function<void()> onDblClick;
};

// A line on the window, in twips.
class Line : public Control {
public:
    using Control::Control;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    void setX2(int x) { if (x != x2) { x2 = x; notify(); } }
};

class MenuItem : public Control {
public:
    using Control::Control;
    MenuItem(std::string name, std::string caption, std::string shortcut = {})
        : Control(std::move(name)), caption_(std::move(caption)), shortcut_(std::move(shortcut)) {}
    const std::string& caption() const { return caption_; }
    const std::string& shortcut() const { return shortcut_; }
    bool checked() const { return checked_; }
    void setChecked(bool on) { if (on != checked_) { checked_ = on; notify(); } }
    void click() { if (enabled() && onClick) onClick(); }
    std::function<void()> onClick;

private:
    std::string caption_;
    std::string shortcut_;
    bool checked_ = false;
};

}  // namespace kd
