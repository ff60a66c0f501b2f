// keldamar-sim's command line, its COM mapping, and the executable run as a process.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

#include "cli.h"
#include "pty_client.h"
#include "settings/ini_file.h"

extern char** environ;

namespace kdsim::test {
namespace {

namespace fs = std::filesystem;

CliParse parse(std::vector<std::string> args) { return parseCommandLine(args); }

TEST(SimCommandLine, DefaultsAreAPacedPlainLoggerWithoutFaults) {
    const auto p = parse({});
    ASSERT_EQ(p.error, "");
    const auto& o = p.config.options;
    EXPECT_TRUE(o.pacing);
    EXPECT_EQ(o.think, 2ms);
    EXPECT_EQ(o.unsolicitedPeriod, 0ms);
    EXPECT_FALSE(o.faults.silent);
    EXPECT_EQ(o.faults.dropEvery, 0);
    ASSERT_TRUE(o.state);
    EXPECT_EQ(o.state->firmware, "V202.1");
    EXPECT_EQ(o.state->records.size(), 5u);
    EXPECT_EQ(p.config.mapCom, 0);
}

TEST(SimCommandLine, RecordsSitBeforeTheLogPointerRoundTheRing) {
    const auto p = parse({"--records", "12", "--log-pointer", "6", "--unread", "9"});
    ASSERT_EQ(p.error, "");
    const LoggerState& s = *p.config.options.state;
    EXPECT_EQ(s.logPointer, 6);
    EXPECT_EQ(s.unreadLogs, 9);
    ASSERT_EQ(s.records.size(), 12u);
    EXPECT_TRUE(s.records.count(4090) && s.records.count(4095) && s.records.count(0) && s.records.count(5));
    EXPECT_LT(s.records.at(4090).stamp, s.records.at(5).stamp);  // oldest first
    EXPECT_NE(parse({"--records", "4097", "--log-pointer", "1"}).error, "");
    EXPECT_NE(parse({"--log-pointer", "4096"}).error, "");
}

TEST(SimCommandLine, PresetsFaultsAndTiming) {
    const auto p = parse({"--hub", "--records", "3", "--id=777", "--no-pacing", "--think", "5", "--unsolicited", "1.5",
                          "--drop-every", "4", "--late", "2000", "--garble", "0.25", "--split", "--echo", "--noise",
                          "--flood", "100", "--hang-up-after", "9", "--reopen-after", "50", "--seed", "42",
                          "--scan", "1201:3:never", "--scan", "55:0", "--scan-delay", "40000",
                          "--ignore", "AT+FTPINT=:5", "--ignore=AT+SNR", "--keep-old", "AT+LOGINT=", "--transcript", "/tmp/t", "--link", "/tmp/l", "--map-com", "7", "--settings-dir", "/tmp/s"});
    ASSERT_EQ(p.error, "");
    const auto& o = p.config.options;
    const auto& s = *o.state;
    EXPECT_EQ(s.firmware, "V203.2");
    EXPECT_EQ(s.deviceId, "777");
    EXPECT_EQ(s.deviceTable[0], "777");  // the hub's own probe follows its ID
    EXPECT_EQ(s.records.size(), 3u);
    EXPECT_EQ(s.logPointer, 3);
    EXPECT_FALSE(o.pacing);
    EXPECT_EQ(o.think, 5ms);
    EXPECT_EQ(o.unsolicitedPeriod, 1500ms);
    EXPECT_EQ(o.faults.dropEvery, 4);
    EXPECT_EQ(o.faults.lateBy, 2000ms);
    EXPECT_DOUBLE_EQ(o.faults.garbleRate, 0.25);
    EXPECT_TRUE(o.faults.splitWrites && o.faults.echo && o.faults.noise);
    EXPECT_EQ(o.faults.floodBytes, 100u);
    EXPECT_EQ(o.faults.hangUpAfter, 9);
    EXPECT_EQ(o.faults.reopenAfter, 50ms);
    EXPECT_EQ(o.seed, 42u);
    ASSERT_EQ(o.faults.ignore.size(), 2u);
    EXPECT_EQ(o.faults.ignore[0].prefix, "AT+FTPINT=");
    EXPECT_EQ(o.faults.ignore[0].times, 5);
    EXPECT_EQ(o.faults.ignore[1].prefix, "AT+SNR");
    EXPECT_EQ(o.faults.ignore[1].times, 0);
    EXPECT_EQ(o.faults.keepOld, std::vector<std::string>{"AT+LOGINT="});
    EXPECT_EQ(s.scanAnswers.at("1201").status, 3);
    EXPECT_FALSE(s.scanAnswers.at("1201").delay);                // its own "never" wins
    EXPECT_EQ(s.scanAnswers.at("55").delay, 40000ms);            // the general delay applies
    EXPECT_EQ(s.scanAnswers.at("777").delay, 40000ms);
    EXPECT_EQ(s.scanDefault.delay, 40000ms);
    EXPECT_EQ(o.transcriptFile, "/tmp/t");
    EXPECT_EQ(o.linkPath, "/tmp/l");
    EXPECT_EQ(p.config.mapCom, 7);
    EXPECT_EQ(p.config.settingsDir, "/tmp/s");
    EXPECT_EQ(parse({"--raw-id", "12\\e]0;t\\a\\x9b\\\\5"}).config.options.state->deviceId, "12\x1b]0;t\a\x9b\\5");
}

TEST(SimCommandLine, BadArgumentsAreReported) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"--records"}, {"--records", "x"}, {"--records", "5000"}, {"--model", "big"},
             {"--map-com", "0"}, {"--map-com", "17"}, {"--garble", "2"}, {"--drop-every", "0"}, {"--id", "12a"},
             {"--scan", "1201"}, {"--scan", "1201:1:soon"}, {"--unsolicited", "0"}, {"--think", "-1"},
             {"--no-pacing=yes"}, {"--baud", "1e9"}, {"--ignore", "AT+X:0"}, {"--ignore", ""}, {"--keep-old", ""},
             {"--raw-id", ""}, {"--raw-id", "12\\q"}, {"--raw-id", "1\\x4"}, {"--raw-id", "1\\x0a"}}) {
        EXPECT_NE(parse(args).error, "") << args.front();
    }
    EXPECT_TRUE(parse({"--help"}).config.help);
    for (const char* opt : {"--model", "--hub", "--records", "--no-pacing", "--think", "--silent", "--drop-every", "--late",
                            "--garble", "--split", "--echo", "--noise", "--flood", "--hang-up-after", "--transcript",
                            "--unsolicited", "--link", "--map-com", "--settings-dir", "--scan", "--ignore", "--keep-old", "ERROR"})
        EXPECT_NE(usageText().find(opt), std::string::npos) << opt;
}

