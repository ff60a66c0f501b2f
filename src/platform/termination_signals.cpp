#include "platform/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>

namespace kd {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler can reach nothing but a global; this one is the pipe's write end alone.
std::atomic<int> gWriteEnd{-1};

extern "C" void OnTerminationSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    if (const int fd = gWriteEnd.load(); fd >= 0) (void)!::write(fd, &number, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    gWriteEnd.store(pipe_[1]);
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readSignal(); });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : kSignals) ::sigaction(s, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (notifier_) {
        for (const int s : kSignals) std::signal(s, SIG_DFL);
        gWriteEnd.store(-1);
    }
    for (const int fd : pipe_)
        if (fd >= 0) ::close(fd);
}

void TerminationSignals::readSignal() {
    unsigned char number = 0;
    while (::read(pipe_[0], &number, 1) == 1)
        if (onSignal_) onSignal_(number);
}

}  // namespace kd
