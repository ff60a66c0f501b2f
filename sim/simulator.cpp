#include "simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <numeric>
#include <random>
#include <system_error>
#include <thread>

#include "logger_model.h"

namespace kdsim {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Longest command line kept; anything longer is answered with an error, never half-obeyed.
constexpr std::size_t kMaxCommandLine = 512;
// How often a detached device is looked at again.
constexpr auto kDetachedPoll = 5ms;
// Time the terminal needs to hand written bytes to the other side's buffer.
constexpr auto kHangUpSettle = 20ms;
// Longest wait before a hang-up for the other side to read what was sent.
constexpr auto kHangUpLinger = 500ms;

struct Pending {
    Clock::time_point due;
    std::uint64_t seq = 0;
    std::string bytes;
    std::vector<std::size_t> cuts;  // offsets at which a new write starts after a pause
    bool hangUp = false;
};

struct Active {
    Pending item;
    std::size_t sent = 0;
    std::size_t segmentStart = 0;  // offset where the current piece began
    Clock::time_point segmentTime; // when the current piece's first byte started
    std::size_t nextCut = 0;
};

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

struct Simulator::Impl {
    // Fixed while running.
    Options opt;
    std::chrono::nanoseconds byteTime{0};
    Clock::time_point started;

    // Guarded by mu.
    mutable std::mutex mu;
    mutable std::condition_variable commandsChanged;
    std::optional<LoggerModel> model;
    Faults faults;
    std::vector<std::string> commands;
    Transcript transcript;
    std::vector<std::string> injected;
    std::string path;
    std::string error;
    int hangUps = 0;

    std::atomic<bool> runningFlag{false};
    std::atomic<bool> stopFlag{false};
    std::atomic<bool> attachedFlag{false};
    std::thread thread;
    int wakeRead = -1, wakeWrite = -1;

    // Serving thread only.
    int master = -1;
    std::vector<Pending> pending;
    std::optional<Active> active;
    Clock::time_point lineFreeAt{};
    // The receive side of the wire: a pseudo-terminal delivers a command at once, while a real
    // logger hears its last byte only one byte time per character later.
    Clock::time_point inputFreeAt{};
    std::uint64_t seq = 0;
    std::string lineBuf;
    bool lineOverflow = false;
    bool lastWasCR = false;
    int commandsThisDevice = 0;
    std::uint64_t repliesCounted = 0;
    bool blocked = false;
    std::optional<Clock::time_point> reopenAt;
    Clock::time_point nextUnsolicited{};
    std::mt19937_64 rng;

    std::string openDevice();
    void placeLink();
    void run();
    void readInput(Clock::time_point now);
    void onLine(const std::string& line, bool overflowed, Clock::time_point now);
    void enqueue(std::string bytes, Clock::time_point due, std::vector<std::size_t> cuts = {}, bool hangUp = false);
    Clock::time_point transmit(Clock::time_point now);
    void detach();
    void hangUp(Clock::time_point now);
    void flushStale();
    int unreadByOtherSide();
    void wake() const;
};

// ---------------------------------------------------------------------------------------------
// Device

std::string Simulator::Impl::openDevice() {
    int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::string("posix_openpt: ") + std::strerror(errno);
    char name[128];
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
        const std::string e = std::string("pseudo-terminal setup: ") + std::strerror(errno);
        ::close(fd);
        return e;
    }
    // Raw, no echo: the other side must see exactly the bytes the logger sends.
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        ::cfsetispeed(&t, B9600);
        ::cfsetospeed(&t, B9600);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    master = fd;
    {
        std::lock_guard lk(mu);
        path = name;
    }
    // Until a slave has been opened and closed once, the master does not report a hang-up;
    // doing it here makes "nobody attached" visible from the start, so nothing is written
    // into the void and read later as stale bytes.
    flushStale();
    attachedFlag = false;
    commandsThisDevice = 0;
    return {};
}

