#pragma once
// What the window benchmarks put in place of the user: message boxes are printed and
// cancelled, the port dialog closes at once, and an exit ends the run with status 3.
#include <cstdio>
#include <cstdlib>
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
