// The host side's reading of what a module answers. Every byte that comes
// back, how many of them arrive before a time-out, the modem lines, the
// receive queue's count and the port's open result are taken from the
// fuzzer's input. Identification, the transfer and the whole download must
// end, within their time-outs, with results they can show, every slot free
// (or the one kept open), and no fault of memory.
#include "comm/core/Download.h"
#include "comm/core/Identify.h"
#include "comm/core/ProgramDownload.h"
#include "comm/core/Serial.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <memory>

namespace {

using namespace wayline;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Stands still until something waits on it.
class TFuzzClock final : public TMsClock {
public:
    std::uint64_t NowMs() override { return Now; }
    void WaitMs(std::uint32_t milliseconds) override { Now += milliseconds; }
    std::uint64_t Now = 0;
};

class TFuzzedPort final : public SerialDevice {
public:
    TFuzzedPort(FuzzedDataProvider& input, TFuzzClock& clock) : Input(input), Time(clock) {}

    std::uint32_t Open(const std::string&) override {
        static constexpr std::uint32_t Results[] = {
            OpenErrorNone,  OpenErrorNone,       OpenErrorNone,  OpenErrorNoSuchPort,
            OpenErrorInUse, OpenErrorPermission, OpenErrorOther, 12345};
        return Input.PickValueInArray(Results);
    }
    void Close() override {}
    bool ReadSettings() override { return Input.ConsumeIntegralInRange<int>(0, 15) != 0; }
    bool ApplySettings(std::uint32_t, bool, int) override { return Input.ConsumeBool(); }
    void SetDtr(bool) override {}
    void SetRts(bool) override {}
    void SetBreak(bool) override {}
    std::uint32_t ModemStatus() override { return Input.ConsumeIntegral<std::uint32_t>(); }
    int Read(std::uint8_t* data, int count, std::uint32_t timeoutMs) override {
        Check(count > 0 && count <= RxBufferSize);
        const int got = Input.ConsumeIntegralInRange<int>(0, count);
        const std::vector<std::uint8_t> bytes = Input.ConsumeBytes<std::uint8_t>(got);
        std::copy(bytes.begin(), bytes.end(), data);
        // A short read has waited, at most its time-out.
        if (static_cast<int>(bytes.size()) < count) {
            Time.WaitMs(Input.ConsumeIntegralInRange<std::uint32_t>(0, timeoutMs));
        }
        return static_cast<int>(bytes.size());
    }
    bool Write(const std::uint8_t*, int count, std::uint32_t) override {
        Check(count >= 0);
        return Input.ConsumeBool();
    }
    int BytesWaiting(std::uint32_t& lineErrors) override {
        lineErrors = Input.ConsumeIntegral<std::uint8_t>();
        return Input.ConsumeIntegralInRange<int>(-1, 6000);
    }
    int ReadWaiting(std::uint8_t* data, int count) override {
        Check(count > 0 && count <= RxBufferSize);
        const int got = Input.ConsumeIntegralInRange<int>(-1, count);
        for (int i = 0; i < got; ++i) {
            data[i] = 0xA5;
        }
        return got;
    }
    TMsClock& Clock() override { return Time; }

private:
    FuzzedDataProvider& Input;
    TFuzzClock& Time;
};

struct TObserver final : TDownloadFrontEnd {
    explicit TObserver(FuzzedDataProvider& input) : Input(input) {}
    int ChooseTarget(const std::vector<TPortScanRow>& rows,
                     const std::vector<bool>& choosable) override {
        Check(rows.size() == choosable.size());
        return Input.ConsumeIntegralInRange<int>(-11, static_cast<int>(rows.size()));
    }
    void ToggleIndicator(bool) override {}
    void StepIt(int imageIndex) override {
        Check(imageIndex == 0);
        ++Steps;
    }
    void ShowErrorBox(const std::string&) override { ++Boxes; }
    FuzzedDataProvider& Input;
    int Steps = 0;
    int Boxes = 0;
};

void CheckRow(const TIdentifyResult& r) {
    Check(r.DeviceType >= 0 && r.DeviceType <= 5);
    if (r.DeviceType == 2) {
        Check(r.VersionText.size() == 4 && r.VersionText[0] == 'v' && r.VersionText[2] == '.');
    }
    if (r.OpenError != 0) {
        Check(r.DeviceType == 0 && r.EchoText.empty());
    }
}

void CheckAllFree(TSerialSlots& slots, int except = NoSlot) {
    for (int slot = FirstSlot; slot <= LastSlot; ++slot) {
        Check(slots.IsFree(slot) == (slot != except));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    TFuzzClock clock;
    TSerialSlots slots([&](const std::string&) -> std::unique_ptr<SerialDevice> {
        return std::make_unique<TFuzzedPort>(input, clock);
    });
    SetErrorBoxHandler([](const std::string&) {});
    const TIdentifyTexts texts;

    // One port's identification: the loopback test and types 2 to 5 take
    // at most four resets and their time-outs.
    const TIdentifyResult row = IdentifyPort(slots, "ttyUSB0", 2, texts);
    CheckRow(row);
    CheckAllFree(slots);
    Check(clock.Now <= 4 + 4 * 67 + 3 * (340 + 240) + 240 + 240 + 3 * (240 + 240));

    // The transfer of three packets on an open port.
    std::uint8_t packets[3 * 18] = {};
    for (int p = 0; p < 3; ++p) {
        packets[p * 18] = static_cast<std::uint8_t>(0x80 + 125 + p);
    }
    std::uint32_t error = 0;
    const int slot = slots.OpenFreeSlot("ttyUSB0", error);
    if (slot != NoSlot) {
        TObserver observer(input);
        const bool sent =
            SendProgramImage(slots.Slot(slot), 2, 0, packets, 3, texts, TDownloadTexts{}, observer);
        Check(observer.Steps <= 3 && observer.Boxes <= 1);
        Check(sent == (observer.Steps == 3 && observer.Boxes == 0));
        slots.ClosePort(slot);
    }
    CheckAllFree(slots);

    // The whole download over two ports, examined on this thread.
    TObserver frontEnd(input);
    TDownloadRequest request;
    request.Packets = packets;
    request.PacketCount = 3;
    request.KeepOpen = input.ConsumeBool();
    const TThreadStarter inline_ = [](std::function<void()>) { return nullptr; };
    const TDownloadOutcome outcome = RunDownload(slots, {"ttyS0", "ttyUSB0"}, request, texts,
                                                 TDownloadTexts{}, frontEnd, inline_);
    for (const TPortScanRow& r : outcome.Rows) {
        CheckRow(r.Result);
    }
    Check(frontEnd.Boxes <= 1);
    Check(!outcome.Succeeded || outcome.Slot != NoSlot);
    CheckAllFree(slots, request.KeepOpen ? outcome.Slot : NoSlot);
    slots.ClosePort(outcome.Slot);
    SetErrorBoxHandler({});
    return 0;
}
