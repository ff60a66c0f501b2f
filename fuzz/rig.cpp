#include "rig.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace kdfuzz {

const std::filesystem::path& ScratchDir() {
    static const std::filesystem::path dir = [] {
        std::error_code ec;
        const std::filesystem::path shm = "/dev/shm";
        const std::filesystem::path base = std::filesystem::is_directory(shm, ec) ? shm : std::filesystem::temp_directory_path();
        std::string name = (base / "kd-fuzz-XXXXXX").string();
        if (!::mkdtemp(name.data())) Fail("cannot make a scratch folder");
        // Gone when the run ends, however the run ends short of a crash.
        static const std::filesystem::path made = name;
        std::atexit([] { std::error_code e; std::filesystem::remove_all(made, e); });
        return made;
    }();
    return dir;
}

const std::filesystem::path& CompleteSettingsFile() {
    static const std::filesystem::path file = [] {
        const auto f = ScratchDir() / "complete" / kd::kSettingsFileName;
        std::filesystem::create_directories(f.parent_path());
        std::ofstream(f, std::ios::binary)
            << "[DEFAULT]\r\nComport=1\r\nBaudrate=9600\r\nParity=n\r\nBits=8\r\nStopbits=1\r\nLogint=30\r\n"
               "FTPint=120\r\nAPNname=Internet\r\nAPNun=\r\nAPNpw=\r\nFTPname=ftp.example.net\r\nFTPun=u\r\n"
               "FTPpw=p\r\nHome=0215550143\r\nCust1=AT+SS?\r\nCust2=AT+AIRTIME?\r\nCust3=AT+EVENT=1\r\n";
        return f;
    }();
    return file;
}

Rig::Rig(const std::filesystem::path& iniPath)
    : ini(iniPath), program(kd::Platform{port, ini, dialogs, exit, wall, clock}) {}

std::string ReadBackForm(std::string v) {
    for (char& c : v)
        if (c == '\r' || c == '\n') c = ' ';
    const size_t first = v.find_first_not_of(" \t");
    if (first != std::string::npos && v.find_first_not_of("0123456789", first) == std::string::npos) v.erase(0, first);
    return v;
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::abort();
}

}  // namespace kdfuzz
