// Random and mutated reply lines in random chunks through the receive event and the
// dispatcher: nothing may crash, trip a sanitizer or grow without bound.
// KELDAMAR_FUZZ_LINES sets the number of lines (a short run by default).
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "fakes.h"
#include "scripted_logger.h"

using namespace kd;
using namespace kdtest;

namespace {

const char* const kSeeds[] = {
    "+SS: 23", "+SNR: 12345", "+LOAD: 10,3", "+LOGINT: 30", "+FTPINT: 120", "+OWNSIM: 8927,2782",
    "+OWNNUM: 0821234567", "+APNCON: a,b,c", "+FTPCON: f,u,p", "+HOMENUM: 0215550143", "+FW: V203.2",
    "+FW: V209.1", "+SIMTYPE: 1,2", "+WDT: 4", "+POR: 2", "+AUTOPD: 300", "+TIME: 12/03/15,14:30:45",
    "+MPOWER: 1", "+BATVOLTS: 3.95", "+CREG: 0,1", "+PTABLE: 1,2,0,0,0,0,0,65535", "+RFCHAN: 3",
    "+RAING: 17", "+SCANID: 1234,0,12,85", "+AIRTIME: 12.50",
    "@LOAD 12345,1203151430,4000000000000000000000FF,7D0000000000,000000001F000000", "OK", "ERROR", "",
    // Shapes at the edges of the hub and record replies.
    "+SCANID: 1234,0", "+SCANID: 1234", "+SCANID: ,,,", "+SCANID: 1234,0,99999999999999999999,",
    "+PTABLE: ,,,,,,,", "+PTABLE: 99999999999999999999,-1,1.5,0,0,0,0,0,9", "+PTABLE: 0",
    "+RFCHAN: 99999999999999999999", "+RFCHAN: -32769", "+RFCHAN: ", "@LOAD", "@LOAD ,,,,", "@LOADX",
    "@LOAD 12345,1299991430,FFFFFFFFFFFFFFFFFFFFFFFF,FFFFFFFFFFFF,0",
    "@LOAD 1,1,000000000000000000000000000000000000000000000000000000000000000000,,",
    "@LOAD 12345,-9-9-9,0000400000000000000,7D7D7D7D7D7D,000010041F00Z",
    "@LOAD 99999999999999999999999999999999999999999999999999999999999999999999"};

std::string Mutate(std::mt19937& rng, std::string s) {
    std::uniform_int_distribution<int> op(0, 5), byte(0, 255);
    const int n = std::uniform_int_distribution<int>(0, 4)(rng);
    for (int i = 0; i < n; ++i) {
        const size_t at = s.empty() ? 0 : std::uniform_int_distribution<size_t>(0, s.size())(rng);
        switch (op(rng)) {
            case 0: s.insert(at, 1, static_cast<char>(byte(rng))); break;
            case 1: if (at < s.size()) s.erase(at, 1); break;
            case 2: if (at < s.size()) s[at] = static_cast<char>(byte(rng)); break;
            case 3: s.insert(at, std::string(std::uniform_int_distribution<size_t>(0, 40)(rng), '9')); break;
            case 4: s.insert(at, ","); break;
            default: s = s.substr(0, at); break;
        }
    }
    return s;
}

TEST(Fuzz, RandomRepliesInRandomChunksNeverBreakTheProgram) {
    long total = 20000;
    if (const char* env = std::getenv("KELDAMAR_FUZZ_LINES")) total = std::atol(env);
    Rig rig(kUsableIni);
    Program& p = rig.program;
    Form_Load(p);
    rig.form.ConnectButton.click();
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(kSeeds)) - 1), coin(0, 99), byte(0, 255);
    const int states[] = {0, 1, 2, 3, 9, 10, 17, 18, 19, 20, 21, 22, 100};
    std::string stream;
    long lines = 0;
    while (lines < total) {
        std::string line;
        const int c = coin(rng);
        if (c < 60) line = Mutate(rng, kSeeds[pick(rng)]);
        else if (c < 90) line = kSeeds[pick(rng)];
        else {
            line.resize(std::uniform_int_distribution<size_t>(0, 300)(rng));
            for (char& ch : line) ch = static_cast<char>(byte(rng));
        }
        stream += line;
        stream += coin(rng) < 90 ? "\r\n" : "\n";
        ++lines;
        if (stream.size() > 512 || lines == total) {
            // Random chunking, as the port delivers it.
            size_t at = 0;
            while (at < stream.size()) {
                const size_t n = std::uniform_int_distribution<size_t>(1, 64)(rng);
                p.ReplyState = static_cast<int16_t>(states[std::uniform_int_distribution<int>(0, 12)(rng)]);
                rig.port.receive(stream.substr(at, n));
                at += n;
            }
            stream.clear();
            if (coin(rng) < 5) rig.clock.advance(1500);
            // Scans started and timed out between the replies, so "+SCANID:" meets both states.
            if (coin(rng) < 10) rig.form.ScanCommand(coin(rng) % 8).click();
            if (coin(rng) < 3) rig.clock.advance(35000);
            rig.port.written.clear();
            rig.port.commands.clear();
            rig.dialogs.messages.clear();
        }
    }
    EXPECT_LE(p.RxBuffer.size(), static_cast<size_t>(4096));
    EXPECT_LE(p.RxLog.size(), 20000u);
    EXPECT_LE(rig.form.TXText.text().size(), 20000u);
    EXPECT_LE(p.ReplyLineCount, 100);
    EXPECT_GE(p.ReplyLineCount, 0);
    EXPECT_EQ(rig.exit.exits, 0);
    EXPECT_LE(p.LogRecordCount, 1000);
}

}  // namespace
