// The Qt serial adapter on real pseudo-terminals: the test holds the master side, the
// adapter opens the slave as if it were the logger's cable.
#include "platform/qt_serial_port.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <fcntl.h>
#include <stdlib.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kd {
namespace {

using namespace std::chrono_literals;

class QtApplication : public testing::Environment {
public:
    void SetUp() override { app_ = new QCoreApplication(argc_, argv_); }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[16] = "platform_tests";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication* app_ = nullptr;
};

[[maybe_unused]] testing::Environment* const kQtApplication =
    testing::AddGlobalTestEnvironment(new QtApplication);

// Runs the event loop until done() holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 30s) {
    if (done()) return true;
    QEventLoop loop;
    QTimer check;
    QTimer deadline;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    check.start(2);
    deadline.setSingleShot(true);
    deadline.start(static_cast<int>(timeout.count()));
    loop.exec();
    return done();
}

void PumpFor(std::chrono::milliseconds time) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(time.count()), &loop, &QEventLoop::quit);
    loop.exec();
}

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A pseudo-terminal whose slave stands in for the logger's serial device.
class Pty {
public:
    Pty() {
        int slave = -1;
        char name[128] = {};
        if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) return;
        // Raw from the start, as a simulated device does: QSerialPort puts back the modes
        // it found when it closes, and a cooked pty would echo the far end's bytes back.
        termios tio{};
        ::tcgetattr(slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);
        ::close(slave);  // only the adapter holds the slave, as with a real device
        slavePath_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { hangUp(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0; }
    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    void send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(master_, bytes.data(), bytes.size());
            if (n <= 0) return;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    // What the adapter wrote, collected until `count` bytes arrived or the time is up.
    std::string receive(std::size_t count, std::chrono::milliseconds timeout = 30s) {
        std::string got;
        PumpUntil([&] {
            char buffer[256];
            ssize_t n;
            while ((n = ::read(master_, buffer, sizeof buffer)) > 0)
                got.append(buffer, static_cast<std::size_t>(n));
            return got.size() >= count;
        }, timeout);
        return got;
    }

    // The cable is pulled: the slave side now reads EIO.
    void hangUp() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    std::string slavePath_;
};

// The adapter with COM7 mapped to the pty and COM13 to nothing.
struct Adapter {
    explicit Adapter(const Pty& pty)
        : port([path = pty.slavePath()](int n) { return n == 7 ? path : std::string(); }) {
        port.onCommEvent = [this](int code) {
            events.push_back(code);
            if (code == kCommEventReceive) received += port.readAll();
        };
    }
    int count(int code) const {
        int c = 0;
        for (int e : events) c += e == code;
        return c;
    }
    QtSerialPort port;
    std::vector<int> events;
    std::string received;
};

class QtSerialPortOnPty : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok()) << "no pseudo-terminal available";
        std::string error;
        ASSERT_TRUE(a.port.setCommPort(7, &error)) << error;
        ASSERT_TRUE(a.port.setSettings("9600,n,8,1", &error)) << error;
        ASSERT_TRUE(a.port.open(&error)) << error;
        ASSERT_TRUE(a.port.isOpen());
    }

    Pty pty;
    Adapter a{pty};
};

TEST_F(QtSerialPortOnPty, CommandGoesOutAsExactlyTheBytesWritten) {
    std::string error;
    ASSERT_TRUE(a.port.write("AT+SNR?\r\n", &error)) << error;
    // 9 bytes and no more: no CR/LF translation on the way out.
    EXPECT_EQ(pty.receive(9), "AT+SNR?\r\n");
    PumpFor(30ms);
    EXPECT_EQ(pty.receive(1, 0ms), "");
}

// The command is on the device when write() returns, not when the event loop next runs
// (the view may keep the loop busy); until something comes back, an answer is due.
TEST_F(QtSerialPortOnPty, CommandIsOnTheDeviceBeforeTheEventLoopRuns) {
    EXPECT_EQ(a.port.answerDueWithin(2s), std::chrono::nanoseconds::zero()) << "nothing sent yet";
    std::string error;
    ASSERT_TRUE(a.port.write("AT+FW?\r\n", &error)) << error;
    std::string got(16, '\0');
    const ssize_t n = ::read(pty.master(), got.data(), got.size());  // no event processed in between
    ASSERT_GT(n, 0) << "nothing written yet";
    got.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(got, "AT+FW?\r\n");
    EXPECT_GT(a.port.answerDueWithin(2s), std::chrono::nanoseconds::zero());

    pty.send("+FW: V2");
    ASSERT_TRUE(PumpUntil([&] { return !a.received.empty(); }));
    EXPECT_GT(a.port.answerDueWithin(2s), std::chrono::nanoseconds::zero()) << "the line's end is still coming";
    pty.send("03.2\r\n");
    ASSERT_TRUE(PumpUntil([&] { return a.received.find('\n') != std::string::npos; }));
    EXPECT_EQ(a.port.answerDueWithin(2s), std::chrono::nanoseconds::zero()) << "the answer is in";
}

