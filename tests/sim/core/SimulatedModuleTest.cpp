#include "sim/core/SimulatedModule.h"

#include "comm/core/Identify.h"
#include "comm/core/ProgramDownload.h"
#include "comm/core/Serial.h"
#include "sim/core/SimulatedSerialDevice.h"

#include <gtest/gtest.h>

#include "StandInRunTime.h"

namespace wayline::sim {
namespace {

constexpr std::uint64_t Byte = TSerialLine::ByteTimeUs;

struct TNoWindow final : TDownloadObserver {
    void ToggleIndicator(bool) override {}
    void StepIt(int) override {}
    void ShowErrorBox(const std::string& text) override { Boxes.push_back(text); }
    std::vector<std::string> Boxes;
};

// A module with the stand-in run-time, reached through a TSerial in
// simulated time.
class SimulatedModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto runTime = std::make_unique<TStandInRunTime>();
        Program = runTime.get();
        Module->SetRunTime(std::move(runTime));
        Port.SetDeviceFactory(
            [this](const std::string&) { return std::make_unique<SimulatedSerialDevice>(Module); });
        ASSERT_TRUE(Port.OpenPort("ttyUSB0", "9600", "None", "8"));
    }

    bool Download(const std::vector<std::uint8_t>& packets) {
        TNoWindow window;
        return SendProgramImage(Port, 2, 0, packets.data(), static_cast<int>(packets.size() / 18),
                                TIdentifyTexts{}, TDownloadTexts{}, window);
    }

    // One block of program at the top of the EEPROM.
    static std::vector<std::uint8_t> ProgramPacket() {
        std::vector<std::uint8_t> p = {0x80 + 127};
        int sum = p[0];
        for (int i = 0; i < 16; ++i) {
            p.push_back(static_cast<std::uint8_t>(0xA0 + i));
            sum += p.back();
        }
        p.push_back(static_cast<std::uint8_t>((256 - sum % 256) % 256));
        return p;
    }

    std::shared_ptr<TSimulatedModule> Module = std::make_shared<TSimulatedModule>();
    TStandInRunTime* Program = nullptr;
    TSerial Port;
};

