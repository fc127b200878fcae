#pragma once

#include "comm/core/PortScan.h"

namespace wayline {

// Starts each identification in a QThread, so that the serial ports made
// inside it belong to a thread Qt knows.
TThreadStarter QtThreadStarter();

} // namespace wayline
