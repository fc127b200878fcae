#include "comm/core/ProgramDownload.h"

#include "comm/core/Identify.h"
#include "comm/core/Serial.h"
#include "comm/core/SimulatedPorts.h"

#include <gtest/gtest.h>

namespace wayline {
namespace {

constexpr int Robot = 2;
constexpr std::uint64_t Byte = sim::TSerialLine::ByteTimeUs;

// What the transfer showed, with the module's time of each indicator toggle.
struct TRecordingObserver final : TDownloadObserver {
    explicit TRecordingObserver(sim::TSimulatedModule& module) : Module(module) {}
    void ToggleIndicator(bool lime) override {
        Toggles.push_back(lime);
        ToggleTimesUs.push_back(Module.NowUs());
    }
    void StepIt(int imageIndex) override {
        EXPECT_EQ(imageIndex, 0);
        ++Steps;
    }
    void ShowErrorBox(const std::string& text) override { Boxes.push_back(text); }

    sim::TSimulatedModule& Module;
    std::vector<bool> Toggles;
    std::vector<std::uint64_t> ToggleTimesUs;
    int Steps = 0;
    std::vector<std::string> Boxes;
};

class ProgramDownloadTest : public ::testing::Test {
protected:
    TSimulatedPorts Ports;
    TSerialSlots Slots{Ports.Factory()};
    std::vector<std::uint8_t> Packets = MakePackets({0, 1, 64, 126, 127});

    sim::TSimulatedModule& Add(const sim::TModuleFaults& faults = {}) {
        return *Ports.Add("ttyUSB0", {}, faults);
    }

    // Opens the port and sends the packets; the port is closed afterwards.
    bool Send(sim::TSimulatedModule& module, TRecordingObserver& observer, int count = -1) {
        std::uint32_t error = 0;
        const int slot = Slots.OpenFreeSlot("ttyUSB0", error);
        EXPECT_NE(slot, NoSlot);
        StartUs = module.NowUs();
        const bool ok = SendProgramImage(Slots.Slot(slot), Robot, 0, Packets.data(),
                                         count < 0 ? static_cast<int>(Packets.size() / 18) : count,
                                         TIdentifyTexts{}, TDownloadTexts{}, observer);
        EndUs = module.NowUs();
        Slots.ClosePort(slot);
        return ok;
    }

    // The bytes that went out after the handshake and its version request.
    static std::vector<std::uint8_t> AfterHandshake(sim::TSimulatedModule& module) {
        std::vector<std::uint8_t> bytes;
        for (const sim::TTimedByte& b : module.Line().HostSent()) {
            bytes.push_back(b.Value);
        }
        const std::vector<std::uint8_t> handshake = {'K', 'M', '2', 0};
        EXPECT_TRUE(std::equal(handshake.begin(), handshake.end(), bytes.begin()));
        return {bytes.begin() + 4, bytes.end()};
    }

