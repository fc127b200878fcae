#include "comm/core/Serial.h"

#include "comm/core/FakeSerialDevice.h"

#include <gtest/gtest.h>

#include <climits>
#include <latch>
#include <set>
#include <thread>

namespace wayline {
namespace {

class SerialSlotsTest : public ::testing::Test {
protected:
    TFakeFactory Fake;
    TSerialSlots Slots{Fake.Make()};
    std::uint32_t Error = 99;

    int Open(const std::string& name = "ttyUSB0") { return Slots.OpenFreeSlot(name, Error); }
};

TEST_F(SerialSlotsTest, SlotsAreHandedOutFromZeroDownAndAFullTableTouchesNoPort) {
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(Open(), -1);
    EXPECT_EQ(Open(), -2);
    EXPECT_EQ(Open(), -3);
    const int calls = *Fake.Calls;
    EXPECT_EQ(Open(), NoSlot);
    EXPECT_EQ(Error, 0u);
    EXPECT_EQ(*Fake.Calls, calls);

    // A closed slot is the next one handed out.
    Slots.ClosePort(-1);
    EXPECT_TRUE(Slots.IsFree(-1));
    EXPECT_EQ(Open(), -1);
    for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
        Slots.ClosePort(slot);
        EXPECT_TRUE(Slots.IsFree(slot));
    }
    Slots.ClosePort(NoSlot); // harmless
    Slots.ClosePort(7);
}

TEST_F(SerialSlotsTest, AFailedOpenGivesItsCodeAndLeavesTheSlotFree) {
    for (const std::uint32_t code :
         {OpenErrorNoSuchPort, OpenErrorInUse, OpenErrorPermission, OpenErrorOther}) {
        Fake.Port->OpenResult = code;
        EXPECT_EQ(Open(), NoSlot);
        EXPECT_EQ(Error, code);
        EXPECT_TRUE(Slots.IsFree(0));
        EXPECT_FALSE(Slots.Slot(0).Reserved.load());
        EXPECT_EQ(Slots.Slot(0).LastError, code);
    }
    Fake.Port->OpenResult = OpenErrorNone;
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(Slots.Slot(0).LastError, 0u);
}

TEST_F(SerialSlotsTest, OnlyOverlongComNamesAreRefusedBeforeThePlatformSeesThem) {
    EXPECT_EQ(Open("COM1000"), NoSlot);
    EXPECT_EQ(Open("com1000"), NoSlot);
    EXPECT_EQ(*Fake.Calls, 0);
    EXPECT_TRUE(Slots.IsFree(0));

    // Host names and device paths are longer than six characters and open.
    EXPECT_EQ(Open("COM12"), 0);
    EXPECT_EQ(Open("ttyUSB10"), -1);
    EXPECT_EQ(Open("/dev/pts/12"), -2);
    EXPECT_EQ(Slots.Slot(-2).ComName, "/dev/pts/12");
}

TEST_F(SerialSlotsTest, OpeningAppliesTheLineSettingsAndClearsDtrAndRts) {
    ASSERT_EQ(Open("ttyS0"), 0);
    TSerial& port = Slots.Slot(0);
    EXPECT_TRUE(port.Opened.load());
    EXPECT_FALSE(port.Reserved.load());
    EXPECT_EQ(port.ComName, "ttyS0");
    EXPECT_NE(port.RxBuffer, nullptr);
    EXPECT_EQ(Fake.Port->Baud, 9600u);
    EXPECT_FALSE(Fake.Port->EvenParity);
    EXPECT_EQ(Fake.Port->DataBits, 8);
    EXPECT_EQ(Fake.Port->LineCalls, (std::vector<std::string>{"DTR0", "RTS0"}));
    EXPECT_EQ(port.Timeouts, (std::array<std::uint32_t, 5>{0, 0, 0, 0, 0}));
    // Opening an open slot again fails without a new device.
    EXPECT_FALSE(port.OpenPort("ttyS1", "9600", "None", "8"));
    EXPECT_EQ(port.ComName, "ttyS0");

    Slots.ClosePort(0);
    EXPECT_FALSE(port.Opened.load());
    EXPECT_EQ(port.ComName, "");
    EXPECT_EQ(port.Handle, nullptr);
    EXPECT_EQ(port.RxBuffer, nullptr);
    EXPECT_EQ(Fake.Port->CloseCalls, 1);
}

TEST_F(SerialSlotsTest, ParityOtherThanNoneIsEven) {
    TSerial port;
    port.SetDeviceFactory(Fake.Make());
    ASSERT_TRUE(port.OpenPort("ttyS0", "4800", "Even", "7"));
    EXPECT_EQ(Fake.Port->Baud, 4800u);
    EXPECT_TRUE(Fake.Port->EvenParity);
    EXPECT_EQ(Fake.Port->DataBits, 7);
}

TEST_F(SerialSlotsTest, UnreadableSettingsFailTheOpenWithAnErrorOfTheirOwn) {
    Fake.Port->SettingsReadsBeforeFailure = 0;
    EXPECT_EQ(Open(), NoSlot);
    // Not 0, which would read as "no slot was free".
    EXPECT_EQ(Error, OpenErrorOther);
    EXPECT_EQ(Fake.Port->CloseCalls, 1);
    EXPECT_TRUE(Slots.IsFree(0));
}

TEST_F(SerialSlotsTest, SettingsThatCannotBeAppliedAreReportedAndThePortStaysOpen) {
    std::vector<std::string> boxes;
    SetErrorBoxHandler([&boxes](const std::string& text) { boxes.push_back(text); });
    Fake.Port->SettingsReadsBeforeFailure = 1; // the open's read works, ApplySettings' fails
    EXPECT_EQ(Open(), 0);
    SetErrorBoxHandler({});
    EXPECT_EQ(boxes, (std::vector<std::string>{"Unable to set configuration on serial port."}));
    EXPECT_TRUE(Slots.Slot(0).Opened.load());
    EXPECT_EQ(Fake.Port->Baud, 0u);
}

TEST(SerialTest, AClosedPortAnswersAtOnceWithItsOwnValues) {
    TSerial port;
    const std::uint8_t byte = 1;
    EXPECT_EQ(port.ReadByte(1000), PortNotOpen);
    EXPECT_EQ(port.ReadBlock(10, 1000), -1);
    EXPECT_EQ(port.ReadBlock(0, 0), -1);
    EXPECT_FALSE(port.WriteByte(1, 1000));
    EXPECT_FALSE(port.WriteBlock(&byte, 1, 1000));
    EXPECT_EQ(port.ModemStatus(), 0u);
    port.SetDTR(1);
    port.SetRTS(1);
    port.SetBreak(1);
    port.ClosePort();
    EXPECT_EQ(&port.Clock(), &SystemClock());
}

TEST(SerialTest, WithoutADeviceFactoryNoPortExists) {
    TSerialSlots slots;
    std::uint32_t error = 0;
    EXPECT_EQ(slots.OpenFreeSlot("ttyUSB0", error), NoSlot);
    EXPECT_EQ(error, OpenErrorNoSuchPort);
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        Port.SetDeviceFactory(Fake.Make());
        ASSERT_TRUE(Port.OpenPort("ttyUSB0", "9600", "None", "8"));
        Fake.Port->LineCalls.clear();
    }
    TFakeFactory Fake;
    TSerial Port;
};

