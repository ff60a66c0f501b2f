// Reading the stored settings at start-up: checks, defaults, repairs, tables.
#include <gtest/gtest.h>

#include <fstream>

#include "fakes.h"
#include "settings/settings_file.h"

using namespace kd;
using namespace kdtest;

namespace {

std::string Key(Rig& r, const char* key) { return r.ini.read("DEFAULT", key); }

TEST(SettingsFile, FreshStartWritesAllFourteenKeysAndAsksForThePort) {
    Rig r;
    ReadSettingsFile(r.program);
    EXPECT_EQ(r.program.PortSetupNeeded, 1);
    EXPECT_EQ(r.program.PortNumber, 1);
    const std::pair<const char*, std::string> expected[] = {
        {"Comport", "1"},       {"Baudrate", "9600"}, {"Parity", "n"},    {"Bits", "8"},
        {"Stopbits", "1"},      {"Logint", "30"},     {"FTPint", "120"},  {"APNname", "Internet"},
        {"APNun", ""},          {"APNpw", ""},        {"FTPname", kDefaultFtpServer},
        {"FTPun", "vrelon_1"},  {"FTPpw", "mirtal52"}, {"Home", kDefaultHomeNumber}};
    for (const auto& [key, value] : expected) EXPECT_EQ(Key(r, key), value) << key;
    const std::string text = r.fileText();
    for (const auto& [key, value] : expected) EXPECT_NE(text.find(std::string(key) + "="), std::string::npos) << key;
    EXPECT_EQ(text.find("Cust"), std::string::npos);
    EXPECT_EQ(std::string(kDefaultHomeNumber).size(), 10u);
    EXPECT_EQ(r.program.DefFTPun, "vrelon_1");
    EXPECT_EQ(r.program.DefHome, kDefaultHomeNumber);
    EXPECT_EQ(r.program.LineEnd, "\r\n");
    EXPECT_EQ(r.program.MonthNames[3], "Mar");
    EXPECT_EQ(r.program.ModelNames[3], "KELDAMAR HUB");
    EXPECT_EQ(r.program.ModelNames[10], "");
}

TEST(SettingsFile, ComportBounds) {
    Rig bad("[DEFAULT]\r\nComport=17\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\nStopbits=1\r\n");
    ReadSettingsFile(bad.program);
    EXPECT_EQ(bad.program.PortNumber, 1);
    EXPECT_EQ(bad.program.PortSetupNeeded, 1);
    EXPECT_EQ(Key(bad, "Comport"), "1");

    Rig ok("[DEFAULT]\r\nComport=16\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\nStopbits=1\r\n");
    ReadSettingsFile(ok.program);
    EXPECT_EQ(ok.program.PortNumber, 16);
    EXPECT_EQ(ok.program.PortSetupNeeded, 0);

    // Written by the port dialog with its leading blank; halves round to even.
    Rig blank("[DEFAULT]\r\nComport= 12\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\nStopbits=1\r\n");
    ReadSettingsFile(blank.program);
    EXPECT_EQ(blank.program.PortNumber, 12);
    Rig half("[DEFAULT]\r\nComport=2.5\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\nStopbits=1\r\n");
    ReadSettingsFile(half.program);
    EXPECT_EQ(half.program.PortNumber, 2);
}

TEST(SettingsFile, SerialKeysAreRepairedButLowerCaseParityIsAccepted) {
    Rig r("[DEFAULT]\r\nComport=3\r\nBaudrate=199\r\nParity=e\r\nBits=8\r\nStopbits=1\r\n");
    ReadSettingsFile(r.program);
    EXPECT_EQ(Key(r, "Baudrate"), "9600");
    EXPECT_EQ(Key(r, "Parity"), "e");
    EXPECT_EQ(r.program.PortSetupNeeded, 1);
    EXPECT_EQ(r.program.PortNumber, 3);

    Rig bits("[DEFAULT]\r\nComport=3\r\nBaudrate=115200\r\nParity=O\r\nBits=9\r\nStopbits=1\r\n");
    ReadSettingsFile(bits.program);
    EXPECT_EQ(Key(bits, "Bits"), "8");
    EXPECT_EQ(bits.program.PortSetupNeeded, 1);
}

TEST(SettingsFile, ApnNamePresentWithUserMissingWritesNothing) {
    Rig r(std::string(kUsableIni) + "APNname=myapn\r\nAPNpw=secret\r\n");
    ReadSettingsFile(r.program);
    EXPECT_EQ(r.program.DefAPNname, "myapn");
    EXPECT_EQ(r.program.DefAPNun, "");
    EXPECT_EQ(r.program.DefAPNpw, "secret");
    EXPECT_EQ(r.fileText().find("APNun"), std::string::npos);
    EXPECT_EQ(r.program.PortSetupNeeded, 0);
}

TEST(SettingsFile, MissingFtpServerOverwritesTheFtpUser) {
    Rig r(std::string(kUsableIni) + "FTPun=other\r\nFTPpw=pw\r\n");
    ReadSettingsFile(r.program);
    EXPECT_EQ(Key(r, "FTPun"), "vrelon_1");
    EXPECT_EQ(Key(r, "FTPpw"), "mirtal52");
    EXPECT_EQ(r.program.DefFTPun, "vrelon_1");
    EXPECT_EQ(r.program.DefFTPname, kDefaultFtpServer);
}

TEST(SettingsFile, LongValuesReadBackAs79CharactersAndCustomCommandsLoad) {
    const std::string hundred(100, 'h');
    Rig r(std::string(kUsableIni) + "Home=" + hundred + "\r\nCust2=AT+SNR?\r\n");
    ReadSettingsFile(r.program);
    EXPECT_EQ(r.program.DefHome, hundred.substr(0, 79));
    EXPECT_EQ(r.program.CustomCommands[0], "");
    EXPECT_EQ(r.program.CustomCommands[1], "AT+SNR?");
}

TEST(SettingsFile, UnwritableFolderIsToleratedWithDefaultsInMemory) {
    auto dir = MakeTempDir();
    std::ofstream(dir / "file") << "x";
    Rig r;
    IniFile blocked(dir / "file" / "ORVIKAS.ini");  // parent is a regular file
    Program p(Platform{r.port, blocked, r.dialogs, r.exit, r.wall, r.clock});
    ReadSettingsFile(p);
    EXPECT_EQ(p.PortSetupNeeded, 1);
    EXPECT_EQ(p.DefLogint, "30");
    EXPECT_EQ(p.DefAPNname, "Internet");
    std::filesystem::remove_all(dir);
}

TEST(SettingsFile, WindowsDirectoryEndsInASeparator) {
    const std::string d = WindowsDirectory();
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d.back(), '/');
}

}  // namespace
