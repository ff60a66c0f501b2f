// The settings file store: Windows profile semantics and safe writes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "fakes.h"
#include "settings/ini_file.h"

using namespace kd;
using namespace kdtest;

namespace {

struct Ini : ::testing::Test {
    std::filesystem::path dir = MakeTempDir();
    std::filesystem::path file = dir / "ORVIKAS.ini";
    IniFile ini{file};
    ~Ini() override { std::filesystem::remove_all(dir); }
    void put(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
    std::string text() const {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(Ini, WindowsFileIsReadRightAndKeepsItsOtherLinesAfterAWrite) {
    const std::string windows =
        "; settings copied from the workshop PC\r\n"
        "[Other]\r\nLogint=99\r\n\r\n"
        "[default]\r\n"
        "COMPORT = 3 \r\n"
        "apnName=\"my apn\"\r\n"
        "; a comment inside\r\n"
        "Home='0215550143'\r\n"
        "junk line without equals\r\n"
        "\r\n"
        "[Tail]\r\nx=1\r\n";
    put(windows);
    EXPECT_EQ(ini.read("DEFAULT", "Comport"), "3");
    EXPECT_EQ(ini.read("DEFAULT", "APNNAME"), "my apn");
    EXPECT_EQ(ini.read("Default", "home"), "0215550143");
    EXPECT_EQ(ini.read("DEFAULT", "Logint"), "");  // only in another section
    EXPECT_EQ(ini.read("Other", "logint"), "99");

    ASSERT_TRUE(ini.write("DEFAULT", "Comport", " 12"));
    ASSERT_TRUE(ini.write("DEFAULT", "Cust1", "AT+FW?"));
    std::string expected = windows;
    expected.replace(expected.find("COMPORT = 3 "), 12, "Comport= 12");
    expected.insert(expected.find("\r\n\r\n[Tail]") + 2, "Cust1=AT+FW?\r\n");
    EXPECT_EQ(text(), expected);
    EXPECT_EQ(ini.read("DEFAULT", "Comport"), "12");
}

TEST_F(Ini, MissingSectionAndKeysAreAppendedAndLfFilesStayLf) {
    ASSERT_TRUE(ini.write("DEFAULT", "Comport", "1"));
    EXPECT_EQ(text(), "[DEFAULT]\r\nComport=1\r\n");
    put("[DEFAULT]\nA=1\n");
    ASSERT_TRUE(ini.write("DEFAULT", "B", "2"));
    ASSERT_TRUE(ini.write("Ports", "COM5", "/dev/pts/3"));
    EXPECT_EQ(text(), "[DEFAULT]\nA=1\nB=2\n[Ports]\nCOM5=/dev/pts/3\n");
    put("[DEFAULT]\nA=1");  // no final line end
    ASSERT_TRUE(ini.write("DEFAULT", "A", "3"));
    EXPECT_EQ(text(), "[DEFAULT]\nA=3\n");
}

TEST_F(Ini, ValuesAreCutAt79CharactersOnReading) {
    const std::string hundred(100, 'v');
    ASSERT_TRUE(ini.write("DEFAULT", "Home", hundred));
    EXPECT_EQ(ini.read("DEFAULT", "Home"), hundred.substr(0, 79));
    EXPECT_EQ(ini.read("DEFAULT", "Home", 1024), hundred);
}

TEST_F(Ini, LineBreaksInAValueNeverAddLinesOrKeys) {
    ASSERT_TRUE(ini.write("DEFAULT", "Cust1", "AT+X\r\nComport=9\n[Evil]"));
    EXPECT_EQ(ini.read("DEFAULT", "Comport"), "");
    EXPECT_EQ(ini.read("DEFAULT", "Cust1"), "AT+X  Comport=9 [Evil]");
    EXPECT_EQ(text(), "[DEFAULT]\r\nCust1=AT+X  Comport=9 [Evil]\r\n");
}

TEST_F(Ini, NewFileIsPrivateAndAnOldFileKeepsItsMode) {
    ASSERT_TRUE(ini.write("DEFAULT", "FTPpw", "mirtal52"));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ::chmod(file.c_str(), 0644);
    ASSERT_TRUE(ini.write("DEFAULT", "FTPpw", "x"));
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(Ini, AWriteInterruptedBeforeTheRenameLeavesTheOldFileWhole) {
    put("[DEFAULT]\r\nComport=3\r\nHome=0215550143\r\n");
    ini.testHookBeforeRename = [] { return true; };
    EXPECT_FALSE(ini.write("DEFAULT", "Comport", "7"));
    EXPECT_EQ(text(), "[DEFAULT]\r\nComport=3\r\nHome=0215550143\r\n");
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".tmp"));
}

TEST_F(Ini, UnwritablePlacesFailQuietlyAndMissingFoldersAreMade) {
    std::ofstream(dir / "plain") << "x";
    IniFile blocked(dir / "plain" / "ORVIKAS.ini");
    EXPECT_FALSE(blocked.write("DEFAULT", "A", "1"));
    EXPECT_EQ(blocked.read("DEFAULT", "A"), "");
    IniFile nested(dir / "a" / "b" / "ORVIKAS.ini");
    EXPECT_TRUE(nested.write("DEFAULT", "A", "1"));
    EXPECT_EQ(nested.read("DEFAULT", "A"), "1");
}

TEST(SettingsDirectory, FollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", "/tmp/kd-xdg", 1);
    EXPECT_EQ(SettingsDirectory(), std::filesystem::path("/tmp/kd-xdg"));
    ::setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(SettingsDirectory().filename(), ".config");
    if (old) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