TEST_F(QtSerialPortOnPty, ReplySplitAcrossWritesArrivesWhole) {
    const std::string line = "+SNR: 123456\r\n";
    pty.send(line.substr(0, 4));
    PumpUntil([&] { return a.received.size() >= 4; }, 500ms);
    pty.send(line.substr(4, 6));
    PumpUntil([&] { return a.received.size() >= 10; }, 500ms);
    pty.send(line.substr(10));
    ASSERT_TRUE(PumpUntil([&] { return a.received.size() >= line.size(); }));
    EXPECT_EQ(a.received, line);
    EXPECT_GE(a.count(kCommEventReceive), 2) << "each piece raises the receive event";
    EXPECT_EQ(a.count(kCommEventPortLost), 0);
}

TEST_F(QtSerialPortOnPty, EveryByteValuePassesUnchangedBothWays) {
    // NUL, XON/XOFF, CR, DEL, bytes above 127: no stripping, no flow control, no translation.
    std::string all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
    std::string error;
    ASSERT_TRUE(a.port.write(all, &error)) << error;
    EXPECT_EQ(pty.receive(all.size()), all);

    pty.send(all);
    ASSERT_TRUE(PumpUntil([&] { return a.received.size() >= all.size(); }));
    EXPECT_EQ(a.received, all);
}

