#pragma once
// A started program connected on the fake port: where the reply and button tests begin.
#include <gtest/gtest.h>

#include <string>

#include "fakes.h"

namespace kdtest {

struct Connected : ::testing::Test {
    Rig rig{kUsableIni};
    kd::Program& p = rig.program;
    kd::Mainform& f = rig.form;

    void SetUp() override {
        kd::Form_Load(p);
        f.ConnectButton.click();
    }
    void reply(const std::string& line) { rig.port.receive(line + "\r\n"); }
    size_t sent() const { return rig.port.commands.size(); }
    std::string last() const { return rig.port.commands.empty() ? "" : rig.port.commands.back(); }
};

}  // namespace kdtest
