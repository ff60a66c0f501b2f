#include "platform/qt_serial_port.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <utility>

#include "link/port.h"
#include "link/port_holder.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace kd {

namespace {

void SetError(std::string* error, std::string text) {
    if (error != nullptr) *error = std::move(text);
}

std::string ToStd(const QString& text) { return text.toStdString(); }

QString DeviceName(const std::string& device) {
    return QFile::decodeName(QByteArray(device.data(), static_cast<qsizetype>(device.size())));
}

bool ParseInt(std::string_view text, int* out) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
    return ec == std::errc() && end == text.data() + text.size();
}

QSerialPort::Parity ToQt(char parity) {
    switch (parity) {
        case 'e': return QSerialPort::EvenParity;
        case 'o': return QSerialPort::OddParity;
        case 'm': return QSerialPort::MarkParity;
        case 's': return QSerialPort::SpaceParity;
        default: return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits StopBitsToQt(int stop) {
    switch (stop) {
        case 2: return QSerialPort::TwoStop;
        case 3: return QSerialPort::OneAndHalfStop;
        default: return QSerialPort::OneStop;
    }
}

// Qt reports both "access denied" and "held by another program" (exclusive lock, EBUSY) as
// PermissionError; only the first is cured by joining the serial group, so ask the system.
bool AccessDenied(const std::string& device) {
#ifdef _WIN32
    (void)device;
    return false;
#else
    return ::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
#endif
}

// Unix98 pseudo-terminal slaves (/dev/pts/N, also behind a link). The pty driver forces
// 8 data bits without parity and rejects anything else; there is no wire to frame, so the
// adapter leaves those two alone there and a pty works like a port set to 8N1.
bool IsPseudoTerminal(const std::string& device) {
#ifdef _WIN32
    (void)device;
    return false;
#else
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned int major = ::major(st.st_rdev);
    return major >= 136 && major <= 143;
#endif
}

// Who holds the device, when the system lets us see: ": ModemManager (process 812); close it, ...".
std::string HolderText(const std::string& device) {
#ifdef __linux__
    std::vector<PortHolder> holders = FindPortHolders("/proc", device);
    const int self = static_cast<int>(::getpid());
    holders.erase(std::remove_if(holders.begin(), holders.end(), [self](const PortHolder& h) { return h.pid == self; }),
                  holders.end());
    const std::string advice = PortHolderAdvice(holders);
    return advice.empty() ? std::string() : ": " + advice;
#else
    (void)device;
    return {};
#endif
}

}  // namespace

bool ParseLineSettings(std::string_view text, QtSerialPort::LineSettings* out) {
    std::string_view fields[4];
    std::size_t count = 0;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        if (count == 4) return false;
        fields[count++] = text.substr(start, comma == std::string_view::npos ? comma : comma - start);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (count != 4) return false;

    QtSerialPort::LineSettings line;
    if (!ParseInt(fields[0], &line.baud) || line.baud <= 0) return false;

    if (fields[1].size() != 1) return false;
    switch (fields[1][0]) {
        case 'n': case 'N': line.parity = 'n'; break;
        case 'e': case 'E': line.parity = 'e'; break;
        case 'o': case 'O': line.parity = 'o'; break;
        case 'm': case 'M': line.parity = 'm'; break;
        case 's': case 'S': line.parity = 's'; break;
        default: return false;
    }

    if (!ParseInt(fields[2], &line.dataBits) || line.dataBits < 5 || line.dataBits > 8) return false;

    if (fields[3] == "1") line.stopBits = 1;
    else if (fields[3] == "2") line.stopBits = 2;
    else if (fields[3] == "1.5") line.stopBits = 3;
    else return false;

    if (out != nullptr) *out = line;
    return true;
}

QtSerialPort::QtSerialPort(DeviceLookup deviceFor)
    : deviceFor_(std::move(deviceFor)), port_(std::make_unique<QSerialPort>()) {
    // Signals are connected with port_ as context: when this object goes, so do the
    // connections and any queued loss report.
    QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(), [this] {
        if (!lossPending_) fire(kCommEventReceive);
    });
    QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                     [this](QSerialPort::SerialPortError e) { onError(static_cast<int>(e)); });
}

