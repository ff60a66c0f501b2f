// Naming the program that holds a port, on a fake /proc tree.
#include <gtest/gtest.h>

#include <fstream>

#include "fakes.h"
#include "link/port_holder.h"

namespace {

namespace fs = std::filesystem;

struct FakeProc {
    fs::path root = kdtest::MakeTempDir();
    fs::path proc = root / "proc";
    fs::path dev = root / "dev";
    FakeProc() {
        fs::create_directories(dev / "serial" / "by-id");
        std::ofstream(dev / "ttyUSB0");
        std::ofstream(dev / "ttyUSB1");
        fs::create_symlink("../../ttyUSB0", dev / "serial" / "by-id" / "usb-FTDI_FT232R-if00");
        fs::create_directories(proc / "self" / "fd");  // not a process number
    }
    ~FakeProc() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    void process(int pid, const char* comm, std::vector<fs::path> open) {
        const fs::path p = proc / std::to_string(pid);
        fs::create_directories(p / "fd");
        std::ofstream(p / "comm") << comm << "\n";
        int fd = 0;
        for (const fs::path& target : open) fs::create_symlink(target, p / "fd" / std::to_string(fd++));
    }
};

TEST(PortHolder, TheProcessesHoldingTheDeviceAreNamedWithWhatToDo) {
    FakeProc f;
    f.process(812, "ModemManager", {"/dev/null", "socket:[4711]", f.dev / "ttyUSB0", f.dev / "ttyUSB0"});
    f.process(4242, "minicom", {f.dev / "ttyUSB1"});
    f.process(77, "picocom", {f.dev / "ttyUSB1", "pipe:[9]"});
    f.process(90, "bash", {"/dev/pts/0"});
    fs::create_directories(f.proc / "91");  // a process whose descriptors may not be read

    const fs::path byId = f.dev / "serial" / "by-id" / "usb-FTDI_FT232R-if00";
    for (const fs::path& device : {byId, f.dev / "ttyUSB0"}) {
        const auto holders = kd::FindPortHolders(f.proc, device);
        ASSERT_EQ(holders.size(), 1u) << device;
        EXPECT_EQ(holders[0].pid, 812);
        EXPECT_EQ(holders[0].command, "ModemManager");
        EXPECT_EQ(kd::PortHolderAdvice(holders),
                  "ModemManager (process 812); close it, or wait: ModemManager probes new adapters for about 30 s");
    }
    const auto two = kd::FindPortHolders(f.proc, f.dev / "ttyUSB1");
    EXPECT_EQ(kd::PortHolderAdvice(two), "picocom (process 77), minicom (process 4242); close them");
    EXPECT_TRUE(kd::FindPortHolders(f.proc, f.dev / "ttyS9").empty());
    EXPECT_TRUE(kd::FindPortHolders(f.root / "no-proc", f.dev / "ttyUSB0").empty());
    EXPECT_EQ(kd::PortHolderAdvice({}), "");
    EXPECT_EQ(kd::PortHolderAdvice({{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}, {5, "ModemManager"}}),
              "a (process 1), b (process 2), c (process 3) and 2 more; close them, or wait: ModemManager probes new "
              "adapters for about 30 s");
}

}  // namespace
