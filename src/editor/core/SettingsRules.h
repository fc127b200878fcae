#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace wayline {

// Where the five settings live (QSettings organisation, application, group)
// and their value names.
inline constexpr std::string_view SettingsOrganisation = "CorvaneInc";
inline constexpr std::string_view SettingsApplication = "Wayline";
inline constexpr std::string_view SettingsGroup = "1.0";
inline constexpr std::string_view HyperHelpSetting = "HyperHelp";
inline constexpr std::string_view LeftServoCenterSetting = "LeftServoCenter";
inline constexpr std::string_view RightServoCenterSetting = "RightServoCenter";
inline constexpr std::string_view ComPortSetting = "ComPort";
inline constexpr std::string_view LastDirectorySetting = "LastDirectory";
// The language chosen on the start window ("de", "en", ...); absent until
// the user chooses, so that until then the user's locale decides.
inline constexpr std::string_view LanguageSetting = "Language";

// Defaults when a value is absent (LastDirectory: see FileDialogFolder).
inline constexpr bool DefaultHyperHelp = true;
inline constexpr std::string_view AutoPort = "AUTO";

// A stored servo centre keeps only its low 8 bits: 300 becomes 44.
std::uint8_t ServoCenterFromSetting(long long stored);

// The port name a stored "ComPort" stands for. Names in the style of "COM3"
// and "AUTO" are taken in capitals ("com3" is "COM3"); other names are
// device names of this platform, whose case matters ("ttyUSB0"), and are
// kept as stored. A name that no longer exists falls back to "AUTO" when it
// is looked up among the ports.
std::string PortNameFromSetting(std::string_view stored);

// The "ComPort" value to store for the selected port: the port's name
// whenever it names one, otherwise "AUTO".
std::string PortNameToStore(std::string_view selectedPort);

// The "ComPort" value Quit writes. A stored port that is missing at start
// (a USB adapter left unplugged) is shown and searched as AUTO, but unless
// the user chose a port in this run the stored one is kept, so it comes
// back at the next start that finds it. `storedAtStart` is empty when the
// settings held no port.
std::string PortSettingToWrite(std::string_view storedAtStart, std::string_view selectedPort,
                               bool chosenThisRun);

// The folder both file dialogs open in: the stored "LastDirectory" (the
// folder of the last file opened or saved) while it is still a folder;
// otherwise the user's documents folder, or home when there is none. Never
// the program's own folder: a pupil does not find files there, and
// installed it is not writable. `isFolder` asks the file system.
std::string FileDialogFolder(std::string_view lastDirectory, std::string_view documents,
                             std::string_view home,
                             const std::function<bool(std::string_view)>& isFolder);

// The folder of a file the user opened or saved: from then on the dialogs
// open there, and Quit stores it as "LastDirectory".
std::string FolderOfFile(std::string_view file);

} // namespace wayline
