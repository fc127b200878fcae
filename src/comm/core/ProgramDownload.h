#pragma once

#include <cstdint>
#include <string>

namespace wayline {

class TSerial;
struct TIdentifyTexts;

// The interface texts the download shows.
struct TDownloadTexts {
    std::string VerifyFailure = "EEPROM Verify Failure!"; // 392
    std::string CommunicationFailure =
        "Hardware communication failure!  Check serial cable and power supply."; // 393
    std::string NoRobotFound = "No robot found.";                                // 412
    std::string MoreThanOne =
        "There is more than one device connected to your computer. Please click on the desired "
        "unit from the list below and click the download button."; // 413
    std::string WrongVersion = "Cannot download to this version of the device.";
};

// Status bytes of the module after a packet.
inline constexpr int PacketAccepted = 0;
inline constexpr int PacketVerifyFailed = 2;
// The transmit indicator switches colour at most this often while packets go out.
inline constexpr std::uint64_t IndicatorToggleMs = 25;

// What the transfer tells the window while it runs. Called on the thread
// that runs the transfer (the user-interface thread in the program).
class TDownloadObserver {
public:
    virtual ~TDownloadObserver() = default;
    // The transmit indicator's fill switches between green and lime.
    virtual void ToggleIndicator(bool lime) = 0;
    // One more packet of image `imageIndex` was accepted.
    virtual void StepIt(int imageIndex) = 0;
    // The error box (exclamation sound, one OK button).
    virtual void ShowErrorBox(const std::string& text) = 0;
    // The user asked the download to stop (the command line's Ctrl+C): no
    // further packet goes out, but the closing 0 still does, so the module
    // does not wait for the rest.
    virtual bool Interrupted() { return false; }
};

// The wire exchange for one program image on an open port: the reset and
// handshake put the module into download mode, each 18-byte packet is sent,
// its echo read and its status byte checked, and a 0 byte ends the transfer
// (also after a failure or an interruption). True when every packet was
// accepted.
bool SendProgramImage(TSerial& port, int type, int imageIndex, const std::uint8_t* packets,
                      int packetCount, const TIdentifyTexts& identifyTexts,
                      const TDownloadTexts& texts, TDownloadObserver& observer);

} // namespace wayline
