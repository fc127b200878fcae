// The scan: one thread per port, at most four at once, every result shown
// on the user-interface thread in its own row, every thread ended before
// ScanPorts returns.

#include "comm/scan/PortScanner.h"
#include "comm/core/Serial.h"

#include "comm/core/SimulatedPorts.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace wayline;

namespace {

// The progress window as the scan sees it: what it was told, in order.
class TRecordingDisplay : public TScanDisplay {
public:
    std::vector<std::string> Events;
    std::map<int, TIdentifyResult> Rows;
    std::set<int> Ignored;
    std::thread::id Thread = std::this_thread::get_id();
    bool OnOtherThread = false;

    void ScanStarted() override { Record("started"); }
    void ScanFinished() override { Record("finished"); }
    void ShowIgnoring(int row) override {
        Record("ignoring " + std::to_string(row));
        Ignored.insert(row);
    }
    void ShowPortResult(int row, const TIdentifyResult& result) override {
        Record("row " + std::to_string(row));
        Rows[row] = result;
    }
    void AllThreadsReported() override { Record("all reported"); }

private:
    void Record(std::string event) {
        OnOtherThread |= std::this_thread::get_id() != Thread;
        Events.push_back(std::move(event));
    }
};

// Port work that holds every thread until `quorum` threads are inside at
// once (or a generous deadline passes, so a faulty scan fails instead of
// hanging), and counts how many were ever inside together.
class TGate {
public:
    explicit TGate(int quorum) : Quorum(quorum) {}

    TIdentifyResult Enter(const std::string& name) {
        std::unique_lock<std::mutex> lock(Lock);
        ++Inside;
        MaxInside = std::max(MaxInside, Inside);
        Opened |= Inside >= Quorum;
        Changed.notify_all();
        Changed.wait_for(lock, std::chrono::seconds(10), [this] { return Opened; });
        --Inside;
        Names.push_back(name);
        TIdentifyResult result;
        result.DeviceText = "device " + name;
        result.DeviceType = 2;
        return result;
    }

    int MaxSeen() {
        const std::lock_guard<std::mutex> lock(Lock);
        return MaxInside;
    }
    std::vector<std::string> Seen() {
        const std::lock_guard<std::mutex> lock(Lock);
        return Names;
    }

private:
    std::mutex Lock;
    std::condition_variable Changed;
    const int Quorum;
    int Inside = 0;
    int MaxInside = 0;
    bool Opened = false;
    std::vector<std::string> Names;
};

QStringList Ports(int count) {
    QStringList names;
    for (int i = 1; i <= count; ++i) {
        names << QStringLiteral("ttyUSB%1").arg(i);
    }
    return names;
}

// Runs a scan and logs, on the user-interface thread, when each thread
// started and when each result was shown.
struct TScanRun {
    TRecordingDisplay Display;
    TPortScanner Scanner;
    std::vector<std::string> Log;
    std::vector<int> Positions;

    explicit TScanRun(TIdentifyWork work) : Scanner(Display, std::move(work)) {
        QObject::connect(&Scanner, &TPortScanner::ThreadStarted, [this](int bit, int port) {
            Log.push_back("start " + std::to_string(port));
            Positions.push_back(bit);
        });
        QObject::connect(&Scanner, &TPortScanner::ResultShown,
                         [this](int port) { Log.push_back("shown " + std::to_string(port)); });
    }

    std::size_t IndexOf(const std::string& entry) const {
        return static_cast<std::size_t>(std::find(Log.begin(), Log.end(), entry) - Log.begin());
    }
};

} // namespace

