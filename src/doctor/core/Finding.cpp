#include "doctor/core/Finding.h"

#include "comm/core/Identify.h"

namespace wayline {

namespace {

constexpr std::array<std::string_view, FindingKindCount> KindNames = {
    "no-serial-port",
    "adapter-taken-by-braille-daemon",
    "adapter-held",
    "adapter-held",
    "adapter-driver-missing",
    "not-in-group",
    "group-not-in-session",
    "owner-only",
    "port-held",
    "port-in-use",
    "modem-manager",
    "ftdi-latency",
    "no-module-answers",
    "no-echo",
    "stale-lock",
    "stale-lock-taken-over",
    "no-usb-adapter",
};

constexpr std::array<std::string_view, FindingKindCount> DefaultSentences = {
    "No USB serial adapter is plugged in, and this computer has no serial port of its own.  "
    "Plug the robot's cable into the computer.",
    "The {adapter} adapter is plugged in, but the braille display service (brltty) takes it "
    "away, so it gets no serial port.  If nobody uses a braille display on this computer, "
    "remove the service, then unplug the adapter and plug it in again.",
    "The {adapter} adapter is plugged in, but the program {process} (process {pid}) has taken "
    "it over, so it gets no serial port.  Close that program, then unplug the adapter and plug "
    "it in again.",
    "The {adapter} adapter is plugged in, but another program has taken it over, so it gets no "
    "serial port.  Close programs that talk to USB devices, then unplug the adapter and plug it "
    "in again.",
    "The {adapter} adapter is plugged in, but it gets no serial port: its driver ({driver}) is "
    "not loaded.  Load the driver, then unplug the adapter and plug it in again.",
    "The user {user} may not open the port {port}: only members of the group {group} may, and "
    "{user} is not one of them.  Add {user} to the group, then log out and log in again.",
    "The user {user} is now a member of the group {group}, which may open the port {port}, but "
    "this session started before that.  Log out and log in again (or restart the computer).",
    "The user {user} may not open the port {port}: only its owner ({owner}) may.",
    "The port {port} is held by another program: {process} (process {pid}).  Close it, then "
    "try again.",
    "The port {port} is in use by a program that Wayline cannot see, perhaps one of another "
    "user.  Close serial monitors and other robot programs, then try again.",
    "The modem service (ModemManager) is running and may send modem commands to the port "
    "{port} in the middle of a download.  If this computer uses no mobile broadband modem, "
    "switch the service off.",
    "The FTDI adapter of the port {port} holds the robot's replies back for {ms} ms.  With 1 ms "
    "downloads are quicker and surer.",
    "The cable on the port {port} is there, but the robot does not answer: is its power on and "
    "its battery charged?",
    "Nothing comes back on the port {port}: the cable is not plugged into the robot.",
    "The port {port} is locked by the file {file}, which a program (process {pid}) left "
    "behind when it ended.  Only {owner} may remove that file: remove it, then try again.",
    "The port {port} is locked by the file {file}, which a program (process {pid}) left "
    "behind when it ended.  Wayline removes it itself the next time it opens the port.",
    "No USB serial adapter is plugged in, and nothing comes back on this computer's own "
    "serial port {ports}.  Plug the robot's cable into the computer.",
};

} // namespace

std::string_view FindingKindName(TFindingKind kind) {
    return kind < FindingKindCount ? KindNames[kind] : "unknown";
}

std::string_view SeverityName(TFindingSeverity severity) {
    switch (severity) {
    case fsInformation:
        return "information";
    case fsWarning:
        return "warning";
    case fsBlocking:
        return "blocking";
    }
    return "unknown";
}

TDoctorTexts::TDoctorTexts() {
    for (std::size_t i = 0; i < Sentences.size(); ++i) {
        Sentences[i] = DefaultSentences[i];
    }
}

std::string FillText(std::string_view text,
                     std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
    return FillPlaceholders(text, values);
}

} // namespace wayline
