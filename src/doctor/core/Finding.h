#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace wayline {

// What the connection diagnosis can find on a computer, in the order the
// sentences are numbered in the text table.
enum TFindingKind {
    fkNoSerialPort,          // no port and no known adapter at all
    fkAdapterTakenByBraille, // the braille display daemon took the adapter
    fkAdapterHeldBy,         // a named program took the adapter from user space
    fkAdapterHeld,           // the same, the program unknown
    fkAdapterDriverMissing,  // the adapter has no driver, so no port
    fkNotInGroup,            // the port's group would allow it; the user is not in it
    fkGroupNotInSession,     // the group file says yes, this session does not have it yet
    fkOwnerOnly,             // only the port's owner may open it
    fkPortHeld,              // another process has the port open
    fkPortInUse,             // the port is in use by a process Wayline cannot see
    fkModemManager,          // ModemManager runs and the port is not marked to be left alone
    fkFtdiLatency,           // an FTDI adapter holds replies back
    fkNoModuleAnswers,       // the last scan: an echo, but no module answered
    fkNoEcho,                // the last scan: no echo, the cable is not on the robot
    fkStaleLock,             // a lock file of an ended process that the user may not remove
    fkStaleLockRemovable,    // the same, but the next download takes it over
    fkNoUsbAdapter,          // the last scan: no adapter, and nothing on the built-in ports
    FindingKindCount
};

enum TFindingSeverity {
    fsInformation, // worth knowing; the download works without it
    fsWarning,     // may break a download now and then
    fsBlocking,    // no download can work until it is mended
};

// One thing found, told for a teacher: the sentence, and where there is
// one, the exact command that mends it (to be typed in a terminal).
struct TFinding {
    TFindingKind Kind = fkNoSerialPort;
    TFindingSeverity Severity = fsBlocking;
    std::string Port; // "ttyUSB0", or empty when it concerns no one port
    std::string Text;
    std::string Command;
};

// The finding's kind and severity as the command line's JSON names them:
// "no-serial-port", ..., and "blocking", "warning", "information".
std::string_view FindingKindName(TFindingKind kind);
std::string_view SeverityName(TFindingSeverity severity);

// The sentences of the findings, with {port}, {user}, {group}, {adapter},
// {driver}, {process}, {pid}, {owner}, {ms}, {file} and {ports} standing for
// what was found.
// The program loads them from its text table; the defaults are the English
// ones, which the command line prints.
struct TDoctorTexts {
    std::array<std::string, FindingKindCount> Sentences;
    TDoctorTexts();
};

// The text table number of each sentence: FirstFindingTextId + kind.
inline constexpr int FirstFindingTextId = 620;

// Replaces each {name} of `text` by its value; unknown names stay.
std::string FillText(std::string_view text,
                     std::initializer_list<std::pair<std::string_view, std::string_view>> values);

} // namespace wayline
