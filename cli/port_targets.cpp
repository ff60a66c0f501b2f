#include "port_targets.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "arguments.h"
#include "exit_status.h"
#include "link/com_mapping.h"
#include "platform/qt_serial_port.h"
#include "settings/ini_file.h"

namespace kdcli {

namespace {

bool SameDevice(const std::string& a, const std::string& b) {
    std::error_code ec;
    return a == b || std::filesystem::equivalent(a, b, ec);
}

bool LooksUsb(const QSerialPortInfo& info) {
    const QString name = info.portName();
    return info.hasVendorIdentifier() || name.startsWith(QLatin1String("ttyUSB")) ||
           name.startsWith(QLatin1String("ttyACM"));
}

}  // namespace

std::vector<SerialDevice> SerialDevicesPresent(const kd::IniFile& settings) {
    std::vector<SerialDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialDevice d;
        d.path = info.systemLocation().toStdString();
        d.com = kd::ComNumberOf(d.path, &settings);
        d.description = kd::DeviceDescription(d.path);
        d.usb = LooksUsb(info);
        devices.push_back(std::move(d));
    }
    // Entries of [Ports] the system does not list as serial ports, when they exist.
    for (int n = kd::kFirstComPort; n <= kd::kLastComPort; ++n) {
        const std::string mapped = kd::ComDevice(n, &settings);
        if (mapped.empty() || mapped == kd::ComDevice(n, nullptr)) continue;
        std::error_code ec;
        if (!std::filesystem::exists(mapped, ec)) continue;
        const bool listed = std::any_of(devices.begin(), devices.end(),
                                        [&](const SerialDevice& d) { return SameDevice(d.path, mapped); });
        if (!listed) devices.push_back(SerialDevice{mapped, n, {}, false});
    }
    std::sort(devices.begin(), devices.end(), [](const SerialDevice& a, const SerialDevice& b) { return a.path < b.path; });
    return devices;
}

ResolvedPorts ResolvePorts(const std::vector<std::string>& specs, const kd::IniFile& settings) {
    ResolvedPorts r;
    auto add = [&r](PortTarget t) {
        for (const PortTarget& other : r.targets) {
            if (other.label == t.label) return true;  // named twice: served once
            if (!t.device.empty() && !other.device.empty() && SameDevice(other.device, t.device)) {
                r.status = kExitUsage;
                r.error = other.label + " and " + t.label + " are the same device";
                return false;
            }
        }
        r.targets.push_back(std::move(t));
        return true;
    };
    for (const std::string& text : specs) {
        PortChoice choice;
        if (!ParsePortChoice(text, &choice)) {
            r.status = kExitUsage;
            r.error = "unknown port '" + text + "'";
            return r;
        }
        if (choice.kind == PortChoice::Kind::All) {
            bool any = false;
            for (const SerialDevice& d : SerialDevicesPresent(settings)) {
                if (!d.usb) continue;
                any = true;
                if (!add(PortTarget{d.com ? "COM" + std::to_string(d.com) : d.path, d.path, d.com})) return r;
            }
            if (!any) {
                r.status = kExitNoAnswer;
                r.error = "no USB serial adapter found";
                return r;
            }
        } else if (choice.kind == PortChoice::Kind::Com) {
            if (!add(PortTarget{"COM" + std::to_string(choice.com), kd::ComDevice(choice.com, &settings), choice.com})) return r;
        } else {
            if (!add(PortTarget{choice.path, choice.path, 0})) return r;
        }
    }
    return r;
}

}  // namespace kdcli
