#include "link/com_mapping.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "settings/ini_file.h"

namespace kd {
namespace {

#ifndef _WIN32

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "com_mapping_XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

TEST(ComDevice, NumbersMapOntoSerialUsbAndAcmDevicesInGroupsOfFour) {
    EXPECT_EQ(ComDevice(1, nullptr), "/dev/ttyS0");
    EXPECT_EQ(ComDevice(4, nullptr), "/dev/ttyS3");
    EXPECT_EQ(ComDevice(5, nullptr), "/dev/ttyUSB0");
    EXPECT_EQ(ComDevice(8, nullptr), "/dev/ttyUSB3");
    EXPECT_EQ(ComDevice(9, nullptr), "/dev/ttyACM0");
    EXPECT_EQ(ComDevice(12, nullptr), "/dev/ttyACM3");
}

TEST(ComDevice, NumbersWithoutADeviceGiveEmptyText) {
    for (int n : {13, 14, 15, 16, 0, -1, 17, 255, -32768})
        EXPECT_EQ(ComDevice(n, nullptr), "") << "COM" << n;
}

TEST(ComDevice, PortsSectionOfTheSettingsFilePointsNumbersAtOtherDevices) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const fs::path file = dir.path() / "ORVIKAS.ini";
    const std::string longPath = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A9XK3QZ1-if00-port0-"
                                 "with-a-name-longer-than-a-profile-buffer";
    {
        std::ofstream out(file);
        out << "[DEFAULT]\r\n"
               "Comport= 5\r\n"
               "COM3=/dev/not-this-one\r\n"
               "[ports]\r\n"
               "Com5=/dev/serial/by-id/usb-logger\r\n"
               "cOm13 = /dev/pts/7\r\n"
               "COM2=\r\n"
               "COM9=" << longPath << "\r\n"
               "COM17=/dev/ttyS9\r\n"
               "COM0=/dev/ttyS8\r\n";
    }
    const IniFile settings(file);

    EXPECT_EQ(ComDevice(5, &settings), "/dev/serial/by-id/usb-logger");
    EXPECT_EQ(ComDevice(13, &settings), "/dev/pts/7");
    EXPECT_EQ(ComDevice(9, &settings), longPath) << "device paths are not cut to a profile buffer";
    // Empty entries and keys of other sections leave the built-in mapping.
    EXPECT_EQ(ComDevice(2, &settings), "/dev/ttyS1");
    EXPECT_EQ(ComDevice(3, &settings), "/dev/ttyS2");
    EXPECT_EQ(ComDevice(14, &settings), "");
    // The program only uses COM1..COM16, whatever the file says.
    EXPECT_EQ(ComDevice(17, &settings), "");
    EXPECT_EQ(ComDevice(0, &settings), "");
}

TEST(ComDevice, MissingSettingsFileLeavesTheBuiltInMapping) {
    TempDir dir;
    const IniFile settings(dir.path() / "absent.ini");
    EXPECT_EQ(ComDevice(6, &settings), "/dev/ttyUSB1");
    EXPECT_EQ(ComDevice(13, &settings), "");
}

TEST(ComNumberOf, FindsTheNumberAMappedOrBuiltInDeviceHasAlsoThroughALink) {
    TempDir dir;
    const fs::path device = dir.path() / "pty";
    std::ofstream(device) << "";
    fs::create_symlink(device, dir.path() / "by-id");
    std::ofstream(dir.path() / "ORVIKAS.ini") << "[Ports]\r\nCOM14=" << (dir.path() / "by-id").string()
                                                << "\r\nCOM5=/dev/ttyUSB3\r\n";
    const IniFile settings(dir.path() / "ORVIKAS.ini");
    EXPECT_EQ(ComNumberOf(device.string(), &settings), 14) << "the file maps a link to it";
    EXPECT_EQ(ComNumberOf("/dev/ttyUSB3", &settings), 5) << "the lowest of COM5 (mapped) and COM8 (built in)";
    EXPECT_EQ(ComNumberOf("/dev/ttyUSB0", &settings), 0) << "COM5 now stands for another device";
    EXPECT_EQ(ComNumberOf("/dev/ttyACM1", nullptr), 10);
    EXPECT_EQ(ComNumberOf("", &settings), 0);
}

#else

TEST(ComDevice, WindowsUsesThePortNamesDirectly) {
    EXPECT_EQ(ComDevice(1, nullptr), "COM1");
    EXPECT_EQ(ComDevice(16, nullptr), "COM16");
    EXPECT_EQ(ComDevice(0, nullptr), "");
    EXPECT_EQ(ComDevice(17, nullptr), "");
}

#endif

}  // namespace
}  // namespace kd
