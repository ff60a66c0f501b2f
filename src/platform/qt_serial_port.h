#pragma once
// The serial port on QSerialPort. Raw 8-bit: bytes go out and come in unchanged, with no
// text conversion and no flow control. Everything runs on the thread that owns the object
// (the UI thread). A write goes to the device at once (as much as the device takes without
// waiting; Qt keeps the rest and sends it from the event loop).
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "link/serial_port.h"

class QSerialPort;

namespace kd {

class QtSerialPort final : public SerialPort {
public:
    // Maps a COM number to a device ("" when the number has no device); the program passes
    // ComDevice with its settings file.
    using DeviceLookup = std::function<std::string(int number)>;

    explicit QtSerialPort(DeviceLookup deviceFor);
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    bool setCommPort(int number, std::string* error) override;
    int commPort() const override { return number_; }
    // "baud,parity,data,stop", e.g. "9600,n,8,1"; parity n/e/o/m/s, data 5..8, stop 1/1.5/2.
    // Applied at the next open, or at once when the port is open.
    bool setSettings(const std::string& settings, std::string* error) override;
    bool open(std::string* error) override;
    void close() override;
    bool isOpen() const override;
    bool write(std::string_view bytes, std::string* error) override;
    std::string readAll() override;
    std::string describe(int number) const override;
    PortOpenFailure lastOpenFailure() const override { return lastOpenFailure_; }

    // True when the last failed open was refused for lack of access rights to the device
    // (not when another program holds it), so the window can advise on group membership.
    bool lastErrorWasPermission() const { return lastErrorWasPermission_; }

    // How much longer an answer may be arriving at once: `window` after the last write, as
    // long as nothing has been read since, and `window` while a line is half received (zero
    // otherwise). A logger on a fast line answers within it, and on a slow line the rest of a
    // line follows; the window holds its work meanwhile rather than keep that answer waiting.
    std::chrono::nanoseconds answerDueWithin(std::chrono::nanoseconds window) const;
    // The window the program gives it. Long enough that a logger held up a few ms by a busy
    // machine still finds the window waiting, not in a pass its answer must wait behind; at
    // 9600 baud even the shortest command ("AT+" and one letter) takes longer on the wire, so
    // no answer can begin sooner and the view loses nothing.
    static constexpr std::chrono::milliseconds kAnswerWindow{6};

    struct LineSettings {
        int baud = 9600;
        char parity = 'n';  // n, e, o, m, s
        int dataBits = 8;
        int stopBits = 1;   // 1, 2, or 3 for 1.5
    };

private:
    bool applyLineSettings(const LineSettings& line, std::string* error);
    void onError(int qtError);
    void finishLoss();
    void closeDevice();
    void fire(int code);

    DeviceLookup deviceFor_;
    std::unique_ptr<QSerialPort> port_;
    int number_ = 1;
    LineSettings line_;
    bool lossPending_ = false;   // device gone, close and report queued
    bool closing_ = false;       // our own close() is running; errors it raises are not losses
    bool lastErrorWasPermission_ = false;
    PortOpenFailure lastOpenFailure_ = PortOpenFailure::None;
    bool pseudoTerminal_ = false;  // the open device is a pty: data bits and parity are fixed
    std::string rescued_;        // bytes read out of Qt's buffer before closing a lost port
    std::chrono::steady_clock::time_point lastWrite_{};
    bool readSinceWrite_ = true;
    bool lineOpen_ = false;  // the last bytes read did not end a line
};

// What the system says about a serial device ("FT232R USB UART (FTDI)"); empty when it
// lists no such device or says nothing about it.
std::string DeviceDescription(const std::string& device);

// Parses the "baud,parity,data,stop" text; false for anything else.
bool ParseLineSettings(std::string_view text, QtSerialPort::LineSettings* out);

}  // namespace kd
