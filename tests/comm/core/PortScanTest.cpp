// The scan: one thread per port and at most four at once, every row handed
// to the display on the scanning thread as the threads end, every thread
// ended before the scan returns.

#include "comm/core/PortScan.h"

#include "comm/core/FakeSerialDevice.h"
#include "comm/core/Serial.h"
#include "comm/core/SimulatedPorts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <stdexcept>
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

// The display as the scan sees it, recording into the gate's log.
class TGateDisplay final : public TScanDisplay {
public:
    TGateDisplay(TGate& gate, const TPortScanner& scanner) : Gate(gate), Scanner(scanner) {}
    void ThreadStarting(int position, int portIndex) override {
        Gate.Record("start p" + std::to_string(portIndex) + " at " + std::to_string(position));
    }
    void ShowRow(int portIndex, const TPortScanRow& row) override {
        Threads.push_back(std::this_thread::get_id());
        MasksWhileShown.push_back(Scanner.ScanBusyMask());
        Rows.push_back(row);
        Gate.Record("result p" + std::to_string(portIndex));
    }
    std::vector<std::thread::id> Threads;
    std::vector<std::uint32_t> MasksWhileShown;
    std::vector<TPortScanRow> Rows;

private:
    TGate& Gate;
    const TPortScanner& Scanner;
};

TEST(PortScanTest, AtMostFourPortsAreExaminedAtOnceAndTheFifthWaitsForAHandover) {
    TGate gate;
    TSerialSlots slots(
        [&gate](const std::string&) { return std::make_unique<TGatedDevice>(gate); });
    const std::vector<std::string> names = {"p0", "p1", "p2", "p3", "p4", "p5", "p6", "p7", "p8"};
    TPortScanner scanner(StdThreadStarter());
    TGateDisplay display(gate, scanner);
    const TIdentifyWork identify = [&slots](const std::string& name) {
        return IdentifyPort(slots, name, 2, TIdentifyTexts{});
    };
    std::vector<TPortScanRow> rows;
    std::thread::id scannerThread;
    std::thread scan([&] {
        scannerThread = std::this_thread::get_id();
        rows = scanner.ScanPorts(names, "AUTO", "ignoring", identify, display);
    });
    {
        std::unique_lock<std::mutex> guard(gate.Lock);
        gate.Changed.wait(guard, [&] { return gate.Opening == 4; });
        EXPECT_FALSE(gate.Happened("open p4"));
        // The first four take positions 1 to 4.
        for (int port = 0; port < 4; ++port) {
            EXPECT_TRUE(gate.Happened("start p" + std::to_string(port) + " at " +
                                      std::to_string(port + 1)));
        }
        gate.Released.push_back("p2");
        gate.Changed.notify_all();
        gate.Changed.wait(guard, [&] { return gate.Happened("open p4"); });
        // The fifth thread started only after the first row was handed over
        // and its slot given back, on the position that became free.
        EXPECT_LT(gate.IndexOf("result p2"), gate.IndexOf("open p4"));
        EXPECT_LT(gate.IndexOf("close p2"), gate.IndexOf("open p4"));
        EXPECT_TRUE(gate.Happened("start p4 at 3"));
        EXPECT_FALSE(gate.Happened("open p5"));
        gate.ReleaseAll = true;
        gate.Changed.notify_all();
    }
    scan.join();
    EXPECT_EQ(gate.MostAtOnce, 4);
    // A position stays busy while its row is shown.
    ASSERT_FALSE(display.MasksWhileShown.empty());
    EXPECT_EQ(display.MasksWhileShown.front(), 0xFu);
    EXPECT_EQ(scanner.ScanBusyMask(), 0u);
    EXPECT_FALSE(scanner.IsScanning());
    EXPECT_EQ(std::count(display.Threads.begin(), display.Threads.end(), scannerThread), 9);
    ASSERT_EQ(rows.size(), 9u);
    for (const TPortScanRow& row : rows) {
        EXPECT_EQ(row.Result.EchoText, "No");
        EXPECT_FALSE(row.Ignored);
    }
    for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
        EXPECT_TRUE(slots.IsFree(slot));
    }
}

