#include "comm/core/ProgramDownload.h"

#include "comm/core/Identify.h"
#include "comm/core/Serial.h"

namespace wayline {

namespace {

constexpr int PacketBytes = 18;
constexpr std::uint32_t WriteTimeoutMs = 1000;
constexpr std::uint32_t EchoTimeoutMs = 1000;
constexpr std::uint32_t StatusTimeoutMs = 240;

} // namespace

bool SendProgramImage(TSerial& port, int type, int imageIndex, const std::uint8_t* packets,
                      int packetCount, const TIdentifyTexts& identifyTexts,
                      const TDownloadTexts& texts, TDownloadObserver& observer) {
    bool success = true;
    // The reset and the handshake put the module into download mode; what
    // they report was already seen during the scan.
    TIdentifyResult ignored;
    Identify(port, type, type, identifyTexts, ignored);

    if (packets == nullptr) {
        packetCount = 0;
    }
    bool lime = false;
    bool toggledOnce = false;
    std::uint64_t lastToggle = 0;
    for (int k = 0; k < packetCount; ++k) {
        if (observer.Interrupted()) {
            success = false;
            break;
        }
        const std::uint64_t now = port.Clock().NowMs();
        if (!toggledOnce || now >= lastToggle + IndicatorToggleMs) {
            lime = !lime;
            observer.ToggleIndicator(lime);
            lastToggle = now;
            toggledOnce = true;
        }
        port.WriteBlock(packets + static_cast<std::ptrdiff_t>(k) * PacketBytes, PacketBytes,
                        WriteTimeoutMs);
        port.ReadBlock(PacketBytes, EchoTimeoutMs); // the echo, discarded
        const int status = port.ReadByte(StatusTimeoutMs);
        if (status == PacketAccepted) {
            observer.StepIt(imageIndex);
            continue;
        }
        observer.ShowErrorBox(status == PacketVerifyFailed ? texts.VerifyFailure
                                                           : texts.CommunicationFailure);
        success = false;
        break;
    }
    // The 0 byte ends the transfer, after a failure or an interruption too.
    port.WriteByte(0, WriteTimeoutMs);
    return success;
}

} // namespace wayline
