#pragma once
// View > "Signal Monitor": the values of the "Signal strength:" box over the last ten minutes,
// the latest large enough to read from a few steps away, the figures since opening or the last
// mark, and the marked spans. The core's monitor (network/signal_monitor) holds all of it;
// this window only draws it and hands "Mark..." back.
#include <QMainWindow>
#include <QObject>

class QAction;
class QChart;
class QLabel;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QTimer;
class QTreeWidget;
class QValueAxis;

namespace kd {

class MainWindow;
class Program;

// A main window of its own, so assistive technology sees a window (frame), not a pane.
class SignalMonitorWindow : public QMainWindow {
    Q_OBJECT
public:
    SignalMonitorWindow(Program& p, QWidget* parent = nullptr);
    ~SignalMonitorWindow() override;

    // Shows the window and starts the span "since opened" (again, if it was closed).
    void open();
    // Draws what the monitor holds now rather than in the next pass of the event loop.
    void refresh();

    QLabel* latestLabel() const { return latest_; }
    QLineSeries* series() const { return series_; }
    QTreeWidget* spansList() const { return spans_; }
    QPushButton* markButton() const { return mark_; }
    QLineEdit* figure(int i) const { return figures_[i]; }  // 0 minimum, 1 maximum, 2 mean, 3 values

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void schedule();
    void drawChart();
    void drawFigures();
    void drawSpans();
    void announce();

    Program& p_;
    QLabel* latest_;
    QLabel* spanCaption_;
    QLineEdit* figures_[4];
    QChart* chart_;
    QLineSeries* series_;
    QValueAxis* minutes_;
    QValueAxis* strength_;
    QTreeWidget* spans_;
    QPushButton* mark_;
    QTimer* scroll_;
    bool pending_ = false;
    quint64 announced_ = 0;
};

// The menu entry and the window, on the main window's View menu.
class SignalMonitorView : public QObject {
    Q_OBJECT
public:
    SignalMonitorView(MainWindow& window, Program& p);
    void openMonitor();
    SignalMonitorWindow* monitor() const { return monitor_; }
    QAction* action() const { return action_; }

private:
    MainWindow& window_;
    Program& p_;
    SignalMonitorWindow* monitor_ = nullptr;
    QAction* action_;
};

}  // namespace kd
