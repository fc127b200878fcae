#pragma once

#include "sim/core/RealTimePacer.h"
#include "sim/core/SimulatedModule.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace wayline::sim {

// Serves a simulated module on a pseudo-terminal, so that a program opening
// the pseudo-terminal's device (/dev/pts/N) reaches the module through the
// operating system's serial stack, as it would reach a robot on ttyUSB0.
// The module's time follows the host's clock, and the line's byte timing is
// the module's: a byte written to the pseudo-terminal is echoed one byte
// time later.
//
// A pseudo-terminal carries no modem lines and ignores a break, so the
// reset sequence never reaches the module. The bridge stands in for it: a
// "K" that comes after the host has been silent for IdleBeforeResetUs (the
// reset sequence keeps it silent for 67 ms) resets the module into
// listening for the handshake, then goes to it as the handshake's first
// byte.
class TPtyBridge {
public:
    static constexpr std::uint64_t IdleBeforeResetUs = 50'000;

    explicit TPtyBridge(std::shared_ptr<TSimulatedModule> module);
    ~TPtyBridge();
    TPtyBridge(const TPtyBridge&) = delete;
    TPtyBridge& operator=(const TPtyBridge&) = delete;

    // Opens a pseudo-terminal and serves the module on it from a thread of
    // its own. False, with the reason in `error`, when no pseudo-terminal
    // can be had or the module is already in use.
    bool Start(std::string& error);
    // Stops serving and closes the pseudo-terminal: for the program on the
    // other side, the cable was pulled. Harmless when not started.
    void Stop();

    // The device path the host opens, such as /dev/pts/5.
    const std::string& PortPath() const { return Path; }
    // Resets made from a "K" after silence.
    int ResetsSeen() const { return Resets.load(); }

    // Waits at most `timeout` until `condition` holds for the module; it is
    // checked with the module's lock held, now and after each time the
    // bridge has moved the module on. For tests and tools that must know
    // that the module has taken what the host sent.
    bool WaitUntil(const std::function<bool(TSimulatedModule&)>& condition,
                   std::chrono::milliseconds timeout);

private:
    void Serve();

    std::shared_ptr<TSimulatedModule> Module;
    std::shared_ptr<TRealTimePacer> Pacer;
    std::string Path;
    int Master = -1;
    int HeldSlave = -1; // keeps the pseudo-terminal alive between the host's opens
    int WakeRead = -1;
    int WakeWrite = -1;
    std::thread Thread;
    std::atomic<int> Resets{0};
    std::mutex PassLock;
    std::condition_variable PassDone;
    std::uint64_t Passes = 0;
};

} // namespace wayline::sim
