// Fleet profiles on File > Save and File > Load, the upload preview and the checked upload.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
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
    // The values a profile carries, as shown.
    std::string fleet() const {
        std::string s;
        for (int i : {3, 4, 8, 9, 10, 11, 12, 13, 14}) s += f.ModemParm(i).text() + "|";
        for (int i = 0; i <= 7; ++i) s += f.NWDevIDBox(i).text() + "|";
        return s + std::to_string(f.SIMTypeOption(1).value()) + std::to_string(f.NetworkName.listIndex());
    }
    std::vector<std::string> messages() const {
        std::vector<std::string> r;
        for (const Message& m : rig.dialogs.messages) r.push_back(m.title + ": " + m.text);
        return r;
    }
};

void Put(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
std::string Text(const fs::path& file) { return (std::stringstream() << std::ifstream(file).rdbuf()).str(); }

const std::string kRows =
    "[PROFILE]\r\nLogint=15\r\nFTPint=60\r\nAPNname=apn.fleet\r\nAPNun=\r\nAPNpw=\" two words \"\r\n"
    "FTPname=ftp.fleet.net\r\nFTPun=\"\"q\"\"\r\nFTPpw=ftppw\r\nHome=0831110000\r\n";
// Typed on the first logger; blanks and quotes must survive the file's trimming.
const std::pair<int, const char*> kEdits[] = {{3, "15"},  {4, "60"},           {8, "apn.fleet"}, {9, ""},
                                              {10, " two words "}, {11, "ftp.fleet.net"}, {12, "\"q\""}, {14, "0831110000"}};

TEST(Profile, SavedFromOneLoggerAndLoadedOnAnotherItMarksOnlyWhatDiffers) {
    struct Case {
        const char *name, *firmware;
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
        if (c.overwrites) {
            Put(file, "[NETWORK]\r\nProbe=9\r\n[PROFILE]\r\nLogint=60\r\nOld=1\r\n");
            fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
        }
        from.rig.dialogs.saveAs = (from.rig.dir / "fleet").string();  // the extension is added
        from.f.SaveButton.click();
        EXPECT_EQ(from.rig.dialogs.fileDialogs, std::vector<std::string>{"save  logger-12345.kdprofile"});
        EXPECT_EQ(Text(file), c.file);
        // It holds passwords: private also when it replaced a file others could read.
        EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(from.f.StatusBox(0).text(), "Profile saved to " + file.string());

        ReadLogger to(c.firmware);
        to.load(file);
        EXPECT_EQ(to.f.StatusBox(0).text(), c.loaded);
        EXPECT_EQ(to.fleet(), from.fleet());
        for (const auto& [row, text] : kEdits) EXPECT_EQ(to.f.ModemParm(row).foreColour(), kRed) << row;
        EXPECT_EQ(to.f.ModemParm(13).foreColour(), kBlack);  // the same password stays black
        EXPECT_EQ(to.f.ModemParm(6).text(), "0821234567");
        EXPECT_EQ(to.f.SIMtypeFrame.foreColour(), c.firmware == kSimType ? kRed : kBlack);
        EXPECT_EQ(to.f.NWDevIDBox(1).foreColour(), c.firmware == kHub ? kRed : kBlack);
    }
}

TEST(Profile, LoadPutsInOnlyTheKeysPresentAndWhatThisLoggerCanTake) {
    struct Case {
        std::string text, status;
        std::map<int, std::string> red;
    };
    const Case cases[] = {
        {"[PROFILE]\r\nLogint=30\r\nHome=0215550143\r\n", "no value differs", {}},
        {"[PROFILE]\r\nAPNpw=\r\n", "1 value changed", {{10, ""}}},  // an empty value is a value
        {"[profile]\r\nlogint=20\r\nFTPint=45\r\n", "2 values changed", {{3, "20"}, {4, "45"}}},  // checked at upload
        {"[PROFILE]\r\n[NETWORK]\r\nProbe=1\r\nDevice1=2\r\n", "no value differs; device table ignored (not a hub)", {}},
        {"[PROFILE]\r\nSimType=1\r\nNetwork=2\r\n", "no value differs; SIM type ignored (not reported)", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ReadLogger l(kPlain);
        const std::string expected = l.panel();
        std::vector<std::string> texts;
        for (int row = 0; row <= 14; ++row) texts.push_back(c.red.count(row) ? c.red.at(row) : l.f.ModemParm(row).text());
        Put(l.rig.dir / "p.kdprofile", c.text);
        l.load(l.rig.dir / "p.kdprofile");
        EXPECT_EQ(l.f.StatusBox(0).text(), "Profile p loaded: " + c.status);
        for (int row = 0; row <= 14; ++row) {
            EXPECT_EQ(l.f.ModemParm(row).text(), texts[static_cast<size_t>(row)]) << row;
            EXPECT_EQ(l.f.ModemParm(row).foreColour(), c.red.count(row) ? kRed : kBlack) << row;
        }
        if (c.red.empty()) {
            EXPECT_EQ(l.panel(), expected);  // device table and SIM type too
        }
        EXPECT_EQ(l.f.Uploadbutton.enabled(), !c.red.empty());
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

TEST(Profile, ABadFileOrABusyLoggerIsNamedAndNothingChanges) {
    const std::string big = "[PROFILE]\r\n" + std::string(kMaxSettingsFileSize, ';');
    const std::pair<std::string, std::string> cases[] = {  // file text ("-" none, "/" a folder), reason
        {"-", " does not exist"},
        {"/", " is a folder"},
        {"[DEFAULT]\r\nLogint=5\r\n", " is not a profile: it has no [PROFILE] section"},
        {big, " is larger than 1 MiB"},
        {"[PROFILE]\r\nLogint=5\r\nAPNpw=a\rb\r\n", ": APNpw holds a line break"},
        {"[PROFILE]\r\nNetwork=4\r\n", ": Network must be 0 to 3, not \"4\""},
        {"[PROFILE]\r\nSimType=\xe9\r\n", ": SimType must be 0 or 1, not \"\xc3\xa9\""},  // UTF-8, as the file name
        {"[PROFILE]\r\nLogint=5\r\nFTPname=" + std::string(256, 'f') + "\r\n",
         ": FTPname is longer than the 255 characters a set command can carry"},
        {"\xEF\xBB\xBF[DEFAULT]\r\n", " is not a profile: it has no [PROFILE] section"},
    };
    for (const auto& [text, reason] : cases) {
        SCOPED_TRACE(reason);
        ReadLogger l(kPlain);
        const fs::path file = l.rig.dir / "bad.kdprofile";
        if (text == "/") fs::create_directory(file);
        else if (text != "-") Put(file, text);
        const std::string before = l.panel();
        l.load(file);
        EXPECT_EQ(l.messages(), std::vector<std::string>{"Message: Profile not loaded: " + file.string() + reason});
        EXPECT_TRUE(l.rig.dialogs.messages.back().systemText);  // it names a file
        EXPECT_EQ(l.panel(), before);
    }
    const fs::path dir = MakeTempDir();  // a file its reader may not read
    fs::permissions(dir, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    Put(dir / "locked.kdprofile", "[PROFILE]\r\n");
    fs::permissions(dir / "locked.kdprofile", fs::perms::none);
    EXPECT_EQ(InChild([&] { return ReadProfile(dir / "locked.kdprofile").error; }),
              (dir / "locked.kdprofile").string() + " cannot be read: Permission denied");
    fs::remove_all(dir);

    ReadLogger l(kPlain);
    l.f.LoadSettings.click();  // a command now awaits its answer
    l.f.LoadButton.click();
    EXPECT_EQ(l.messages(), std::vector<std::string>{"Message: A command awaits the logger's answer: wait for it, then load the profile."});
    EXPECT_TRUE(l.rig.dialogs.fileDialogs.empty());
}

TEST(Profile, ASaveThatCannotBeWrittenSaysSoAndNamesTheFile) {
    ReadLogger l(kPlain);
    const fs::path blocked = l.rig.dir / "ORVIKAS.ini" / "x.kdprofile", fine = l.rig.dir / "y.kdprofile";
    for (const fs::path& file : {blocked, fine}) {
        l.rig.dialogs.saveAs = file.string();
        l.f.SaveButton.click();
        l.f.ModemParm(9).setText("us\r\ner");  // a value the file could not hold
    }
    EXPECT_FALSE(fs::exists(fine));
    EXPECT_EQ(l.messages(), (std::vector<std::string>{
                                "Message: Profile not saved: " + blocked.string() + " cannot be written: Not a directory",
                                "Message: Profile not saved: " + fine.string() + " not written: APNun holds a line break"}));
    EXPECT_EQ(l.rig.dialogs.fileDialogs.back(), "save " + blocked.parent_path().string() + " logger-12345.kdprofile");
}

TEST(Profile, ASavedProfileIsPrivateWhereverItLands) {
    using P = fs::perms;
    struct Case {
        const char* name;
        P before;  // P::unknown: no file yet
        bool viaLink;
    };
    const Case cases[] = {{"new", P::unknown, false}, {"readable by all", P(0644), false},
                          {"writable by the group", P(0660), false}, {"a link to a shared file", P(0644), true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadLogger l(kPlain);
        const fs::path file = l.rig.dir / "p.kdprofile", target = c.viaLink ? l.rig.dir / "shared.kdprofile" : file;
        if (c.before != P::unknown) {
            Put(target, "[PROFILE]\r\nLogint=60\r\n");
            fs::permissions(target, c.before);
        }
        if (c.viaLink) fs::create_symlink(target, file);
        l.rig.dialogs.saveAs = file.string();
        l.f.SaveButton.click();
        EXPECT_EQ(l.messages(), std::vector<std::string>{});
        EXPECT_EQ(fs::status(target).permissions(), P::owner_read | P::owner_write);
        EXPECT_EQ(fs::is_symlink(file), c.viaLink);
        EXPECT_NE(Text(target).find("Logint=30"), std::string::npos);
    }
}

TEST(Profile, AValueTheUploadWouldRefuseIsLoadedRedAndTheCheckSpeaksAtTheUpload) {
    const std::string apn40(40, 'a'), apn255(255, 'b');
    struct Case {
        std::string file;
        int row;
        std::string shown, message;        // message: the upload's, "" none
        std::vector<std::string> commands;  // what the upload sends
    };
    const Case cases[] = {
        {"[PROFILE]\r\nLogint=120\r\n", 3, "120", "Message: Log Interval out of range!", {}},  // box takes 2
        {"[PROFILE]\r\nFTPint=1200\r\n", 4, "1200", "Message: FTP Interval out of range!", {}},
        {"[PROFILE]\r\nAPNname=a,b\r\n", 8, "a,b", "Message: APN Name must not contain a comma!", {}},
        {"[PROFILE]\r\nAPNname=" + apn40 + "\r\n", 8, apn40, "", {"AT+APNCON=" + apn40 + ",user,pass"}},
        {"[PROFILE]\r\nAPNname=" + apn255 + "\r\n", 8, apn255, "", {"AT+APNCON=" + apn255 + ",user,pass"}},
        // Notepad starts a UTF-8 file with a byte order mark.
        {"\xEF\xBB\xBF[PROFILE]\r\nLogint=15\r\n", 3, "15", "", {"AT+LOGINT=15"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.substr(0, 40));
        ReadLogger l(kPlain);
        Put(l.rig.dir / "p.kdprofile", c.file);
        l.load(l.rig.dir / "p.kdprofile");
        EXPECT_EQ(l.messages(), std::vector<std::string>{});
        EXPECT_EQ(l.f.StatusBox(0).text(), "Profile p loaded: 1 value changed");
        EXPECT_EQ(l.f.ModemParm(c.row).text(), c.shown);
        EXPECT_EQ(l.f.ModemParm(c.row).foreColour(), kRed);
        EXPECT_TRUE(l.f.Uploadbutton.enabled());
        l.press();
        EXPECT_EQ(l.messages(), c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
        EXPECT_EQ(l.rig.port.commands, c.commands);
    }
}

TEST(Profile, TextsThatNameAFileSpellItAsTheSystemDoes) {
    ReadLogger l(kPlain);
    const fs::path folder = l.rig.dir / "Документы";  // UTF-8, as the system names it
    fs::create_directory(folder);
    l.rig.dialogs.saveAs = (folder / "Отчёт").string();
    l.f.SaveButton.click();
    EXPECT_EQ(l.f.StatusBox(0).text(), "Profile saved to " + l.rig.dir.string() + "/Документы/Отчёт.kdprofile");
    EXPECT_TRUE(l.f.StatusBox(0).systemText());

    l.load(folder / "Отчёт.kdprofile");
    EXPECT_EQ(l.f.StatusBox(0).text(), "Profile Отчёт loaded: no value differs");
    EXPECT_TRUE(l.f.StatusBox(0).systemText());
    l.load(folder / "нет.kdprofile");
    ASSERT_EQ(l.rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(l.rig.dialogs.messages[0].text, "Profile not loaded: " + (folder / "нет.kdprofile").string() + " does not exist");
    EXPECT_TRUE(l.rig.dialogs.messages[0].systemText);

    // The next text that names no file is the line's bytes again.
    l.f.ModemParm(3).setText("15");
    l.logger.answers["AT+LOGINT=15"] = "+LOGINT: 15";
    l.press();
    EXPECT_EQ(l.f.StatusBox(0).text(), "Upload complete: 1 value confirmed by the logger");
    EXPECT_FALSE(l.f.StatusBox(0).systemText());
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
    const std::string before = l.panel();
    l.rig.dialogs.sendAfterPreview = false;
    l.press();
    ASSERT_EQ(l.rig.dialogs.previews.size(), 1u);
    EXPECT_EQ(Rows(l.rig.dialogs.previews[0]), (std::vector<std::string>{"Logging Int|30|15", "APN Name|internet|internet",
                                                                        "APN User Name|user|user", "APN Password|pass|s3cret|password"}));
    EXPECT_TRUE(l.rig.port.commands.empty());
    EXPECT_EQ(l.panel(), before);
    l.rig.dialogs.sendAfterPreview = true;
    l.press();
    EXPECT_EQ(l.rig.port.commands, (std::vector<std::string>{"AT+LOGINT=15"}));  // the logger never answers here

    Rig restarted(l.rig.fileText());  // the choice is remembered
    Form_Load(restarted.program);
    EXPECT_TRUE(restarted.form.ConfirmUpload.checked());

    // Off: only the upload right after a profile load is shown.
    ReadLogger off(kPlain);
    Put(off.rig.dir / "p.kdprofile", "[PROFILE]\r\nLogint=60\r\n");
    off.load(off.rig.dir / "p.kdprofile");
    for (const char* interval : {"60", "5"}) {
        off.logger.answers[std::string("AT+LOGINT=") + interval] = std::string("+LOGINT: ") + interval;
        off.press();
        off.f.ModemParm(3).setText("5");
    }
    EXPECT_EQ(off.rig.port.commands, (std::vector<std::string>{"AT+LOGINT=60", "AT+LOGINT=5"}));
    ASSERT_EQ(off.rig.dialogs.previews.size(), 1u);
    EXPECT_EQ(Rows(off.rig.dialogs.previews[0]), std::vector<std::string>{"Logging Int|30|60"});
}

TEST(CheckedUpload, AValueTheLoggerDidNotKeepIsNamedAndStaysRedForTheNextPress) {
    struct Case {
        int row;
        std::string value, command, answer, status, unkept;  // unkept: the message's line, "" none
    };
    const Case cases[] = {
        {3, "15", "AT+LOGINT=15", "+LOGINT: 30", "Upload complete: 1 value confirmed by the logger",
         "Logging Int: sent 15, logger holds 30"},
        {10, "s3cret", "AT+APNCON=internet,user,s3cret", "+APNCON: internet,user,pass",
         "Upload complete: 3 values confirmed by the logger", "APN Password: sent ******, logger holds ****"},
        {4, "60", "AT+FTPINT=60", "+FTPINT: 60", "Upload complete: 2 values confirmed by the logger", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        ReadLogger l(kPlain);
        l.f.ModemParm(c.row).setText(c.value);
        l.f.ModemParm(14).setText("0831110000");  // kept, and sent after the value put back
        l.logger.answers[c.command] = c.answer;
        l.logger.answers["AT+HOMENUM=0831110000"] = "+HOMENUM: 0831110000";
        l.press();
        EXPECT_EQ(l.rig.port.commands, (std::vector<std::string>{c.command, "AT+HOMENUM=0831110000"}));  // each once
        const bool kept = c.unkept.empty();
        EXPECT_EQ(l.f.StatusBox(0).text(), c.status);
        EXPECT_EQ(l.messages(), kept ? std::vector<std::string>{}
                                     : std::vector<std::string>{"Message: The logger did not keep every value:\n" + c.unkept});
        EXPECT_EQ(l.f.ModemParm(c.row).text(), c.value);
        EXPECT_EQ(l.f.ModemParm(c.row).foreColour(), kept ? kBlack : kRed);
        EXPECT_EQ(l.f.Uploadbutton.enabled(), !kept);
        if (kept) continue;
        l.rig.port.commands.clear();  // the next press sends it again
        l.press();
        EXPECT_EQ(l.rig.port.commands, std::vector<std::string>{c.command});
    }
}

TEST(CheckedUpload, TheSimTypeIsComparedWithWhatTheLoggerAnswers) {
    struct Case {
        std::string answer, unkept;  // unkept: the message's line, "" when kept
    };
    const Case cases[] = {
        {"+SIMTYPE: 1,2", ""},
        {"+SIMTYPE: 1,7", "SIM Card Type: sent Prepaid RSA Only, Cell-C, logger holds 1,7"},  // the panel cannot show it
        {"+SIMTYPE: 0,0", "SIM Card Type: sent Prepaid RSA Only, Cell-C, logger holds Contract"},
        {"+SIMTYPE: 1", "SIM Card Type: sent Prepaid RSA Only, Cell-C, logger holds 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        ReadLogger l(kSimType);
        l.f.SIMTypeOption(1).setValue(true);
        l.f.NetworkName.setListIndex(2);
        ASSERT_EQ(l.f.SIMtypeFrame.foreColour(), kRed);
        l.logger.answers["AT+SIMTYPE=1,2"] = c.answer;
        l.press();
        EXPECT_EQ(l.rig.port.commands, std::vector<std::string>{"AT+SIMTYPE=1,2"});
        const bool kept = c.unkept.empty();
        EXPECT_EQ(l.f.StatusBox(0).text(),
                  std::string("Upload complete: ") + (kept ? "1 value" : "0 values") + " confirmed by the logger");
        EXPECT_EQ(l.messages(), kept ? std::vector<std::string>{}
                                     : std::vector<std::string>{"Message: The logger did not keep every value:\n" + c.unkept});
        EXPECT_EQ(l.f.SIMtypeFrame.foreColour(), kept ? kBlack : kRed);
        EXPECT_TRUE(l.f.SIMTypeOption(1).value());
        EXPECT_EQ(l.f.NetworkName.listIndex(), 2);
        EXPECT_EQ(l.f.Uploadbutton.enabled(), !kept);
    }
}

}  // namespace
