#pragma once

#include <cstdint>
#include <string>

namespace wayline {

class TSerial;
struct TIdentifyTexts;

// The interface texts the transfer shows.
struct TDownloadTexts {
    std::string VerifyFailure = "EEPROM Verify Failure!"; // 392
    std::string CommunicationFailure =
        "Hardware communication failure!  Check serial cable and power supply."; // 393
};

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
};

// The wire exchange for one program image on an open port: the reset and
// handshake put the module into download mode, each 18-byte packet is sent,
// its echo read and its status byte checked, and a 0 byte ends the transfer
// (also after a failure). True when every packet was accepted.
bool SendProgramImage(TSerial& port, int type, int imageIndex, const std::uint8_t* packets,
                      int packetCount, const TIdentifyTexts& identifyTexts,
                      const TDownloadTexts& texts, TDownloadObserver& observer);

} // namespace wayline
