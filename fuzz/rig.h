#pragma once
// What every fuzz target shares: a whole program on the tests' fakes, on a settings file in a
// folder of this process, and a check that stops the run when an invariant breaks.
#include <filesystem>
#include <string>

#include "fakes.h"

namespace kdfuzz {

// A private folder for this process, on /dev/shm when there is one: the settings store
// syncs every write, which costs nothing there.
const std::filesystem::path& ScratchDir();

// The platform fakes and a program on them; the settings file is `ini`.
struct Rig {
    explicit Rig(const std::filesystem::path& ini);
    kd::VirtualClock clock;
    kdtest::FakePort port;
    kd::IniFile ini;
    kdtest::FakeDialogs dialogs;
    kdtest::FakeExit exit;
    kdtest::FakeClock wall;
    kd::Program program;
};

// A settings file with every key usable, written once per process.
const std::filesystem::path& CompleteSettingsFile();

// What the settings store promises to read back of a value written: line breaks come back as
// blanks (a value never adds lines) and a number's leading blanks are dropped; all else as is.
std::string ReadBackForm(std::string value);

// A broken invariant is a finding: say which and abort, so libFuzzer keeps the input.
[[noreturn]] void Fail(const std::string& what);
inline void Check(bool ok, const char* what) {
    if (!ok) Fail(what);
}

}  // namespace kdfuzz
