// The settings file store: Windows profile semantics and safe writes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>

#include "fakes.h"
#include "settings/ini_file.h"
#include "unprivileged.h"

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

TEST_F(Ini, EveryLineKeepsItsOwnEndingThroughAWrite) {
    // Files edited on both systems mix endings; a bare CR is part of its line.
    put("[X]\r\nA=1\nB=2\r\n\r\n[DEFAULT]\nC=3\rD\r\nE=5\r");
    EXPECT_EQ(ini.read("DEFAULT", "C"), "3\rD");
    EXPECT_EQ(ini.read("DEFAULT", "E"), "5");
    ASSERT_TRUE(ini.write("DEFAULT", "C", "4"));
    ASSERT_TRUE(ini.write("X", "Z", "9"));
    ASSERT_TRUE(ini.write("DEFAULT", "F", "6"));
    EXPECT_EQ(text(), "[X]\r\nA=1\nB=2\r\nZ=9\r\n\r\n[DEFAULT]\nC=4\r\nE=5\r\r\nF=6\r\n");
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

TEST_F(Ini, ValuesReadBackAsWrittenWhateverTheirQuotesAndBlanks) {
    // A password of blanks or quotes must survive the restart that reads it back.
    for (const std::string v : {"\"x\"", "'x'", "\"\"x\"\"", "pw ", " pw\t", " pw", " \"x\"", "\"", "'", "\"x'", "a \"b\" c", " 1a", ""}) {
        ASSERT_TRUE(ini.write("DEFAULT", "APNpw", v));
        EXPECT_EQ(ini.read("DEFAULT", "APNpw"), v) << text();
    }
    // Only what reading would change is quoted; the port number keeps its Windows form.
    ASSERT_TRUE(ini.write("DEFAULT", "Comport", " 12"));
    ASSERT_TRUE(ini.write("DEFAULT", "APNname", "it's"));
    EXPECT_NE(text().find("Comport= 12\r\nAPNname=it's\r\n"), std::string::npos) << text();
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
    ASSERT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "a temporary file was left";
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

TEST_F(Ini, ABatchWritesOnceAtItsEndAndKeepsWhatOthersWroteMeanwhile) {
    put("[DEFAULT]\r\nComport=3\r\n");
    int rewrites = 0;
    ini.testHookBeforeRename = [&] { ++rewrites; return false; };
    {
        IniFile::Batch batch(ini);
        EXPECT_TRUE(ini.write("DEFAULT", "Logint", "30"));
        EXPECT_TRUE(ini.write("DEFAULT", "FTPint", "120"));
        EXPECT_EQ(ini.read("DEFAULT", "FTPint"), "120");  // reads see what is held
        EXPECT_EQ(text(), "[DEFAULT]\r\nComport=3\r\n");
        IniFile(file).write("Ports", "COM5", "/dev/pts/7");  // the simulator maps itself meanwhile
    }
    EXPECT_EQ(rewrites, 1);
    EXPECT_EQ(text(), "[DEFAULT]\r\nComport=3\r\nLogint=30\r\nFTPint=120\r\n[Ports]\r\nCOM5=/dev/pts/7\r\n");
}

namespace fs = std::filesystem;

const std::string kText = "[DEFAULT]\r\nComport=3\r\nHome=0219990000\r\n";

// A file of exactly `size` bytes that starts with kText.
std::string Padded(std::uintmax_t size) {
    std::string t = kText + ";";
    t += std::string(size - t.size() - 2, 'x') + "\r\n";
    return t;
}

void Put(const fs::path& f, const std::string& text, mode_t mode, uid_t owner = kNobody) {
    std::ofstream(f, std::ios::binary) << text;
    EXPECT_EQ(::chown(f.c_str(), owner, owner == 0 ? 0 : kNobody), 0);
    EXPECT_EQ(::chmod(f.c_str(), mode), 0);
}

void Link(const fs::path& to, const fs::path& f) {
    fs::create_symlink(to, f);
    EXPECT_EQ(::lchown(f.c_str(), kNobody, kNobody), 0);
}

// What a user would notice of the settings file: what its name is (a file, a FIFO, a link
// and where to), the owner and mode and bytes of what it leads to, and stray files beside it.
struct Look {
    std::string name, owner, text;
    std::set<std::string> folders;
};

Look LookAt(const fs::path& file) {
    Look l;
    struct stat st {};
    if (::lstat(file.c_str(), &st) == 0)
        l.name = S_ISLNK(st.st_mode)  ? "link #" + std::to_string(st.st_ino) + " to " + fs::read_symlink(file).string()
                 : S_ISREG(st.st_mode) ? "file"
                 : S_ISFIFO(st.st_mode) ? "fifo"
                 : S_ISDIR(st.st_mode)  ? "folder"
                                        : "other";
    if (::stat(file.c_str(), &st) == 0) {
        char mode[16];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        l.owner = std::to_string(st.st_uid) + ":" + std::to_string(st.st_gid) + " " + mode;
        if (S_ISREG(st.st_mode)) {
            std::ifstream in(file, std::ios::binary);
            l.text.assign(std::istreambuf_iterator<char>(in), {});
        }
    }
    for (const char* sub : {"cfg", "dotfiles"})
        for (const auto& e : fs::directory_iterator(file.parent_path().parent_path() / sub))
            l.folders.insert(std::string(sub) + "/" + e.path().filename().string());
    return l;
}

struct StoreCase {
    const char* name;
    std::function<void(const fs::path& file)> make;  // as root, in folders that belong to nobody
    bool asNobody;
    const char* comport;  // what reading finds
    bool written;         // else the file is left exactly as it was
};

// Each case as a user would meet it: the folders are the user's (so a rename would pass),
// the store runs as that user (or as root where said), reads, then writes one key.
TEST(IniFileOnDisk, AFileThatCannotBeReadOrWrittenIsLeftAsItIs) {
    if (!RunningAsRoot()) GTEST_SKIP() << "making files of other users needs root";
    const StoreCase cases[] = {
        {"read-only file", [](auto& f) { Put(f, kText, 0444); }, true, "3", false},
        {"read-only file, as root", [](auto& f) { Put(f, kText, 0444); }, false, "3", false},
        {"root's file", [](auto& f) { Put(f, kText, 0644, 0); }, true, "3", false},
        {"unreadable file", [](auto& f) { Put(f, kText, 0000); }, true, "", false},
        {"FIFO", [](auto& f) { ::mkfifo(f.c_str(), 0666); ::chown(f.c_str(), kNobody, kNobody); }, true, "", false},
        {"link to /dev/zero", [](auto& f) { Link("/dev/zero", f); }, true, "", false},
        {"link to /dev/urandom", [](auto& f) { Link("/dev/urandom", f); }, true, "", false},
        {"folder", [](auto& f) { fs::create_directory(f); ::chown(f.c_str(), kNobody, kNobody); }, true, "", false},
        {"file past 1 MiB", [](auto& f) { Put(f, Padded(kMaxSettingsFileSize + 1), 0600); }, true, "", false},
        {"file of 1 MiB", [](auto& f) { Put(f, Padded(kMaxSettingsFileSize), 0600); }, true, "3", true},
        {"symlink into dotfiles",
         [](auto& f) {
             Put(f.parent_path() / "../dotfiles/ORVIKAS.ini", kText, 0640);
             Link("../dotfiles/ORVIKAS.ini", f);
         },
         true, "3", true},
        {"user's file, as root", [](auto& f) { Put(f, kText, 0640); }, false, "3", true},
    };
    for (const StoreCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = MakeTempDir();
        for (const fs::path& d : {dir, dir / "cfg", dir / "dotfiles"}) {
            fs::create_directories(d);
            ASSERT_EQ(::chown(d.c_str(), kNobody, kNobody), 0);
        }
        const fs::path file = dir / "cfg" / kSettingsFileName;
        c.make(file);
        const Look before = LookAt(file);

        const std::string got = InChild(
            [&] {
                IniFile ini(file);
                const std::string value = ini.read("DEFAULT", "Comport");
                return value + (ini.write("DEFAULT", "Comport", "9") ? " written" : " refused");
            },
            c.asNobody);
        EXPECT_EQ(got, std::string(c.comport) + (c.written ? " written" : " refused"));

        const Look after = LookAt(file);
        EXPECT_EQ(after.name, before.name);
        EXPECT_EQ(after.owner, before.owner);
        EXPECT_EQ(after.folders, before.folders);
        std::string text = before.text;
        if (c.written) text.replace(text.find("Comport=3"), 9, "Comport=9");
        EXPECT_TRUE(after.text == text) << "file text changed wrongly";  // may be 1 MiB: no dump
        fs::remove_all(dir);
    }
}

// A file an administrator handed to the user (owner nobody, group root, which nobody is not
// in): every save still lands; the new file is in nobody's group, and that group and others
// keep only what both the old group and the old others had.
TEST(IniFileOnDisk, AUsersFileInAGroupTheUserIsNotInIsSavedWithoutWideningIt) {
    if (!RunningAsRoot()) GTEST_SKIP() << "giving files to other users needs root";
    const struct {
        mode_t mode;
        bool viaLink;
        const char* after;
    } cases[] = {
        {0640, false, "65534:65534 0600"}, {0644, false, "65534:65534 0644"},
        {0604, false, "65534:65534 0600"}, {0660, true, "65534:65534 0600"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + (c.viaLink ? " via link" : ""));
        const fs::path dir = MakeTempDir();
        for (const fs::path& d : {dir, dir / "cfg", dir / "dotfiles"}) {
            fs::create_directories(d);
            ASSERT_EQ(::chown(d.c_str(), kNobody, kNobody), 0);
        }
        const fs::path file = dir / "cfg" / kSettingsFileName;
        const fs::path real = c.viaLink ? dir / "dotfiles" / kSettingsFileName : file;
        std::ofstream(real, std::ios::binary) << kText;
        ASSERT_EQ(::chown(real.c_str(), kNobody, 0), 0);
        ASSERT_EQ(::chmod(real.c_str(), c.mode), 0);
        if (c.viaLink) Link("../dotfiles/ORVIKAS.ini", file);
        const Look before = LookAt(file);

        const std::string got = InChild([&] { return IniFile(file).write("DEFAULT", "Comport", "9") ? "written" : "refused"; });
        EXPECT_EQ(got, "written");
        const Look after = LookAt(file);
        EXPECT_EQ(after.name, before.name);
        EXPECT_EQ(after.owner, c.after);
        EXPECT_EQ(after.folders, before.folders);
        std::string text = before.text;
        text.replace(text.find("Comport=3"), 9, "Comport=9");
        EXPECT_EQ(after.text, text);
        fs::remove_all(dir);
    }
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