TEST_F(SerialPortTest, EachOperationAppliesItsOwnTimeoutSet) {
    Fake.Port->Input = {7};
    EXPECT_EQ(Port.ReadByte(340), 7);
    EXPECT_EQ(Port.Timeouts, (std::array<std::uint32_t, 5>{0, 0, 340, 0, 0}));
    EXPECT_EQ(Port.ReadByte(240), -1);
    EXPECT_EQ(Fake.Port->Clock.Now, 240u);
    EXPECT_TRUE(Port.WriteByte(0x4B, 1000));
    EXPECT_EQ(Port.Timeouts, (std::array<std::uint32_t, 5>{0, 0, 0, 0, 1000}));
    const std::uint8_t block[3] = {1, 2, 3};
    EXPECT_TRUE(Port.WriteBlock(block, 3, 10));
    EXPECT_EQ(Port.Timeouts, (std::array<std::uint32_t, 5>{0, 0, 0, 0, 10}));
    EXPECT_EQ(Fake.Port->Written, (std::vector<std::uint8_t>{0x4B, 1, 2, 3}));
    EXPECT_EQ(Port.ReadBlock(4, 100), 0);
    EXPECT_EQ(Port.Timeouts, (std::array<std::uint32_t, 5>{0, 0, 100, 0, 0}));
    EXPECT_EQ(Port.ReadBlock(0, 0), 0);
    EXPECT_EQ(Port.Timeouts, (std::array<std::uint32_t, 5>{0xFFFFFFFF, 0, 0, 0, 0}));
    EXPECT_FALSE(Port.WriteBlock(nullptr, 3, 10));
    EXPECT_FALSE(Port.WriteBlock(block, -1, 10));
}

