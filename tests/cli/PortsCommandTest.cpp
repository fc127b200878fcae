#include "cli/PortsCommand.h"

#include "cli/TokenizeCommand.h"

#include <gtest/gtest.h>

#include <sstream>

namespace wayline {
namespace {

int RunPorts(const std::vector<std::string>& arguments, const std::vector<TPortDetails>& ports,
             std::string& out, std::string& err) {
    std::ostringstream o, e;
    const int status = RunPortsCommand(arguments, o, e, ports);
    out = o.str();
    err = e.str();
    return status;
}

TEST(PortsCommandTest, EachPortIsListedWithWhatTheHostKnowsAboutIt) {
    std::vector<TPortDetails> ports(2);
    ports[0].Name = "ttyS0";
    ports[1].Name = "ttyUSB0";
    ports[1].Description = "FT232R USB UART";
    ports[1].VendorId = 0x0403;
    ports[1].ProductId = 0x6001;
    ports[1].SerialNumber = "A50285BI";
    ports[1].ById = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    std::string out, err;
    EXPECT_EQ(RunPorts({}, ports, out, err), ExitSucceeded);
    EXPECT_EQ(err, "");
    EXPECT_EQ(out, "NAME     DESCRIPTION      USB        SERIAL    STABLE NAME\n"
                   "ttyS0    -                -          -         -\n"
                   "ttyUSB0  FT232R USB UART  0403:6001  A50285BI  "
                   "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0\n");
}

TEST(PortsCommandTest, NoPortsAndStrayArguments) {
    std::string out, err;
    EXPECT_EQ(RunPorts({}, {}, out, err), ExitSucceeded);
    EXPECT_EQ(out, "No serial ports found.\n");
    EXPECT_EQ(RunPorts({"--all"}, {}, out, err), ExitUsageError);
    EXPECT_EQ(err, "wayline-cli ports: unexpected argument '--all'\nusage: wayline-cli ports\n");
    EXPECT_EQ(out, "");
}

} // namespace
} // namespace wayline
