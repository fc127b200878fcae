#include "comm/qt/HostPorts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace wayline {
namespace {

namespace fs = std::filesystem;

TEST(HostPortsTest, TheStableNameIsTheByIdEntryThatLeadsToTheDevice) {
    const fs::path dir = fs::temp_directory_path() / ("wayline-byid-" + std::to_string(::getpid()));
    fs::create_directories(dir / "dev");
    fs::create_directories(dir / "by-id");
    std::ofstream(dir / "dev" / "ttyUSB0") << "";
    std::ofstream(dir / "dev" / "ttyUSB1") << "";
    fs::create_symlink("../dev/ttyUSB1", dir / "by-id" / "usb-FTDI_B-if00-port0");
    fs::create_symlink("../dev/ttyUSB0", dir / "by-id" / "usb-FTDI_A-if00-port0");
    fs::create_symlink("../dev/ttyUSB0", dir / "by-id" / "usb-FTDI_Z-if00-port0");

    EXPECT_EQ(ByIdName((dir / "dev" / "ttyUSB0").string(), (dir / "by-id").string()),
              (dir / "by-id" / "usb-FTDI_A-if00-port0").string());
    EXPECT_EQ(ByIdName((dir / "dev" / "ttyUSB1").string(), (dir / "by-id").string()),
              (dir / "by-id" / "usb-FTDI_B-if00-port0").string());
    EXPECT_EQ(ByIdName((dir / "dev" / "ttyS0").string(), (dir / "by-id").string()), "");
    EXPECT_EQ(ByIdName((dir / "dev" / "ttyUSB0").string(), (dir / "none").string()), "");
    fs::remove_all(dir);
}

TEST(HostPortsTest, TheHostsPortsComeInNaturalOrder) {
    const std::vector<TPortDetails> ports = HostPortDetails();
    const std::vector<std::string> names = HostPortNames();
    ASSERT_EQ(names.size(), ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(names[i], ports[i].Name);
        EXPECT_FALSE(ports[i].SystemLocation.empty());
        if (i > 0) {
            EXPECT_FALSE(NaturalLess(ports[i].Name, ports[i - 1].Name));
        }
    }
}

} // namespace
} // namespace wayline