TEST(SimComMapping, WritesTheDeviceUnderPorts) {
    const auto dir = fs::temp_directory_path() / ("kdsim-map-" + std::to_string(::getpid())) / "new";
    fs::remove_all(dir.parent_path());
    ASSERT_TRUE(mapComPort(dir, 5, "/tmp/kd-logger"));
    ASSERT_TRUE(mapComPort(dir, 6, "/dev/pts/9"));
    kd::IniFile ini(dir / kd::kSettingsFileName);
    EXPECT_EQ(ini.read("Ports", "COM5"), "/tmp/kd-logger");
    EXPECT_EQ(ini.read("Ports", "COM6"), "/dev/pts/9");
    EXPECT_FALSE(mapComPort(dir, 17, "/dev/pts/9"));
    fs::remove_all(dir.parent_path());
}

TEST(SimExecutable, ServesPrintsItsDeviceMapsItAndStopsOnSigterm) {
    const auto dir = fs::temp_directory_path() / ("kdsim-exe-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string link = (dir / "logger").string();

    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_addclose(&fa, out[0]);
    std::vector<std::string> args = {KELDAMAR_SIM_EXE, "--hub", "--no-pacing", "--link", link,
                                     "--map-com", "3", "--settings-dir", dir.string()};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, KELDAMAR_SIM_EXE, &fa, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);

    std::string first;
    char c;
    pollfd pf{out[0], POLLIN, 0};
    while (::poll(&pf, 1, 3000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n') first += c;
    ::close(out[0]);
    EXPECT_TRUE(first.starts_with("/dev/pts/")) << first;
    EXPECT_EQ(fs::read_symlink(link).string(), first);
    EXPECT_EQ(kd::IniFile(dir / kd::kSettingsFileName).read("Ports", "COM3"), link);
    {
        PtyClient port(link);
        ASSERT_TRUE(port.ok());
        std::string reply;
        for (int i = 0; i < 50 && reply.empty(); ++i) reply = port.ask("AT+RFCHAN?", 100ms);
        EXPECT_EQ(reply, "+RFCHAN: 2\r\n");
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace kdsim::test
