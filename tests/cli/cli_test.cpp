// keldamar as a process against simulated loggers: its arguments and exit statuses, a read
// against the simulator's state, and loggers on several ports at once.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QSerialPort>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <thread>

#include "cli_rig.h"

using namespace kdtest;

namespace {

std::string S(const QJsonObject& o, const char* key) { return o.value(QLatin1String(key)).toString().toStdString(); }

kdsim::Options Fast(kdsim::Model model, const std::string& id = "12345") {
    kdsim::Options o;
    o.model = model;
    o.pacing = false;
    o.records = 20;
    o.state = kdsim::makePreset(model, 20);
    o.state->deviceId = id;
    return o;
}

TEST(KeldamarCli, ArgumentsAndExitStatuses) {
    CliRig rig;
    const std::string logger = rig.addLogger(5, Fast(kdsim::Model::Plain)).devicePath();
    kdsim::Options silent = Fast(kdsim::Model::Plain);
    silent.faults.silent = true;
    rig.addLogger(7, silent);
    kdsim::Options garbled = Fast(kdsim::Model::Plain);
    garbled.faults.garbleRate = 1.0;  // answers nobody knows: the read would wait for ever
    rig.addLogger(10, garbled);
    const std::string file = (rig.dir() / "ORVIKAS.ini").string();
    // Another program holds COM9's device.
    const std::string heldPath = rig.addLogger(9, Fast(kdsim::Model::Plain)).devicePath();
    QSerialPort held(QString::fromStdString(heldPath));
    ASSERT_TRUE(held.open(QIODevice::ReadWrite));

    struct Row {
        std::vector<std::string> args;
        int status;
        std::string out, err;  // expected within stdout and stderr
    };
    const Row rows[] = {
        {{"--help"}, 0, "Subcommands:", ""},
        {{"read", "--help"}, 0, "--port <P>", ""},
        {{}, 1, "", "no subcommand"},
        {{"frobnicate"}, 1, "", "unknown subcommand 'frobnicate'"},
        {{"read"}, 1, "", "no --port given"},
        {{"read", "--port", "COM17"}, 1, "", "unknown port 'COM17'"},
        {{"read", "--port", "ttyUSB0"}, 1, "", "unknown port 'ttyUSB0'"},
        {{"read", "--port", "COM5", "--fast"}, 1, "", "unknown option 'fast'"},
        {{"read", "--port", "COM5", "extra"}, 1, "", "unexpected argument 'extra'"},
        {{"read", "--port", "COM5", "--port", logger}, 1, "", "COM5 and " + logger + " are the same device"},
        {{"send", "--port", "COM5"}, 1, "", "no COMMAND given"},
        {{"send", "--port", "COM5", "AT+WDT?\r\nAT+POR=0"}, 1, "", "line break"},
        {{"ports", "--port", "COM5"}, 1, "", "unknown option 'port'"},
        {{"records", "--port", "COM5", "--from", "0", "--to", "4096"}, 1, "", "a log number is 0 to 4095"},
        {{"records", "--port", "COM5", "--from", "-1", "--to", "3"}, 1, "", "a log number is 0 to 4095"},
        {{"records", "--port", "COM5", "--from", "7"}, 1, "", "--from and --to go together"},
        {{"records", "--port", "COM5", "--unread", "--all"}, 1, "", "give one of"},
        {{"records", "--port", "COM5", "--csv", "-", "--json"}, 1, "", "both want standard output"},
        {{"records", "--port", "COM5", "--csv", "/kd-no-such-folder/r.csv"}, 4, "", "no folder /kd-no-such-folder"},
        {{"apply", file, "--port", "COM5"}, 4, "", "ORVIKAS.ini"},
        {{"apply", "--port", "COM5"}, 1, "", "no PROFILE given"},
        {{"read", "--port", "COM13"}, 2, "", "COM13 has no device"},
        {{"read", "--port", "/dev/kd-no-such-tty"}, 2, "", "/dev/kd-no-such-tty: no such device"},
        {{"read", "--port", file}, 2, "", "not a serial port"},
        {{"read", "--port", "/dev/null"}, 2, "", "/dev/null: not a serial port"},
        // This test holds it, and is named.
        {{"read", "--port", "COM9"}, 2, "", "in use by another program"},
        {{"read", "--port", "COM9"}, 2, "", "(process " + std::to_string(::getpid()) + "); close it"},
        {{"read", "--port", "COM5", "--transcript", "/kd-no-such-folder/t.txt"}, 4, "", "no folder /kd-no-such-folder"},
        {{"send", "--port", "COM7", "AT+WDT?"}, 2, "", "COM7: no answer to AT+WDT?"},
        {{"read", "--port", "COM10"}, 2, "", "COM10: the logger stopped answering after AT+SNR?"},
        {{"send", "--port", "COM5", "AT+WDT?"}, 0, "+WDT: 3\n", ""},
        {{"set-time", "--port", "COM5"}, 0, "Time & Date: ", ""},
        {{"ports"}, 0, "COM5  " + logger, ""},
    };
    for (const Row& row : rows) {
        std::string name;
        for (const std::string& a : row.args) name += a + " ";
        const CliRun r = rig.run(row.args);
        EXPECT_EQ(r.status, row.status) << name << r.err;
        EXPECT_NE(r.out.find(row.out), std::string::npos) << name << "stdout: " << r.out;
        EXPECT_NE(r.err.find(row.err), std::string::npos) << name << "stderr: " << r.err;
        // An error is one line (progress lines aside), and it comes once.
        if (row.status != 0) {
            const auto at = r.err.find("keldamar: ");
            ASSERT_NE(at, std::string::npos) << name << r.err;
            EXPECT_EQ(r.err.find("keldamar: ", at + 1), std::string::npos) << name << r.err;
        }
    }
}

class ReadJson : public ::testing::TestWithParam<kdsim::Model> {};

TEST_P(ReadJson, MatchesTheSimulatorsState) {
    CliRig rig;
    kdsim::Options o = Fast(GetParam());
    o.pacing = true;  // at 9600 baud, as a logger on a cable
    kdsim::Simulator& sim = rig.addLogger(5, o);
    const kdsim::LoggerState s = sim.state();
    const CliRun r = rig.run({"read", "--port", "COM5", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto objects = r.objects();
    ASSERT_EQ(objects.size(), 1u) << r.out;
    const QJsonObject& j = objects[0];

    EXPECT_EQ(S(j, "port"), "COM5");
    EXPECT_EQ(S(j, "device"), sim.devicePath());
    EXPECT_EQ(S(j, "device_id"), s.deviceId);
    EXPECT_EQ(S(j, "log_pointer"), std::to_string(s.logPointer));
    EXPECT_EQ(S(j, "unread_logs"), std::to_string(s.unreadLogs));
    EXPECT_EQ(S(j, "logging_interval"), std::to_string(s.logInterval));
    EXPECT_EQ(S(j, "download_interval"), std::to_string(s.downloadInterval));
    EXPECT_EQ(S(j, "sim_number"), s.simNumber);
    EXPECT_EQ(S(j, "sim_number_default"), s.simIccid);
    EXPECT_EQ(S(j, "own_number"), s.ownNumber);
    EXPECT_EQ(S(j, "firmware_version"), s.firmware);
    EXPECT_EQ(S(j, "apn_name"), s.apnName);
    EXPECT_EQ(S(j, "apn_user_name"), s.apnUser);
    EXPECT_EQ(S(j, "apn_password"), s.apnPassword);
    EXPECT_EQ(S(j, "ftp_server"), s.ftpServer);
    EXPECT_EQ(S(j, "ftp_user_name"), s.ftpUser);
    EXPECT_EQ(S(j, "ftp_password"), s.ftpPassword);
    EXPECT_EQ(S(j, "home_number"), s.homeNumber);
    EXPECT_EQ(S(j, "watchdog"), std::to_string(s.watchdogCount));
    EXPECT_EQ(S(j, "cold_starts"), std::to_string(s.coldStarts));
    EXPECT_EQ(S(j, "auto_off"), std::to_string(s.autoPowerDown));
    EXPECT_EQ(S(j, "modem_power"), "Modem ON");
    EXPECT_EQ(S(j, "battery_volts"), s.batteryVolts);
    EXPECT_EQ(S(j, "gsm_status"), "GSM ONline");
    EXPECT_EQ(S(j, "rain_gauge"), std::to_string(s.rainCount));
    EXPECT_EQ(S(j, "time_and_date").substr(0, 9), "12/03/15,");
    const bool hub = GetParam() == kdsim::Model::Hub;
    EXPECT_EQ(S(j, "model"), hub ? "KELDAMAR HUB" : "KELDAMAR MKIII");
    if (GetParam() == kdsim::Model::SimType) {
        EXPECT_EQ(S(j, "sim_card_type"), "Prepaid RSA Only");
        EXPECT_EQ(S(j, "network"), "Cell-C");
    } else {
        EXPECT_FALSE(j.contains(QLatin1String("sim_card_type")));
    }
    EXPECT_EQ(j.contains(QLatin1String("rf_channel")), hub);
    if (hub) {
        EXPECT_EQ(S(j, "rf_channel"), "Channel " + std::to_string(s.radioChannel));
        EXPECT_EQ(S(j, "probe"), s.deviceTable[0]);
        for (int i = 1; i <= 7; ++i) {
            const std::string& id = s.deviceTable[static_cast<size_t>(i)];
            EXPECT_EQ(S(j, ("network_device_" + std::to_string(i)).c_str()), id == "0" ? "" : id) << i;
        }
    }
    const kdsim::LogRecord newest = kdsim::makeRecord(s, s.logPointer - 1);
    EXPECT_EQ(S(j, "record_from"), newest.deviceId == s.deviceId ? (hub ? "SelfLog" : "Cable") : "ID: " + newest.deviceId);
    EXPECT_EQ(S(j, "record_time"), newest.stamp.substr(6, 2) + "h" + newest.stamp.substr(8, 2));
    EXPECT_FALSE(S(j, "soil_moisture_1").empty());
}

INSTANTIATE_TEST_SUITE_P(Models, ReadJson, ::testing::Values(kdsim::Model::SimType, kdsim::Model::Hub),
                         [](const auto& param) { return param.param == kdsim::Model::Hub ? "Hub" : "SimType"; });

TEST(KeldamarCli, SeveralPortsAreReadAtOnceEachWithItsOwnResultAndTheWorstStatus) {
    CliRig rig;
    rig.addLogger(5, Fast(kdsim::Model::Hub, "1111"));
    kdsim::Options second = Fast(kdsim::Model::Plain, "2222");
    const std::string secondPath = rig.addLogger(6, second).devicePath();
    kdsim::Options lost = Fast(kdsim::Model::Plain, "3333");
    lost.faults.hangUpAfter = 3;  // the cable comes out during the read
    rig.addLogger(8, lost);

    const CliRun ok = rig.run({"read", "--port", secondPath, "--port", "COM5", "--json"});
    ASSERT_EQ(ok.status, 0) << ok.err;
    auto objects = ok.objects();
    ASSERT_EQ(objects.size(), 2u) << ok.out;
    EXPECT_EQ(S(objects[0], "device_id"), "2222") << "results come in the order of the ports";
    EXPECT_EQ(S(objects[1], "device_id"), "1111");

    const CliRun mixed = rig.run({"read", "--port", "COM8", "--port", "COM5", "--port", "COM6"});
    EXPECT_EQ(mixed.status, 2);
    EXPECT_NE(mixed.err.find("keldamar: COM8: the port went away"), std::string::npos) << mixed.err;
    EXPECT_EQ(mixed.out.find("COM8"), std::string::npos) << "a failed port prints no data";
    EXPECT_NE(mixed.out.find("== COM5 ("), std::string::npos) << mixed.out;
    EXPECT_NE(mixed.out.find("Device ID: 1111\n"), std::string::npos);
    EXPECT_NE(mixed.out.find("Device ID: 2222\n"), std::string::npos);
    EXPECT_LT(mixed.out.find("1111"), mixed.out.find("2222"));
}

TEST(KeldamarCli, RecordsToCsvOnStdoutAreTheSimulatorsAndGoToTheArchive) {
    CliRig rig;
    kdsim::Options o = Fast(kdsim::Model::Plain, "4321");
    kdsim::Simulator& sim = rig.addLogger(5, o);
    const kdsim::LoggerState s = sim.state();
    const CliRun r = rig.run({"records", "--port", "COM5", "--from", "0", "--to", "19", "--csv", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Records received: 20"), std::string::npos) << "the summary goes to stderr: " << r.err;

    std::vector<std::string> rows;
    for (std::size_t start = 0, end; (end = r.out.find("\r\n", start)) != std::string::npos; start = end + 2)
        rows.push_back(r.out.substr(start, end - start));
    ASSERT_EQ(rows.size(), 21u) << r.out;
    EXPECT_EQ(rows[0].substr(0, 22), "device_id,log_number,d");
    for (int n = 0; n < 20; ++n) {
        const kdsim::LogRecord rec = s.records.at(n);
        const std::string& stamp = rec.stamp;  // YYMMDDhhmm
        const std::string expected = rec.deviceId + "," + std::to_string(n) + ",20" + stamp.substr(0, 2) + "-" +
                                     stamp.substr(2, 2) + "-" + stamp.substr(4, 2) + "," + stamp.substr(6, 2) + ":" +
                                     stamp.substr(8, 2) + ",";
        EXPECT_EQ(rows[static_cast<size_t>(n + 1)].substr(0, expected.size()), expected) << n;
        const std::string rssi = "," + std::to_string(rec.rssi);
        EXPECT_EQ(rows[static_cast<size_t>(n + 1)].substr(rows[static_cast<size_t>(n + 1)].size() - rssi.size()), rssi) << n;
    }
    EXPECT_TRUE(std::filesystem::exists(rig.dir() / "data" / "keldamar" / "records.sqlite"));
}

TEST(KeldamarCli, AnInterruptedDownloadKeepsTheRecordsReceivedInTheArchiveAndTheCsv) {
    CliRig rig;
    kdsim::Options o = Fast(kdsim::Model::Plain);
    o.pacing = true;  // some 70 ms a record
    kdsim::Simulator& sim = rig.addLogger(5, o);
    const std::filesystem::path csv = rig.dir() / "part.csv";
    QProcess process;
    process.setProcessEnvironment(rig.environment());
    process.start(QStringLiteral(KELDAMAR_CLI_EXE),
                  {"records", "--port", "COM5", "--from", "0", "--to", "19", "--csv", QString::fromStdString(csv.string())});
    auto events = [&] {
        int n = 0;
        for (const std::string& c : sim.commands()) n += c.rfind("AT+EVENT=", 0) == 0;
        return n;
    };
    // The read's newest record, then a few of the range.
    for (int i = 0; i < 400 && events() < 6; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(events(), 6);
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 130) << process.readAllStandardError().toStdString();
    std::ifstream in(csv, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto rows = std::count(text.begin(), text.end(), '\n') - 1;
    ASSERT_GE(rows, 4) << text;
    EXPECT_LT(rows, 20) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "whole rows only";
}

// The transcript is written line by line as the traffic goes: a run killed outright has it up
// to its last line, and a password never reaches the file.
TEST(KeldamarCli, TranscriptIsWrittenAsItGoes) {
    CliRig rig;
    kdsim::Options o = Fast(kdsim::Model::Plain);
    o.state->apnPassword = "s3cret";
    kdsim::Simulator& sim = rig.addLogger(5, o);
    const std::filesystem::path file = rig.dir() / "t.txt";
    const auto lines = [&] {
        std::ifstream in(file, std::ios::binary);
        std::vector<std::string> all;
        for (std::string line; std::getline(in, line);) all.push_back(line);
        return all;
    };

    const CliRun r = rig.run({"send", "--port", "COM5", "--transcript", file.string(), "AT+APNCON?"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::regex stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} ([<>]) (.*)$)");
    const auto sent = lines();
    ASSERT_GE(sent.size(), 2u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(sent[0], m, stamp)) << sent[0];
    EXPECT_EQ(m[1].str() + m[2].str(), ">AT+APNCON?");
    ASSERT_TRUE(std::regex_match(sent[1], m, stamp)) << sent[1];
    EXPECT_EQ(m[1].str(), "<");
    EXPECT_NE(m[2].str().find(",******"), std::string::npos) << sent[1];
    for (const std::string& line : sent) EXPECT_EQ(line.find("s3cret"), std::string::npos) << line;
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    kdsim::Options paced = Fast(kdsim::Model::Plain);
    paced.pacing = true;
    kdsim::Simulator& slow = rig.addLogger(6, paced);
    QProcess process;
    process.setProcessEnvironment(rig.environment());
    process.start(QStringLiteral(KELDAMAR_CLI_EXE), {"records", "--port", "COM6", "--from", "0", "--to", "19",
                                                     "--transcript", QString::fromStdString(file.string())});
    auto events = [&] {
        int n = 0;
        for (const std::string& c : slow.commands()) n += c.rfind("AT+EVENT=", 0) == 0;
        return n;
    };
    for (int i = 0; i < 400 && events() < 6; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(events(), 6);
    process.kill();
    ASSERT_TRUE(process.waitForFinished(10000));
    int logged = 0;
    for (const std::string& line : lines()) logged += line.find(" > AT+EVENT=") != std::string::npos;
    EXPECT_GE(logged, 6);
    (void)sim;
}

TEST(KeldamarCli, ApplySendsTheProfilesChangesAndNamesTheValueTheLoggerKeptOld) {
    CliRig rig;
    kdsim::Options o = Fast(kdsim::Model::Plain);
    o.faults.keepOld = {"AT+APNCON="};
    kdsim::Simulator& sim = rig.addLogger(5, o);
    const std::string profile = (rig.dir() / "fleet.kdprofile").string();
    std::ofstream(profile, std::ios::binary) << "[PROFILE]\r\nLogint=15\r\nAPNname=fleet.apn\r\nAPNun=guest\r\n"
                                                "APNpw=guest\r\n";

    const CliRun preview = rig.run({"apply", profile, "--port", "COM5", "--dry-run", "--json"});
    ASSERT_EQ(preview.status, 0) << preview.err;
    const auto rows = preview.objects().at(0).value(QLatin1String("preview")).toArray();
    ASSERT_EQ(rows.size(), 4) << preview.out;  // the interval, and the APN group sent as one
    EXPECT_EQ(rows[0].toObject().value(QLatin1String("setting")).toString(), QStringLiteral("Logging Int"));
    EXPECT_EQ(rows[0].toObject().value(QLatin1String("on_logger")).toString(), QStringLiteral("30"));
    EXPECT_EQ(rows[0].toObject().value(QLatin1String("new_value")).toString(), QStringLiteral("15"));
    EXPECT_EQ(sim.state().logInterval, 30) << "a dry run sends nothing";

    const CliRun r = rig.run({"apply", profile, "--port", "COM5"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find("APN Name: sent fleet.apn, logger holds internet"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Logging Int"), std::string::npos) << "only the value not kept is named";
    EXPECT_NE(r.out.find("Logging Int: sent 15, kept\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("APN Password: sent *****, kept\n"), std::string::npos) << r.out;
    EXPECT_EQ(sim.state().logInterval, 15);
    EXPECT_EQ(sim.state().apnName, "internet");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