QtSerialPort::~QtSerialPort() {
    onCommEvent = nullptr;
    closeDevice();
}

bool QtSerialPort::setCommPort(int number, std::string* error) {
    if (number < 1 || number > 16) {
        SetError(error, "COM" + std::to_string(number) + " is not a valid port number (1 to 16)");
        return false;
    }
    if (isOpen()) {
        SetError(error, "port is open");
        return false;
    }
    number_ = number;
    return true;
}

bool QtSerialPort::setSettings(const std::string& settings, std::string* error) {
    LineSettings line;
    if (!ParseLineSettings(settings, &line)) {
        SetError(error, "invalid port settings \"" + settings +
                            "\" (expected baud,parity,data,stop such as 9600,n,8,1)");
        return false;
    }
    if (isOpen() && !applyLineSettings(line, error)) {
        std::string ignored;
        applyLineSettings(line_, &ignored);  // put back what worked before
        return false;
    }
    line_ = line;
    return true;
}

bool QtSerialPort::applyLineSettings(const LineSettings& line, std::string* error) {
    const int dataBits = pseudoTerminal_ ? 8 : line.dataBits;
    const QSerialPort::Parity parity = pseudoTerminal_ ? QSerialPort::NoParity : ToQt(line.parity);
    const bool ok = port_->setBaudRate(line.baud) &&
                    port_->setDataBits(static_cast<QSerialPort::DataBits>(dataBits)) &&
                    port_->setParity(parity) &&
                    port_->setStopBits(StopBitsToQt(line.stopBits)) &&
                    port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) SetError(error, ToStd(port_->errorString()));
    return ok;
}

bool QtSerialPort::open(std::string* error) {
    lastErrorWasPermission_ = false;
    lastOpenFailure_ = PortOpenFailure::Other;
    if (isOpen()) {
        SetError(error, "port is already open");
        return false;
    }
    closeDevice();  // a lost port whose report is still queued
    lossPending_ = false;
    rescued_.clear();
    lineOpen_ = false;

    const std::string device = deviceFor_ ? deviceFor_(number_) : std::string();
    if (device.empty()) {
        lastOpenFailure_ = PortOpenFailure::NoDevice;
        SetError(error, "COM" + std::to_string(number_) + " has no device on this system");
        return false;
    }

    // Before open, QSerialPort only stores these; open applies them to the device.
    port_->setPortName(DeviceName(device));
    pseudoTerminal_ = IsPseudoTerminal(device);
    if (!applyLineSettings(line_, error)) return false;

    if (!port_->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError kind = port_->error();
        const std::string reason = ToStd(port_->errorString());
        if (kind == QSerialPort::PermissionError) {
            lastErrorWasPermission_ = AccessDenied(device);
            lastOpenFailure_ = lastErrorWasPermission_ ? PortOpenFailure::NoPermission : PortOpenFailure::InUse;
            SetError(error, lastErrorWasPermission_
                                ? device + ": " + reason
                                : device + ": " + kHeldByAnother + " (" + reason + ")" + HolderText(device));
        } else {
            // Qt reports a device that refuses terminal settings (ENOTTY, EINVAL) as unsupported.
            if (kind == QSerialPort::DeviceNotFoundError) lastOpenFailure_ = PortOpenFailure::NoDevice;
            if (kind == QSerialPort::UnsupportedOperationError) lastOpenFailure_ = PortOpenFailure::NotSerial;
            SetError(error, device + ": " + reason);
        }
        return false;
    }
    lastOpenFailure_ = PortOpenFailure::None;
    // Bytes that reached the device before we listened belong to no command of ours (a real
    // port would not have kept them); they must not be taken for the start of a reply.
    port_->clear(QSerialPort::Input);
    return true;
}

void QtSerialPort::close() {
    // A deliberate close wins over a loss report not yet delivered, and drops unread input.
    lossPending_ = false;
    rescued_.clear();
    closeDevice();
}

void QtSerialPort::closeDevice() {
    if (!port_->isOpen()) return;
    closing_ = true;
    port_->close();
    closing_ = false;
}

bool QtSerialPort::isOpen() const { return port_->isOpen() && !lossPending_; }

