// The old-BASIC arithmetic every rule leans on.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "basic/basic.h"

using namespace kd::basic;

TEST(Basic, NumericValueOfAText) {
    EXPECT_EQ(Val("3abc"), 3);
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("  -1.5x"), -1.5);
    EXPECT_EQ(Val("\t+5"), 5);
    EXPECT_EQ(Val("."), 0);
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(Val("1e5"), 1);
    EXPECT_EQ(Val(".5"), 0.5);
    EXPECT_EQ(Val(" 12"), 12);
    EXPECT_EQ(Val("abc12"), 0);
    EXPECT_EQ(Val("007"), 7);
    EXPECT_GT(Val(std::string(400, '9')), 1e300);  // no exception, no wrap
}

TEST(Basic, RoundingHalvesToEvenAndSixteenBitResults) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.51), 3);
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt16(-32768.5), -32768);
    EXPECT_FALSE(ToInt16(32767.5).has_value());
    EXPECT_FALSE(ToInt16(70000).has_value());
    EXPECT_FALSE(ToInt16(HUGE_VAL).has_value());
    EXPECT_FALSE(ToInt16(std::nan("")).has_value());
    EXPECT_EQ(ClampInt16(1e9), 32767);
    EXPECT_EQ(ClampInt16(-1e9), -32768);
    EXPECT_EQ(ClampInt16(std::nan("")), 0);
}

TEST(Basic, SubstringsNeverFail) {
    EXPECT_EQ(Left("abc", 5), "abc");
    EXPECT_EQ(Left("abc", -1), "");
    EXPECT_EQ(Right("abc", 2), "bc");
    EXPECT_EQ(Right("abc", 9), "abc");
    EXPECT_EQ(Mid("abcdef", 3, 2), "cd");
    EXPECT_EQ(Mid("abc", 4), "");
    EXPECT_EQ(Mid("abc", 0, 2), "ab");
    EXPECT_EQ(Mid("abc", 2, 99), "bc");
    EXPECT_EQ(Mid("", 1, 1), "");
    EXPECT_EQ(Str(3), " 3");
    EXPECT_EQ(Str(-3), "-3");
    EXPECT_EQ(Str(0), " 0");
}

TEST(Basic, NumberPatternsKeepTheMinusSignAndIgnoreTheLocale) {
    std::setlocale(LC_ALL, "de_DE.UTF-8");  // a comma locale, where installed
    EXPECT_EQ(Format4(100.0 - 0x4000 / 327.67), "49.9985");
    EXPECT_EQ(Format4(100.0 - 0x7FFF / 327.67), "0.0000");
    EXPECT_EQ(Format4(100.0 - 0xFFFF / 327.67), "-100.0031");
    EXPECT_EQ(Format4(-0.00001), "0.0000");
    EXPECT_EQ(Format1(0x7D / 5.0), "25.0");
    EXPECT_EQ(Format1(0xFF / 5.0), "51.0");
    EXPECT_EQ(Format1(0.2), "0.2");
    std::setlocale(LC_ALL, "C");
}

TEST(Basic, HexByteCountsUpperCaseDigitsOnly) {
    EXPECT_EQ(HexByte("1F"), 31);
    EXPECT_EQ(HexByte("ff"), 0);
    EXPECT_EQ(HexByte("7"), 0x77);
    EXPECT_EQ(HexByte(""), 0);
    EXPECT_EQ(HexByte("FF"), 255);
    EXPECT_EQ(HexByte("1xF"), 31);  // first and last characters
    EXPECT_EQ(HexByte("G1"), 1);
}
