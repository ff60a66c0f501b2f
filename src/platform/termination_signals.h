#pragma once
// SIGTERM, SIGINT and SIGHUP (logout, shutdown, Ctrl-C in the terminal that started the
// program) delivered as a call on the Qt event loop, where the program can put away what it
// holds before it ends. The handler only writes the signal's number to a pipe; a socket
// notifier reads it on the loop. One instance at a time; the default handlers come back when
// it goes.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace kd {

class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    bool installed() const { return notifier_ != nullptr; }

private:
    void readSignal();

    std::function<void(int)> onSignal_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kd
