#include "comm/core/Identify.h"

#include "comm/core/FakeSerialDevice.h"
#include "comm/core/Serial.h"
#include "comm/core/SimulatedPorts.h"

#include <gtest/gtest.h>

namespace wayline {
namespace {

constexpr int Robot = 2;
const TIdentifyTexts Texts;

// The bytes the host sent, as text where they are letters.
std::vector<std::uint8_t> Sent(sim::TSimulatedModule& module) {
    std::vector<std::uint8_t> bytes;
    for (const sim::TTimedByte& b : module.Line().HostSent()) {
        bytes.push_back(b.Value);
    }
    return bytes;
}

class IdentifyTest : public ::testing::Test {
protected:
    TSimulatedPorts Ports;
    TSerialSlots Slots{Ports.Factory()};

    TIdentifyResult Scan(const std::string& name, int target = Robot) {
        TIdentifyResult result = IdentifyPort(Slots, name, target, Texts);
        for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
            EXPECT_TRUE(Slots.IsFree(slot)) << "slot " << slot << " left open";
        }
        return result;
    }
};

TEST_F(IdentifyTest, TheRobotAnswersTheHandshakeAndReportsItsVersion) {
    auto& module = *Ports.Add("ttyUSB0");
    const TIdentifyResult r = Scan("ttyUSB0");
    EXPECT_EQ(r.DeviceText, "Robot");
    EXPECT_EQ(r.VersionText, "v1.0");
    EXPECT_EQ(r.LoopbackText, "Yes");
    EXPECT_EQ(r.EchoText, "Yes");
    EXPECT_EQ(r.DeviceType, Robot);
    EXPECT_EQ(r.OpenError, 0u);
    EXPECT_EQ(Sent(module), (std::vector<std::uint8_t>{'K', 'M', '2', 0}));
    EXPECT_EQ(module.Firmware().ResetCount(), 1);
    EXPECT_EQ(module.Firmware().HandshakeCount(), 1);
    // 4 ms of loopback test, 67 ms of reset, then 8 bytes each way.
    EXPECT_LT(module.NowUs(), 4'000 + 67'000 + 9 * sim::TSerialLine::ByteTimeUs);
}

TEST_F(IdentifyTest, TheVersionByteIsShownAsItsTwoHexadecimalDigits) {
    const std::vector<std::pair<int, std::string>> cases = {
        {0x10, "v1.0"}, {0x2A, "v2.A"}, {0x00, "v0.0"}, {0xFF, "vF.F"}};
    for (const auto& [version, text] : cases) {
        sim::TModuleConfig config;
        config.VersionByte = static_cast<std::uint8_t>(version);
        Ports.Add("ttyUSB0", config);
        EXPECT_EQ(Scan("ttyUSB0").VersionText, text) << version;
    }
    // No version byte at all reads as FF, and the module still counts.
    sim::TModuleFaults silent;
    silent.SilentVersion = true;
    Ports.Add("ttyUSB0", {}, silent);
    const TIdentifyResult r = Scan("ttyUSB0");
    EXPECT_EQ(r.VersionText, "vF.F");
    EXPECT_EQ(r.DeviceType, Robot);
}

TEST_F(IdentifyTest, TheDeviceNameIsShownOnlyForTheTargetType) {
    Ports.Add("ttyUSB0");
    const TIdentifyResult r = Scan("ttyUSB0", 5);
    EXPECT_EQ(r.DeviceText, "");
    EXPECT_EQ(r.VersionText, "v1.0");
    EXPECT_EQ(r.DeviceType, Robot);

    TIdentifyTexts localized;
    localized.Robot = "Roboter";
    EXPECT_EQ(IdentifyPort(Slots, "ttyUSB0", Robot, localized).DeviceText, "Roboter");
}

TEST_F(IdentifyTest, ASilentPortFailsOnTheFirstEchoAndIsNotProbedFurther) {
    auto& module = *Ports.AddSilent("ttyS0");
    const TIdentifyResult r = Scan("ttyS0");
    EXPECT_EQ(r.DeviceText, "");
    EXPECT_EQ(r.VersionText, "");
    EXPECT_EQ(r.LoopbackText, "No");
    EXPECT_EQ(r.EchoText, "No");
    EXPECT_EQ(r.DeviceType, 0);
    EXPECT_EQ(Sent(module), (std::vector<std::uint8_t>{'K'}));
    // Loopback 4 ms + reset 67 ms + the 340 ms echo time-out, nothing more.
    EXPECT_EQ(module.NowUs(), (4 + 67 + 340) * 1000u);
}

TEST_F(IdentifyTest, AnEchoWithoutAModuleTriesEveryProbeType) {
    sim::TModuleConfig board;
    board.ModulePresent = false;
    auto& module = *Ports.Add("ttyUSB0", board);
    const TIdentifyResult r = Scan("ttyUSB0");
    EXPECT_EQ(r.EchoText, "Yes");
    EXPECT_EQ(r.LoopbackText, "Yes");
    EXPECT_EQ(r.DeviceText, "");
    EXPECT_EQ(r.VersionText, "");
    EXPECT_EQ(r.DeviceType, 0);
    EXPECT_EQ(Sent(module), (std::vector<std::uint8_t>{'K', 0x61, 0x42, 0x43}));
    // Four resets and four 240 ms reply time-outs, each after one byte time.
    const std::uint64_t perType = 67'000 + 240'000 + sim::TSerialLine::ByteTimeUs;
    EXPECT_LE(module.NowUs(), 4'000 + 4 * perType);
}

TEST_F(IdentifyTest, AWrongComplementKeepsTheEchoAndFindsNoModule) {
    for (int at = 0; at < 3; ++at) {
        sim::TModuleFaults faults;
        faults.WrongComplementAt = at;
        Ports.Add("ttyUSB0", {}, faults);
        const TIdentifyResult r = Scan("ttyUSB0");
        EXPECT_EQ(r.EchoText, "Yes") << at;
        EXPECT_EQ(r.DeviceType, 0) << at;
        EXPECT_EQ(r.VersionText, "") << at;
    }
}

TEST_F(IdentifyTest, AMissingEchoIsSeenEvenWhenTheModuleAnswers) {
    auto& module = *Ports.Add("ttyUSB0");
    module.Line().EchoEnabled = false;
    const TIdentifyResult r = Scan("ttyUSB0");
    EXPECT_EQ(r.EchoText, "No");
    EXPECT_EQ(r.DeviceType, 0);
}

TEST_F(IdentifyTest, NoiseWhileTheModuleRestartsIsDrainedBeforeTheHandshake) {
    sim::TModuleFaults faults;
    faults.NoiseAfterReset = {0xF0, 0x4B, 0x00, 0x13};
    Ports.Add("ttyUSB0", {}, faults);
    EXPECT_EQ(Scan("ttyUSB0").DeviceType, Robot);
}

TEST_F(IdentifyTest, ProbeTypesAnswerWithinTheirRangesAndShowTheirVersion) {
    struct TCase {
        int Type;
        int Offset;
        bool LowerCase;
        int Found;
        std::string Device;
        std::string Version;
    };
    const std::vector<TCase> cases = {
        {3, 0, false, 3, "Keystone 2a", "v1.0"},
        {3, 1, false, 0, "", ""},
        {4, 0, false, 4, "Keystone 2b", "v1.0"},
        {4, 2, false, 4, "Keystone 2b", "v1.2"},
        {4, 3, false, 0, "", ""},
        {5, 2, false, 5, "Keystone 2cW", "v1.2"},
        {5, 6, false, 5, "Keystone 2cW", "v1.6"},
        {5, 4, true, 5, "Keystone 2cN", "v1.4"},
        {5, 7, false, 0, "", ""},
    };
    for (const TCase& c : cases) {
        sim::TModuleConfig config;
        config.ModuleType = c.Type;
        config.ProbeVersion = c.Offset;
        config.LowerCaseReply = c.LowerCase;
        Ports.Add("ttyUSB0", config);
        const TIdentifyResult r = Scan("ttyUSB0", c.Type);
        EXPECT_EQ(r.DeviceType, c.Found) << c.Type << "+" << c.Offset;
        EXPECT_EQ(r.DeviceText, c.Device) << c.Type << "+" << c.Offset;
        EXPECT_EQ(r.VersionText, c.Version) << c.Type << "+" << c.Offset;
        EXPECT_EQ(r.EchoText, "Yes");
    }
    // Looking for the robot, a lower-case type 5 still gets its suffix.
    sim::TModuleConfig config;
    config.ModuleType = 5;
    config.LowerCaseReply = true;
    Ports.Add("ttyUSB0", config);
    const TIdentifyResult r = Scan("ttyUSB0", Robot);
    EXPECT_EQ(r.DeviceText, "N");
    EXPECT_EQ(r.VersionText, "v1.0");
}

TEST_F(IdentifyTest, APortThatDoesNotOpenShowsWhyAndNothingElse) {
    const std::vector<std::pair<std::uint32_t, std::string>> cases = {
        {OpenErrorNoSuchPort, "invalid port"},
        {OpenErrorInUse, "can't open port; in use"},
        // Whom to ask is the diagnosis's to say; the core knows only this.
        {OpenErrorPermission, "no access"},
        {OpenErrorNotASerialPort, "not a serial port"},
        {OpenErrorOther, "can't open port"},
    };
    Ports.Add("ttyUSB0");
    for (const auto& [code, text] : cases) {
        Ports.Faults("ttyUSB0").OpenError = code;
        const TIdentifyResult r = Scan("ttyUSB0");
        EXPECT_EQ(r.DeviceText, text);
        EXPECT_EQ(r.OpenError, code);
        EXPECT_EQ(r.VersionText, "");
        EXPECT_EQ(r.LoopbackText, "");
        EXPECT_EQ(r.EchoText, "");
        EXPECT_EQ(r.DeviceType, 0);
    }
    EXPECT_EQ(Scan("ttyUSB7").DeviceText, "invalid port");
    Ports.Faults("ttyUSB0").OpenError = OpenErrorNone;
    Ports.Faults("ttyUSB0").SettingsUnreadable = true;
    EXPECT_EQ(Scan("ttyUSB0").DeviceText, "can't open port");
}

TEST(IdentifyLoopbackTest, DsrAlreadyOnWithRtsOffIsNoLoopback) {
    TFakeFactory fake;
    TSerialSlots slots(fake.Make());
    fake.Port->ModemBits = ModemStatusDsr;
    EXPECT_EQ(IdentifyPort(slots, "ttyS0", Robot, Texts).LoopbackText, "No");

    fake.Port->ModemBits = 0;
    fake.Port->LoopRtsToDsr = true;
    fake.Port->LineCalls.clear();
    EXPECT_EQ(IdentifyPort(slots, "ttyS0", Robot, Texts).LoopbackText, "Yes");
    // RTS is cleared before and after the test, and the reset sequence follows.
    const std::vector<std::string> expected = {"DTR0", "RTS0", "RTS0", "RTS1", "RTS0",
                                               "DTR1", "BRK1", "DTR0", "BRK0"};
    EXPECT_EQ(
        std::vector<std::string>(fake.Port->LineCalls.begin(), fake.Port->LineCalls.begin() + 9),
        expected);
}

} // namespace
} // namespace wayline
