#pragma once
// The window's lasting word on records not archived: a label at the foot of the window, there
// for as long as records of this run wait for the archive (or were lost), with the count.
// Unlike the status line, no later message takes it away.
#include <QObject>
#include <string>

class QLabel;
class QStatusBar;

namespace kd {

class MainWindow;

class ArchiveIndicator : public QObject {
public:
    explicit ArchiveIndicator(MainWindow& window);

    // The core's text ("Records not archived: 17"); empty hides the label.
    void show(const std::string& text);
    QLabel* label() const { return label_; }

private:
    MainWindow& window_;
    QStatusBar* bar_;
    QLabel* label_;
};

}  // namespace kd
