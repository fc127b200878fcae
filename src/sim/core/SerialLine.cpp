#include "sim/core/SerialLine.h"

#include <algorithm>

namespace wayline::sim {

std::uint64_t TSerialLine::HostSend(std::uint8_t byte, std::uint64_t timeUs) {
    const std::uint64_t start = std::max(timeUs, HostLineFreeUs);
    const std::uint64_t arrival = start + ByteTimeUs;
    HostLineFreeUs = arrival;
    Sent.push_back({byte, arrival});
    if (Sent.size() > SentHistory) {
        Sent.pop_front();
    }
    if (!IsConnected || !BoardPresent) {
        return arrival;
    }
    ToModule.push_back({byte, arrival});
    if (ToModule.size() > ModuleInputLimit) {
        ToModule.pop_front();
    }
    if (EchoEnabled) {
        QueueForHost(byte, arrival);
    }
    return arrival;
}

void TSerialLine::QueueForHost(std::uint8_t byte, std::uint64_t arrivalUs) {
    // Echoes and the module's bytes share the host's receive line; keep the
    // queue in arrival order.
    const auto at = std::upper_bound(
        ToHost.begin(), ToHost.end(), arrivalUs,
        [](std::uint64_t time, const TTimedByte& queued) { return time < queued.ArrivalUs; });
    ToHost.insert(at, {byte, arrivalUs});
    if (ToHost.size() > HostInputLimit) {
        ToHost.pop_front();
    }
    ModuleLineFreeUs = std::max(ModuleLineFreeUs, arrivalUs);
}

int TSerialLine::HostWaiting(std::uint64_t timeUs) const {
    int count = 0;
    for (const TTimedByte& b : ToHost) {
        if (b.ArrivalUs > timeUs) {
            break;
        }
        ++count;
    }
    return count;
}

std::optional<std::uint8_t> TSerialLine::HostTake(std::uint64_t timeUs) {
    if (ToHost.empty() || ToHost.front().ArrivalUs > timeUs) {
        return std::nullopt;
    }
    const std::uint8_t value = ToHost.front().Value;
    ToHost.pop_front();
    return value;
}

std::optional<std::uint64_t> TSerialLine::NextHostArrival() const {
    if (ToHost.empty()) {
        return std::nullopt;
    }
    return ToHost.front().ArrivalUs;
}

void TSerialLine::SetBreak(bool on, std::uint64_t timeUs) {
    const bool ending = BreakState && !on;
    BreakState = on;
    if (ending && IsConnected && BoardPresent && EchoEnabled) {
        QueueForHost(0, std::max(timeUs, ModuleLineFreeUs));
    }
}

std::optional<std::uint64_t> TSerialLine::NextModuleArrival() const {
    if (ToModule.empty()) {
        return std::nullopt;
    }
    return ToModule.front().ArrivalUs;
}

std::optional<TTimedByte> TSerialLine::ModuleTake(std::uint64_t timeUs) {
    if (ToModule.empty() || ToModule.front().ArrivalUs > timeUs) {
        return std::nullopt;
    }
    const TTimedByte byte = ToModule.front();
    ToModule.pop_front();
    return byte;
}

int TSerialLine::ModuleWaiting(std::uint64_t timeUs) const {
    int count = 0;
    for (const TTimedByte& b : ToModule) {
        if (b.ArrivalUs > timeUs) {
            break;
        }
        ++count;
    }
    return count;
}

std::uint64_t TSerialLine::ModuleSend(std::uint8_t byte, std::uint64_t timeUs) {
    const std::uint64_t start = std::max(timeUs, ModuleLineFreeUs);
    const std::uint64_t arrival = start + ByteTimeUs;
    if (IsConnected && BoardPresent) {
        QueueForHost(byte, arrival);
    }
    ModuleLineFreeUs = arrival;
    return arrival;
}

void TSerialLine::Disconnect() {
    IsConnected = false;
    ToModule.clear();
    ToHost.clear();
}

} // namespace wayline::sim
