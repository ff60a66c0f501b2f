#pragma once
// The best any client can do fetching records: write "AT+EVENT=n", block until the answer's
// line feed, write the next. The yardstick the record benchmarks compare the window with.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <string>

inline double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

// Milliseconds for records 0..records-1 on the device, or -1 when the device fails.
inline double IdealEventClient(const std::string& device, int records) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return -1;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    tcsetattr(fd, TCSANOW, &tio);
    QElapsedTimer t;
    t.start();
    char buf[512];
    for (int n = 0; n < records; ++n) {
        const std::string cmd = "AT+EVENT=" + std::to_string(n) + "\r\n";
        if (::write(fd, cmd.data(), cmd.size()) != static_cast<ssize_t>(cmd.size())) break;
        for (bool done = false; !done;) {
            const ssize_t got = ::read(fd, buf, sizeof buf);
            if (got <= 0) {
                ::close(fd);
                return -1;
            }
            done = std::string(buf, static_cast<size_t>(got)).find('\n') != std::string::npos;
        }
    }
    const double ms = Ms(t);
    ::close(fd);
    return ms;
}