TEST_F(SerialPortTest, BlockReadsLandInTheBufferUpToTheirCount) {
    for (int i = 0; i < 20; ++i) {
        Fake.Port->Input.push_back(static_cast<std::uint8_t>(i));
    }
    EXPECT_EQ(Port.ReadBlock(18, 1000), 18);
    EXPECT_EQ(Port.RxBuffer[0], 0);
    EXPECT_EQ(Port.RxBuffer[17], 17);
    EXPECT_EQ(Port.ReadBlock(4096, 5), 2);
    EXPECT_EQ(Port.RxBuffer[0], 18);
}

TEST_F(SerialPortTest, DrainTakesEverythingWaitingInPiecesOfAtMostABuffer) {
    Fake.Port->Input.assign(5000, 0x55);
    Fake.Port->LineErrors = 0x10;
    EXPECT_EQ(Port.ReadBlock(0, 0), 5000);
    EXPECT_EQ(Fake.Port->WaitingReads, (std::vector<int>{4096, 904}));
    EXPECT_EQ(Port.LastError, 0x10u);
    EXPECT_EQ(Fake.Port->Clock.Now, 0u); // no waiting

    // Every count outside 1..4096 drains.
    for (const int count : {0, -1, 4097}) {
        Fake.Port->Input.assign(3, 1);
        EXPECT_EQ(Port.ReadBlock(count, 1000), 3) << count;
    }
    EXPECT_EQ(Port.ReadBlock(0, 0), 0);
}

TEST_F(SerialPortTest, DrainEndsWhenAVanishingDeviceClaimsBytesItCannotDeliver) {
    Fake.Port->ClaimsBytesItDoesNotHave = true;
    EXPECT_EQ(Port.ReadBlock(0, 0), 0);
    EXPECT_EQ(Fake.Port->WaitingReads.size(), 1u);
}

TEST_F(SerialPortTest, LineStatesOtherThanZeroAndOneChangeNothing) {
    Port.SetDTR(2);
    Port.SetRTS(-1);
    Port.SetBreak(5);
    EXPECT_TRUE(Fake.Port->LineCalls.empty());
    Port.SetDTR(1);
    Port.SetBreak(1);
    Port.SetRTS(0);
    Port.SetBreak(0);
    EXPECT_EQ(Fake.Port->LineCalls, (std::vector<std::string>{"DTR1", "BRK1", "RTS0", "BRK0"}));
    Fake.Port->ModemBits = 0x30;
    EXPECT_EQ(Port.ModemStatus(), 0x30u);
}

TEST_F(SerialPortTest, WaitsRunOnThePortsClock) {
    Port.WaitMs(67);
    EXPECT_EQ(Fake.Port->Clock.Now, 67u);
    EXPECT_EQ(&Port.Clock(), &Fake.Port->Clock);
}

TEST(SerialTest, LooseStrToIntReadsDecimalTexts) {
    EXPECT_EQ(LooseStrToInt(""), 0);
    EXPECT_EQ(LooseStrToInt("9600"), 9600);
    EXPECT_EQ(LooseStrToInt("8"), 8);
    EXPECT_EQ(LooseStrToInt("2"), 2);
    EXPECT_EQ(LooseStrToInt(" 12 "), 12);
    EXPECT_EQ(LooseStrToInt("-3"), -3);
    EXPECT_EQ(LooseStrToInt("+4"), 4);
    EXPECT_EQ(LooseStrToInt("5x"), 5);
    EXPECT_EQ(LooseStrToInt("x5"), 0);
    EXPECT_EQ(LooseStrToInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(LooseStrToInt("-99999999999999999999"), INT_MIN);
}

// Threads that claim slots at the same moment each get a different one, and
// four at most.
TEST(SerialTest, SlotsClaimedAtOnceByManyThreadsAreNeverShared) {
    TFakeFactory fake;
    TSerialSlots slots(fake.Make());
    constexpr int Threads = 8;
    std::latch start(Threads);
    std::vector<int> claimed(Threads, NoSlot);
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            std::uint32_t error = 0;
            claimed[static_cast<std::size_t>(t)] = slots.OpenFreeSlot("ttyUSB0", error);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::set<int> distinct;
    int none = 0;
    for (const int slot : claimed) {
        if (slot == NoSlot) {
            ++none;
        } else {
            EXPECT_TRUE(distinct.insert(slot).second) << "slot " << slot << " handed out twice";
        }
    }
    EXPECT_EQ(distinct, (std::set<int>{-3, -2, -1, 0}));
    EXPECT_EQ(none, Threads - SlotCount);
}

} // namespace
} // namespace wayline
