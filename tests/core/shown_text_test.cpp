#include "link/shown_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ShownText, PasswordsInCommandsAndAnswersAreMasked) {
    const struct {
        const char* line;
        const char* shown;
    } cases[] = {
        {"AT+APNCON=internet,guest,s3cret", "AT+APNCON=internet,guest,******"},
        {"AT+FTPCON=ftp.example,user,pw\r\n", "AT+FTPCON=ftp.example,user,**\r\n"},
        {"+APNCON: internet,guest,s3cret\r\n", "+APNCON: internet,guest,******\r\n"},
        {"+FTPCON: a,b,p,w", "+FTPCON: a,b,***"},  // a comma in the password hides nothing
        {"AT+APNCON=internet,guest", "AT+APNCON=internet,guest"},  // no password field
        {"AT+APNCON=,,", "AT+APNCON=,,"},
        {"AT+HOMENUM=12345", "AT+HOMENUM=12345"},
        {"AT+APNCON?", "AT+APNCON?"},
    };
    for (const auto& c : cases) EXPECT_EQ(kd::MaskPasswords(c.line), c.shown) << c.line;
}

TEST(ShownText, NoByteThatActsOnATerminalIsKept) {
    EXPECT_EQ(kd::VisibleText("12\x1b]0;title\x07\x1b[2J345"), "12\u241b]0;title\u2407\u241b[2J345");
    EXPECT_EQ(kd::VisibleText("a\tb\x7f"), "a\tb\u2421");
    EXPECT_EQ(kd::VisibleText("\r\n"), "\u240d\u240a");
    EXPECT_EQ(kd::VisibleText(std::string("\x9b\xff\x00", 3)), "\\x9B\\xFF\u2400");
    EXPECT_EQ(kd::VisibleText(" ~"), " ~");
}

}  // namespace
