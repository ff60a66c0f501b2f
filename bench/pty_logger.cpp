// A hub logger on its own pseudo-terminal for the window benchmarks. The replies come from the
// simulator's model (written from the protocol tables, not from the program's parser); the
// serving loop, pacing and timing are this file's own, so the clock stops exactly where the
// bytes leave and arrive.
//
//   pty_logger --link PATH --out FILE instant RUNS   answer at once; per exchange, the time from
//                                                    writing a reply's line feed to reading the
//                                                    first byte of the next command
//   pty_logger --link PATH --out FILE paced RUNS     9600 baud both ways, 2 ms think time; per run,
//                                                    first command byte to last reply byte
//   pty_logger --link PATH stream SECONDS            unprompted lines at 9600 baud
//   pty_logger --link PATH flood SECONDS             unprompted lines as fast as the pty takes them
//
// Results go to FILE as "name value" lines. The logger exits after RUNS whole reads (a
// "@LOAD" reply ends one) or after SECONDS.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "logger_model.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::nanoseconds kByteTime{10'000'000'000LL / 9600};  // 8N1 at 9600 baud
constexpr std::chrono::milliseconds kThink{2};

[[noreturn]] void Die(const char* what) {
    std::fprintf(stderr, "pty_logger: %s: %s\n", what, std::strerror(errno));
    std::exit(1);
}

void SleepUntil(Clock::time_point t) {
    // steady_clock is CLOCK_MONOTONIC on Linux.
    const auto ns = t.time_since_epoch().count();
    timespec ts{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {}
}

void WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 100);
                continue;
            }
            Die("write");
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
}

struct Pty {
    int master = -1;
    int slave = -1;  // held open, so the line never hangs up between clients
};

Pty OpenPty(const std::string& link) {
    Pty p;
    p.master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (p.master < 0 || ::grantpt(p.master) != 0 || ::unlockpt(p.master) != 0) Die("posix_openpt");
    const char* name = ::ptsname(p.master);
    if (!name) Die("ptsname");
    p.slave = ::open(name, O_RDWR | O_NOCTTY);
    if (p.slave < 0) Die("open slave");
    termios t{};
    ::tcgetattr(p.slave, &t);
    ::cfmakeraw(&t);  // no echo, no line editing: the client gets the bytes as sent
    ::tcsetattr(p.slave, TCSANOW, &t);
    std::filesystem::remove(link);
    std::filesystem::create_symlink(name, link);
    return p;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

class Logger {
public:
    Logger(Pty pty, bool paced) : pty_(pty), paced_(paced), model_(kdsim::makePreset(kdsim::Model::Hub, 20)) {}

    // Serves until `runs` reads have ended with their log record.
    void serve(int runs, std::FILE* out) {
        std::string line;
        bool haveFirst = false;
        Clock::time_point firstByte{}, runStart{};
        Clock::time_point lastLf{};  // when the last reply's line feed was written
        std::string lastReply;
        int done = 0;
        char buf[4096];
        while (done < runs) {
            pollfd pfd{pty_.master, POLLIN, 0};
            if (::poll(&pfd, 1, 60'000) <= 0) {
                std::fprintf(stderr, "pty_logger: no command for 60 s\n");
                std::exit(1);
            }
            const ssize_t n = ::read(pty_.master, buf, sizeof buf);
            const Clock::time_point now = Clock::now();
            if (n <= 0) continue;
            for (ssize_t i = 0; i < n; ++i) {
                if (!haveFirst) {
                    haveFirst = true;
                    firstByte = now;
                    // The first byte of the next command ends the turnaround of the reply before.
                    if (!lastReply.empty()) {
                        // The line feed's monotonic time lets a trace of the client be joined.
                        std::fprintf(out, "turn %.4f %s %lld\n", Ms(firstByte - lastLf), lastReply.c_str(),
                                     static_cast<long long>(lastLf.time_since_epoch().count()));
                        lastReply.clear();
                    }
                }
                if (buf[i] == '\r') continue;
                if (buf[i] != '\n') {
                    line += buf[i];
                    continue;
                }
                const std::string command = std::exchange(line, {});
                haveFirst = false;
                if (command == "AT+SNR?") runStart = firstByte;
                // On a line, the last byte of the command arrives its wire time after the first.
                Clock::time_point heard = now;
                if (paced_) {
                    const auto wire = firstByte + kByteTime * static_cast<long>(command.size() + 2);
                    if (wire > heard) heard = wire;
                }
                const kdsim::Reply reply = model_.handle(command, heard);
                if (reply.text.empty()) continue;
                lastLf = send(reply.text, heard);
                const std::string name = reply.text.substr(0, reply.text.find_first_of(" \r"));
                if (name == "@LOAD") {
                    ++done;
                    std::fprintf(out, "run %.4f\n", Ms(lastLf - runStart));
                    std::fflush(out);
                } else {
                    lastReply = name;
                }
            }
        }
    }

    // Unprompted lines for `seconds`: at the wire's pace, or as fast as the pty takes them.
    void stream(double seconds, bool flood) {
        const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        long k = 0;
        Clock::time_point next = Clock::now();
        std::string block;
        while (Clock::now() < end) {
            drainInput();
            block.clear();
            // A mix of what a logger says unprompted and lines the program does not know.
            do {
                block += (k % 3 == 0) ? "+SS: " + std::to_string(10 + k % 80) + "\r\n"
                       : (k % 3 == 1) ? model_.unsolicited()
                                      : "NOTICE line " + std::to_string(k) + " of the stream\r\n";
                ++k;
            } while (flood && block.size() < 4096);
            if (flood) {
                WriteAll(pty_.master, block.data(), block.size());
            } else {
                WriteAll(pty_.master, block.data(), block.size());
                next += kByteTime * static_cast<long>(block.size());
                SleepUntil(next);
            }
        }
    }

private:
    // Writes a reply; returns when its line feed was written.
    Clock::time_point send(const std::string& text, Clock::time_point heard) {
        if (!paced_) {
            WriteAll(pty_.master, text.data(), text.size());
            return Clock::now();
        }
        Clock::time_point t = heard + kThink;
        for (char c : text) {
            SleepUntil(t);
            WriteAll(pty_.master, &c, 1);
            t += kByteTime;
        }
        return Clock::now();
    }

    void drainInput() {
        char buf[4096];
        pollfd pfd{pty_.master, POLLIN, 0};
        while (::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLIN) && ::read(pty_.master, buf, sizeof buf) > 0) {}
    }

    Pty pty_;
    bool paced_;
    kdsim::LoggerModel model_;
};

}  // namespace

int main(int argc, char** argv) {
    std::string link, outPath;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--link" && i + 1 < argc) link = argv[++i];
        else if (a == "--out" && i + 1 < argc) outPath = argv[++i];
        else args.push_back(a);
    }
    if (link.empty() || args.size() != 2) {
        std::fprintf(stderr, "usage: pty_logger --link PATH [--out FILE] instant|paced RUNS | stream|flood SECONDS\n");
        return 2;
    }
    const std::string mode = args[0];
    const double count = std::atof(args[1].c_str());
    Logger logger(OpenPty(link), mode == "paced");
    std::FILE* out = outPath.empty() ? stdout : std::fopen(outPath.c_str(), "w");
    if (!out) Die("open results");
    if (mode == "instant" || mode == "paced") {
        logger.serve(static_cast<int>(count), out);
        // The client reads the last reply before the line goes away.
        ::usleep(300'000);
    } else if (mode == "stream" || mode == "flood")
        logger.stream(count, mode == "flood");
    else
        return 2;
    std::fclose(out);
    std::filesystem::remove(link);
    return 0;
}