// Records what the display was told, in order, and on which thread.
class TRecordingDisplay : public TScanDisplay {
public:
    std::vector<std::string> Events;
    std::map<int, TPortScanRow> Rows;
    std::thread::id Thread = std::this_thread::get_id();
    bool OnOtherThread = false;

    void ScanStarted() override { Record("started"); }
    void ThreadStarting(int position, int portIndex) override {
        Record("thread " + std::to_string(position) + " for p" + std::to_string(portIndex));
    }
    void ShowRow(int portIndex, const TPortScanRow& row) override {
        Record("row p" + std::to_string(portIndex));
        Rows[portIndex] = row;
    }
    void AllThreadsReported() override { Record("all reported"); }
    void ScanFinished() override { Record("finished"); }

private:
    void Record(std::string event) {
        OnOtherThread |= std::this_thread::get_id() != Thread;
        Events.push_back(std::move(event));
    }
};

TEST(PortScanTest, RowsReachTheDisplayOnTheScanningThreadInTheOrderTheThreadsEnd) {
    // The last port's identification ends first; each one before it ends
    // only once the row after it was shown.
    std::mutex lock;
    std::condition_variable turn;
    int nextToFinish = 3;
    struct TTurnDisplay final : TRecordingDisplay {
        std::mutex* Lock = nullptr;
        std::condition_variable* Turn = nullptr;
        int* Next = nullptr;
        void ShowRow(int portIndex, const TPortScanRow& row) override {
            TRecordingDisplay::ShowRow(portIndex, row);
            const std::lock_guard<std::mutex> guard(*Lock);
            *Next = portIndex - 1;
            Turn->notify_all();
        }
    } display;
    display.Lock = &lock;
    display.Turn = &turn;
    display.Next = &nextToFinish;
    TPortScanner scanner(StdThreadStarter());
    const auto rows = scanner.ScanPorts(
        {"ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyUSB3"}, "AUTO", "ignoring",
        [&](const std::string& name) {
            const int index = name.back() - '0';
            std::unique_lock<std::mutex> guard(lock);
            turn.wait(guard, [&] { return nextToFinish == index; });
            TIdentifyResult result;
            result.DeviceText = name;
            result.DeviceType = 2;
            return result;
        },
        display);

    EXPECT_FALSE(display.OnOtherThread);
    // "Scanning..." first and hidden last; the cursor comes back once, when
    // the last thread has reported.
    EXPECT_EQ(display.Events,
              (std::vector<std::string>{"started", "thread 1 for p0", "thread 2 for p1",
                                        "thread 3 for p2", "thread 4 for p3", "row p3", "row p2",
                                        "row p1", "row p0", "all reported", "finished"}));
    ASSERT_EQ(rows.size(), 4u);
    for (int port = 0; port < 4; ++port) {
        EXPECT_EQ(rows[static_cast<std::size_t>(port)].Result.DeviceText,
                  "ttyUSB" + std::to_string(port));
        EXPECT_EQ(display.Rows[port].Result.DeviceText, "ttyUSB" + std::to_string(port));
    }
}