TEST_F(SimulatedModuleTest, TheResetSequenceLeavesTheBreakToDrainAndTheHandshakeFollowsTheLine) {
    TSimulatedModule& m = *Module;
    m.HostSetDtr(true);
    m.HostSetBreak(true);
    m.RunUntil(m.NowUs() + 2000);
    m.HostSetDtr(false);
    m.RunUntil(m.NowUs() + 50'000);
    EXPECT_EQ(m.Firmware().State(), TFirmwareState::fsAttention);
    m.HostSetBreak(false);
    EXPECT_EQ(m.Firmware().State(), TFirmwareState::fsListening);
    m.RunUntil(m.NowUs() + 15'000);
    std::uint8_t drained[8];
    EXPECT_EQ(m.HostRead(drained, 8), 1); // the break, read as one 0 byte
    EXPECT_EQ(drained[0], 0);

    const std::uint64_t sent = m.NowUs();
    const std::uint8_t k = 'K';
    m.HostWrite(&k, 1);
    EXPECT_EQ(m.NextEventUs(), sent + Byte); // the echo, and the module hears it
    m.RunUntil(sent + Byte);
    // The answer leaves after the firmware's reply delay, one byte time long.
    EXPECT_EQ(m.NextEventUs(), sent + Byte); // the echo is waiting
    std::uint8_t echo = 0;
    EXPECT_EQ(m.HostRead(&echo, 1), 1);
    EXPECT_EQ(echo, 'K');
    const std::uint64_t answerAt = sent + 2 * Byte + m.Config().ReplyDelayUs;
    EXPECT_EQ(m.NextEventUs(), answerAt);
    m.RunUntil(answerAt);
    std::uint8_t answer = 0;
    EXPECT_EQ(m.HostRead(&answer, 1), 1);
    EXPECT_EQ(answer, 0xB5);
}

TEST_F(SimulatedModuleTest, AfterTheTransferTheProgramRunsAndTalksOnTheProgrammingPort) {
    ASSERT_TRUE(Download(ProgramPacket()));
    Port.ClosePort(); // lets the closing 0 reach the module
    ASSERT_EQ(Program->StartTimesUs.size(), 1u);
    EXPECT_TRUE(Program->Running());
    EXPECT_EQ(Program->TopByteAtStart, 0xAF);
    EXPECT_EQ(Module->Firmware().State(), TFirmwareState::fsRunning);

    // The test mode's exchange: four bytes out, their four echoes, one answer.
    ASSERT_TRUE(Port.OpenPort("ttyUSB0", "9600", "None", "8"));
    EXPECT_EQ(Port.ReadBlock(0, 0), 0);
    const std::uint8_t widths[4] = {0xEE, 0x02, 0xEE, 0x02};
    const std::uint64_t sent = Module->NowUs();
    EXPECT_TRUE(Port.WriteBlock(widths, 4, 10));
    EXPECT_EQ(Port.ReadBlock(4, 100), 4);
    EXPECT_EQ(Port.RxBuffer[0], 0xEE);
    EXPECT_EQ(Port.ReadByte(200), (0xEE + 0x02 + 0xEE + 0x02) & 0xFF);
    // The bytes reached the program one byte time apart; its answer took
    // its half millisecond and one byte time.
    ASSERT_EQ(Program->ReceivedAtUs.size(), 4u);
    EXPECT_EQ(Program->ReceivedAtUs[0], sent + Byte);
    EXPECT_EQ(Program->ReceivedAtUs[3], sent + 4 * Byte);
    EXPECT_EQ(Module->NowUs(), sent + 5 * Byte + 500);
}

TEST_F(SimulatedModuleTest, AResetStopsTheProgramAndWithoutAHandshakeRunsItAgain) {
    ASSERT_TRUE(Download(ProgramPacket()));
    Module->RunUntil(Module->NowUs() + 5000);
    ASSERT_TRUE(Program->Running());

    // DTR alone: the module restarts and runs its program at once.
    Port.SetDTR(1);
    EXPECT_FALSE(Program->Running());
    EXPECT_EQ(Program->StopTimesUs.size(), 1u);
    Port.SetDTR(0);
    Port.WaitMs(5);
    EXPECT_TRUE(Program->Running());
    EXPECT_EQ(Program->StartTimesUs.size(), 2u);

    // With the break, it listens first, and runs its program when no
    // handshake came in time.
    Port.SetDTR(1);
    Port.SetBreak(1);
    Port.WaitMs(2);
    Port.SetDTR(0);
    Port.WaitMs(50);
    Port.SetBreak(0);
    EXPECT_FALSE(Program->Running());
    Port.WaitMs(static_cast<std::uint32_t>(Module->Config().ListenTimeoutUs / 1000 + 1));
    EXPECT_TRUE(Program->Running());
    EXPECT_EQ(Program->StartTimesUs.size(), 3u);
}

TEST_F(SimulatedModuleTest, IdentifyingARunningModuleStopsItsProgram) {
    ASSERT_TRUE(Download(ProgramPacket()));
    Module->RunUntil(Module->NowUs() + 5000);
    TIdentifyResult result;
    EXPECT_TRUE(Identify(Port, 2, 2, TIdentifyTexts{}, result));
    EXPECT_EQ(result.VersionText, "v1.0");
    EXPECT_FALSE(Program->Running());
    EXPECT_EQ(Module->Firmware().State(), TFirmwareState::fsDownload);
}

TEST_F(SimulatedModuleTest, ABlankEepromRunsNothing) {
    ASSERT_FALSE(Module->HasProgram());
    Port.SetDTR(1);
    Port.SetDTR(0);
    Port.WaitMs(5);
    EXPECT_TRUE(Program->StartTimesUs.empty());
    EXPECT_EQ(Module->Firmware().State(), TFirmwareState::fsIdle);
    // A byte sent now is echoed and goes nowhere else.
    EXPECT_TRUE(Port.WriteByte(0x42, 10));
    EXPECT_EQ(Port.ReadByte(10), 0x42);
    EXPECT_EQ(Port.ReadByte(10), -1);
}

TEST(SimulatedModuleBoardTest, TheRunTimeIsSteppedInTimeOrderWithTheLine) {
    TSimulatedModule module;
    auto runTime = std::make_unique<TStandInRunTime>();
    TStandInRunTime& program = *runTime;
    module.SetRunTime(std::move(runTime));
    module.Eeprom().Write(TEeprom::Size - 1, 0x12); // a program to run
    module.HostSetDtr(true);                        // reset without the break
    module.HostSetDtr(false);
    module.RunUntil(10'000);
    ASSERT_TRUE(program.Running());
    EXPECT_EQ(program.StartTimesUs.front(), module.Config().BootUs);
    EXPECT_EQ(module.NextEventUs(), 10'000 + TSimulatedModule::RunTimeStepUs);
    const std::uint8_t bytes[4] = {1, 2, 3, 4};
    module.HostWrite(bytes, 4);
    module.RunUntil(10'000 + 4 * Byte);
    ASSERT_EQ(program.ReceivedAtUs.size(), 4u);
    // The answer comes half a millisecond later and takes one byte time;
    // the four echoes are ahead of it on the line.
    std::uint8_t got[8];
    module.RunUntil(10'000 + 6 * Byte);
    EXPECT_EQ(module.HostRead(got, 8), 5);
    EXPECT_EQ(got[4], 10);
    EXPECT_EQ(module.Firmware().ResetCount(), 1);
}

} // namespace
} // namespace wayline::sim
