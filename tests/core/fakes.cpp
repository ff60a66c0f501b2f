#include "fakes.h"

#include <fstream>
#include <random>
#include <sstream>

namespace kdtest {

std::filesystem::path MakeTempDir() {
    static std::atomic<int> counter{0};
    std::random_device rd;
    auto dir = std::filesystem::temp_directory_path() /
               ("kd-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir);
    return dir;
}

static std::filesystem::path PrepareDir(const std::string& iniText) {
    auto dir = MakeTempDir();
    if (!iniText.empty()) std::ofstream(dir / "ORVIKAS.ini", std::ios::binary) << iniText;
    return dir;
}

Rig::Rig(const std::string& iniText)
    : dir(PrepareDir(iniText)),
      ini(dir / "ORVIKAS.ini"),
      program(kd::Platform{port, ini, dialogs, exit, wall, clock}),
      form(program.form) {}

Rig::~Rig() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

std::string Rig::fileText() const {
    std::ifstream in(dir / "ORVIKAS.ini", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace kdtest