void Simulator::Impl::flushStale() {
    std::string p;
    {
        std::lock_guard lk(mu);
        p = path;
    }
    int s = ::open(p.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (s >= 0) {
        ::tcflush(s, TCIOFLUSH);
        ::close(s);
    }
}

int Simulator::Impl::unreadByOtherSide() {
    std::string p;
    {
        std::lock_guard lk(mu);
        p = path;
    }
    int s = ::open(p.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (s < 0) return 0;
    int n = 0;
    if (::ioctl(s, FIONREAD, &n) != 0) n = 0;
    ::close(s);
    return n;
}

void Simulator::Impl::placeLink() {
    if (opt.linkPath.empty()) return;
    namespace fs = std::filesystem;
    std::string target;
    {
        std::lock_guard lk(mu);
        target = path;
    }
    // Build the new link beside the old one and rename it over, so the name never vanishes.
    const fs::path link(opt.linkPath);
    fs::path tmp = link;
    tmp += ".tmp" + std::to_string(::getpid());
    std::error_code ec;
    fs::remove(tmp, ec);
    fs::create_symlink(target, tmp, ec);
    if (!ec) fs::rename(tmp, link, ec);
}

// ---------------------------------------------------------------------------------------------
// Serving thread

void Simulator::Impl::wake() const {
    if (wakeWrite >= 0) {
        const char c = 1;
        [[maybe_unused]] auto r = ::write(wakeWrite, &c, 1);
    }
}

void Simulator::Impl::enqueue(std::string bytes, Clock::time_point due, std::vector<std::size_t> cuts, bool hangUpMark) {
    if (bytes.empty() && !hangUpMark) return;
    pending.push_back(Pending{due, seq++, std::move(bytes), std::move(cuts), hangUpMark});
}

void Simulator::Impl::readInput(Clock::time_point now) {
    char buf[512];
    while (master >= 0) {
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) return;  // EAGAIN, or EIO once the other side has closed
        std::string chunk(buf, static_cast<std::size_t>(n));
        {
            std::lock_guard lk(mu);
            transcript.add(Direction::In, chunk, now);
        }
        for (char c : chunk) {
            if (opt.pacing) inputFreeAt = std::max(inputFreeAt, now) + byteTime;
            const auto heard = opt.pacing ? inputFreeAt : now;
            if (c == '\r' || c == '\n') {
                if (c == '\n' && lastWasCR) {
                    lastWasCR = false;
                    continue;
                }
                lastWasCR = c == '\r';
                if (!lineBuf.empty() || lineOverflow) onLine(lineBuf, lineOverflow, heard);
                lineBuf.clear();
                lineOverflow = false;
                continue;
            }
            lastWasCR = false;
            if (lineBuf.size() < kMaxCommandLine)
                lineBuf += c;
            else
                lineOverflow = true;
        }
    }
}

void Simulator::Impl::onLine(const std::string& line, bool overflowed, Clock::time_point now) {
    Faults f;
    Reply r;
    bool ignored = false;
    {
        std::lock_guard lk(mu);
        commands.push_back(line);
        for (auto it = faults.ignore.begin(); it != faults.ignore.end(); ++it) {
            if (line.rfind(it->prefix, 0) != 0) continue;
            ignored = true;
            if (it->times > 0 && --it->times == 0) faults.ignore.erase(it);
            break;
        }
        f = faults;
        const bool keepOld = std::any_of(faults.keepOld.begin(), faults.keepOld.end(),
                                         [&](const std::string& prefix) { return line.rfind(prefix, 0) == 0; });
        // Kept old: the answer a query of the same name gets.
        const std::string asked = keepOld ? line.substr(0, line.find('=')) + "?" : line;
        // A cut-off line could still look like a valid command with a shortened value.
        r = overflowed ? Reply{"ERROR\r\n", 0ms} : model->handle(asked, now);
    }
    commandsChanged.notify_all();
    ++commandsThisDevice;
    const bool hangUpNow = f.hangUpAfter > 0 && commandsThisDevice == f.hangUpAfter;

    const auto replyStart = now + opt.think;
    if (!f.silent && !ignored) {
        std::string lead;
        if (f.noise) {
            std::array<unsigned char, 256> all{};
            std::iota(all.begin(), all.end(), static_cast<unsigned char>(0));
            std::shuffle(all.begin(), all.end(), rng);
            lead.assign(all.begin(), all.end());
        }
        if (f.echo) lead += line + "\r\n";
        enqueue(std::move(lead), replyStart);

        std::string text = std::move(r.text);
        if (f.floodBytes > 0) {
            static const char pattern[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
            text.assign(f.floodBytes, ' ');
            for (std::size_t i = 0; i < text.size(); ++i) text[i] = pattern[i % (sizeof pattern - 1)];
        }
        if (!text.empty() && f.dropEvery > 0 && ++repliesCounted % static_cast<std::uint64_t>(f.dropEvery) == 0)
            text.clear();
        if (!text.empty() && f.garbleRate > 0.0) {
            std::uniform_real_distribution<double> chance(0.0, 1.0);
            std::uniform_int_distribution<int> flip(1, 255);
            const bool endsLine = text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
            const std::size_t end = endsLine ? text.size() - 2 : text.size();
            for (std::size_t i = 0; i < end; ++i) {
                if (chance(rng) >= f.garbleRate) continue;
                // Keep the line count: a corrupted byte never becomes a line end.
                char c;
                do c = static_cast<char>(static_cast<unsigned char>(text[i]) ^ flip(rng));
                while (c == '\r' || c == '\n');
                text[i] = c;
            }
        }
        std::vector<std::size_t> cuts;
        if (f.splitWrites && text.size() >= 2) {
            std::uniform_int_distribution<std::size_t> count(1, std::min<std::size_t>(3, text.size() - 1));
            std::uniform_int_distribution<std::size_t> at(1, text.size() - 1);
            const auto n = count(rng);
            while (cuts.size() < n) {
                const auto c = at(rng);
                if (std::find(cuts.begin(), cuts.end(), c) == cuts.end()) cuts.push_back(c);
            }
            std::sort(cuts.begin(), cuts.end());
        }
        enqueue(std::move(text), replyStart + f.lateBy + r.delay, std::move(cuts));
    }
    if (hangUpNow) enqueue({}, replyStart + (f.silent ? 0ms : f.lateBy), {}, true);
}

// Nobody has the device open (any more): what was meant for the last user is thrown away,
// including bytes that reached the terminal's buffer unread, so the next user starts clean.
void Simulator::Impl::detach() {
    const bool was = attachedFlag.exchange(false);
    pending.clear();
    active.reset();
    lineBuf.clear();
    lineOverflow = false;
    lastWasCR = false;
    blocked = false;
    if (was) flushStale();
}

void Simulator::Impl::hangUp(Clock::time_point now) {
    {
        std::lock_guard lk(mu);
        ++hangUps;
    }
    closeFd(master);
    attachedFlag = false;
    pending.clear();
    active.reset();
    lineBuf.clear();
    lineOverflow = false;
    blocked = false;
    Faults f;
    {
        std::lock_guard lk(mu);
        f = faults;
    }
    if (f.reopenAfter >= 0ms) reopenAt = now + f.reopenAfter;
}

Clock::time_point Simulator::Impl::transmit(Clock::time_point now) {
    const auto far = now + 1h;
    for (;;) {
        if (!active) {
            if (pending.empty()) return far;
            auto it = std::min_element(pending.begin(), pending.end(), [](const Pending& a, const Pending& b) {
                return a.due != b.due ? a.due < b.due : a.seq < b.seq;
            });
            if (it->due > now) return it->due;
            if (it->hangUp) {
                // Bytes already handed over would die with the device; a real line would have
                // delivered them, so give the terminal a moment to pass them on and wait until
                // the other side has read them (or plainly is not going to).
                const auto settled = std::max(it->due, lineFreeAt) + kHangUpSettle;
                if (now < settled) return settled;
                if (now < settled + kHangUpLinger && unreadByOtherSide() > 0) return now + 2ms;
            }
            Active a;
            a.item = std::move(*it);
            pending.erase(it);
            if (a.item.hangUp) {
                hangUp(now);
                return far;
            }
            // The line is busy until the previous byte has left; after that the reply starts
            // now, and each byte is timed from here so no sleep error adds up.
            a.segmentTime = opt.pacing ? std::max(now, lineFreeAt) : now;
            active = std::move(a);
        }
        Active& a = *active;
        const std::size_t segmentEnd = a.nextCut < a.item.cuts.size() ? a.item.cuts[a.nextCut] : a.item.bytes.size();
        if (a.segmentTime > now) return a.segmentTime + (opt.pacing ? byteTime : 0ns);
        std::size_t want = segmentEnd - a.sent;
        if (opt.pacing) {
            // Byte k of the piece has left the wire at segmentTime + k * byteTime.
            const auto done = static_cast<std::size_t>((now - a.segmentTime) / byteTime);
            const std::size_t alreadySent = a.sent - a.segmentStart;
            want = done > alreadySent ? std::min(want, done - alreadySent) : 0;
        }
        if (want > 0) {
            // Written and recorded under one lock: whoever has read these bytes and then asks
            // for the transcript finds them there. The write never blocks (O_NONBLOCK).
            std::unique_lock lk(mu);
            const ssize_t n = ::write(master, a.item.bytes.data() + a.sent, want);
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    blocked = true;  // the other side is not reading; wait for room
                    return far;
                }
                active.reset();  // the line is gone; detach handling follows on the next poll
                return now;
            }
            blocked = false;
            transcript.add(Direction::Out, a.item.bytes.substr(a.sent, static_cast<std::size_t>(n)), now);
            lk.unlock();
            a.sent += static_cast<std::size_t>(n);
        }
        if (a.sent < segmentEnd) {
            const std::size_t next = a.sent - a.segmentStart + 1;
            return opt.pacing ? a.segmentTime + byteTime * static_cast<long>(next) : now;
        }
        const auto pieceEnd = opt.pacing ? a.segmentTime + byteTime * static_cast<long>(a.sent - a.segmentStart) : now;
        if (a.sent < a.item.bytes.size()) {
            Faults f;
            {
                std::lock_guard lk(mu);
                f = faults;
            }
            ++a.nextCut;
            a.segmentStart = a.sent;
            a.segmentTime = std::max(pieceEnd, now) + f.splitGap;
            continue;
        }
        lineFreeAt = pieceEnd;
        active.reset();
    }
}

