#pragma once
// An indexed group of like controls, written name(index) as the window model names them.
#include <memory>
#include <string>
#include <vector>

namespace kd {

template <class T>
class ControlArray {
public:
    ControlArray(const std::string& base, int first, int last) : first_(first) {
        for (int i = first; i <= last; ++i)
            items_.push_back(std::make_unique<T>(base + "(" + std::to_string(i) + ")"));
    }
    T& operator()(int index) { return *items_.at(static_cast<size_t>(index - first_)); }
    const T& operator()(int index) const { return *items_.at(static_cast<size_t>(index - first_)); }
    int first() const { return first_; }
    int last() const { return first_ + static_cast<int>(items_.size()) - 1; }
    int size() const { return static_cast<int>(items_.size()); }

private:
    int first_;
    std::vector<std::unique_ptr<T>> items_;
};

}  // namespace kd