bool QtSerialPort::write(std::string_view bytes, std::string* error) {
    if (!isOpen()) {
        SetError(error, "port is not open");
        return false;
    }
    if (bytes.empty()) return true;
    const qint64 size = static_cast<qint64>(bytes.size());
    const qint64 written = port_->write(bytes.data(), size);
    // QSerialPort only queues the bytes and writes them when the event loop next runs, that
    // is after whatever the view does with this pass; flush() hands them to the device now,
    // without waiting for the line. A failure shows as errorOccurred, as a queued write's would.
    port_->flush();
    if (written != size) {
        SetError(error, ToStd(port_->errorString()));
        return false;
    }
    lastWrite_ = std::chrono::steady_clock::now();
    readSinceWrite_ = false;
    return true;
}

std::chrono::nanoseconds QtSerialPort::answerDueWithin(std::chrono::nanoseconds window) const {
    if (!isOpen()) return std::chrono::nanoseconds::zero();
    // A line half received is an answer arriving: its line feed should not find the view busy.
    if (lineOpen_) return window;
    if (readSinceWrite_) return std::chrono::nanoseconds::zero();
    const auto left = lastWrite_ + window - std::chrono::steady_clock::now();
    return left > std::chrono::nanoseconds::zero() ? std::chrono::duration_cast<std::chrono::nanoseconds>(left)
                                                   : std::chrono::nanoseconds::zero();
}

std::string QtSerialPort::readAll() {
    std::string bytes = std::exchange(rescued_, {});
    if (port_->isOpen()) {
        const QByteArray data = port_->readAll();
        bytes.append(data.constData(), static_cast<std::size_t>(data.size()));
    }
    if (!bytes.empty()) {
        readSinceWrite_ = true;
        lineOpen_ = bytes.back() != '\n';
    }
    return bytes;
}

std::string QtSerialPort::describe(int number) const {
    const std::string device = deviceFor_ ? deviceFor_(number) : std::string();
    if (device.empty()) return {};
    const std::string text = DeviceDescription(device);
    return text.empty() ? device : device + " - " + text;
}

std::string DeviceDescription(const std::string& device) {
    // Mapped paths may be links (/dev/serial/by-id/...); the system lists the real node.
    const QString wanted = DeviceName(device);
    const QString canonical = QFileInfo(wanted).canonicalFilePath();
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        const QString location = info.systemLocation();
        if (location != wanted && (canonical.isEmpty() || location != canonical)) continue;
        QString text = info.description();
        const QString maker = info.manufacturer();
        if (text.isEmpty()) text = maker;
        else if (!maker.isEmpty() && !text.contains(maker, Qt::CaseInsensitive))
            text += QStringLiteral(" (") + maker + QLatin1Char(')');
        return ToStd(text);
    }
    return {};
}

void QtSerialPort::onError(int qtError) {
    const auto e = static_cast<QSerialPort::SerialPortError>(qtError);
    if (closing_ || lossPending_ || !port_->isOpen()) return;
    // ResourceError: device removed, or EIO on a pty whose other side closed. ReadError: a read
    // that returned nothing although the port signalled data, which is how a hung-up tty
    // looks; Qt keeps polling it, so leaving it open would spin. WriteError: Qt retries the
    // failed write on every loop pass, same spin. None of these recover, so the port is done.
    if (e != QSerialPort::ResourceError && e != QSerialPort::ReadError && e != QSerialPort::WriteError)
        return;
    lossPending_ = true;
    // Close from the event loop rather than from inside Qt's notifier callback that raised
    // the error; the queued call dies with port_ if this object is destroyed first.
    QMetaObject::invokeMethod(port_.get(), [this] { finishLoss(); }, Qt::QueuedConnection);
}

void QtSerialPort::finishLoss() {
    if (!lossPending_) return;  // closed or reopened meanwhile
    // Keep what arrived before the loss: the last reply line may be in there.
    if (port_->isOpen()) {
        const QByteArray data = port_->readAll();
        rescued_.append(data.constData(), static_cast<std::size_t>(data.size()));
    }
    closeDevice();
    lossPending_ = false;
    if (!rescued_.empty()) fire(kCommEventReceive);
    fire(kCommEventPortLost);
}

void QtSerialPort::fire(int code) {
    // A copy, so a handler may replace onCommEvent (or close the port) while it runs.
    if (auto handler = onCommEvent) handler(code);
}

}  // namespace kd
