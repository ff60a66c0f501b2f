// Fleet profiles on File > Save and File > Load, the upload preview and the checked upload.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "fakes.h"
#include "profiles/profile_file.h"
#include "scripted_logger.h"
#include "unprivileged.h"

using namespace kd;
using namespace kdtest;
namespace fs = std::filesystem;

namespace {

constexpr const char* kPlain = "V200.5";    // model 0, no SIM type
constexpr const char* kSimType = "V206.1";  // model 6, reports its SIM type
constexpr const char* kHub = "V203.0";      // model 3

// A program that has read a logger with the given firmware.
struct ReadLogger {
    Rig rig{kUsableIni};
    Program& p = rig.program;
    Mainform& f = rig.form;
    ScriptedLogger logger = ScriptedLogger::Plain();

    explicit ReadLogger(const std::string& firmware) {
        Form_Load(p);
        f.ConnectButton.click();
        logger.answers["AT+FW?"] = "+FW: " + firmware;
        logger.answers["AT+SIMTYPE?"] = "+SIMTYPE: 0,0";
        logger.answers["AT+OWNSIM?"] = "+OWNSIM: 8927000000000000012,8927123400000000017";
        logger.attach(rig.port, p);
        f.LoadSettings.click();
        logger.pump(rig.port);
        rig.port.commands.clear();
    }
    void press() {
        f.Uploadbutton.click();
        logger.pump(rig.port);
    }
    void load(const fs::path& file) {
        rig.dialogs.openFile = file.string();
        f.LoadButton.click();
    }
    // Every text and mark of the boxes a profile may change.
    std::string panel() const {
        std::string s;
        for (int i = 0; i <= 14; ++i) s += f.ModemParm(i).text() + (f.ModemParm(i).foreColour() == kRed ? "*|" : "|");
        for (int i = 0; i <= 7; ++i) s += f.NWDevIDBox(i).text() + (f.NWDevIDBox(i).foreColour() == kRed ? "*|" : "|");
        return s + std::to_string(f.SIMTypeOption(1).value()) + std::to_string(f.NetworkName.listIndex()) +
               (f.SIMtypeFrame.foreColour() == kRed ? "*" : "");
    }
    std::vector<std::string> messages() const {
        std::vector<std::string> r;
        for (const Message& m : rig.dialogs.messages) r.push_back(m.title + ": " + m.text);
        return r;
    }
};

void Put(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
std::string Text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

const std::string kRows =
    "[PROFILE]\r\nLogint=15\r\nFTPint=60\r\nAPNname=apn.fleet\r\nAPNun=\r\nAPNpw=\" two words \"\r\n"
    "FTPname=ftp.fleet.net\r\nFTPun=\"\"q\"\"\r\nFTPpw=ftppw\r\nHome=0831110000\r\n";
// Typed on the first logger; blanks and quotes must survive the file's trimming.
const std::pair<int, const char*> kEdits[] = {{3, "15"},  {4, "60"},           {8, "apn.fleet"}, {9, ""},
                                              {10, " two words "}, {11, "ftp.fleet.net"}, {12, "\"q\""}, {14, "0831110000"}};

TEST(Profile, SavedFromOneLoggerAndLoadedOnAnotherItMarksOnlyWhatDiffers) {
    struct Case {
        const char* name;
        const char* firmware;
        std::string file;
        bool overwrites;  // a stale profile lies there already
        const char* loaded;
    };
    const Case cases[] = {
        {"plain logger", kPlain, kRows, false, "Profile fleet loaded: 8 values changed"},
        {"SIM type logger", kSimType, kRows + "SimType=1\r\nNetwork=1\r\n", true,
         "Profile fleet loaded: 9 values changed"},
        {"hub", kHub,
         kRows + "[NETWORK]\r\nProbe=12345\r\nDevice1=2222\r\nDevice2=\r\nDevice3=\r\nDevice4=\r\nDevice5=\r\n"
                 "Device6=\r\nDevice7=\r\n",
         true, "Profile fleet loaded: 9 values changed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadLogger from(c.firmware);
        for (const auto& [row, text] : kEdits) from.f.ModemParm(row).setText(text);
        from.f.ModemParm(6).setText("0829999999");  // one logger's own: never in a profile
        if (c.firmware == kSimType) {
            from.f.SIMTypeOption(1).setValue(true);
            from.f.NetworkName.setListIndex(1);
        }
        if (c.firmware == kHub) from.f.NWDevIDBox(1).setText("2222");
        const fs::path file = from.rig.dir / "fleet.kdprofile";
        if (c.overwrites) Put(file, "[NETWORK]\r\nProbe=9\r\n[PROFILE]\r\nLogint=60\r\nOld=1\r\n");
        from.rig.dialogs.saveAs = (from.rig.dir / "fleet").string();  // the extension is added
        from.f.SaveButton.click();
        EXPECT_EQ(from.rig.dialogs.fileDialogs, std::vector<std::string>{"save  logger-12345.kdprofile"});
        EXPECT_EQ(Text(file), c.file);
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        if (!c.overwrites) {
            EXPECT_EQ(st.st_mode & 0777, 0600u);
        }
        EXPECT_EQ(from.f.StatusBox(0).text(), "Profile saved to " + file.string());

        ReadLogger to(c.firmware);
        to.load(file);
        EXPECT_EQ(to.f.StatusBox(0).text(), c.loaded);
        EXPECT_TRUE(to.messages().empty());
        for (const auto& [row, text] : kEdits) {
            EXPECT_EQ(to.f.ModemParm(row).text(), text) << row;
            EXPECT_EQ(to.f.ModemParm(row).foreColour(), kRed) << row;
        }
        EXPECT_EQ(to.f.ModemParm(13).foreColour(), kBlack);  // the same password stays black
        EXPECT_EQ(to.f.ModemParm(6).text(), "0821234567");
        EXPECT_TRUE(to.f.Uploadbutton.enabled());
        if (c.firmware == kSimType) {
            EXPECT_TRUE(to.f.SIMTypeOption(1).value());
            EXPECT_EQ(to.f.NetworkName.listIndex(), 1);
            EXPECT_EQ(to.f.SIMtypeFrame.foreColour(), kRed);
        }
        if (c.firmware == kHub) {
            EXPECT_EQ(to.f.NWDevIDBox(1).text(), "2222");
            EXPECT_EQ(to.f.NWDevIDBox(1).foreColour(), kRed);
            EXPECT_EQ(to.f.NWDevIDBox(0).foreColour(), kBlack);
        }
        // Loading the same profile again finds nothing to change.
        to.load(file);
        EXPECT_EQ(to.f.StatusBox(0).text(), "Profile fleet loaded: no value differs");
    }
}

TEST(Profile, LoadPutsInOnlyTheKeysPresentAndWhatThisLoggerCanTake) {
    struct Case {
        const char* name;
        std::string text;
        std::string status;
        std::vector<std::pair<int, std::string>> red;
    };
    const Case cases[] = {
        {"equal values stay black", "[PROFILE]\r\nLogint=30\r\nHome=0215550143\r\n", "no value differs", {}},
        {"an empty value is a value", "[PROFILE]\r\nAPNpw=\r\n", "1 value changed", {{10, ""}}},
        {"the check speaks at the upload", "[profile]\r\nlogint=20\r\nFTPint=45\r\n", "2 values changed",
         {{3, "20"}, {4, "45"}}},
        {"a device table on a plain logger", "[PROFILE]\r\n[NETWORK]\r\nProbe=1\r\nDevice1=2\r\n",
         "no value differs; device table ignored (not a hub)", {}},
        {"a SIM type the logger never reported", "[PROFILE]\r\nSimType=1\r\nNetwork=2\r\n",
         "no value differs; SIM type ignored (not reported)", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadLogger l(kPlain);
        std::string expected = l.panel();
        for (const auto& [row, text] : c.red) {
            const std::string old = l.f.ModemParm(row).text() + "|";
            size_t at = 0;
            for (int i = 0; i < row; ++i) at = expected.find('|', at) + 1;
            expected.replace(at, old.size(), text + "*|");
        }
        Put(l.rig.dir / "p.kdprofile", c.text);
        l.load(l.rig.dir / "p.kdprofile");
        EXPECT_EQ(l.f.StatusBox(0).text(), "Profile p loaded: " + c.status);
        EXPECT_EQ(l.panel(), expected);
        EXPECT_EQ(l.f.Uploadbutton.enabled(), !c.red.empty());
        EXPECT_EQ(l.p.profiles.previewNextUpload, !c.red.empty());
    }
}

TEST(Profile, AProfileReadIsWrittenSoThatItReadsBackTheSame) {
    // Hand-written files whose PROFILE section holds none of its keys: written without the
    // section they would no longer be profiles, and a hub's would lose its NETWORK section.
    const fs::path dir = MakeTempDir();
    for (const std::string text : {"[PROFILE]\r\n[NETWORK]\r\nProbe=12345\r\nDevice1=2222\r\n", "[PROFILE]\r\n",
                                   "[PROFILE]\r\nAPNpw=\" two words \"\r\nFTPun=\"\"q\"\"\r\nHome= 0831110000\r\n"}) {
        SCOPED_TRACE(text);
        Put(dir / "in.kdprofile", text);
        const ProfileRead in = ReadProfile(dir / "in.kdprofile");
        ASSERT_TRUE(in.ok()) << in.error;
        ASSERT_EQ(WriteProfile(dir / "out.kdprofile", in.profile), "");
        const ProfileRead out = ReadProfile(dir / "out.kdprofile");
        ASSERT_TRUE(out.ok()) << out.error;
        EXPECT_EQ(out.profile.hasNetworkSection, in.profile.hasNetworkSection);
        ASSERT_EQ(out.profile.values.size(), in.profile.values.size());
        for (size_t i = 0; i < in.profile.values.size(); ++i) {
            EXPECT_EQ(out.profile.values[i].key, in.profile.values[i].key);
            EXPECT_EQ(out.profile.values[i].value, in.profile.values[i].value);
        }
    }
    fs::remove_all(dir);
}

TEST(Profile, ABadFileIsNamedWithItsFaultAndChangesNothing) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        std::string reason;
    };
    const Case cases[] = {
        {"missing", [](const fs::path&) {}, " does not exist"},
        {"not a profile", [](const fs::path& f) { Put(f, "[DEFAULT]\r\nLogint=5\r\n"); },
         " is not a profile: it has no [PROFILE] section"},
        {"a folder", [](const fs::path& f) { fs::create_directory(f); }, " is a folder"},
        {"over 1 MiB",
         [](const fs::path& f) { Put(f, "[PROFILE]\r\nLogint=5\r\n" + std::string(kMaxSettingsFileSize, ';')); },
         " is larger than 1 MiB"},
        {"a line break", [](const fs::path& f) { Put(f, "[PROFILE]\r\nLogint=5\r\nAPNpw=a\rb\r\n"); },
         ": APNpw holds a line break"},
        {"an impossible network", [](const fs::path& f) { Put(f, "[PROFILE]\r\nLogint=5\r\nNetwork=4\r\n"); },
         ": Network must be 0 to 3, not \"4\""},
        {"longer than its box", [](const fs::path& f) { Put(f, "[PROFILE]\r\nLogint=5\r\nFTPint=1200\r\n"); },
         ": FTPint \"1200\" is longer than the 3 characters its box takes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadLogger l(kPlain);
        const fs::path file = l.rig.dir / "bad.kdprofile";
        c.make(file);
        const std::string before = l.panel();
        l.load(file);
        EXPECT_EQ(l.messages(), std::vector<std::string>{"Message: Profile not loaded: " + file.string() + c.reason});
        EXPECT_EQ(l.panel(), before);
        EXPECT_EQ(l.f.StatusBox(0).text(), "");
        EXPECT_FALSE(l.f.Uploadbutton.enabled());
    }

    // A file its reader may not read.
    const fs::path dir = MakeTempDir();
    fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
    Put(dir / "locked.kdprofile", "[PROFILE]\r\nLogint=5\r\n");
    fs::permissions(dir / "locked.kdprofile", fs::perms::none);
    EXPECT_EQ(InChild([&] { return ReadProfile(dir / "locked.kdprofile").error; }),
              (dir / "locked.kdprofile").string() + " cannot be read: Permission denied");
    fs::remove_all(dir);
}

TEST(Profile, SaveAndLoadThatCannotGoOnSaySoAndChangeNothing) {
    ReadLogger l(kPlain);
    const fs::path blocked = l.rig.dir / "ORVIKAS.ini" / "x.kdprofile";  // under a file
    l.rig.dialogs.saveAs = blocked.string();
    l.f.SaveButton.click();
    const fs::path fine = l.rig.dir / "y.kdprofile";
    l.rig.dialogs.saveAs = fine.string();
    l.f.ModemParm(9).setText("us\r\ner");  // a value the file could not hold
    l.f.SaveButton.click();
    EXPECT_FALSE(fs::exists(fine));
    l.rig.dialogs.saveAs.clear();  // Cancel
    l.f.SaveButton.click();

    l.f.LoadSettings.click();  // a command now awaits its answer
    l.f.LoadButton.click();
    EXPECT_EQ(l.messages(),
              (std::vector<std::string>{
                  "Message: Profile not saved: " + blocked.string() + " cannot be written: Not a directory",
                  "Message: Profile not saved: " + fine.string() + " not written: APNun holds a line break",
                  "Message: A command awaits the logger's answer: wait for it, then load the profile."}));
    EXPECT_EQ(l.rig.dialogs.fileDialogs.size(), 3u);  // no open dialog while busy
    EXPECT_EQ(l.rig.dialogs.fileDialogs.back(), "save " + l.rig.dir.string() + " logger-12345.kdprofile");
}

std::vector<std::string> Rows(const std::vector<UploadPreviewRow>& rows) {
    std::vector<std::string> r;
    for (const UploadPreviewRow& row : rows)
        r.push_back(row.setting + "|" + row.onLogger + "|" + row.newValue + (row.password ? "|password" : ""));
    return r;
}

TEST(UploadPreview, ListsWhatWouldBeSentAndCancelSendsNothing) {
    ReadLogger l(kPlain);
    EXPECT_EQ(l.rig.fileText().find("[Upload]"), std::string::npos);  // written only when changed
    l.f.ConfirmUpload.click();
    EXPECT_NE(l.rig.fileText().find("[Upload]\r\nConfirm=1\r\n"), std::string::npos);
    l.f.ModemParm(3).setText("15");
    l.f.ModemParm(10).setText("s3cret");
    l.rig.dialogs.sendAfterPreview = false;
    l.press();
    ASSERT_EQ(l.rig.dialogs.previews.size(), 1u);
    EXPECT_EQ(Rows(l.rig.dialogs.previews[0]),
              (std::vector<std::string>{"Logging Int|30|15", "APN Name|internet|internet", "APN User Name|user|user",
                                        "APN Password|pass|s3cret|password"}));
    EXPECT_TRUE(l.rig.port.commands.empty());
    EXPECT_EQ(l.f.ModemParm(3).foreColour(), kRed);
    EXPECT_EQ(l.f.ModemParm(10).foreColour(), kRed);
    EXPECT_TRUE(l.f.Uploadbutton.enabled());

    l.rig.dialogs.sendAfterPreview = true;
    l.logger.answers["AT+LOGINT=15"] = "+LOGINT: 15";
    l.logger.answers["AT+APNCON=internet,user,s3cret"] = "+APNCON: internet,user,s3cret";
    l.press();
    EXPECT_EQ(l.rig.port.commands, (std::vector<std::string>{"AT+LOGINT=15", "AT+APNCON=internet,user,s3cret"}));
    EXPECT_EQ(l.rig.dialogs.previews.size(), 2u);

    Rig restarted(l.rig.fileText());  // the choice is remembered
    Form_Load(restarted.program);
    EXPECT_TRUE(restarted.form.ConfirmUpload.checked());

    // Off again: only the upload right after a profile load is shown.
    l.f.ConfirmUpload.click();
    EXPECT_NE(l.rig.fileText().find("[Upload]\r\nConfirm=0\r\n"), std::string::npos);
    Put(l.rig.dir / "p.kdprofile", "[PROFILE]\r\nLogint=60\r\n");
    l.load(l.rig.dir / "p.kdprofile");
    l.logger.answers["AT+LOGINT=60"] = "+LOGINT: 60";
    l.press();
    ASSERT_EQ(l.rig.dialogs.previews.size(), 3u);
    EXPECT_EQ(Rows(l.rig.dialogs.previews[2]), std::vector<std::string>{"Logging Int|15|60"});
    l.f.ModemParm(3).setText("5");
    l.logger.answers["AT+LOGINT=5"] = "+LOGINT: 5";
    l.press();
    EXPECT_EQ(l.rig.dialogs.previews.size(), 3u);
    EXPECT_EQ(l.rig.port.commands.back(), "AT+LOGINT=5");
}

TEST(CheckedUpload, AValueTheLoggerDidNotKeepIsNamedAndStaysRedForTheNextPress) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, std::string>> edits;
        std::map<std::string, std::string> answers;  // command -> the logger's answer
        std::vector<std::string> sent;
        std::string status;
        std::string unkept;  // the message's lines, "" for no message
        std::vector<int> red;
    };
    const Case cases[] = {
        {"an interval kept old",
         {{3, "15"}, {14, "0831110000"}},
         {{"AT+LOGINT=15", "+LOGINT: 30"}, {"AT+HOMENUM=0831110000", "+HOMENUM: 0831110000"}},
         {"AT+LOGINT=15", "AT+HOMENUM=0831110000"},
         "Upload complete: 1 value confirmed by the logger",
         "Logging Int: sent 15, logger holds 30",
         {3}},
        {"a password in its group, masked",
         {{10, "s3cret"}},
         {{"AT+APNCON=internet,user,s3cret", "+APNCON: internet,user,pass"}},
         {"AT+APNCON=internet,user,s3cret"},
         "Upload complete: 2 values confirmed by the logger",
         "APN Password: sent ******, logger holds ****",
         {10}},
        {"everything kept", {{4, "60"}}, {{"AT+FTPINT=60", "+FTPINT: 60"}}, {"AT+FTPINT=60"},
         "Upload complete: 1 value confirmed by the logger", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadLogger l(kPlain);
        for (const auto& [row, text] : c.edits) l.f.ModemParm(row).setText(text);
        for (const auto& [command, answer] : c.answers) l.logger.answers[command] = answer;
        l.press();
        EXPECT_EQ(l.rig.port.commands, c.sent);  // a value put back is not sent again in this run
        EXPECT_EQ(l.f.StatusBox(0).text(), c.status);
        EXPECT_EQ(l.messages(), c.unkept.empty() ? std::vector<std::string>{}
                                                  : std::vector<std::string>{"Message: The logger did not keep every value:\n" + c.unkept});
        for (const auto& [row, text] : c.edits) {
            const bool red = std::find(c.red.begin(), c.red.end(), row) != c.red.end();
            EXPECT_EQ(l.f.ModemParm(row).foreColour(), red ? kRed : kBlack) << row;
            if (red) {
                EXPECT_EQ(l.f.ModemParm(row).text(), text) << row;
            }
        }
        EXPECT_EQ(l.f.Uploadbutton.enabled(), !c.red.empty());
        EXPECT_EQ(l.p.ReplyState, 0);
        if (c.red.empty()) continue;
        // The next press sends it again; this time the logger keeps it.
        l.rig.port.commands.clear();
        const std::string again = c.sent.front();
        l.logger.answers[again] = "+" + again.substr(3, again.find('=') - 3) + ": " + again.substr(again.find('=') + 1);
        l.press();
        EXPECT_EQ(l.rig.port.commands, std::vector<std::string>{again});
        EXPECT_FALSE(l.f.Uploadbutton.enabled());
    }
}

}  // namespace
