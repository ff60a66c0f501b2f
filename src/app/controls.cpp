#include "app/controls.h"

namespace kd {

void OptionButton::setValue(bool on) {
    if (on == value_) return;
    value_ = on;
    if (on) {
        for (OptionButton* other : group_)
            if (other != this && other->value_) { other->value_ = false; other->notify(); }
    }
    notify();
    if (on && onClick) onClick();
}

void ComboBox::setListIndex(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size())) return;
    if (index == listIndex_) return;
    listIndex_ = index;
    text_ = index >= 0 ? items_[static_cast<size_t>(index)] : std::string();
    notify();
    if (index >= 0 && onClick) onClick();
}

}  // namespace kd
