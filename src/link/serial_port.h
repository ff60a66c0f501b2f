#pragma once
// The serial port as the program uses it: a port number, the fixed "9600,n,8,1" settings,
// open/close, write, read what is waiting, and an event when characters arrive.
// The Qt adapter lives in platform/, a scripted fake in tests/.
#include <functional>
#include <string>
#include <string_view>

namespace kd {

// Event codes delivered through SerialPort::onCommEvent.
inline constexpr int kCommEventReceive = 2;   // characters received
inline constexpr int kCommEventPortLost = 1010;  // device vanished or failed while open

// Why the last open failed, for a face to decide on (advice, exit status); the text the
// open gave is for people.
enum class PortOpenFailure {
    None,
    NoDevice,      // the number maps to no device, or the device is not there
    NotSerial,     // the device takes no serial line settings (/dev/null, a printer)
    InUse,         // another program holds it
    NoPermission,  // the user may not open it (not in the device's group)
    Other,
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Each operation returns false on failure and puts the system's reason into *error.
    virtual bool setCommPort(int number, std::string* error) = 0;
    virtual int commPort() const = 0;
    virtual bool setSettings(const std::string& settings, std::string* error) = 0;
    virtual bool open(std::string* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool write(std::string_view bytes, std::string* error) = 0;
    // Everything received and not yet read (the port's input buffer), as bytes.
    virtual std::string readAll() = 0;
    // The device behind a port number and what the system says about it, for the port dialog
    // (for example "/dev/ttyUSB0 - FT232R USB UART"); empty when nothing is known.
    virtual std::string describe(int number) const = 0;
    // After open() returned false.
    virtual PortOpenFailure lastOpenFailure() const { return PortOpenFailure::Other; }

    // Called on the UI thread: kCommEventReceive when characters wait to be read,
    // kCommEventPortLost (after the adapter has closed the port) when the device is gone.
    std::function<void(int code)> onCommEvent;
};

}  // namespace kd
