// Cutting reply lines into names and fields.
#include <gtest/gtest.h>

#include <random>

#include "replies/extract.h"

using namespace kd;

TEST(ExtractCommand, NamesBeforeTheSpaceOrTheCr) {
    EXPECT_EQ(ExtractCommand("+LOGINT: 30\r"), "+LOGINT:");
    EXPECT_EQ(ExtractCommand("+CREG: 0,1\r"), "+CREG:");
    EXPECT_EQ(ExtractCommand("OK\r"), "OK");
    EXPECT_EQ(ExtractCommand("3\r"), "3");
    EXPECT_EQ(ExtractCommand("+LOGINT:30"), "");
    EXPECT_EQ(ExtractCommand(" +LOGINT: 30\r"), "");
    EXPECT_EQ(ExtractCommand("@LOAD 1,2\r"), "@LOAD");
    EXPECT_EQ(ExtractCommand("@LOADX12,3 4\r"), "@LOAD");
    EXPECT_EQ(ExtractCommand("@LOA 1\r"), "@LOA");
    EXPECT_EQ(ExtractCommand(""), "");
}

TEST(ExtractParm, FieldsAtTheirPositions) {
    const std::string line = "+LOAD: 12,34\r";
    int16_t pos = 8;
    EXPECT_EQ(ExtractParm(line, pos, 1), "12");
    EXPECT_EQ(pos, 11);
    EXPECT_EQ(ExtractParm(line, pos, 2), "34");
    EXPECT_EQ(pos, 14);
    pos = 8;
    EXPECT_EQ(ExtractParm(line, pos, 2), "12");  // the ordinal never moves the search
    pos = 8;
    EXPECT_EQ(ExtractParm("+LOAD: ,34\r", pos, 1), "");
    EXPECT_EQ(pos, 8);
    pos = 10;
    EXPECT_EQ(ExtractParm("+LOGINT: 30", pos, 1), "3");  // no CR: the last character is lost
    pos = 0;
    EXPECT_EQ(ExtractParm(line, pos, 1), "");
    pos = 8;
    EXPECT_EQ(ExtractParm(line, pos, 0), "");
    pos = 40;
    EXPECT_EQ(ExtractParm(line, pos, 1), "");
    EXPECT_EQ(pos, 40);
    pos = 1;
    EXPECT_EQ(ExtractParm("", pos, 1), "");
    pos = 9;
    EXPECT_EQ(ExtractParm("+FTPCON: a b , c\r", pos, 1), " a b ");
}

TEST(Numcheck, DigitsOnly) {
    EXPECT_EQ(Numcheck("0123"), 1);
    EXPECT_EQ(Numcheck(""), 1);
    EXPECT_EQ(Numcheck("12a"), 0);
    EXPECT_EQ(Numcheck("-5"), 0);
    EXPECT_EQ(Numcheck(" 1"), 0);
    EXPECT_EQ(Numcheck("1.5"), 0);
}

// Random lines of every length, bytes 0-255, random positions: results are always pieces of
// the line and positions move exactly past a non-empty field (checked under the sanitizers).
TEST(Extraction, RandomLinesNeverReadOutOfRange) {
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> posd(-40, 400);
    for (int len = 0; len <= 300; ++len) {
        for (int rep = 0; rep < 20; ++rep) {
            std::string line(static_cast<size_t>(len), '\0');
            for (char& c : line) c = static_cast<char>(rep % 3 == 0 && byte(rng) < 60 ? ',' : byte(rng));
            const std::string name = ExtractCommand(line);
            EXPECT_EQ(line.compare(0, name.size(), name) == 0 || name == "@LOAD", true);
            int16_t pos = static_cast<int16_t>(posd(rng));
            const int16_t before = pos;
            const std::string f = ExtractParm(line, pos, static_cast<int16_t>(posd(rng) % 4));
            if (f.empty()) {
                EXPECT_EQ(pos, before);
            } else {
                EXPECT_EQ(pos, before + static_cast<int16_t>(f.size()) + 1);
                EXPECT_EQ(line.compare(static_cast<size_t>(before - 1), f.size(), f), 0);
            }
            Numcheck(line);
        }
    }
    std::string huge(40000, 'x');
    huge[39000] = ',';
    int16_t pos = 32000;
    const std::string f = ExtractParm(huge, pos, 1);
    EXPECT_EQ(f.size(), 7001u);
    EXPECT_EQ(pos, 32000);  // the next position does not fit 16 bits
}
