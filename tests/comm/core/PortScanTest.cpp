#include "comm/core/PortScan.h"

#include "comm/core/FakeSerialDevice.h"
#include "comm/core/Serial.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace wayline {
namespace {

// Ports whose opening waits until the test lets it through, so that the
// test sees how many identifications run at once. Once open they are
// silent and answer at once on a clock of their own.
struct TGate {
    std::mutex Lock;
    std::condition_variable Changed;
    std::vector<std::string> Events;
    std::vector<std::string> Released;
    bool ReleaseAll = false;
    int Opening = 0;
    int MostAtOnce = 0;

    void Record(const std::string& event) {
        std::lock_guard<std::mutex> guard(Lock);
        Events.push_back(event);
        Changed.notify_all();
    }
    bool Happened(const std::string& event) const {
        return std::find(Events.begin(), Events.end(), event) != Events.end();
    }
    std::ptrdiff_t IndexOf(const std::string& event) const {
        return std::find(Events.begin(), Events.end(), event) - Events.begin();
    }
};

class TGatedDevice final : public SerialDevice {
public:
    explicit TGatedDevice(TGate& gate) : Gate(gate) {}
    std::uint32_t Open(const std::string& name) override {
        std::unique_lock<std::mutex> guard(Gate.Lock);
        Name = name;
        Gate.Events.push_back("open " + name);
        Gate.MostAtOnce = std::max(Gate.MostAtOnce, ++Gate.Opening);
        Gate.Changed.notify_all();
        Gate.Changed.wait(guard, [&] {
            return Gate.ReleaseAll || std::find(Gate.Released.begin(), Gate.Released.end(), name) !=
                                          Gate.Released.end();
        });
        return OpenErrorNone;
    }
    void Close() override {
        std::lock_guard<std::mutex> guard(Gate.Lock);
        --Gate.Opening;
        Gate.Events.push_back("close " + Name);
        Gate.Changed.notify_all();
    }
    bool ReadSettings() override { return true; }
    bool ApplySettings(std::uint32_t, bool, int) override { return true; }
    void SetDtr(bool) override {}
    void SetRts(bool) override {}
    void SetBreak(bool) override {}
    std::uint32_t ModemStatus() override { return 0; }
    int Read(std::uint8_t*, int, std::uint32_t timeoutMs) override {
        ClockOfPort.WaitMs(timeoutMs);
        return 0;
    }
    bool Write(const std::uint8_t*, int, std::uint32_t) override { return true; }
    int BytesWaiting(std::uint32_t& lineErrors) override {
        lineErrors = 0;
        return 0;
    }
    int ReadWaiting(std::uint8_t*, int) override { return 0; }
    TMsClock& Clock() override { return ClockOfPort; }

private:
    TGate& Gate;
    std::string Name;
    TManualClock ClockOfPort;
};

TEST(PortScanTest, AtMostFourPortsAreExaminedAtOnceAndTheFifthWaitsForAHandover) {
    TGate gate;
    TSerialSlots slots(
        [&gate](const std::string&) { return std::make_unique<TGatedDevice>(gate); });
    const std::vector<std::string> names = {"p0", "p1", "p2", "p3", "p4", "p5"};
    std::vector<TPortScanRow> rows;
    std::thread::id handlerThread;
    std::thread::id scannerThread;
    std::thread scanner([&] {
        scannerThread = std::this_thread::get_id();
        rows = ScanPortsInParallel(slots, names, "AUTO", 2, TIdentifyTexts{}, StdThreadStarter(),
                                   [&](int portIndex, const TPortScanRow&) {
                                       handlerThread = std::this_thread::get_id();
                                       gate.Record("result p" + std::to_string(portIndex));
                                   });
    });
    {
        std::unique_lock<std::mutex> guard(gate.Lock);
        gate.Changed.wait(guard, [&] { return gate.Opening == 4; });
        EXPECT_FALSE(gate.Happened("open p4"));
        EXPECT_FALSE(gate.Happened("open p5"));
        gate.Released.push_back("p2");
        gate.Changed.notify_all();
        gate.Changed.wait(guard, [&] { return gate.Happened("open p4"); });
        // The fifth thread started only after the first row was handed over.
        EXPECT_LT(gate.IndexOf("result p2"), gate.IndexOf("open p4"));
        EXPECT_LT(gate.IndexOf("close p2"), gate.IndexOf("open p4"));
        EXPECT_FALSE(gate.Happened("open p5"));
        gate.ReleaseAll = true;
        gate.Changed.notify_all();
    }
    scanner.join();
    EXPECT_EQ(gate.MostAtOnce, 4);
    EXPECT_EQ(handlerThread, scannerThread);
    ASSERT_EQ(rows.size(), 6u);
    for (const TPortScanRow& row : rows) {
        EXPECT_EQ(row.Result.EchoText, "No");
        EXPECT_FALSE(row.Ignored);
    }
    for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
        EXPECT_TRUE(slots.IsFree(slot));
    }
}

TEST(PortScanTest, WithoutThreadsThePortsAreExaminedOnTheCallingThread) {
    TFakeFactory fake;
    TSerialSlots slots(fake.Make());
    const TThreadStarter none = [](std::function<void()>) { return nullptr; };
    const auto rows =
        ScanPortsInParallel(slots, {"a", "b", "c", "d", "e"}, "AUTO", 2, TIdentifyTexts{}, none);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[4].Result.EchoText, "No");
    EXPECT_EQ(*fake.Calls, 5);
}

TEST(PortScanTest, AutoPassesTheVirtualRobotByAndOnlyAChosenPortIsExamined) {
    TFakeFactory fake;
    TSerialSlots slots(fake.Make());
    const TThreadStarter none = [](std::function<void()>) { return nullptr; };
    const std::vector<std::string> ports{"ttyS0", std::string(VirtualRobotPortName), "COM3"};
    // AUTO looks for the robot on the cable: never at the virtual one,
    // which would always answer.
    auto rows = ScanPortsInParallel(slots, ports, "AUTO", 2, TIdentifyTexts{}, none);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_FALSE(rows[0].Ignored);
    EXPECT_TRUE(rows[1].Ignored);
    EXPECT_FALSE(rows[2].Ignored);
    EXPECT_EQ(*fake.Calls, 2);
    // Chosen by name, it is the one port examined.
    rows = ScanPortsInParallel(slots, ports, std::string(VirtualRobotPortName), 2, TIdentifyTexts{},
                               none);
    EXPECT_TRUE(rows[0].Ignored);
    EXPECT_FALSE(rows[1].Ignored);
    EXPECT_TRUE(rows[2].Ignored);
    EXPECT_EQ(*fake.Calls, 3);
}

} // namespace
} // namespace wayline
