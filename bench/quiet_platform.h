#pragma once
// What the window benchmarks put in place of the user: message boxes are printed and
// cancelled, the port dialog closes at once, and an exit ends the run with status 3.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/platform.h"
#include "link/coms_box.h"

struct QuietDialogs : kd::Dialogs {
    int messages = 0;
    kd::MsgAnswer messageBox(const std::string& text, const std::string&, kd::MsgIcon, kd::MsgButtons,
                             const std::string&) override {
        ++messages;
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return kd::MsgAnswer::Cancel;
    }
    void runComsBox(kd::ComsBox& box) override { box.unload(); }
};
struct NoExit : kd::ProgramExit { void exitNow() override { std::_Exit(3); } };

// A settings folder of this run whose COM5 is the simulated logger's device, so the program
// starts on it without the port dialog.
inline std::filesystem::path BenchSettingsDir(const std::string& prefix, const std::string& device) {
    const auto dir = std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "ORVIKAS.ini") << "[DEFAULT]\r\nComport=5\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\n"
                                          "Stopbits=1\r\n[Ports]\r\nCOM5=" << device << "\r\n";
    return dir;
}
