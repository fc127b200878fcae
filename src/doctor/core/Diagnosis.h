#pragma once

#include "comm/core/Identify.h"
#include "comm/core/PortScan.h"
#include "doctor/core/Finding.h"
#include "doctor/core/UserIdentity.h"

#include <optional>
#include <string>
#include <vector>

namespace wayline {

class TSystemRoot;

// The module type a download looks for (the robot's Keystone 2).
inline constexpr int RobotModuleType = 2;

// What stands between this computer and the robot: the USB serial adapters
// and ports, who may open them and who holds them, the services that take
// adapters away or disturb a download, the adapters' latency, and what the
// last scan saw on each port. The most serious findings come first.
// `user` is the one whose access is checked; without one, access is not
// checked. `scanTexts` are the texts the scan wrote into the echo column.
std::vector<TFinding> Diagnose(const TSystemRoot& root, const std::optional<TUserIdentity>& user,
                               const std::vector<TScannedPort>& lastScan = {},
                               const TDoctorTexts& texts = {},
                               const TIdentifyTexts& scanTexts = {});

// The same for the process's own user, as /proc/self under the root tells it.
std::vector<TFinding> DiagnoseSystem(const TSystemRoot& root,
                                     const std::vector<TScannedPort>& lastScan = {},
                                     const TDoctorTexts& texts = {},
                                     const TIdentifyTexts& scanTexts = {});

// True when one of the findings keeps every download from working.
bool BlocksDownload(const std::vector<TFinding>& findings);

} // namespace wayline