TEST(PortScanTest, NoPortsFinishAtOnce) {
    TRecordingDisplay display;
    TPortScanner scanner(StdThreadStarter());
    EXPECT_TRUE(scanner.ScanPorts({}, "AUTO", "ignoring", {}, display).empty());
    EXPECT_EQ(display.Events, (std::vector<std::string>{"started", "finished"}));
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

// The window handles its events (paints itself) through the waiter; rows
// that are ready at once must not let the scan go past it.
TEST(PortScanTest, TheWaiterRunsBeforeEveryHandOverEvenWhenTheRowsAreReady) {
    std::vector<std::string> log;
    struct TLoggingWaiter final : TScanWaiter {
        std::vector<std::string>* Log = nullptr;
        TBlockingScanWaiter Blocking;
        void WaitForWake() override {
            Log->push_back("wait");
            Blocking.WaitForWake();
        }
        void Wake() override { Blocking.Wake(); }
    };
    auto waiter = std::make_unique<TLoggingWaiter>();
    waiter->Log = &log;
    struct TLoggingDisplay final : TScanDisplay {
        std::vector<std::string>* Log = nullptr;
        void ShowRow(int portIndex, const TPortScanRow&) override {
            Log->push_back("row p" + std::to_string(portIndex));
        }
    } display;
    display.Log = &log;
    // Without threads every row is ready as soon as its port was started.
    TPortScanner scanner([](std::function<void()>) { return nullptr; }, std::move(waiter));
    scanner.ScanPorts(
        {"a", "b", "c", "d", "e"}, "AUTO", "ignoring",
        [](const std::string&) { return TIdentifyResult{}; }, display);
    EXPECT_EQ(log, (std::vector<std::string>{"wait", "row p0", "row p1", "row p2", "row p3", "wait",
                                             "row p4"}));
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
    // Chosen by name, it is the one port examined; the others are not
    // opened and read "ignoring", handed over at once in list order.
    std::vector<int> handedOver;
    rows = ScanPortsInParallel(
        slots, ports, std::string(VirtualRobotPortName), 2, TIdentifyTexts{}, StdThreadStarter(),
        [&](int portIndex, const TPortScanRow&) { handedOver.push_back(portIndex); });
    EXPECT_TRUE(rows[0].Ignored);
    EXPECT_FALSE(rows[1].Ignored);
    EXPECT_TRUE(rows[2].Ignored);
    EXPECT_EQ(rows[0].Result.DeviceText, "ignoring");
    EXPECT_EQ(rows[2].Result.DeviceText, "ignoring");
    EXPECT_EQ(rows[1].Result.EchoText, "No");
    EXPECT_EQ(*fake.Calls, 3);
    EXPECT_EQ(handedOver, (std::vector<int>{0, 2, 1}));

    // The grid lists what was looked at: AUTO the host's ports only, a
    // chosen port every port (the others as ignored).
    EXPECT_TRUE(PortIsListed("ttyS0", "AUTO"));
    EXPECT_FALSE(PortIsListed(VirtualRobotPortName, "AUTO"));
    EXPECT_TRUE(PortIsListed(VirtualRobotPortName, "ttyS0"));
    EXPECT_TRUE(PortIsListed("ttyS0", VirtualRobotPortName));
}

TEST(PortScanTest, WorkThatThrowsLeavesItsRowEmptyAndTheScanGoesOn) {
    TRecordingDisplay display;
    TPortScanner scanner(StdThreadStarter());
    const auto rows = scanner.ScanPorts(
        {"ttyUSB0", "ttyUSB1"}, "AUTO", "ignoring",
        [](const std::string& name) -> TIdentifyResult {
            if (name == "ttyUSB0") {
                throw std::bad_alloc();
            }
            TIdentifyResult result;
            result.DeviceType = 3;
            return result;
        },
        display);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Result.DeviceType, 0);
    EXPECT_EQ(rows[0].Result.DeviceText, "");
    EXPECT_EQ(rows[1].Result.DeviceType, 3);
    EXPECT_EQ(display.Rows.size(), 2u);
}

// On the slot table, a port whose identification throws is reported like
// one that would not open, with the identification's text.
TEST(PortScanTest, OnTheSlotTableAnIdentificationThatThrowsReadsAsCantOpen) {
    TSerialSlots slots([](const std::string& name) -> std::unique_ptr<SerialDevice> {
        if (name == "ttyUSB0") {
            throw std::runtime_error("platform error");
        }
        return nullptr;
    });
    const auto rows = ScanPortsInParallel(slots, {"ttyUSB0", "ttyS9"}, "AUTO", 2, TIdentifyTexts{},
                                          StdThreadStarter());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Result.OpenError, OpenErrorOther);
    EXPECT_EQ(rows[0].Result.DeviceText, "can't open port");
    EXPECT_EQ(rows[1].Result.DeviceText, "invalid port");
}