TEST_F(QtSerialPortOnPty, LineSettingsReachTheDevice) {
    // termios calls on the master act on the slave, so the test sees what the adapter set.
    termios tio{};
    ASSERT_EQ(::tcgetattr(pty.master(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), B9600);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);

    // Changed while open: applied at once. A pty has no wire and keeps 8 bits without
    // parity whatever is asked; that must not make the port unusable.
    std::string error;
    ASSERT_TRUE(a.port.setSettings("4800,E,7,2", &error)) << error;
    ASSERT_EQ(::tcgetattr(pty.master(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), B4800);
    EXPECT_EQ(tio.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));

    a.port.close();
    ASSERT_TRUE(a.port.setSettings("19200,o,7,1", &error)) << error;
    ASSERT_TRUE(a.port.open(&error)) << error;
    ASSERT_EQ(::tcgetattr(pty.master(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), B19200);
    EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
}

TEST_F(QtSerialPortOnPty, VanishedDeviceIsReportedOnceAndLeavesAClosedPort) {
    a.port.onCommEvent = [&](int code) {
        a.events.push_back(code);
        if (code == kCommEventReceive) a.received += a.port.readAll();
        if (code == kCommEventPortLost) {
            // The adapter has already closed the port when it reports the loss.
            EXPECT_FALSE(a.port.isOpen());
        }
    };
    std::string error;
    ASSERT_TRUE(a.port.write("AT+SNR?\r\n", &error));
    pty.receive(9);
    pty.send("+SNR: 42\r\n");
    ASSERT_TRUE(PumpUntil([&] { return a.received.size() >= 10; }));
    pty.hangUp();

    ASSERT_TRUE(PumpUntil([&] { return a.count(kCommEventPortLost) > 0; }));
    EXPECT_EQ(a.received, "+SNR: 42\r\n");
    EXPECT_FALSE(a.port.isOpen());

    // Afterwards: no further reports, and no busy event loop.
    const double cpuBefore = CpuSeconds();
    PumpFor(150ms);
    EXPECT_LT(CpuSeconds() - cpuBefore, 0.1) << "event loop spins after the loss";
    EXPECT_EQ(a.count(kCommEventPortLost), 1);

    error.clear();
    EXPECT_FALSE(a.port.write("AT+SNR?\r\n", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(a.port.readAll(), "");
    a.port.close();  // closing a lost port is harmless
    EXPECT_EQ(a.count(kCommEventPortLost), 1);
}

TEST_F(QtSerialPortOnPty, InputNotYetReadSurvivesTheLoss) {
    a.port.onCommEvent = [&](int code) { a.events.push_back(code); };  // reads nothing itself
    pty.send("+LOAD: 7,9\r\n");
    ASSERT_TRUE(PumpUntil([&] { return a.count(kCommEventReceive) > 0; }));
    pty.hangUp();
    ASSERT_TRUE(PumpUntil([&] { return a.count(kCommEventPortLost) > 0; }));
    EXPECT_FALSE(a.port.isOpen());
    EXPECT_EQ(a.port.readAll(), "+LOAD: 7,9\r\n");
    EXPECT_EQ(a.port.readAll(), "");
}

TEST_F(QtSerialPortOnPty, WritesIntoAVanishedDeviceReportTheLossOnce) {
    pty.hangUp();
    std::string error;
    // The write may be accepted into Qt's buffer before the loss is seen; it must not hang.
    a.port.write("AT+SNR?\r\n", &error);
    ASSERT_TRUE(PumpUntil([&] { return a.count(kCommEventPortLost) > 0; }));
    PumpFor(50ms);
    EXPECT_EQ(a.count(kCommEventPortLost), 1);
    EXPECT_FALSE(a.port.isOpen());
    EXPECT_FALSE(a.port.write("AT+SNR?\r\n", &error));
}

TEST_F(QtSerialPortOnPty, HungUpTerminalIsReportedOnceWithoutSpinning) {
    // A USB adapter pulled out hangs its tty up: reads then return 0 rather than an error.
    // Forcing a hang-up needs CAP_SYS_ADMIN.
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) GTEST_SKIP() << "cannot open the slave a second time";
    const int rc = ::ioctl(fd, TIOCVHANGUP);
    ::close(fd);
    if (rc != 0) GTEST_SKIP() << "hang-up needs CAP_SYS_ADMIN";

    ASSERT_TRUE(PumpUntil([&] { return a.count(kCommEventPortLost) > 0; }));
    const double cpuBefore = CpuSeconds();
    PumpFor(150ms);
    EXPECT_LT(CpuSeconds() - cpuBefore, 0.1) << "event loop spins after the hang-up";
    EXPECT_EQ(a.count(kCommEventPortLost), 1);
    EXPECT_FALSE(a.port.isOpen());
}

TEST_F(QtSerialPortOnPty, PortCanBeClosedAndOpenedAgain) {
    a.port.close();
    EXPECT_FALSE(a.port.isOpen());
    pty.send("stale\r\n");
    PumpFor(20ms);
    EXPECT_TRUE(a.events.empty()) << "a closed port raises no events";

    std::string error;
    ASSERT_TRUE(a.port.open(&error)) << error;
    ASSERT_TRUE(a.port.write("AT+LOAD?\r\n", &error)) << error;
    EXPECT_EQ(pty.receive(10), "AT+LOAD?\r\n");
    pty.send("+LOAD: 1\r\n");
    ASSERT_TRUE(PumpUntil([&] { return a.received.size() >= 10; }));
    EXPECT_EQ(a.received, "+LOAD: 1\r\n") << "bytes from before the open are not delivered";
}

TEST_F(QtSerialPortOnPty, OpenPortRefusesAnotherNumberAndASecondOpen) {
    std::string error;
    EXPECT_FALSE(a.port.setCommPort(3, &error));
    EXPECT_EQ(error, "port is open");
    EXPECT_EQ(a.port.commPort(), 7);

    error.clear();
    EXPECT_FALSE(a.port.open(&error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(a.port.isOpen()) << "a refused second open leaves the first one working";
}

TEST_F(QtSerialPortOnPty, DeviceHeldByAnotherPortIsReportedAsInUse) {
    Adapter other(pty);
    std::string error;
    ASSERT_TRUE(other.port.setCommPort(7, &error));
    EXPECT_FALSE(other.port.open(&error));
    EXPECT_NE(error.find(pty.slavePath()), std::string::npos) << error;
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
    EXPECT_FALSE(other.port.lastErrorWasPermission()) << "the serial group would not help here";
    EXPECT_EQ(other.port.lastOpenFailure(), PortOpenFailure::InUse);
}

TEST(QtSerialPort, PortNumberMustBeOneToSixteen) {
    QtSerialPort port([](int) { return std::string("/dev/null"); });
    std::string error;
    for (int n : {0, -1, 17, 32767}) {
        error.clear();
        EXPECT_FALSE(port.setCommPort(n, &error)) << n;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(port.commPort(), 1);
    EXPECT_TRUE(port.setCommPort(16, &error));
    EXPECT_EQ(port.commPort(), 16);
}

TEST(QtSerialPort, SettingsTextIsCheckedFieldByField) {
    QtSerialPort port([](int) { return std::string(); });
    std::string error;
    for (const char* good : {"9600,n,8,1", "9600,N,8,1", "115200,e,7,2", "300,o,5,1.5", "1200,m,6,1"})
        EXPECT_TRUE(port.setSettings(good, &error)) << good << ": " << error;
    for (const char* bad : {"", "9600", "9600,n,8", "9600,n,8,1,", "9600,x,8,1", "9600,n,9,1",
                            "9600,n,4,1", "9600,n,8,3", "0,n,8,1", "-9600,n,8,1", "96OO,n,8,1",
                            " 9600,n,8,1", "9600,,8,1", "99999999999,n,8,1", "9600;n;8;1"}) {
        error.clear();
        EXPECT_FALSE(port.setSettings(bad, &error)) << '"' << bad << '"';
        EXPECT_FALSE(error.empty()) << '"' << bad << '"';
    }
}

TEST(QtSerialPort, NumberWithoutDeviceFailsToOpenWithAReason) {
    QtSerialPort port([](int n) { return n == 13 ? std::string() : std::string("/dev/null"); });
    std::string error;
    ASSERT_TRUE(port.setCommPort(13, &error));
    EXPECT_FALSE(port.open(&error));
    EXPECT_EQ(error, "COM13 has no device on this system");
    EXPECT_EQ(port.lastOpenFailure(), PortOpenFailure::NoDevice);
    EXPECT_FALSE(port.isOpen());
}

TEST(QtSerialPort, MissingOrNonSerialDeviceFailsToOpenWithTheSystemsReason) {
    const std::string missing = "/dev/ttyKD-no-such-device";
    QtSerialPort port([&](int n) { return n == 1 ? missing : std::string("/dev/null"); });
    std::string error;
    EXPECT_FALSE(port.open(&error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    EXPECT_GT(error.size(), missing.size() + 2) << "the reason follows the device";
    EXPECT_FALSE(port.lastErrorWasPermission());
    EXPECT_EQ(port.lastOpenFailure(), PortOpenFailure::NoDevice);

    // Not a terminal at all: refused, not silently "open".
    ASSERT_TRUE(port.setCommPort(2, &error));
    error.clear();
    EXPECT_FALSE(port.open(&error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.lastOpenFailure(), PortOpenFailure::NotSerial);
}

TEST(QtSerialPort, ClosedPortRefusesWritesAndHasNothingToRead) {
    QtSerialPort port([](int) { return std::string(); });
    std::string error;
    EXPECT_FALSE(port.write("AT+SNR?\r\n", &error));
    EXPECT_EQ(error, "port is not open");
    EXPECT_EQ(port.readAll(), "");
    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.write("", nullptr));
}

TEST(QtSerialPort, DeniedAccessIsToldApartFromOtherFailures) {
    // A device nobody may open; root is dropped to an unprivileged user in a child first.
    std::string dir = (std::filesystem::temp_directory_path() / "kd_serial_XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    ::chmod(dir.c_str(), 0755);
    const std::string device = dir + "/ttyLocked";
    const int fd = ::open(device.c_str(), O_CREAT | O_WRONLY, 0000);
    ASSERT_GE(fd, 0);
    ::close(fd);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && ::setuid(65534) != 0) ::_exit(3);
        QtSerialPort port([&](int) { return device; });
        std::string error;
        const bool opened = port.open(&error);
        ::_exit(opened ? 2 : port.lastErrorWasPermission() && port.lastOpenFailure() == PortOpenFailure::NoPermission ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    std::filesystem::remove_all(dir);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot drop privileges";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not flagged as a permission problem, 2: opened";
}

TEST(QtSerialPort, DescribeNamesTheDeviceOrNothing) {
    QtSerialPort port([](int n) { return n == 13 ? std::string() : "/dev/kd-test-" + std::to_string(n); });
    EXPECT_EQ(port.describe(13), "");
    // Unknown to the system: just the path.
    EXPECT_EQ(port.describe(2), "/dev/kd-test-2");
}

}  // namespace
}  // namespace kd
