// Reading the stored settings at start-up: checks, defaults, repairs, tables.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "fakes.h"
#include "settings/settings_file.h"
#include "unprivileged.h"

using namespace kd;
using namespace kdtest;

namespace {

std::string Key(Rig& r, const char* key) { return r.ini.read("DEFAULT", key); }

TEST(SettingsFile, FreshStartWritesAllFourteenKeysAndAsksForThePort) {
    Rig r;
    int rewrites = 0;
    r.ini.testHookBeforeRename = [&] { ++rewrites; return false; };
    ReadSettingsFile(r.program);
    EXPECT_EQ(rewrites, 1);
    EXPECT_EQ(r.fileText(), std::string("[DEFAULT]\r\nComport=1\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\n"
                                        "Stopbits=1\r\nLogint=30\r\nFTPint=120\r\nAPNname=Internet\r\nAPNun=\r\n"
                                        "APNpw=\r\nFTPname=") +
                                kDefaultFtpServer + "\r\nFTPun=vrelon_1\r\nFTPpw=mirtal52\r\nHome=" +
                                kDefaultHomeNumber + "\r\n");
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

// Start-up as a user who may not write (or read) the file: what can be read is used, the
// rest is defaults in memory, and the file stays byte for byte and inode for inode.
TEST(SettingsFile, AProtectedFileIsUsedAsFarAsItCanBeReadAndNeverRewritten) {
    const std::string mine = "[DEFAULT]\r\nComport=3\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\nStopbits=1\r\n"
                             "Home=0219990000\r\nCust1=AT+MINE?\r\n";
    const struct {
        mode_t mode;
        std::string seen;
    } cases[] = {
        {0444, "COM3 dialog 0 Logint 30 Home 0219990000 Cust1 AT+MINE?"},
        {0000, std::string("COM1 dialog 1 Logint 30 Home ") + kDefaultHomeNumber + " Cust1 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const auto dir = MakeTempDir();
        const auto file = dir / "ORVIKAS.ini";
        std::ofstream(file, std::ios::binary) << mine;
        if (RunningAsRoot()) {
            ASSERT_EQ(::chown(dir.c_str(), kNobody, kNobody), 0);
            ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
        }
        ::chmod(file.c_str(), c.mode);
        struct stat before {}, after {};
        ::stat(file.c_str(), &before);

        EXPECT_EQ(InChild([&] {
                      Rig r;
                      IniFile ini(file);
                      Program p(Platform{r.port, ini, r.dialogs, r.exit, r.wall, r.clock});
                      ReadSettingsFile(p);
                      return "COM" + std::to_string(p.PortNumber) + " dialog " + std::to_string(p.PortSetupNeeded) +
                             " Logint " + p.DefLogint + " Home " + p.DefHome + " Cust1 " + p.CustomCommands[0];
                  }),
                  c.seen);
        ::stat(file.c_str(), &after);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_mtime, before.st_mtime);
        ::chmod(file.c_str(), 0600);
        std::ifstream in(file, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), mine);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
        std::filesystem::remove_all(dir);
    }
}

TEST(SettingsFile, WindowsDirectoryEndsInASeparator) {
    const std::string d = WindowsDirectory();
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d.back(), '/');
}

}  // namespace
