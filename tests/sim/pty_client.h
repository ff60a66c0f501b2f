#pragma once
// The program's side of the line in these tests: opens the simulator's device like a serial
// port and reads with time-outs, so a broken simulator fails a test instead of hanging it.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "simulator.h"

namespace kdsim::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
// How long a wait for an answer may last before the test gives up: far beyond what a loaded
// machine needs; waits end as soon as the answer is in.
constexpr std::chrono::milliseconds kPatience = 30000ms;

class PtyClient {
public:
    explicit PtyClient(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ >= 0) {
            termios t{};
            ::tcgetattr(fd_, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~PtyClient() { close(); }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    bool ok() const { return fd_ >= 0; }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    void send(std::string_view s) {
        while (!s.empty()) {
            const auto n = ::write(fd_, s.data(), s.size());
            if (n <= 0) return;
            s.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    // One line through its LF, or what came before the time-out.
    std::string readLine(std::chrono::milliseconds timeout = kPatience) {
        const auto end = Clock::now() + timeout;
        while (true) {
            if (const auto lf = buf_.find('\n'); lf != std::string::npos) {
                std::string line = buf_.substr(0, lf + 1);
                buf_.erase(0, lf + 1);
                return line;
            }
            if (!fill(end)) {
                std::string partial;
                partial.swap(buf_);
                return partial;
            }
        }
    }

    // Exactly n bytes, or fewer at the time-out.
    std::string readBytes(std::size_t n, std::chrono::milliseconds timeout = kPatience) {
        const auto end = Clock::now() + timeout;
        while (buf_.size() < n && fill(end)) {
        }
        std::string out = buf_.substr(0, n);
        buf_.erase(0, out.size());
        return out;
    }

    // Everything that arrives within d.
    std::string readFor(std::chrono::milliseconds d) {
        const auto end = Clock::now() + d;
        while (fill(end)) {
        }
        std::string out;
        out.swap(buf_);
        return out;
    }

    std::string ask(std::string_view command, std::chrono::milliseconds timeout = kPatience) {
        send(std::string(command) + "\r\n");
        return readLine(timeout);
    }

    struct Chunk {
        Clock::time_point time;
        std::string bytes;
    };
    // Reads as they arrive, each with its arrival time, until n bytes or the time-out.
    std::vector<Chunk> readChunks(std::size_t n, std::chrono::milliseconds timeout) {
        std::vector<Chunk> out;
        std::size_t got = 0;
        const auto end = Clock::now() + timeout;
        while (got < n) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (left <= 0ms) break;
            pollfd pf{fd_, POLLIN, 0};
            if (::poll(&pf, 1, static_cast<int>(left.count()) + 1) <= 0) continue;
            char tmp[4096];
            const auto r = ::read(fd_, tmp, sizeof tmp);
            if (r <= 0) {
                if (r < 0 && errno == EAGAIN) continue;
                break;
            }
            out.push_back({Clock::now(), std::string(tmp, static_cast<std::size_t>(r))});
            got += static_cast<std::size_t>(r);
        }
        return out;
    }

    // True when the device has gone away (the logger hung up).
    bool hungUp(std::chrono::milliseconds timeout) {
        const auto end = Clock::now() + timeout;
        while (Clock::now() < end) {
            pollfd pf{fd_, POLLIN, 0};
            ::poll(&pf, 1, 20);
            if (pf.revents & (POLLHUP | POLLERR)) return true;
            if (pf.revents & POLLIN) {
                char tmp[256];
                const auto r = ::read(fd_, tmp, sizeof tmp);
                if (r < 0 && errno == EIO) return true;
            }
        }
        return false;
    }

private:
    // Reads what is there, waiting until `end`; false at the time-out or on error.
    bool fill(Clock::time_point end) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left < 0ms || fd_ < 0) return false;
        pollfd pf{fd_, POLLIN, 0};
        if (::poll(&pf, 1, static_cast<int>(left.count()) + 1) <= 0) return false;
        char tmp[4096];
        const auto r = ::read(fd_, tmp, sizeof tmp);
        if (r < 0) return errno == EAGAIN;
        if (r == 0) return false;
        buf_.append(tmp, static_cast<std::size_t>(r));
        return true;
    }

    int fd_ = -1;
    std::string buf_;
};

// Waits until the simulator has noticed that the device is open.
inline bool waitAttached(const Simulator& sim, bool wanted = true, std::chrono::milliseconds timeout = kPatience) {
    const auto end = Clock::now() + timeout;
    while (sim.attached() != wanted) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

inline Options fastOptions(Model model = Model::Plain, int records = 5) {
    Options o;
    o.model = model;
    o.records = records;
    o.pacing = false;
    o.think = std::chrono::milliseconds{0};
    return o;
}

}  // namespace kdsim::test