TEST(PortScanner, SixPortsRunFourThreadsAtOnceAndTheFifthAfterTheFirstResult) {
    TGate gate(4);
    TScanRun run([&gate](const std::string& name) { return gate.Enter(name); });
    run.Scanner.ScanPorts(Ports(6), QStringLiteral("AUTO"));

    EXPECT_EQ(gate.MaxSeen(), 4);
    ASSERT_EQ(run.Log.size(), 12u);
    // Ports 1 to 4 start before anything is shown; port 5 only after a
    // result freed a position, port 6 after another.
    for (int port = 0; port < 4; ++port) {
        EXPECT_EQ(run.Log[static_cast<std::size_t>(port)], "start " + std::to_string(port));
    }
    // Port 5 starts only once a result has freed a position, port 6 once
    // a second one has.
    auto shownBefore = [&run](const std::string& entry) {
        const auto end = run.Log.begin() + static_cast<std::ptrdiff_t>(run.IndexOf(entry));
        return std::count_if(run.Log.begin(), end,
                             [](const std::string& e) { return e.rfind("shown ", 0) == 0; });
    };
    EXPECT_EQ(shownBefore("start 3"), 0);
    EXPECT_GE(shownBefore("start 4"), 1);
    EXPECT_GE(shownBefore("start 5"), 2);
    // The first four take positions 1 to 4; the later ones reuse freed ones.
    EXPECT_EQ(std::vector<int>(run.Positions.begin(), run.Positions.begin() + 4),
              (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(run.Scanner.ScanBusyMask(), 0u);
    EXPECT_FALSE(run.Scanner.IsScanning());
}

TEST(PortScanner, EveryResultIsShownInItsOwnRowOnTheCallingThread) {
    // Results come back in an order unlike the ports': later ports first.
    std::mutex lock;
    std::condition_variable turn;
    int nextToFinish = 3;
    TScanRun run([&](const std::string& name) {
        const int index = name.back() - '1';
        std::unique_lock<std::mutex> guard(lock);
        turn.wait_for(guard, std::chrono::seconds(10), [&] { return nextToFinish == index; });
        --nextToFinish;
        turn.notify_all();
        TIdentifyResult result;
        result.DeviceText = name;
        result.VersionText = "v1.0";
        result.LoopbackText = "No";
        result.EchoText = "Yes";
        result.DeviceType = 2;
        return result;
    });
    run.Scanner.ScanPorts(Ports(4), QStringLiteral("AUTO"));

    EXPECT_FALSE(run.Display.OnOtherThread);
    ASSERT_EQ(run.Display.Rows.size(), 4u);
    for (int row = 1; row <= 4; ++row) {
        EXPECT_EQ(run.Display.Rows[row].DeviceText, "ttyUSB" + std::to_string(row));
    }
    // Label shown first, hidden last; the cursor comes back once, when the
    // last thread has reported.
    const std::vector<std::string>& events = run.Display.Events;
    EXPECT_EQ(events.front(), "started");
    EXPECT_EQ(events.back(), "finished");
    EXPECT_EQ(std::count(events.begin(), events.end(), "all reported"), 1);
    EXPECT_EQ(events[events.size() - 2], "all reported");
}

TEST(PortScanner, ASelectedPortIsTheOnlyOneOpenedTheOthersShowIgnoring) {
    TGate gate(1);
    TScanRun run([&gate](const std::string& name) { return gate.Enter(name); });
    run.Scanner.ScanPorts({QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3")},
                          QStringLiteral("COM2"));

    EXPECT_EQ(gate.Seen(), std::vector<std::string>{"COM2"});
    EXPECT_EQ(run.Display.Ignored, (std::set<int>{1, 3}));
    ASSERT_EQ(run.Display.Rows.size(), 1u);
    EXPECT_EQ(run.Display.Rows[2].DeviceText, "device COM2");
}

TEST(PortScanner, NoPortsFinishAtOnce) {
    TScanRun run([](const std::string&) { return TIdentifyResult{}; });
    run.Scanner.ScanPorts({}, QStringLiteral("AUTO"));
    EXPECT_EQ(run.Display.Events, (std::vector<std::string>{"started", "finished"}));
}

TEST(PortScanner, ManyPortsNeverRunMoreThanFourThreads) {
    TGate gate(4);
    TScanRun run([&gate](const std::string& name) { return gate.Enter(name); });
    run.Scanner.ScanPorts(Ports(9), QStringLiteral("AUTO"));
    EXPECT_EQ(gate.MaxSeen(), 4);
    EXPECT_EQ(gate.Seen().size(), 9u);
    EXPECT_EQ(run.Display.Rows.size(), 9u);
}

TEST(PortScanner, WorkThatThrowsShowsAnEmptyRowInsteadOfEndingTheProgram) {
    TScanRun run([](const std::string& name) -> TIdentifyResult {
        if (name == "ttyUSB1") {
            throw std::bad_alloc();
        }
        TIdentifyResult result;
        result.DeviceType = 3;
        return result;
    });
    run.Scanner.ScanPorts(Ports(2), QStringLiteral("AUTO"));
    ASSERT_EQ(run.Display.Rows.size(), 2u);
    EXPECT_EQ(run.Display.Rows[1].DeviceType, 0);
    EXPECT_EQ(run.Display.Rows[2].DeviceType, 3);
}

TEST(PortScanner, RealIdentificationOfSimulatedModulesOnManyPortsAtOnce) {
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
    const TIdentifyTexts texts;
    TScanRun run([&](const std::string& name) { return IdentifyPort(slots, name, 2, texts); });
    run.Scanner.ScanPorts({QStringLiteral("ttyUSB0"), QStringLiteral("ttyS0"),
                           QStringLiteral("ttyUSB1"), QStringLiteral("ttyUSB2"),
                           QStringLiteral("ttyACM0"), QStringLiteral("ttyS9")},
                          QStringLiteral("AUTO"));

    std::map<int, TIdentifyResult>& rows = run.Display.Rows;
    ASSERT_EQ(rows.size(), 6u);
    for (int row : {1, 4}) {
        EXPECT_EQ(rows[row].DeviceText, "Robot");
        EXPECT_EQ(rows[row].VersionText, "v1.0");
        EXPECT_EQ(rows[row].EchoText, "Yes");
        EXPECT_EQ(rows[row].DeviceType, 2);
    }
    EXPECT_EQ(rows[2].EchoText, "No");
    EXPECT_EQ(rows[2].DeviceType, 0);
    // Not the download's type: no name, but the suffix and the version.
    EXPECT_EQ(rows[3].DeviceText, "N");
    EXPECT_EQ(rows[3].VersionText, "v1.2");
    EXPECT_EQ(rows[3].DeviceType, 5);
    EXPECT_EQ(rows[5].DeviceText, "can't open port; in use");
    EXPECT_EQ(rows[6].DeviceText, "invalid port");
    for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
        EXPECT_TRUE(slots.IsFree(slot));
    }
}
