#include "sim/core/PtyBridge.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace wayline::sim {

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

TPtyBridge::TPtyBridge(std::shared_ptr<TSimulatedModule> module) : Module(std::move(module)) {}

TPtyBridge::~TPtyBridge() {
    Stop();
}

bool TPtyBridge::Start(std::string& error) {
    if (Thread.joinable()) {
        error = "the bridge is already serving " + Path;
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(Module->Mutex());
        if (!Module->Attach()) {
            error = "the module is in use";
            return false;
        }
        Pacer = std::make_shared<TRealTimePacer>(Module->NowUs());
    }
    const auto fail = [&](const char* what) {
        error = SystemError(what);
        CloseFd(Master);
        CloseFd(HeldSlave);
        CloseFd(WakeRead);
        CloseFd(WakeWrite);
        std::lock_guard<std::mutex> lock(Module->Mutex());
        Module->Detach();
        return false;
    };
    Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (Master < 0) {
        return fail("posix_openpt");
    }
    if (::grantpt(Master) != 0 || ::unlockpt(Master) != 0) {
        return fail("grantpt");
    }
    char name[128] = {};
    if (::ptsname_r(Master, name, sizeof name) != 0) {
        return fail("ptsname");
    }
    Path = name;
    HeldSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (HeldSlave < 0) {
        return fail("open");
    }
    // Raw from the start: no echo or line editing by the terminal itself
    // before the host sets its own modes.
    termios modes{};
    if (::tcgetattr(HeldSlave, &modes) != 0) {
        return fail("tcgetattr");
    }
    ::cfmakeraw(&modes);
    if (::tcsetattr(HeldSlave, TCSANOW, &modes) != 0) {
        return fail("tcsetattr");
    }
    const int flags = ::fcntl(Master, F_GETFL);
    if (flags < 0 || ::fcntl(Master, F_SETFL, flags | O_NONBLOCK) != 0) {
        return fail("fcntl");
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        return fail("pipe");
    }
    WakeRead = wake[0];
    WakeWrite = wake[1];
    Thread = std::thread([this] { Serve(); });
    return true;
}

void TPtyBridge::Stop() {
    if (Thread.joinable()) {
        const char stop = 1;
        while (::write(WakeWrite, &stop, 1) < 0 && errno == EINTR) {
        }
        Thread.join();
        CloseFd(Master);
        CloseFd(HeldSlave);
        CloseFd(WakeRead);
        CloseFd(WakeWrite);
        std::lock_guard<std::mutex> lock(Module->Mutex());
        Module->Detach();
    }
}

bool TPtyBridge::WaitUntil(const std::function<bool(TSimulatedModule&)>& condition,
                           std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock<std::mutex> passes(PassLock);
    for (;;) {
        const std::uint64_t seen = Passes;
        passes.unlock();
        {
            std::lock_guard<std::mutex> lock(Module->Mutex());
            if (condition(*Module)) {
                return true;
            }
        }
        passes.lock();
        if (!PassDone.wait_until(passes, deadline, [&] { return Passes != seen; })) {
            return false;
        }
    }
}

void TPtyBridge::Serve() {
    std::vector<std::uint8_t> toHost;
    std::optional<std::uint64_t> lastFromHostUs;
    std::uint8_t buffer[256];
    for (;;) {
        std::optional<std::uint64_t> next;
        std::uint64_t now = 0;
        {
            std::lock_guard<std::mutex> lock(Module->Mutex());
            now = std::max(Pacer->NowUs(), Module->NowUs());
            Module->RunUntil(now);
            int got = 0;
            while ((got = Module->HostRead(buffer, sizeof buffer)) > 0) {
                toHost.insert(toHost.end(), buffer, buffer + got);
            }
            next = Module->NextEventUs();
        }
        {
            std::lock_guard<std::mutex> lock(PassLock);
            ++Passes;
        }
        PassDone.notify_all();
        while (!toHost.empty()) {
            const ssize_t written = ::write(Master, toHost.data(), toHost.size());
            if (written <= 0) {
                break; // full (the host reads nothing) or gone: try again later
            }
            toHost.erase(toHost.begin(), toHost.begin() + written);
        }

        pollfd fds[2] = {{Master, static_cast<short>(POLLIN | (toHost.empty() ? 0 : POLLOUT)), 0},
                         {WakeRead, POLLIN, 0}};
        timespec timeout{};
        timespec* wait = nullptr;
        if (next) {
            const std::uint64_t delta = *next > now ? *next - now : 0;
            timeout.tv_sec = static_cast<time_t>(delta / 1'000'000);
            timeout.tv_nsec = static_cast<long>((delta % 1'000'000) * 1000);
            wait = &timeout;
        } else if (!toHost.empty()) {
            timeout.tv_nsec = 1'000'000;
            wait = &timeout;
        }
        const int ready = ::ppoll(fds, 2, wait, nullptr);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            continue;
        }
        const ssize_t count = ::read(Master, buffer, sizeof buffer);
        if (count <= 0) {
            continue;
        }
        std::lock_guard<std::mutex> lock(Module->Mutex());
        now = std::max(Pacer->NowUs(), Module->NowUs());
        Module->RunUntil(now);
        for (ssize_t i = 0; i < count; ++i) {
            const std::uint8_t byte = buffer[i];
            if (byte == 'K' && (!lastFromHostUs || now - *lastFromHostUs >= IdleBeforeResetUs)) {
                Module->ResetForHandshake();
                ++Resets;
            }
            lastFromHostUs = now;
            Module->HostWrite(&byte, 1);
        }
    }
}

} // namespace wayline::sim
