// The traffic transcript: its line format with masking and escaping, what the engine feeds it
// in a connection, the bound, and File > "Save Transcript...".
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "fakes.h"
#include "link/engine.h"
#include "link/transcript.h"

using namespace kd;
using namespace kdtest;

namespace {

LocalTime At(int hour, int minute, int second, int ms) {
    LocalTime t;
    t.tm.tm_year = 2026 - 1900;
    t.tm.tm_mon = 11;
    t.tm.tm_mday = 10;
    t.tm.tm_hour = hour;
    t.tm.tm_min = minute;
    t.tm.tm_sec = second;
    t.millisecond = ms;
    return t;
}

TEST(Transcript, LinesAreStampedMaskedAndShownVisibly) {
    Transcript t;
    t.sent("AT+SNR?\r\n", At(14, 30, 0, 123));
    t.received("+SNR: 12", At(14, 30, 0, 400));
    t.received("345\r\n+APNCON: internet,guest,s3", At(14, 30, 0, 456));  // a line ends mid-batch
    t.received("cret\r\n", At(14, 30, 0, 470));
    t.sent("AT+FTPCON=ftp.example,user,pw\r\n", At(14, 30, 1, 5));
    t.received("\x1b[2J\xb0" "C\r\n", At(9, 5, 7, 0));
    t.received("\r\n", At(9, 5, 7, 1));          // an empty line is a line
    t.sent("AT+A\nAT+B\r\n", At(9, 5, 8, 999));   // one send, two lines
    t.received("half", At(23, 59, 59, 998));       // unfinished: shown last, as it is
    EXPECT_EQ(t.text(),
              "2026-12-10 14:30:00.123 > AT+SNR?\n"
              "2026-12-10 14:30:00.456 < +SNR: 12345\n"
              "2026-12-10 14:30:00.470 < +APNCON: internet,guest,******\n"
              "2026-12-10 14:30:01.005 > AT+FTPCON=ftp.example,user,**\n"
              "2026-12-10 09:05:07.000 < \u241b[2J\\xB0C\n"
              "2026-12-10 09:05:07.001 < \n"
              "2026-12-10 09:05:08.999 > AT+A\n"
              "2026-12-10 09:05:08.999 > AT+B\n"
              "2026-12-10 23:59:59.998 < half\n");
    EXPECT_EQ(t.lineCount(), 8u);

    // The connection's end makes the unfinished line a line; a new connection starts afresh.
    t.endLine(At(23, 59, 59, 999));
    EXPECT_EQ(t.lineCount(), 9u);
    t.clear();
    EXPECT_EQ(t.text(), "");

    // A face writing as it goes gets each line once, complete, with the stamp of its end.
    std::string written;
    t.onLine = [&](const LocalTime& at, TrafficDirection d, std::string_view line) {
        AppendTranscriptLine(written, at, d, line, "COM5");
    };
    t.received("+WDT", At(1, 2, 3, 4));
    EXPECT_EQ(written, "");
    t.received(": 3\r\n", At(1, 2, 3, 40));
    EXPECT_EQ(written, "2026-12-10 01:02:03.040 COM5 < +WDT: 3\n");
}

TEST(Transcript, KeepsTheNewestLinesWithinItsBound) {
    // 1000 lines of 100 bytes written out as 127 bytes each: the last 8 fit in 1024.
    Transcript small(1024);
    for (int i = 0; i < 1000; ++i) {
        std::string line = std::to_string(i);
        line.resize(100, '.');
        small.received(line + "\r\n", At(0, 0, 0, i % 1000));
    }
    EXPECT_EQ(small.lineCount(), 8u);
    EXPECT_LE(small.size(), 1024u);
    std::istringstream kept(small.text());
    std::string first;
    std::getline(kept, first);
    EXPECT_EQ(first.substr(26, 4), "992.");

    // A logger that never ends its line is kept in pieces, none lost.
    Transcript t;
    t.received(std::string(Transcript::kMaxLine * 2 + 10, 'x'), At(0, 0, 0, 0));
    EXPECT_EQ(t.lineCount(), 2u);
    t.endLine(At(0, 0, 0, 1));
    EXPECT_EQ(t.lineCount(), 3u);

    // The real bound over more than it holds: 8 MiB of the newest, and the newest line last.
    Transcript big;
    const std::string line(200, 'r');
    for (int i = 0; i < 60000; ++i) big.received(line + "\r\n", At(0, 0, 0, 0));
    big.sent("AT+LAST?\r\n", At(0, 0, 1, 0));
    EXPECT_LE(big.size(), Transcript::kDefaultLimit);
    EXPECT_GT(big.size(), Transcript::kDefaultLimit - 300);
    const std::string text = big.text();
    EXPECT_TRUE(text.ends_with(" > AT+LAST?\n"));
}

struct TranscriptInConnection : ::testing::Test {
    Rig rig{kUsableIni};
    Program& p = rig.program;
    void SetUp() override {
        Form_Load(p);
        rig.wall.now = At(8, 0, 0, 0).tm;
        rig.form.ConnectButton.click();
        ASSERT_TRUE(rig.port.isOpen());
    }
};

TEST_F(TranscriptInConnection, EveryByteOfTheConnectionIsKeptAndSaved) {
    rig.wall.millisecond = 250;
    SendQuery(p, 3, "AT+LOGINT?");
    rig.wall.millisecond = 300;
    // The answer sends the read's next query at once; the engine drops the rest of that batch
    // as the old command's, but the transcript keeps every byte.
    rig.port.receive("+LOGINT: 15\r\n+SS: 2");
    rig.wall.millisecond = 310;
    rig.port.receive("1\r\n");
    rig.form.ConnectButton.click();  // Disconnect
    const std::string kept =
        "2026-12-10 08:00:00.250 > AT+LOGINT?\n"
        "2026-12-10 08:00:00.300 < +LOGINT: 15\n"
        "2026-12-10 08:00:00.300 > AT+FTPINT?\n"
        "2026-12-10 08:00:00.310 < +SS: 21\n";
    EXPECT_EQ(p.transcript.text(), kept);

    // Saved as it is, private, where the technician chose; a cancelled dialog writes nothing.
    rig.wall.now.tm_sec = 9;
    rig.form.SaveTranscript.click();
    EXPECT_EQ(rig.dialogs.fileDialogs.back(), "transcript transcript-20261210-080009.txt");
    const std::filesystem::path file = rig.dir / "visit.txt";
    rig.dialogs.transcriptAs = file.string();
    rig.form.SaveTranscript.click();
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kept);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(rig.form.StatusBox(0).text(), "Transcript saved to " + file.string());
    EXPECT_EQ(p.transcript.savedTo, file.string());

    // A file that cannot be written is said so, and the transcript stays.
    rig.dialogs.transcriptAs = (rig.dir / "no-folder" / "t.txt").string();
    rig.form.SaveTranscript.click();
    ASSERT_FALSE(rig.dialogs.messages.empty());
    EXPECT_EQ(rig.dialogs.messages.back().text.rfind("Transcript not saved: ", 0), 0u);

    // The next connection starts a new transcript.
    rig.form.ConnectButton.click();
    EXPECT_EQ(p.transcript.text(), "");
}

}  // namespace