void Simulator::Impl::run() {
    while (!stopFlag) {
        auto now = Clock::now();
        auto wakeAt = now + 1h;

        if (master < 0) {
            if (reopenAt && now >= *reopenAt) {
                reopenAt.reset();
                const auto e = openDevice();
                if (e.empty()) {
                    placeLink();
                } else {
                    std::lock_guard lk(mu);
                    error = e;
                }
                continue;
            }
        } else {
            // Incoming bytes are collected before the hang-up state is judged: a command
            // written just before the other side closed is still recorded.
            pollfd pf{master, POLLIN, 0};
            ::poll(&pf, 1, 0);
            if (pf.revents & POLLIN) readInput(now);
            const bool hup = (pf.revents & (POLLHUP | POLLERR)) != 0;
            if (hup) {
                detach();
                wakeAt = now + kDetachedPoll;
            } else {
                if (!attachedFlag) {
                    attachedFlag = true;
                    nextUnsolicited = now + opt.unsolicitedPeriod;
                }
                std::vector<std::string> inj;
                bool silent;
                {
                    std::lock_guard lk(mu);
                    inj.swap(injected);
                    silent = faults.silent;
                }
                for (auto& b : inj) enqueue(std::move(b), now);
                if (opt.unsolicitedPeriod > 0ms) {
                    if (now >= nextUnsolicited) {
                        if (!silent) {
                            std::string lines;
                            {
                                std::lock_guard lk(mu);
                                lines = model->unsolicited();
                            }
                            enqueue(std::move(lines), now);
                        }
                        nextUnsolicited += opt.unsolicitedPeriod;
                        if (nextUnsolicited <= now) nextUnsolicited = now + opt.unsolicitedPeriod;
                    }
                    wakeAt = std::min(wakeAt, nextUnsolicited);
                }
                wakeAt = std::min(wakeAt, transmit(now));
            }
        }

        if (master < 0 && reopenAt) wakeAt = std::min(wakeAt, *reopenAt);  // also right after a hang-up
        pollfd fds[2];
        nfds_t nfds = 0;
        fds[nfds++] = pollfd{wakeRead, POLLIN, 0};
        if (master >= 0 && attachedFlag) {
            fds[nfds++] = pollfd{master, static_cast<short>(POLLIN | (blocked ? POLLOUT : 0)), 0};
        }
        now = Clock::now();
        const auto wait = std::max(Clock::duration::zero(), wakeAt - now);
        const auto secs = std::chrono::duration_cast<std::chrono::seconds>(wait);
        const timespec ts{static_cast<time_t>(secs.count()),
                          static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(wait - secs).count())};
        ::ppoll(fds, nfds, &ts, nullptr);
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(wakeRead, drain, sizeof drain) > 0) {
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Public face

Simulator::Simulator() : d_(std::make_unique<Impl>()) {}

Simulator::~Simulator() { stop(); }

bool Simulator::start(const Options& options) {
    stop();
    auto& d = *d_;
    auto fail = [&](std::string e) {
        std::lock_guard lk(d.mu);
        d.error = std::move(e);
        return false;
    };
    if (options.baud <= 0 || options.bitsPerByte <= 0) return fail("baud rate and bits per byte must be positive");
    if (options.think < 0ms || options.unsolicitedPeriod < 0ms) return fail("times must not be negative");
    const auto& f = options.faults;
    if (f.dropEvery < 0 || f.hangUpAfter < 0 || f.lateBy < 0ms || f.splitGap < 0ms || !(f.garbleRate >= 0.0 && f.garbleRate <= 1.0))
        return fail("fault settings out of range");

    d.opt = options;
    d.byteTime = std::chrono::nanoseconds{1'000'000'000LL * options.bitsPerByte / options.baud};
    d.started = Clock::now();
    d.rng.seed(options.seed);
    d.pending.clear();
    d.active.reset();
    d.lineFreeAt = {};
    d.inputFreeAt = {};
    d.lineBuf.clear();
    d.lineOverflow = d.lastWasCR = d.blocked = false;
    d.repliesCounted = 0;
    d.reopenAt.reset();
    d.stopFlag = false;
    {
        std::lock_guard lk(d.mu);
        d.error.clear();
        d.commands.clear();
        d.injected.clear();
        d.faults = options.faults;
        d.hangUps = 0;
        d.model.emplace(options.state ? *options.state : makePreset(options.model, options.records), d.started);
        if (!d.transcript.open(options.keepTranscript, options.transcriptFile, d.started)) {
            d.error = "cannot write transcript file " + options.transcriptFile;
            return false;
        }
    }
    int p[2];
    if (::pipe2(p, O_NONBLOCK | O_CLOEXEC) != 0) return fail(std::string("pipe: ") + std::strerror(errno));
    d.wakeRead = p[0];
    d.wakeWrite = p[1];
    if (auto e = d.openDevice(); !e.empty()) {
        closeFd(d.wakeRead);
        closeFd(d.wakeWrite);
        return fail(e);
    }
    if (!options.linkPath.empty()) {
        namespace fs = std::filesystem;
        std::error_code ec;
        const auto st = fs::symlink_status(options.linkPath, ec);
        // Never replace a real file or folder with the link.
        if (fs::exists(st) && !fs::is_symlink(st)) {
            closeFd(d.master);
            closeFd(d.wakeRead);
            closeFd(d.wakeWrite);
            return fail(options.linkPath + " exists and is not a symbolic link");
        }
        d.placeLink();
        if (!fs::is_symlink(fs::symlink_status(options.linkPath, ec))) {
            closeFd(d.master);
            closeFd(d.wakeRead);
            closeFd(d.wakeWrite);
            return fail("cannot create link " + options.linkPath);
        }
    }
    d.runningFlag = true;
    d.thread = std::thread([&d] { d.run(); });
    return true;
}

void Simulator::stop() {
    auto& d = *d_;
    if (!d.runningFlag) return;
    d.stopFlag = true;
    d.wake();
    if (d.thread.joinable()) d.thread.join();
    closeFd(d.master);
    closeFd(d.wakeRead);
    closeFd(d.wakeWrite);
    d.attachedFlag = false;
    if (!d.opt.linkPath.empty()) {
        // Remove the link only while it still points at a device of ours.
        std::error_code ec;
        const auto target = std::filesystem::read_symlink(d.opt.linkPath, ec);
        if (!ec && target.string().rfind("/dev/pts/", 0) == 0) std::filesystem::remove(d.opt.linkPath, ec);
    }
    std::lock_guard lk(d.mu);
    d.transcript.close();
    d.runningFlag = false;
}

bool Simulator::running() const { return d_->runningFlag; }

std::string Simulator::error() const {
    std::lock_guard lk(d_->mu);
    return d_->error;
}

std::string Simulator::devicePath() const {
    std::lock_guard lk(d_->mu);
    return d_->path;
}

bool Simulator::attached() const { return d_->attachedFlag; }

int Simulator::hangUps() const {
    std::lock_guard lk(d_->mu);
    return d_->hangUps;
}

std::vector<std::string> Simulator::commands() const {
    std::lock_guard lk(d_->mu);
    return d_->commands;
}

bool Simulator::waitForCommands(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lk(d_->mu);
    return d_->commandsChanged.wait_for(lk, timeout, [&] { return d_->commands.size() >= count; });
}

void Simulator::clearRecords() {
    std::lock_guard lk(d_->mu);
    d_->commands.clear();
    d_->transcript.clearMemory();
}

std::vector<TranscriptEntry> Simulator::transcript() const {
    std::lock_guard lk(d_->mu);
    return d_->transcript.entries();
}

std::string Simulator::transcriptBytes(Direction dir) const {
    std::lock_guard lk(d_->mu);
    std::string out;
    for (const auto& e : d_->transcript.entries())
        if (e.direction == dir) out += e.bytes;
    return out;
}

LoggerState Simulator::state() const {
    std::lock_guard lk(d_->mu);
    if (!d_->model) return {};
    LoggerState s = d_->model->state();
    s.clock = d_->model->clockAt(Clock::now());
    return s;
}

void Simulator::updateState(const std::function<void(LoggerState&)>& change) {
    std::lock_guard lk(d_->mu);
    if (!d_->model) return;
    auto& st = d_->model->state();
    const auto now = Clock::now();
    const auto base = st.clock;
    const auto shown = d_->model->clockAt(now);
    st.clock = shown;  // the callback sees the time of day as it is now
    change(st);
    if (st.clock == shown)
        st.clock = base;  // untouched: keep the running clock as it was
    else
        d_->model->setClock(st.clock, now);
}

Faults Simulator::faults() const {
    std::lock_guard lk(d_->mu);
    return d_->faults;
}

void Simulator::setFaults(const Faults& faults) {
    {
        std::lock_guard lk(d_->mu);
        d_->faults = faults;
    }
    d_->wake();
}

void Simulator::send(std::string bytes) {
    {
        std::lock_guard lk(d_->mu);
        d_->injected.push_back(std::move(bytes));
    }
    d_->wake();
}

std::chrono::nanoseconds Simulator::byteTime() const { return d_->byteTime; }

}  // namespace kdsim
