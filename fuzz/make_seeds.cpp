// Writes the seed corpora (fuzz/corpus) from the simulated logger's answers to a real program:
// a whole "Load Settings" of each model family, an upload, a radio scan, log records; plus
// the captured edge lines of the tests and settings files with every key and odd encodings.
// Usage: make_seeds DIR (fills DIR/receive, log_record, csv, settings and profile).
#include <cstdio>
#include <deque>
#include <fstream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "logger_model.h"
#include "rig.h"

namespace {

namespace fs = std::filesystem;
using kdsim::Model;

void Put(const fs::path& dir, const std::string& name, const std::string& bytes) {
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

// The program talks to the simulated logger; every byte the logger sends is returned.
struct Session {
    explicit Session(Model model)
        : rig(kdfuzz::CompleteSettingsFile()), logger(kdsim::makePreset(model, 12)) {
        rig.port.onCommand = [this](const std::string& c) {
            const std::string r = logger.handle(c, kdsim::LoggerModel::Clock::now()).text;
            if (!r.empty()) waiting.push_back(r);
        };
        kd::Form_Load(rig.program);
        rig.program.form.ConnectButton.click();
    }
    std::string run() {
        std::string sent;
        while (!waiting.empty()) {
            const std::string r = waiting.front();
            waiting.pop_front();
            sent += r;
            rig.port.receive(r);
        }
        return sent;
    }
    kdfuzz::Rig rig;
    kdsim::LoggerModel logger;
    std::deque<std::string> waiting;
};

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> out;
    for (size_t at = 0, lf; (lf = bytes.find('\n', at)) != std::string::npos; at = lf + 1)
        out.push_back(bytes.substr(at, lf + 1 - at));
    return out;
}

// Mode bytes of the receive target (see receive_fuzzer.cpp).
constexpr char kIdle = 0, kReading = 1, kHubScan = 0x60, kUpload = static_cast<char>(0x80 | 22);
constexpr char kLate = static_cast<char>(0x80);  // a reply time-out after each line
constexpr char kHubUpload = static_cast<char>(0x80 | 0x20 | 22);  // device table, then SIM type

// Shapes at the edges of the hub and record replies, as the tests captured them.
const char* const kEdgeLines[] = {
    "+SCANID: 1234,0", "+SCANID: ,,,", "+SCANID: 1234,0,99999999999999999999,", "+PTABLE: ,,,,,,,",
    "+PTABLE: 99999999999999999999,-1,1.5,0,0,0,0,0,9", "+RFCHAN: -32769", "+RFCHAN: ", "@LOAD", "@LOADX",
    "@LOAD 12345,1299991430,FFFFFFFFFFFFFFFFFFFFFFFF,FFFFFFFFFFFF,0",
    "@LOAD 12345,-9-9-9,0000400000000000000,7D7D7D7D7D7D,000010041F00Z", "+FW: V203.2", "+FW: V209.1",
    "+SIMTYPE: 1,2", "+SIMTYPE: 12", "+LOAD: 0.5,0", "+LOAD: 99999,5", "+CREG: 0,5", "+MPOWER: 0", "OK", "ERROR", ""};

// What the technician does between replies (receive_fuzzer.cpp's actions), after a whole
// read of a logger (`load`): refused and confirmed uploads, the SIM type item, edit mode, a
// log and panes at their bounds, a scan clicked twice.
void ActionSeeds(const fs::path& dir, const std::string& model, const std::string& load) {
    const std::string x = "\xFF";
    const struct { const char* name; std::string bytes; } kActs[] = {
        {"upload-refused", x + "\x48" + "a,b\n" + x + "\x28" + "OK\r\n"},
        {"upload-bad-number", x + "\x43" + "9999\n" + x + "\x28"},
        {"upload-rows", x + "\x43" + "60\n" + x + "\x48" + "apn\n" + x + "\x28" + x + "\x48" + "a,b\n" + "+LOGINT: 60\r\n"},
        {"simtype-prepaid", x + "\x2A" + x + "\x2B" + x + "\x2E" + x + "\x28" + "OK\r\n"},
        {"simtype-contract", x + "\x2A" + x + "\x28" + "OK\r\n"},
        {"edit-table", x + "\x5B" + x + "\x52" + "77\n" + x + "\x5A" + x + "\x50" + "1\n" + x + "\x28" + "OK\r\n"},
        {"log-full", x + "\x58" + "@LOAD 12345,1203151430,4000000000000000000000FF,7D0000000000,000000001F000000\r\n"
                                 "@LOAD 12345,1203151431,4000000000000000000000FF,7D0000000000,000000001F000000\r\n"
                                 "@LOAD 12345,1203151432,4000000000000000000000FF,7D0000000000,000000001F000000\r\n"},
        {"panes-full", x + "\x59" + x + "\x29" + "+SNR: 12345\r\n" + x + "\x3F" + std::string(40, 'z') + "\r\n"},
        {"fetch-newest", x + "\x01" + "+LOAD: 0,3\r\n" + x + "\x13" + "+RAING: 17\r\n" + x + "\x5C" + x + "\x37"},
        {"scan-codes", x + "\x22" + "+SCANID: 1234,1,0,0\r\n" + x + "\x23" + "+SCANID: 1234,2\r\n" + x + "\x24" +
                           "+SCANID: 1234,3,,\r\n" + x + "\x25" + "+SCANID: 1234,9,1,1\r\n"},
        {"scan-twice", x + "\x22" + "+SCANID: 1234,0,12,85\r\n" + x + "\x22" + x + "\x3F" + x + "\x23"},
    };
    for (const auto& a : kActs) Put(dir, "act-" + model + "-" + a.name, std::string{1, 0} + load + a.bytes);
}

void ReceiveSeeds(const fs::path& dir, const fs::path& records, const fs::path& csv) {
    const struct { Model model; const char* name; } kModels[] = {
        {Model::Plain, "plain"}, {Model::SimType, "simtype"}, {Model::Hub, "hub"}};
    int n = 0;
    for (const auto& m : kModels) {
        Session s(m.model);
        kd::Mainform& f = s.rig.program.form;
        f.LoadSettings.click();
        const std::string load = s.run();
        Put(dir, std::string("load-") + m.name, std::string{kReading, 0} + load);
        Put(dir, std::string("load-") + m.name + "-split", std::string{kReading, 7} + load);
        Put(dir, std::string("load-") + m.name + "-late", std::string{kReading, kLate} + load);
        ActionSeeds(dir, m.name, load);
        for (const std::string& line : Lines(load)) Put(dir, "reply-" + std::to_string(n++), std::string{kIdle, 0} + line);

        f.ModemParm(3).setText("60");
        f.ModemParm(8).setText("apn.example");
        f.Uploadbutton.click();
        Put(dir, std::string("upload-") + m.name, std::string{kUpload, 0} + s.run());

        for (int record : {0, 3, 11}) {
            f.LogBox.setText(std::to_string(record));
            f.FetchLog.click();
            const std::string r = s.run();
            Put(dir, "record-" + std::to_string(n++), std::string{kIdle, 0} + r);
            Put(records, std::string(m.name) + "-" + std::to_string(record), r.substr(0, r.find('\n')));
            Put(csv, std::string(m.name) + "-" + std::to_string(record), r.substr(0, r.find('\n')));
        }
        if (m.model == Model::Hub) {
            f.NWDevIDBox(2).setText("4321");
            f.ScanCommand(2).click();
            Put(dir, "scan-hub", std::string{kHubScan, 0} + s.run());
        }
        Put(dir, std::string("unsolicited-") + m.name, std::string{kIdle, 3} + s.logger.unsolicited());
    }
    for (const char* line : kEdgeLines) Put(dir, "edge-" + std::to_string(n++), std::string{kReading, 0} + line + "\r\n");
    Put(dir, "upload-hub-table-simtype", std::string{kHubUpload, 0} + "+PTABLE: 12345,1201,0,0,0,4321,0,0\r\n+SIMTYPE: 1,2\r\n");
    Put(csv, "id-with-comma-and-quotes", "@LOAD 12,\"3\",1203151430,4000000000000000000000FF,7D0000000000,000000001F00\r");
    Put(csv, "id-with-line-break", "ID\r\n\"x\",y");
}

void ProfileSeeds(const fs::path& dir) {
    const std::string rows =
        "[PROFILE]\r\nLogint=15\r\nFTPint=60\r\nAPNname=apn.fleet\r\nAPNun=\r\nAPNpw=\" two words \"\r\n"
        "FTPname=ftp.fleet.net\r\nFTPun=\"\"q\"\"\r\nFTPpw=ftppw\r\nHome=0831110000\r\n";
    Put(dir, "plain", rows);
    Put(dir, "simtype", rows + "SimType=1\r\nNetwork=3\r\n");
    Put(dir, "hub", rows + "[NETWORK]\r\nProbe=12345\r\nDevice1=2222\r\nDevice2=\r\nDevice7=7777\r\n");
    Put(dir, "bad-simtype", "[PROFILE]\nSimType=2\nNetwork=x\n");
    Put(dir, "odd", "\xEF\xBB\xBF[profile]\nlogint = ' 30 '\nHome=\"\nAPNname=caf\xE9\n[DEFAULT]\nComport=3\n");
}

void SettingsSeeds(const fs::path& dir) {
    const std::string all =
        "Comport=5\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\nStopbits=1\r\nLogint=30\r\nFTPint=120\r\n"
        "APNname=internet\r\nAPNun=guest\r\nAPNpw=guest\r\nFTPname=ftp.example.com\r\nFTPun=logger\r\n"
        "FTPpw=secret\r\nHome=0215550143\r\nCust1=AT+SS?\r\nCust2=AT+AIRTIME?\r\nCust3=AT+EVENT=1\r\n";
    Put(dir, "every-key-crlf", "[DEFAULT]\r\n" + all);
    std::string lf = "[DEFAULT]\n" + all;
    for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
    Put(dir, "every-key-lf", lf);
    Put(dir, "bom-and-other-sections", "\xEF\xBB\xBF[Ports]\r\nCOM5=/dev/ttyUSB0\r\n[default]\r\n" + all + "[Other]\r\nx=1\r\n");
    Put(dir, "latin1-values", "[DEFAULT]\r\nComport=2\r\nAPNname=caf\xE9\r\nAPNpw=\xFF\xFE\r\nCust1=AT+X=\xB0\r\n");
    Put(dir, "quotes-and-blanks",
        "[DEFAULT]\r\n  Comport = \" 3 \" \r\nAPNname='quoted'\r\nAPNun=\"\"\"x\"\"\"\r\nFTPpw=\t pw \t\r\n;Logint=1\r\n");
    Put(dir, "bad-serial-keys", "[DEFAULT]\r\nComport=17\r\nBaudrate=199\r\nParity=e\r\nBits=9\r\nStopbits=0\r\n");
    Put(dir, "long-values", "[DEFAULT]\r\nCust1=" + std::string(100, 'A') + "\r\nHome=" + std::string(79, '9') + "\r\n");
    Put(dir, "nul-and-cr", std::string("[DEFAULT]\r\nComport=4\0junk\r\nCust2=a\rb\r\nFTPname=\r\n", 45));
    Put(dir, "twice", "[DEFAULT]\r\nLogint=10\r\n[X]\r\n[DEFAULT]\r\nLogint=20\r\nFTPint=60\r\nComport=16\r\n");
    Put(dir, "empty", "");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 2;
    }
    const fs::path dir = argv[1];
    ReceiveSeeds(dir / "receive", dir / "log_record", dir / "csv");
    ProfileSeeds(dir / "profile");
    SettingsSeeds(dir / "settings");
    return 0;
}