    std::uint64_t StartUs = 0;
    std::uint64_t EndUs = 0;
};

TEST_F(ProgramDownloadTest, EveryPacketIsWrittenIntoTheEepromAndAZeroEndsTheTransfer) {
    auto& module = Add();
    TRecordingObserver observer(module);
    EXPECT_TRUE(Send(module, observer));
    EXPECT_TRUE(observer.Boxes.empty());
    EXPECT_EQ(observer.Steps, 5);

    std::vector<std::uint8_t> expected = Packets;
    expected.push_back(0);
    EXPECT_EQ(AfterHandshake(module), expected);
    for (const int block : {0, 1, 64, 126, 127}) {
        for (int i = 0; i < 16; ++i) {
            const std::size_t at = static_cast<std::size_t>((block == 0     ? 0
                                                             : block == 1   ? 1
                                                             : block == 64  ? 2
                                                             : block == 126 ? 3
                                                                            : 4) *
                                                                18 +
                                                            1 + i);
            EXPECT_EQ(module.Eeprom().Read(block * 16 + i), Packets[at]) << block << ":" << i;
        }
    }
    EXPECT_EQ(module.Eeprom().Read(2 * 16), 0); // a block not sent stays blank
    ASSERT_EQ(module.Firmware().Packets().size(), 5u);
    for (const sim::TReceivedPacket& p : module.Firmware().Packets()) {
        EXPECT_EQ(p.Status, 0);
    }
    EXPECT_EQ(module.Firmware().TransferCount(), 1);
    // No run-time is plugged in, so the module idles after the transfer.
    EXPECT_EQ(module.Firmware().State(), sim::TFirmwareState::fsIdle);
}

TEST_F(ProgramDownloadTest, TheTransferTakesTheWireTimeAndNoMore) {
    Packets.clear();
    std::vector<int> blocks;
    for (int b = 65; b < 128; ++b) {
        blocks.push_back(b);
    }
    Packets = MakePackets(blocks);
    auto& module = Add();
    TRecordingObserver observer(module);
    ASSERT_TRUE(Send(module, observer));
    // The reset, the handshake (8 byte times) and 19 byte times a packet.
    const std::uint64_t wire = 67'000 + (8 + 19 * 63) * Byte;
    EXPECT_GE(EndUs - StartUs, wire);
    EXPECT_LE(EndUs - StartUs, wire * 110 / 100);
}

TEST_F(ProgramDownloadTest, TheIndicatorBlinksFromTheFirstPacketAtMostEvery25Ms) {
    std::vector<int> blocks;
    for (int b = 100; b < 128; ++b) {
        blocks.push_back(b);
    }
    Packets = MakePackets(blocks);
    auto& module = Add();
    TRecordingObserver observer(module);
    ASSERT_TRUE(Send(module, observer));
    ASSERT_GE(observer.Toggles.size(), 2u);
    EXPECT_TRUE(observer.Toggles.front()); // green to lime
    for (std::size_t i = 1; i < observer.Toggles.size(); ++i) {
        EXPECT_NE(observer.Toggles[i], observer.Toggles[i - 1]);
        EXPECT_GE(observer.ToggleTimesUs[i] - observer.ToggleTimesUs[i - 1], 24'000u);
    }
    // A packet takes about 20 ms, so every second packet switches it.
    EXPECT_EQ(observer.Toggles.size(), 14u);
}

TEST_F(ProgramDownloadTest, StatusTwoIsAnEepromVerifyFailureAndStopsTheTransfer) {
    sim::TModuleFaults faults;
    faults.StatusTwoAtPacket = 1;
    auto& module = Add(faults);
    TRecordingObserver observer(module);
    EXPECT_FALSE(Send(module, observer));
    EXPECT_EQ(observer.Boxes, (std::vector<std::string>{"EEPROM Verify Failure!"}));
    EXPECT_EQ(observer.Steps, 1);
    // Two packets went out, then the closing 0 byte, and nothing else.
    std::vector<std::uint8_t> expected(Packets.begin(), Packets.begin() + 36);
    expected.push_back(0);
    EXPECT_EQ(AfterHandshake(module), expected);
    EXPECT_EQ(module.Firmware().Packets().size(), 2u);
    EXPECT_EQ(module.Firmware().TransferCount(), 1);
}

TEST_F(ProgramDownloadTest, EveryOtherAnswerIsACommunicationFailureWithinTheTimeouts) {
    const std::string failure =
        "Hardware communication failure!  Check serial cable and power supply.";
    struct TCase {
        const char* Name;
        sim::TModuleFaults Faults;
    };
    std::vector<TCase> cases(3);
    cases[0].Name = "silence";
    cases[0].Faults.SilenceAtPacket = 2;
    cases[1].Name = "garbage";
    cases[1].Faults.GarbageAtPacket = 2;
    cases[2].Name = "bad checksum";
    for (TCase& c : cases) {
        const bool damaged = c.Name == std::string("bad checksum");
        if (damaged) {
            Packets[2 * 18 + 17] ^= 1; // the third packet is damaged on its way
        }
        auto& module = Add(c.Faults);
        TRecordingObserver observer(module);
        EXPECT_FALSE(Send(module, observer)) << c.Name;
        EXPECT_EQ(observer.Boxes, (std::vector<std::string>{failure})) << c.Name;
        EXPECT_EQ(observer.Steps, 2) << c.Name;
        EXPECT_EQ(AfterHandshake(module).back(), 0) << c.Name;
        EXPECT_EQ(AfterHandshake(module).size(), 3u * 18 + 1) << c.Name;
        // At worst the third packet waits out the 240 ms status time-out.
        const std::uint64_t limit = 67'000 + (8 + 19 * 3) * Byte + 240'000 + 1000;
        EXPECT_LE(EndUs - StartUs, limit) << c.Name;
        if (damaged) {
            EXPECT_EQ(module.Firmware().Packets()[2].Status,
                      sim::TModuleFirmware::BadChecksumStatus);
            EXPECT_EQ(module.Eeprom().Read(64 * 16), 0);
            Packets[2 * 18 + 17] ^= 1;
        }
    }
}

TEST_F(ProgramDownloadTest, APulledCableEndsTheTransferAtOnce) {
    sim::TModuleFaults faults;
    faults.DisconnectAtPacket = 3;
    auto& module = Add(faults);
    TRecordingObserver observer(module);
    EXPECT_FALSE(Send(module, observer));
    EXPECT_EQ(observer.Boxes,
              (std::vector<std::string>{
                  "Hardware communication failure!  Check serial cable and power supply."}));
    EXPECT_EQ(observer.Steps, 3);
    // No time-out is waited out: the port answers nothing at once.
    EXPECT_LE(EndUs - StartUs, 67'000 + (8 + 19 * 4) * Byte + 1000);
    EXPECT_TRUE(Slots.IsFree(0));
}

TEST_F(ProgramDownloadTest, AClosedPortIsACommunicationFailure) {
    TSerial closed;
    auto& module = Add();
    TRecordingObserver observer(module);
    EXPECT_FALSE(SendProgramImage(closed, Robot, 0, Packets.data(), 5, TIdentifyTexts{},
                                  TDownloadTexts{}, observer));
    EXPECT_EQ(observer.Boxes.size(), 1u);
    EXPECT_EQ(observer.Steps, 0);
}

TEST_F(ProgramDownloadTest, TheDownloadsTextsAreThoseGiven) {
    sim::TModuleFaults faults;
    faults.StatusTwoAtPacket = 0;
    auto& module = Add(faults);
    TRecordingObserver observer(module);
    std::uint32_t error = 0;
    const int slot = Slots.OpenFreeSlot("ttyUSB0", error);
    TDownloadTexts texts;
    texts.VerifyFailure = "EEPROM-Prüffehler!";
    EXPECT_FALSE(SendProgramImage(Slots.Slot(slot), Robot, 0, Packets.data(), 5, TIdentifyTexts{},
                                  texts, observer));
    EXPECT_EQ(observer.Boxes, (std::vector<std::string>{"EEPROM-Prüffehler!"}));
    Slots.ClosePort(slot);
}

} // namespace
} // namespace wayline
