#pragma once
// One object owns the state of a running program: the window model, the variables the
// procedures share, and the platform it runs on. No globals, so tests can run many programs.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "app/platform.h"
#include "link/line_owner.h"
#include "link/command_failure.h"
#include "link/serial_port.h"
#include "link/transcript.h"
#include "network/signal_monitor.h"
#include "profiles/session.h"
#include "settings/ini_file.h"

namespace kd {

struct LogRecord {
    std::string deviceId, time, date, rssi;
    std::array<std::string, 6> moisture, temperature;
};

struct Platform {
    SerialPort& port;
    IniFile& settings;
    Dialogs& dialogs;
    ProgramExit& exit;
    Clock& clock;
    TimerDriver& timers;
};

class Program {
public:
    explicit Program(Platform platform);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Platform platform;
    SerialPort& Comport;
    Mainform form;

    // Settings and tables.
    int16_t PortNumber = 1;
    int16_t PortSetupNeeded = 0;
    std::string DefLogint, DefFTPint, DefAPNname, DefAPNun, DefAPNpw, DefFTPname, DefFTPun, DefFTPpw, DefHome;
    std::array<std::string, 3> CustomCommands;
    std::array<std::string, 13> MonthNames;
    std::array<std::string, 11> ModelNames;
    std::string LineEnd;

    // Command engine.
    std::string TxCommand;
    int16_t ReplyState = 0;
    int16_t RetryLimit = 0;
    int16_t RetryCount = 0;
    std::string RxBuffer;
    std::string RxLog;
    int16_t RxActivity = 0;
    std::array<std::string, 101> ReplyLines;
    int16_t ReplyLineCount = 0;
    // Counts every emptying of RxBuffer by SendCommand, so the receive loop sees it.
    uint64_t rxGeneration = 0;
    // Highest ReplyLines index that may hold text; everything above it is empty.
    int16_t replyLinesUsed = 0;
    // Every line sent and received in this connection, with its time.
    Transcript transcript;

    // The logger.
    int16_t ProductType = 0;
    std::array<std::string, 31> DeviceValues;
    int16_t SimTypeSupported = 0;
    int16_t SimTypeRead = 0;
    int16_t NetworkIndex = 0;
    int16_t ParmCheckFailed = 0;
    // What the logger last reported where the boxes may since have been edited: the hub's
    // device table (as shown) and the SIM card type ("type,network").
    std::array<std::string, 8> DeviceTableValues;
    std::string SimTypeValue;
    // A read chain nobody asked for: entered by an answer that came with nothing awaited, such
    // as the late answer to an upload step a custom command interrupted. Its replies must not
    // replace the technician's unsent (red) values; "Load Settings" ends it.
    bool unaskedRead = false;
    // Who holds the line: whatever sends asks it first, and the sending controls follow it.
    LineOwner line{*this};

    // Log records and scans.
    // Slots 0..LogRecordCount (slot 0 unused); they grow as records arrive, up to 1000, so a
    // program that fetches no records does not carry half a megabyte of empty ones.
    std::vector<LogRecord> LogRecords = std::vector<LogRecord>(1);
    int16_t LogRecordCount = 0;
    int16_t LogRecordIndex = 0;
    std::string LastDeviceID;
    int16_t ScanCountdown = 0;
    int16_t ScanIndex = 0;

    std::string BaseCaption;

    // Fleet profiles, the upload preview and the checked upload.
    ProfileSession profiles;

    // The "Signal strength:" values over time and the technician's marked spans (the visit keeps them).
    SignalMonitor signalMonitor;

    // Set once the program has been told to end; procedures stop where they are.
    bool ended = false;
    // Features beside the window's own (the visit record) watch the line here: each command
    // as it goes out, and each reply line once its handler has run.
    std::vector<std::function<void(const std::string& command)>> commandWatchers;
    std::vector<std::function<void(const std::string& name, const std::string& line)>> replyWatchers;
    // Asked before the technician leaves a logger (Disconnect, File > New, Exit); false: stay,
    // the action does not happen.
    enum class Leaving { Disconnect, FileNew, Exit };
    std::function<bool(Leaving)> mayLeave;
    // Observers for tests and the benchmark: every reply line handed to the dispatcher.
    std::function<void(const std::string&)> onReplyLine;
    // The records archive and range download (records/): each reply line once its handler
    // has run, with its name; and each reply time-out tick before the engine's own rule
    // (true: the tick was dealt with).
    std::function<void(const std::string& name, const std::string& line)> onReplyHandled;
    std::function<bool()> onReplyTimeout;
    // A command awaited was given up on or refused; runs before the window's message, if any.
    std::function<void(const CommandFailure&)> onCommandFailed;
};

// Ends the program at once: releases the port, then asks the platform to exit.
void EndProgram(Program& p);

}  // namespace kd
