// The ideal client: a hub's "Load Settings" chain with nothing but read and write on the
// device, each command written the moment the reply before it has its line feed. The yardstick
// the window benchmarks compare the program with.
//
//   ideal_client DEVICE RUNS
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> kChain = {
    "AT+SNR?",  "AT+LOAD?",  "AT+LOGINT?", "AT+FTPINT?",   "AT+OWNSIM?", "AT+OWNNUM?", "AT+APNCON?",
    "AT+FTPCON?", "AT+HOMENUM?", "AT+FW?", "AT+WDT?",      "AT+POR?",    "AT+AUTOPD?", "AT+TIME?",
    "AT+MPOWER?", "AT+BATVOLTS?", "AT+CREG?", "AT+PTABLE?", "AT+RFCHAN?", "AT+RAING?"};

[[noreturn]] void Die(const char* what) {
    std::fprintf(stderr, "ideal_client: %s: %s\n", what, std::strerror(errno));
    std::exit(1);
}

void Send(int fd, const std::string& command) {
    const std::string bytes = command + "\r\n";
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) Die("write");
}

// Reads up to and including the next line feed; returns the line without CR LF.
std::string ReadLine(int fd, std::string& pending) {
    for (;;) {
        const auto lf = pending.find('\n');
        if (lf != std::string::npos) {
            std::string line = pending.substr(0, lf);
            pending.erase(0, lf + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        char buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Die("read");
        pending.append(buf, static_cast<size_t>(n));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: ideal_client DEVICE RUNS\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY);
    if (fd < 0) Die("open");
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    const int runs = std::atoi(argv[2]);
    std::string pending;
    for (int run = 0; run < runs; ++run) {
        int newest = 0;
        for (const std::string& command : kChain) {
            Send(fd, command);
            const std::string reply = ReadLine(fd, pending);
            // The newest record is the one before the log pointer (first field of +LOAD).
            if (reply.rfind("+LOAD: ", 0) == 0) newest = std::atoi(reply.c_str() + 7) - 1;
        }
        Send(fd, "AT+EVENT=" + std::to_string(newest < 0 ? 4096 : newest));
        ReadLine(fd, pending);
        ::usleep(100'000);  // the program's runs are as far apart
    }
    ::close(fd);
    return 0;
}
