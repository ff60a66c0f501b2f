// keldamar as a process against simulated loggers: its arguments and exit statuses, a read
// against the simulator's state, and loggers on several ports at once.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QSerialPort>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
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
    for (int i = 0; i < 6000 && events() < 6; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(events(), 6);
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 130) << process.readAllStandardError().toStdString();
    std::ifstream in(csv, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto rows = std::count(text.begin(), text.end(), '\n') - 1;
    ASSERT_GE(rows, 4) << text;
    EXPECT_LT(rows, 20) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "whole rows only";
}

TEST(KeldamarCli, ALockedArchiveCostsTheCsvNothingAndOneNotOursIsLeftAsItIs) {
    CliRig rig;
    rig.addLogger(5, Fast(kdsim::Model::Plain));
    const auto archive = rig.dir() / "data" / "keldamar" / "records.sqlite";
    ASSERT_EQ(rig.run({"records", "--port", "COM5", "--from", "0", "--to", "0"}).status, 0);

    // Another program holds a write lock for the whole run: the records go to the CSV, the
    // tool waits a while for the lock, then says how many did not reach the archive.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(archive.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto csv = rig.dir() / "locked.csv";
    const CliRun locked = rig.run({"records", "--port", "COM5", "--from", "0", "--to", "19", "--csv", csv.string()});
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(locked.status, 4) << locked.err;
    EXPECT_NE(locked.err.find("records archive " + archive.string() + ": "), std::string::npos) << locked.err;
    EXPECT_NE(locked.err.find(" records could not be archived (database is locked)"), std::string::npos) << locked.err;
    std::ifstream in(csv, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 21) << text;

    // Another program's database in the archive's place: refused before anything is sent,
    // not changed.
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(archive.string() + suffix);
    ASSERT_EQ(sqlite3_open(archive.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "CREATE TABLE notes (body TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    std::ifstream before(archive, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(before)), std::istreambuf_iterator<char>());
    const CliRun foreign = rig.run({"records", "--port", "COM5", "--from", "0", "--to", "19"});
    EXPECT_EQ(foreign.status, 4) << foreign.err;
    EXPECT_NE(foreign.err.find(archive.string()), std::string::npos) << foreign.err;
    EXPECT_NE(foreign.err.find("not a records archive"), std::string::npos) << foreign.err;
    std::ifstream after(archive, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), std::istreambuf_iterator<char>()), bytes);
    EXPECT_FALSE(std::filesystem::exists(archive.string() + "-wal"));
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

std::string Profile(const CliRig& rig, const std::string& lines) {
    const std::string path = (rig.dir() / "fleet.kdprofile").string();
    std::ofstream(path, std::ios::binary) << "[PROFILE]\r\n" << lines;
    return path;
}

TEST(KeldamarCli, NoTextThatNamesACommandShowsItsPassword) {
    CliRig rig;
    kdsim::Options o = Fast(kdsim::Model::Plain);
    o.faults.ignore = {{"AT+APNCON=", 0}};  // never answered
    rig.addLogger(5, o);
    kdsim::Options silent = Fast(kdsim::Model::Plain);
    silent.faults.silent = true;
    rig.addLogger(7, silent);
    const std::string profile = Profile(rig, "APNpw=s3cret\r\n");

    const CliRun apply = rig.run({"apply", profile, "--port", "COM5", "--json"});
    EXPECT_EQ(apply.status, 2) << apply.err;
    const std::string error = S(apply.objects().at(0), "error");
    EXPECT_NE(error.find("no answer to AT+APNCON=internet,guest,****** (sent 5 times)"), std::string::npos) << error;
    const CliRun send = rig.run({"send", "--port", "COM7", "AT+FTPCON=ftp.example,me,s3cret"});
    EXPECT_EQ(send.status, 2) << send.err;
    EXPECT_NE(send.err.find("no answer to AT+FTPCON=ftp.example,me,******"), std::string::npos) << send.err;
    for (const CliRun* r : {&apply, &send}) {
        EXPECT_EQ(r->out.find("s3cret"), std::string::npos) << r->out;
        EXPECT_EQ(r->err.find("s3cret"), std::string::npos) << r->err;
    }
}

// However an upload ends early, each value sent is printed with what became of it.
TEST(KeldamarCli, AnApplyEndedEarlyReportsEachValueSentAndWhatBecameOfIt) {
    // The commands of a read of this logger, so a hang-up can come right after the first value.
    std::size_t readCommands = 0;
    {
        CliRig rig;
        kdsim::Simulator& sim = rig.addLogger(5, Fast(kdsim::Model::Plain));
        ASSERT_EQ(rig.run({"read", "--port", "COM5"}).status, 0);
        readCommands = sim.commands().size();
    }
    enum class End { Error, HangUp, Interrupt };
    struct Row {
        End end;
        int status;
        std::string error, homeNo;
    };
    const Row rows[] = {
        {End::Error, 3, "the logger refused Home No (answered ERROR to AT+HOMENUM=12345abcde)", "refused by the logger"},
        {End::HangUp, 2, "the port went away", "no answer"},
        {End::Interrupt, 130, "interrupted", "no answer"},
    };
    for (const Row& row : rows) {
        CliRig rig;
        kdsim::Options o = Fast(kdsim::Model::Plain);
        // The logger answers ERROR to a home number with letters; the others never see it answered.
        if (row.end == End::HangUp) o.faults.hangUpAfter = static_cast<int>(readCommands) + 1;
        if (row.end == End::Interrupt) o.faults.ignore = {{"AT+HOMENUM=", 0}};
        kdsim::Simulator& sim = rig.addLogger(5, o);
        const std::string profile = Profile(rig, "Logint=15\r\nHome=12345abcde\r\n");
        const std::vector<std::string> args{"apply", profile, "--port", "COM5"};
        CliRun r;
        if (row.end == End::Interrupt) {
            QProcess process;
            process.setProcessEnvironment(rig.environment());
            process.start(QStringLiteral(KELDAMAR_CLI_EXE), {"apply", QString::fromStdString(profile), "--port", "COM5"});
            auto homeSent = [&] {
                const auto c = sim.commands();
                return std::find(c.begin(), c.end(), "AT+HOMENUM=12345abcde") != c.end();
            };
            for (int i = 0; i < 500 && !homeSent(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ASSERT_TRUE(homeSent());
            ::kill(static_cast<pid_t>(process.processId()), SIGINT);
            ASSERT_TRUE(process.waitForFinished(10000));
            r.status = process.exitCode();
            r.out = process.readAllStandardOutput().toStdString();
            r.err = process.readAllStandardError().toStdString();
        } else {
            r = rig.run(args);
        }
        const std::string name = "case " + std::to_string(static_cast<int>(row.end)) + ": ";
        EXPECT_EQ(r.status, row.status) << name << r.err;
        EXPECT_NE(r.err.find(row.error), std::string::npos) << name << r.err;
        EXPECT_NE(r.out.find("Logging Int: sent 15, kept\n"), std::string::npos) << name << r.out;
        EXPECT_NE(r.out.find("Home No: sent 12345abcde, " + row.homeNo + "\n"), std::string::npos) << name << r.out;
        EXPECT_EQ(sim.state().logInterval, 15) << name;
    }
    // The same as values.
    CliRig rig;
    rig.addLogger(5, Fast(kdsim::Model::Plain));
    const CliRun json = rig.run({"apply", Profile(rig, "Logint=15\r\nHome=12345abcde\r\n"), "--port", "COM5", "--json"});
    EXPECT_EQ(json.status, 3) << json.err;
    const QJsonArray sent = json.objects().at(0).value(QLatin1String("sent")).toArray();
    ASSERT_EQ(sent.size(), 2) << json.out;
    EXPECT_TRUE(sent[0].toObject().value(QLatin1String("kept")).toBool());
    EXPECT_FALSE(sent[1].toObject().value(QLatin1String("kept")).toBool());
    EXPECT_EQ(sent[1].toObject().value(QLatin1String("result")).toString(), QStringLiteral("refused"));
}

TEST(KeldamarCli, SendEndsAmidAStreamOfStatusLines) {
    CliRig rig;
    kdsim::Options o = Fast(kdsim::Model::Plain);
    o.unsolicitedPeriod = std::chrono::milliseconds(400);
    rig.addLogger(5, o);
    const CliRun r = rig.run({"send", "--port", "COM5", "AT+WDT?"}, 20000);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("+WDT: 3\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("+SS:"), std::string::npos) << "the lines that came meanwhile are printed: " << r.out;
}

TEST(KeldamarCli, NoControlByteFromALoggerReachesATerminalAndJsonKeepsTheValue) {
    CliRig rig;
    const std::string id = "12\x1b]0;title\x07\x1b[2J345";
    const std::string shown = "12\u241b]0;title\u2407\u241b[2J345";
    rig.addLogger(5, Fast(kdsim::Model::Plain, id));
    struct Row {
        std::vector<std::string> args;
        std::string text;  // on stdout without --json
    };
    const Row rows[] = {
        {{"read", "--port", "COM5"}, "Device ID: " + shown + "\n"},
        {{"send", "--port", "COM5", "AT+SNR?"}, "+SNR: " + shown + "\n"},
    };
    for (const Row& row : rows) {
        const CliRun text = rig.run(row.args);
        EXPECT_EQ(text.status, 0) << text.err;
        EXPECT_NE(text.out.find(row.text), std::string::npos) << text.out;
        for (const std::string* out : {&text.out, &text.err})
            EXPECT_EQ(out->find_first_of("\x1b\x07"), std::string::npos) << row.args[0] << ": " << *out;

        std::vector<std::string> args = row.args;
        args.insert(args.begin() + 3, "--json");
        const CliRun json = rig.run(args);
        EXPECT_EQ(json.status, 0) << json.err;
        EXPECT_EQ(json.out.find_first_of("\x1b\x07"), std::string::npos) << "JSON escapes them";
        const QJsonObject o = json.objects().at(0);
        const std::string value = row.args[0] == "read" ? S(o, "device_id")
                                                        : o.value(QLatin1String("lines")).toArray().at(0).toString().toStdString();
        EXPECT_EQ(value, row.args[0] == "read" ? id : "+SNR: " + id);
    }
}

// Exit 4 is the profile's; the logger's own value failing the upload's checks is the
// logger's; a dry run makes the same checks.
TEST(KeldamarCli, ApplyStatusSaysWhoseValueTheChecksRefuseAndADryRunSaysItToo) {
    struct Row {
        std::string id, profile;
        bool dryRun;
        int status;
        std::string error;
    };
    const Row rows[] = {
        {"40000", "Logint=15\r\n", false, 3, "the logger's own Device ID 40000 fails the upload's checks (Device ID out of range!!)"},
        {"40000", "Logint=15\r\n", true, 3, "would be refused: the logger's own Device ID 40000"},
        {"12345", "Logint=7\r\n", false, 4, "profile fleet refused: Log Interval out of range!"},
        {"12345", "Logint=7\r\n", true, 4, "would be refused: profile fleet refused: Log Interval out of range!"},
    };
    for (const Row& row : rows) {
        CliRig rig;
        kdsim::Simulator& sim = rig.addLogger(5, Fast(kdsim::Model::Plain, row.id));
        std::vector<std::string> args{"apply", Profile(rig, row.profile), "--port", "COM5"};
        if (row.dryRun) args.push_back("--dry-run");
        const CliRun r = rig.run(args);
        const std::string name = row.id + " " + row.profile.substr(0, row.profile.size() - 2) + (row.dryRun ? " dry" : "") + ": ";
        EXPECT_EQ(r.status, row.status) << name << r.err;
        EXPECT_NE(r.err.find(row.error), std::string::npos) << name << r.err;
        if (row.dryRun) {
            EXPECT_NE(r.out.find("Logging Int: 30 -> "), std::string::npos) << name << "the preview is printed: " << r.out;
        }
        EXPECT_EQ(sim.state().logInterval, 30) << name << "nothing is sent";
    }
}

TEST(KeldamarCli, TheProgressBarIsClearedBeforeResultsOnTheSameTerminal) {
    CliRig rig;
    kdsim::Options first = Fast(kdsim::Model::Plain, "1111");
    first.pacing = true;
    rig.addLogger(5, first);
    kdsim::Options second = Fast(kdsim::Model::Plain, "2222");
    second.pacing = true;
    second.faults.lateBy = std::chrono::milliseconds(40);  // still reading when COM5's result is out
    rig.addLogger(6, second);
    const CliRun r = rig.runOnTerminal({"read", "--port", "COM5", "--port", "COM6"});
    ASSERT_EQ(r.status, 0) << r.out;
    ASSERT_NE(r.out.find('['), std::string::npos) << "a bar was drawn: " << r.out;
    for (const char* head : {"== COM5", "== COM6"}) {
        const auto at = r.out.find(head);
        ASSERT_NE(at, std::string::npos) << r.out;
        const std::string before = r.out.substr(at >= 3 ? at - 3 : 0, std::min<std::size_t>(at, 3));
        EXPECT_TRUE(at == 0 || before == "\x1b[K" || before.back() == '\n') << head << " follows " << before << " in " << r.out;
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