TEST(PortScanTest, AScanAskedForWhileOneRunsOnTheSameThreadDoesNothing) {
    TPortScanner scanner(StdThreadStarter());
    struct TNestingDisplay final : TScanDisplay {
        TPortScanner* Scanner = nullptr;
        std::vector<std::vector<TPortScanRow>> Nested;
        void ShowRow(int, const TPortScanRow&) override {
            TScanDisplay quiet;
            Nested.push_back(Scanner->ScanPorts(
                {"ttyUSB9"}, "AUTO", "ignoring",
                [](const std::string&) {
                    ADD_FAILURE() << "nested scan ran";
                    return TIdentifyResult{};
                },
                quiet));
        }
    } display;
    display.Scanner = &scanner;
    const auto rows = scanner.ScanPorts(
        {"ttyUSB0"}, "AUTO", "ignoring", [](const std::string&) { return TIdentifyResult{}; },
        display);
    EXPECT_EQ(rows.size(), 1u);
    ASSERT_EQ(display.Nested.size(), 1u);
    EXPECT_TRUE(display.Nested.front().empty());
}

// A display that fails (out of memory while drawing) must not leave threads
// running on work that is about to go away; the next scan works.
TEST(PortScanTest, ADisplayThatThrowsEndsEveryThreadBeforeTheScanReturns) {
    TPortScanner scanner(StdThreadStarter());
    struct TFailingDisplay final : TScanDisplay {
        void ShowRow(int, const TPortScanRow&) override { throw std::bad_alloc(); }
    } failing;
    {
        const TIdentifyWork work = [](const std::string& name) {
            TIdentifyResult result;
            result.DeviceText = name;
            return result;
        };
        EXPECT_THROW(
            scanner.ScanPorts({"a", "b", "c", "d", "e", "f"}, "AUTO", "ignoring", work, failing),
            std::bad_alloc);
    }
    EXPECT_FALSE(scanner.IsScanning());
    EXPECT_EQ(scanner.ScanBusyMask(), 0u);
    TRecordingDisplay display;
    const auto rows = scanner.ScanPorts(
        {"g"}, "AUTO", "ignoring", [](const std::string&) { return TIdentifyResult{}; }, display);
    EXPECT_EQ(rows.size(), 1u);
    EXPECT_EQ(display.Rows.size(), 1u);
}

TEST(PortScanTest, RealIdentificationOfSimulatedModulesOnManyPortsAtOnce) {
    TSimulatedPorts ports;
    ports.Add("ttyUSB0");
    ports.AddSilent("ttyS0");
    sim::TModuleConfig typeFive;
    typeFive.ModuleType = 5;
    typeFive.ProbeVersion = 2;
    typeFive.LowerCaseReply = true;
    ports.Add("ttyUSB1", typeFive);
    ports.Add("ttyUSB2");
    ports.Add("ttyACM0");
    ports.Faults("ttyACM0").OpenError = OpenErrorInUse;
    TSerialSlots slots(ports.Factory());
    const auto rows =
        ScanPortsInParallel(slots, {"ttyUSB0", "ttyS0", "ttyUSB1", "ttyUSB2", "ttyACM0", "ttyS9"},
                            "AUTO", 2, TIdentifyTexts{}, StdThreadStarter());

    ASSERT_EQ(rows.size(), 6u);
    for (std::size_t port : {0u, 3u}) {
        EXPECT_EQ(rows[port].Result.DeviceText, "Robot");
        EXPECT_EQ(rows[port].Result.VersionText, "v1.0");
        EXPECT_EQ(rows[port].Result.EchoText, "Yes");
        EXPECT_EQ(rows[port].Result.DeviceType, 2);
    }
    EXPECT_EQ(rows[1].Result.EchoText, "No");
    EXPECT_EQ(rows[1].Result.DeviceType, 0);
    // Not the download's type: no name, but the suffix and the version.
    EXPECT_EQ(rows[2].Result.DeviceText, "N");
    EXPECT_EQ(rows[2].Result.VersionText, "v1.2");
    EXPECT_EQ(rows[2].Result.DeviceType, 5);
    EXPECT_EQ(rows[4].Result.DeviceText, "can't open port; in use");
    EXPECT_EQ(rows[5].Result.DeviceText, "invalid port");
    for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
        EXPECT_TRUE(slots.IsFree(slot));
    }
}

} // namespace
} // namespace wayline
