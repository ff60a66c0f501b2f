// The simulator on real pseudo-terminals: scripted exchanges, faults, pacing, re-opening.
#include <gtest/gtest.h>

#include <thread>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "pty_client.h"
#include "simulator.h"

namespace kdsim::test {
namespace {

namespace fs = std::filesystem;

struct Running {
    Simulator sim;
    std::unique_ptr<PtyClient> port;

    explicit Running(const Options& o) {
        if (!sim.start(o)) throw std::runtime_error(sim.error());
        port = std::make_unique<PtyClient>(sim.devicePath());
        if (!port->ok() || !waitAttached(sim)) throw std::runtime_error("cannot attach");
    }
};

fs::path tempDir(const std::string& tag) {
    static int n = 0;
    auto p = fs::temp_directory_path() / ("kdsim-" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

// --- Scripted exchanges per command family ------------------------------------------------

TEST(SimulatorExchange, PlainLoggerAnswersTheWholeReadChain) {
    Running r(fastOptions(Model::Plain, 5));
    const std::vector<std::pair<std::string, std::string>> script = {
        {"AT+SNR?", "+SNR: 12345\r\n"},
        {"AT+LOAD?", "+LOAD: 5,5\r\n"},
        {"AT+LOGINT?", "+LOGINT: 30\r\n"},
        {"AT+FTPINT?", "+FTPINT: 120\r\n"},
        {"AT+OWNSIM?", "+OWNSIM: 8927000000000000001,8927123400000000017\r\n"},
        {"AT+OWNNUM?", "+OWNNUM: 27821234567\r\n"},
        {"AT+APNCON?", "+APNCON: internet,guest,guest\r\n"},
        {"AT+FTPCON?", "+FTPCON: ftp.example.com,logger,secret\r\n"},
        {"AT+HOMENUM?", "+HOMENUM: 27831234567\r\n"},
        {"AT+FW?", "+FW: V202.1\r\n"},
        {"AT+WDT?", "+WDT: 3\r\n"},
        {"AT+POR?", "+POR: 7\r\n"},
        {"AT+AUTOPD?", "+AUTOPD: 300\r\n"},
        {"AT+MPOWER?", "+MPOWER: 1\r\n"},
        {"AT+BATVOLTS?", "+BATVOLTS: 4.05\r\n"},
        {"AT+CREG?", "+CREG: 0,1\r\n"},
        {"AT+RAING?", "+RAING: 17\r\n"},
        {"AT+EVENT=4", formatRecordLine(r.sim.state().records.at(4))},
    };
    std::vector<std::string> sent;
    for (const auto& [cmd, want] : script) {
        EXPECT_EQ(r.port->ask(cmd), want) << cmd;
        sent.push_back(cmd);
    }
    EXPECT_TRUE(r.port->ask("AT+TIME?").starts_with("+TIME: 12/03/15,14:3"));
    sent.push_back("AT+TIME?");
    EXPECT_EQ(r.sim.commands(), sent);
}

TEST(SimulatorExchange, SetCommandsAnswerWithTheNewValueAndKeepIt) {
    Running r(fastOptions());
    EXPECT_EQ(r.port->ask("AT+SNR=777"), "+SNR: 777\r\n");
    EXPECT_EQ(r.port->ask("AT+LOGINT=0060"), "+LOGINT: 60\r\n");
    EXPECT_EQ(r.port->ask("AT+FTPINT=240"), "+FTPINT: 240\r\n");
    EXPECT_EQ(r.port->ask("AT+FTPINT=1440"), "ERROR\r\n");  // not an interval the logger offers
    EXPECT_EQ(r.port->ask("AT+OWNNUM=27820000000"), "+OWNNUM: 27820000000\r\n");
    EXPECT_EQ(r.port->ask("AT+APNCON=apn.x,u,p"), "+APNCON: apn.x,u,p\r\n");
    EXPECT_EQ(r.port->ask("AT+FTPCON=f.x,,f p"), "+FTPCON: f.x,,f p\r\n");  // kept exactly as sent
    EXPECT_EQ(r.port->ask("AT+HOMENUM=27830000000"), "+HOMENUM: 27830000000\r\n");
    EXPECT_EQ(r.port->ask("AT+OWNSIM"), "+OWNSIM: 8927000000000000001,8927123400000000017\r\n");
    EXPECT_EQ(r.port->ask("AT+SNR?"), "+SNR: 777\r\n");
    EXPECT_EQ(r.port->ask("AT+APNCON?"), "+APNCON: apn.x,u,p\r\n");
    const auto s = r.sim.state();
    EXPECT_EQ(s.deviceId, "777");
    EXPECT_EQ(s.logInterval, 60);
    EXPECT_EQ(s.ftpUser, "");
    EXPECT_EQ(s.ftpPassword, "f p");
    EXPECT_EQ(r.port->ask("AT+LOGINT=abc"), "ERROR\r\n");
}

TEST(SimulatorExchange, HubAndSimTypeFamilies) {
    Running hub(fastOptions(Model::Hub));
    EXPECT_EQ(hub.port->ask("AT+FW?"), "+FW: V203.2\r\n");
    EXPECT_EQ(hub.port->ask("AT+PTABLE?"), "+PTABLE: 12345,1201,1202,0,1204,0,0,0\r\n");
    EXPECT_EQ(hub.port->ask("AT+PTABLE=12345,0,0,0,0,0,0,42"), "+PTABLE: 12345,0,0,0,0,0,0,42\r\n");
    EXPECT_EQ(hub.port->ask("AT+PTABLE?"), "+PTABLE: 12345,0,0,0,0,0,0,42\r\n");
    EXPECT_EQ(hub.port->ask("AT+RFCHAN?"), "+RFCHAN: 2\r\n");
    EXPECT_EQ(hub.port->ask("AT+SIMTYPE?"), "ERROR\r\n");

    Running mk3(fastOptions(Model::SimType));
    EXPECT_EQ(mk3.port->ask("AT+FW?"), "+FW: V209.3\r\n");
    EXPECT_EQ(mk3.port->ask("AT+SIMTYPE?"), "+SIMTYPE: 1,2\r\n");
    EXPECT_EQ(mk3.port->ask("AT+SIMTYPE=0,0"), "+SIMTYPE: 0,0\r\n");
    EXPECT_EQ(mk3.port->ask("AT+SIMTYPE?"), "+SIMTYPE: 0,0\r\n");
    EXPECT_EQ(mk3.port->ask("AT+PTABLE?"), "ERROR\r\n");
}

TEST(SimulatorExchange, MaintenanceFamily) {
    Running r(fastOptions());
    EXPECT_EQ(r.port->ask("AT+WDT=0"), "+WDT: 0\r\n");
    EXPECT_EQ(r.port->ask("AT+POR=0"), "+POR: 0\r\n");
    EXPECT_EQ(r.port->ask("AT+AUTOPD=600"), "+AUTOPD: 600\r\n");
    EXPECT_EQ(r.port->ask("AT+RAING"), "+RAING: 0\r\n");
    EXPECT_EQ(r.port->ask("AT+TIME=240229120000"), "+TIME: 24/02/29,12:00:00\r\n");
    EXPECT_TRUE(r.port->ask("AT+TIME?").starts_with("+TIME: 24/02/29,12:00:0"));
    const auto s = r.sim.state();
    EXPECT_EQ(s.watchdogCount, 0);
    EXPECT_EQ(s.coldStarts, 0);
    EXPECT_EQ(s.autoPowerDown, 600);
    EXPECT_EQ(s.rainCount, 0);
}

TEST(SimulatorExchange, EveryLineEndIsAcceptedAndCommandsAreListedWithoutIt) {
    Running r(fastOptions());
    r.port->send("AT+SNR?\r");
    EXPECT_EQ(r.port->readLine(), "+SNR: 12345\r\n");
    r.port->send("AT+FW?\n\r\n\r\n");  // blank lines are no commands
    EXPECT_EQ(r.port->readLine(), "+FW: V202.1\r\n");
    r.port->send("AT+");  // a command may arrive in pieces
    r.port->send("RAING?\r\n");
    EXPECT_EQ(r.port->readLine(), "+RAING: 17\r\n");
    EXPECT_EQ(r.sim.commands(), (std::vector<std::string>{"AT+SNR?", "AT+FW?", "AT+RAING?"}));
    EXPECT_TRUE(r.sim.waitForCommands(3, 10ms));
    EXPECT_FALSE(r.sim.waitForCommands(4, 10ms));
    r.sim.clearRecords();
    EXPECT_TRUE(r.sim.commands().empty());
    EXPECT_TRUE(r.sim.transcript().empty());
}

TEST(SimulatorExchange, OverlongLineIsRefusedNotHalfObeyed) {
    Running r(fastOptions());
    // Cut off at the buffer limit this would still read as a valid APN setting.
    r.port->send("AT+APNCON=a,b," + std::string(2000, 'c') + "\r\n");
    EXPECT_EQ(r.port->readLine(), "ERROR\r\n");
    EXPECT_EQ(r.sim.state().apnPassword, "guest");
    EXPECT_EQ(r.port->ask("AT+SNR?"), "+SNR: 12345\r\n");
}

TEST(SimulatorExchange, StateChangedFromOutsideIsAnswered) {
    Running r(fastOptions());
    r.sim.updateState([](LoggerState& s) {
        s.cregStatus = 5;
        s.batteryVolts = "3.61";
    });
    EXPECT_EQ(r.port->ask("AT+CREG?"), "+CREG: 0,5\r\n");
    EXPECT_EQ(r.port->ask("AT+BATVOLTS?"), "+BATVOLTS: 3.61\r\n");
}

// --- Scans ------------------------------------------------------------------------------------

TEST(SimulatorScan, AnswersAfterTheDeviceDelayOrNever) {
    Options o = fastOptions(Model::Hub);
    o.state = makePreset(Model::Hub, 1);
    o.state->scanAnswers["1201"] = {0, 12, 85, 300ms};
    o.state->scanAnswers["1202"] = {5, 0, 0, 0ms};
    o.state->scanAnswers["1204"] = {0, 0, 0, std::nullopt};
    Running r(o);

    const auto t = Clock::now();
    r.port->send("AT+SCANID=1201,2\r\n");
    // Other commands are answered while the radio exchange runs.
    EXPECT_EQ(r.port->ask("AT+SCANID=1202,3"), "+SCANID: 1202,5,0,0\r\n");
    EXPECT_EQ(r.port->readLine(), "+SCANID: 1201,0,12,85\r\n");
    EXPECT_GE(Clock::now() - t, 300ms);

    r.port->send("AT+SCANID=1204,5\r\n");
    EXPECT_EQ(r.port->readFor(400ms), "");
    EXPECT_EQ(r.port->ask("AT+RFCHAN?"), "+RFCHAN: 2\r\n");
}

// --- Faults -----------------------------------------------------------------------------------

TEST(SimulatorFaults, SilentReadsButNeverAnswers) {
    Options o = fastOptions();
    o.faults.silent = true;
    o.unsolicitedPeriod = 50ms;
    Running r(o);
    r.port->send("AT+SNR?\r\nAT+FW?\r\n");
    EXPECT_EQ(r.port->readFor(300ms), "");
    EXPECT_EQ(r.sim.commands().size(), 2u);
    // Switched off while running, it answers again.
    auto f = r.sim.faults();
    f.silent = false;
    r.sim.setFaults(f);
    r.port->send("AT+SNR?\r\n");
    // The unsolicited lines resume too and may come first.
    std::string line = r.port->readLine();
    for (int i = 0; i < 10 && (line.rfind("+SS:", 0) == 0 || line.rfind("+AIRTIME:", 0) == 0); ++i)
        line = r.port->readLine();
    EXPECT_EQ(line, "+SNR: 12345\r\n");
}

TEST(SimulatorFaults, DropsEveryNthReply) {
    Options o = fastOptions();
    o.faults.dropEvery = 3;
    Running r(o);
    std::string got;
    for (int i = 1; i <= 6; ++i) {
        r.port->send("AT+AUTOPD=" + std::to_string(i) + "\r\n");
        got += r.port->readFor(60ms);
    }
    EXPECT_EQ(got, "+AUTOPD: 1\r\n+AUTOPD: 2\r\n+AUTOPD: 4\r\n+AUTOPD: 5\r\n");
    EXPECT_EQ(r.sim.state().autoPowerDown, 6);  // a dropped reply still means the command was obeyed
}

TEST(SimulatorFaults, IgnoredCommandsAreObeyedButUnansweredTheGivenNumberOfTimes) {
    Options o = fastOptions();
    o.faults.ignore = {{"AT+LOGINT=", 2}};
    Running r(o);
    for (const char* v : {"5", "10"}) {
        r.port->send(std::string("AT+LOGINT=") + v + "\r\n");
        EXPECT_EQ(r.port->readFor(60ms), "") << v;
    }
    EXPECT_EQ(r.sim.state().logInterval, 10);
    EXPECT_EQ(r.port->ask("AT+LOGINT=15"), "+LOGINT: 15\r\n");
    EXPECT_EQ(r.port->ask("AT+LOGINT?"), "+LOGINT: 15\r\n");
}

TEST(SimulatorFaults, KeptOldCommandsAnswerWithTheValueHeldAndChangeNothing) {
    Options o = fastOptions();
    o.faults.keepOld = {"AT+LOGINT=", "AT+APNCON="};
    Running r(o);
    const LoggerState before = r.sim.state();
    EXPECT_EQ(r.port->ask("AT+LOGINT=15"), "+LOGINT: " + std::to_string(before.logInterval) + "\r\n");
    EXPECT_EQ(r.port->ask("AT+APNCON=a,b,c"),
              "+APNCON: " + before.apnName + "," + before.apnUser + "," + before.apnPassword + "\r\n");
    EXPECT_EQ(r.port->ask("AT+FTPINT=60"), "+FTPINT: 60\r\n");  // other commands are obeyed
    EXPECT_EQ(r.sim.state().logInterval, before.logInterval);
    EXPECT_EQ(r.sim.state().apnName, before.apnName);
}

TEST(SimulatorFaults, LateAnswerAndThinkTimeDelayTheReply) {
    Options o = fastOptions();
    o.think = 50ms;
    o.faults.lateBy = 250ms;
    Running r(o);
    const auto t = Clock::now();
    r.port->send("AT+SNR?\r\n");
    EXPECT_EQ(r.port->readFor(200ms), "");
    EXPECT_EQ(r.port->readLine(), "+SNR: 12345\r\n");
    EXPECT_GE(Clock::now() - t, 300ms);
}

TEST(SimulatorFaults, GarbleCorruptsBytesButKeepsTheLineEnd) {
    Options o = fastOptions();
    o.faults.garbleRate = 1.0;
    Running r(o);
    const std::string truth = "+OWNSIM: 8927000000000000001,8927123400000000017\r\n";
    const auto got = r.port->ask("AT+OWNSIM?");
    ASSERT_EQ(got.size(), truth.size());
    EXPECT_EQ(got.substr(got.size() - 2), "\r\n");
    for (std::size_t i = 0; i + 2 < got.size(); ++i) {
        EXPECT_NE(got[i], truth[i]) << i;
        EXPECT_NE(got[i], '\r');
        EXPECT_NE(got[i], '\n');
    }
}

TEST(SimulatorFaults, SplitWritesAReplyInSeveralPieces) {
    Options o = fastOptions();
    o.faults.splitWrites = true;
    o.faults.splitGap = 30ms;
    Running r(o);
    const std::string truth = "+APNCON: internet,guest,guest\r\n";
    r.port->send("AT+APNCON?\r\n");
    const auto chunks = r.port->readChunks(truth.size(), kPatience);
    std::string joined;
    for (const auto& c : chunks) joined += c.bytes;
    EXPECT_EQ(joined, truth);
    EXPECT_GE(chunks.size(), 2u);
    std::size_t writes = 0;
    for (const auto& e : r.sim.transcript()) writes += e.direction == Direction::Out;
    EXPECT_GE(writes, 2u);
}

TEST(SimulatorFaults, EchoComesBeforeTheReply) {
    Options o = fastOptions();
    o.faults.echo = true;
    Running r(o);
    r.port->send("AT+SNR?\r\n");
    EXPECT_EQ(r.port->readLine(), "AT+SNR?\r\n");
    EXPECT_EQ(r.port->readLine(), "+SNR: 12345\r\n");
}

TEST(SimulatorFaults, NoiseSendsAll256ByteValuesThenTheReply) {
    Options o = fastOptions();
    o.faults.noise = true;
    Running r(o);
    r.port->send("AT+SNR?\r\n");
    const auto noise = r.port->readBytes(256);
    ASSERT_EQ(noise.size(), 256u);
    std::set<unsigned char> values(noise.begin(), noise.end());
    EXPECT_EQ(values.size(), 256u);
    EXPECT_EQ(r.port->readBytes(13), "+SNR: 12345\r\n");
}

TEST(SimulatorFaults, FloodHasNoLineEnd) {
    Options o = fastOptions();
    o.faults.floodBytes = 3000;
    Running r(o);
    r.port->send("AT+SNR?\r\n");
    const auto got = r.port->readBytes(3000);
    EXPECT_EQ(got.size(), 3000u);
    EXPECT_EQ(got.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(r.port->readFor(100ms), "");
}

TEST(SimulatorFaults, HangsUpAfterNCommandsAndComesBackWhenAsked) {
    const auto dir = tempDir("hangup");
    Options o = fastOptions();
    o.faults.hangUpAfter = 2;
    o.faults.reopenAfter = 100ms;
    o.linkPath = (dir / "logger").string();
    Running r(o);
    EXPECT_EQ(r.port->ask("AT+SNR?"), "+SNR: 12345\r\n");
    EXPECT_EQ(r.port->ask("AT+FW?"), "+FW: V202.1\r\n");  // the n-th command is still answered
    EXPECT_TRUE(r.port->hungUp(kPatience));
    EXPECT_EQ(r.sim.hangUps(), 1);
    r.port->close();

    // A new device appears behind the same link; the logger kept its state.
    const auto end = Clock::now() + kPatience;
    std::unique_ptr<PtyClient> again;
    while (Clock::now() < end) {
        again = std::make_unique<PtyClient>(o.linkPath);
        if (again->ok() && waitAttached(r.sim, true, 200ms)) break;
        again.reset();
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(again);
    EXPECT_EQ(fs::read_symlink(o.linkPath).string(), r.sim.devicePath());
    EXPECT_EQ(again->ask("AT+LOGINT?"), "+LOGINT: 30\r\n");
    r.sim.stop();
    EXPECT_FALSE(fs::exists(fs::symlink_status(o.linkPath)));
    fs::remove_all(dir);
}

// --- Line behaviour ---------------------------------------------------------------------------

TEST(SimulatorLine, PacingKeepsTheByteTimeOf9600Baud) {
    Options o = fastOptions();
    o.pacing = true;
    o.faults.floodBytes = 400;
    Running r(o);
    const double expectedMs = 10.0 / 9600.0 * 1000.0;  // 1.0417 ms per byte
    const double configuredMs = std::chrono::duration<double, std::milli>(r.sim.byteTime()).count();
    EXPECT_NEAR(configuredMs, expectedMs, 1e-6);

    r.port->send("AT+SNR?\r\n");
    const auto chunks = r.port->readChunks(400, kPatience);
    std::size_t total = 0;
    for (const auto& c : chunks) total += c.bytes.size();
    ASSERT_EQ(total, 400u);
    ASSERT_GE(chunks.size(), 2u);
    // Time from the end of the first read to the last covers the bytes after the first read.
    const double spanMs = std::chrono::duration<double, std::milli>(chunks.back().time - chunks.front().time).count();
    const double perByte = spanMs / static_cast<double>(total - chunks.front().bytes.size());
    // Never faster than the wire; a reader the machine lets run late only makes it look slower.
    EXPECT_GE(perByte, expectedMs * 0.9) << "over " << total << " bytes in " << chunks.size() << " reads";
    EXPECT_LT(perByte, expectedMs * 3) << "over " << total << " bytes in " << chunks.size() << " reads";
}

// A pty hands the whole command over at once; a real logger hears its last byte one byte
// time per character later, so the reply to a long command starts no earlier than that.
TEST(SimulatorLine, PacingCountsTheWireTimeOfTheCommand) {
    Options o = fastOptions();
    o.pacing = true;
    Running r(o);
    const std::string command = "AT+" + std::string(297, 'X') + "\r\n";  // 302 bytes, unknown
    const auto wire = r.sim.byteTime() * static_cast<long>(command.size());
    const auto sent = std::chrono::steady_clock::now();
    r.port->send(command);
    EXPECT_EQ(r.port->readLine(kPatience), "ERROR\r\n");
    const auto took = std::chrono::steady_clock::now() - sent;
    EXPECT_GE(took, wire * 9 / 10);
    EXPECT_LT(took, wire * 3);
}

TEST(SimulatorLine, UnsolicitedLinesAtThePeriod) {
    Options o = fastOptions();
    o.unsolicitedPeriod = 100ms;
    Running r(o);
    EXPECT_EQ(r.port->readLine(kPatience), "+SS: 23\r\n");
    EXPECT_EQ(r.port->readLine(kPatience), "+AIRTIME: 12.75\r\n");
    EXPECT_EQ(r.port->readLine(kPatience), "+SS: 23\r\n");
    EXPECT_EQ(r.port->readLine(kPatience), "+AIRTIME: 13.00\r\n");
}

TEST(SimulatorLine, NothingUnsolicitedByDefault) {
    Running r(fastOptions());
    EXPECT_EQ(r.port->readFor(300ms), "");
}

TEST(SimulatorLine, ReplyForAClosedPortIsNotDeliveredToTheNextUser) {
    Options o = fastOptions();
    o.faults.lateBy = 150ms;
    Running r(o);
    r.port->send("AT+OWNSIM?\r\n");
    r.port->close();
    ASSERT_TRUE(r.sim.waitForCommands(1, kPatience));
    ASSERT_TRUE(waitAttached(r.sim, false));
    std::this_thread::sleep_for(300ms);

    PtyClient next(r.sim.devicePath());
    ASSERT_TRUE(waitAttached(r.sim));
    EXPECT_EQ(next.readFor(250ms), "");
    EXPECT_EQ(next.ask("AT+SNR?"), "+SNR: 12345\r\n");

    // Many opens and closes in a row, as the program's port search does.
    for (int i = 0; i < 20; ++i) {
        PtyClient brief(r.sim.devicePath());
        ASSERT_TRUE(brief.ok()) << i;
    }
    PtyClient last(r.sim.devicePath());
    ASSERT_TRUE(waitAttached(r.sim));
    EXPECT_EQ(last.ask("AT+FW?"), "+FW: V202.1\r\n");
}

TEST(SimulatorLine, TranscriptRecordsBothDirectionsInOrder) {
    const auto dir = tempDir("transcript");
    Options o = fastOptions();
    o.transcriptFile = (dir / "t.log").string();
    {
        Running r(o);
        EXPECT_EQ(r.port->ask("AT+SNR?"), "+SNR: 12345\r\n");
        const auto t = r.sim.transcript();
        ASSERT_GE(t.size(), 2u);
        EXPECT_EQ(t.front().direction, Direction::In);
        EXPECT_EQ(t.back().direction, Direction::Out);
        EXPECT_TRUE(std::is_sorted(t.begin(), t.end(), [](auto& a, auto& b) { return a.time < b.time; }));
        EXPECT_EQ(r.sim.transcriptBytes(Direction::In), "AT+SNR?\r\n");
        EXPECT_EQ(r.sim.transcriptBytes(Direction::Out), "+SNR: 12345\r\n");
    }
    std::ifstream in(o.transcriptFile);
    std::stringstream ss;
    ss << in.rdbuf();
    const auto text = ss.str();
    EXPECT_NE(text.find(" < AT+SNR?\\r\\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" > +SNR: 12345\\r\\n"), std::string::npos) << text;
    fs::remove_all(dir);
}

TEST(SimulatorStart, RefusesToReplaceARealFileWithTheLink) {
    const auto dir = tempDir("link");
    const auto file = dir / "precious";
    std::ofstream(file) << "keep me";
    Options o = fastOptions();
    o.linkPath = file.string();
    Simulator sim;
    EXPECT_FALSE(sim.start(o));
    EXPECT_NE(sim.error().find("not a symbolic link"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(file));

    o.faults.garbleRate = 1.5;
    o.linkPath.clear();
    EXPECT_FALSE(sim.start(o));
    fs::remove_all(dir);
}

TEST(EscapeBytes, MakesEveryByteVisible) {
    EXPECT_EQ(escapeBytes(std::string("A\r\n\\\x00\xff", 6)), "A\\r\\n\\\\\\x00\\xFF");
}

}  // namespace
}  // namespace kdsim::test
