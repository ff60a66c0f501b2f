#pragma once
// Test doubles for the platform: a scripted serial port, recorded dialogs, a virtual clock,
// and a fixture that builds a whole program on a temporary settings folder.
#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/startup.h"
#include "app/timer.h"
#include "link/coms_box.h"
#include "link/serial_port.h"
#include "profiles/upload_preview.h"
#include "settings/ini_file.h"

namespace kdtest {

class FakePort : public kd::SerialPort {
public:
    std::set<int> usable{1, 2, 3, 4};
    std::string refusal = "No such file or directory";
    int number = 0;
    bool opened = false;
    std::string written;                 // every byte written while open
    std::vector<std::string> commands;   // the same, cut at CR LF
    int opens = 0;
    int failedWrites = 0;
    std::function<void(const std::string& command)> onCommand;  // a scripted logger

    bool setCommPort(int n, std::string* error) override {
        if (opened) { if (error) *error = "port is open"; return false; }
        if (n < 1 || n > 16) { if (error) *error = "no such port"; return false; }
        number = n;
        return true;
    }
    int commPort() const override { return number; }
    bool setSettings(const std::string& s, std::string* error) override {
        if (s != "9600,n,8,1") { if (error) *error = "bad settings"; return false; }
        return true;
    }
    bool open(std::string* error) override {
        if (!usable.count(number)) { if (error) *error = refusal; return false; }
        opened = true;
        ++opens;
        return true;
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    bool write(std::string_view bytes, std::string* error) override {
        if (!opened) { ++failedWrites; if (error) *error = "port is closed"; return false; }
        written.append(bytes);
        pending_.append(bytes);
        for (size_t pos; (pos = pending_.find("\r\n")) != std::string::npos;) {
            std::string c = pending_.substr(0, pos);
            pending_.erase(0, pos + 2);
            commands.push_back(c);
            if (onCommand) onCommand(c);
        }
        return true;
    }
    std::string readAll() override { std::string s; s.swap(input_); return s; }
    std::string describe(int n) const override { return "/dev/fake" + std::to_string(n) + " - Fake UART"; }

    // Characters arriving from the logger: one receive event per call.
    void receive(const std::string& s) {
        input_ += s;
        if (onCommEvent) onCommEvent(kd::kCommEventReceive);
    }

private:
    std::string pending_;
    std::string input_;
};

struct Message {
    std::string text, title;
    kd::MsgIcon icon;
    kd::MsgButtons buttons;
    std::string detail;
    bool systemText = false;  // the text names a file: UTF-8, not the line's bytes
};

class FakeDialogs : public kd::Dialogs {
public:
    std::vector<Message> messages;
    std::deque<kd::MsgAnswer> answers;  // for Retry/Cancel boxes; Cancel when empty
    std::function<void(kd::ComsBox&)> comsBoxScript;  // what the operator does in the dialog
    int comsBoxShown = 0;

    kd::MsgAnswer messageBox(const std::string& text, const std::string& title, kd::MsgIcon icon,
                             kd::MsgButtons buttons, const std::string& detail) override {
        messages.push_back({text, title, icon, buttons, detail});
        if (buttons == kd::MsgButtons::Ok) return kd::MsgAnswer::Ok;
        if (answers.empty()) return kd::MsgAnswer::Cancel;
        const kd::MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    kd::MsgAnswer systemMessageBox(const std::string& text, const std::string& title, kd::MsgIcon icon,
                                   kd::MsgButtons buttons) override {
        const kd::MsgAnswer a = messageBox(text, title, icon, buttons, {});
        messages.back().systemText = true;
        return a;
    }
    void runComsBox(kd::ComsBox& box) override {
        ++comsBoxShown;
        if (comsBoxScript) comsBoxScript(box);
        if (!box.closed()) box.CancelButton.click();
    }

    // Profile files and the upload preview: what the technician picks; "" cancels.
    std::string saveAs, openFile;
    std::vector<std::string> fileDialogs;  // "save <folder> <name>" / "open <folder>"
    std::vector<std::vector<kd::UploadPreviewRow>> previews;
    bool sendAfterPreview = true;
    std::string profileToSave(const std::string& folder, const std::string& name) override {
        fileDialogs.push_back("save " + folder + " " + name);
        return saveAs;
    }
    std::string transcriptAs;  // the transcript file picked; "" cancels
    std::string transcriptToSave(const std::string& name) override {
        fileDialogs.push_back("transcript " + name);
        return transcriptAs;
    }
    std::string profileToOpen(const std::string& folder) override {
        fileDialogs.push_back("open " + folder);
        return openFile;
    }
    bool confirmUpload(const std::vector<kd::UploadPreviewRow>& rows) override {
        previews.push_back(rows);
        return sendAfterPreview;
    }
    // "Before you leave": the reasons listed each time, and the answer (Leave anyway).
    std::vector<std::vector<std::string>> leaving;
    bool leaveAnywayAnswer = true;
    bool leaveAnyway(const std::vector<std::string>& reasons) override {
        leaving.push_back(reasons);
        return leaveAnywayAnswer;
    }

    // The signal monitor's "Mark...": the name typed (nothing cancels), and each suggestion shown.
    std::optional<std::string> spanName;
    std::vector<std::string> spanSuggestions;
    std::optional<std::string> signalSpanName(const std::string& suggested) override {
        spanSuggestions.push_back(suggested);
        return spanName;
    }
};

class FakeExit : public kd::ProgramExit {
public:
    int exits = 0;
    void exitNow() override { ++exits; }
};

class FakeClock : public kd::Clock {
public:
    std::tm now{};
    int millisecond = 0;
    std::tm localNow() const override { return now; }
    kd::LocalTime localNowPrecise() const override { return {now, millisecond}; }
};

std::filesystem::path MakeTempDir();

// A whole program on a fresh temporary settings folder.
struct Rig {
    explicit Rig(const std::string& iniText = "");
    ~Rig();
    std::string iniPath() const { return (dir / "ORVIKAS.ini").string(); }
    std::string fileText() const;

    std::filesystem::path dir;
    kd::VirtualClock clock;
    FakePort port;
    kd::IniFile ini;
    FakeDialogs dialogs;
    FakeExit exit;
    FakeClock wall;
    kd::Program program;
    kd::Mainform& form;
};

// A settings file with usable serial keys, so start-up shows no port dialog.
inline const char* kUsableIni =
    "[DEFAULT]\r\nComport=1\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\nStopbits=1\r\n";

}  // namespace kdtest
