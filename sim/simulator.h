#pragma once
// A simulated logger on a pseudo-terminal, served by a background thread.
//
//   kdsim::Options o;
//   o.model = kdsim::Model::Hub;   // or Plain, SimType; o.state replaces the preset entirely
//   o.pacing = false;              // answer at full speed when timing is not under test
//   kdsim::Simulator sim;
//   if (!sim.start(o)) FAIL() << sim.error();
//   ... open sim.devicePath() as a serial port, send "AT+SNR?\r\n", read "+SNR: 12345\r\n" ...
//   sim.waitForCommands(1, std::chrono::seconds{2});
//   EXPECT_EQ(sim.commands().at(0), "AT+SNR?");
//   sim.stop();                    // the destructor stops it too
//
// Every accessor may be called from any thread while the simulator runs. The device can be
// opened and closed by the other side any number of times; output produced while nobody has
// it open is discarded, as on a real line.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "logger_state.h"
#include "transcript.h"

namespace kdsim {

// Misbehaviour on purpose. All off by default; several may be combined.
struct Faults {
    bool silent = false;                        // read everything, send nothing at all
    int dropEvery = 0;                          // n > 0: leave every n-th reply unsent
    std::chrono::milliseconds lateBy{0};        // extra delay before every reply
    double garbleRate = 0.0;                    // chance that a reply byte (not its CR LF) is corrupted
    bool splitWrites = false;                   // write each reply in 2-4 pieces, cut at random
    std::chrono::milliseconds splitGap{15};     // pause between the pieces
    bool echo = false;                          // echo each command line before its reply
    bool noise = false;                         // all 256 byte values, shuffled, before each reply
    std::size_t floodBytes = 0;                 // n > 0: answer with n bytes of text and no line end
    int hangUpAfter = 0;                        // n > 0: close the device once the n-th command is answered
    std::chrono::milliseconds reopenAfter{-1};  // after a hang-up: new device after this (< 0 = never)
    // Answers left unsent to commands that begin with `prefix` (the command is still carried
    // out): the next `times` of them, or all when `times` is below 1.
    struct Ignore {
        std::string prefix;
        int times = 0;
    };
    std::vector<Ignore> ignore;
    // Set commands beginning with one of these are answered with the value the logger already
    // holds and change nothing, as a logger that refuses a value silently.
    std::vector<std::string> keepOld;
};

struct Options {
    Model model = Model::Plain;
    int records = 5;                      // log records of the preset
    std::optional<LoggerState> state;     // replaces the preset when set

    bool pacing = true;                   // write at the speed of the serial line
    int baud = 9600;
    int bitsPerByte = 10;                 // 8N1: start + 8 data + stop
    std::chrono::milliseconds think{2};   // before each reply

    Faults faults;
    std::uint64_t seed = 1;               // for garbling, splitting and noise

    std::chrono::milliseconds unsolicitedPeriod{0};  // "+SS:" and "+AIRTIME:" lines; 0 = off

    bool keepTranscript = true;           // in memory, see transcript()
    std::string transcriptFile;           // also to this file when not empty
    std::string linkPath;                 // symlink to the device when not empty
};

class Simulator {
public:
    Simulator();
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the device and starts serving. False (see error()) when the pseudo-terminal,
    // the link or the transcript file cannot be made, or the options make no sense.
    bool start(const Options& options);
    void stop();
    bool running() const;
    std::string error() const;

    // Slave side of the pseudo-terminal; changes when the device is reopened after a hang-up.
    std::string devicePath() const;
    bool attached() const;     // the other side has the device open
    int hangUps() const;

    // Command lines received, in order, without their line ends.
    std::vector<std::string> commands() const;
    bool waitForCommands(std::size_t count, std::chrono::milliseconds timeout) const;

    // Forget the commands and the in-memory transcript so far (the transcript file keeps all).
    void clearRecords();

    std::vector<TranscriptEntry> transcript() const;
    std::string transcriptBytes(Direction d) const;  // all bytes of one direction, joined

    // The logger's state now (the clock as it reads at this moment).
    LoggerState state() const;
    // Change the state between commands; a changed `clock` runs on from the moment of the call.
    void updateState(const std::function<void(LoggerState&)>& change);

    Faults faults() const;
    void setFaults(const Faults& faults);

    // Queue raw bytes for the line, sent after what is already queued (paced like replies);
    // bytes queued while nobody has the device open wait for the next user.
    void send(std::string bytes);

    // Byte time of the configured line.
    std::chrono::nanoseconds byteTime() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace kdsim
