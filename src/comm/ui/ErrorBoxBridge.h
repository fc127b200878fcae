#pragma once

namespace wayline {

class TUserDialogs;

// Shows the serial side's own error boxes (a port whose settings cannot be
// applied) with the program's dialogs. Such a box may come from an
// identification thread: it is then shown on the user-interface thread
// while that thread waits.
void InstallSerialErrorBox(TUserDialogs& dialogs);
// Back to the serial side's default (standard error).
void RemoveSerialErrorBox();

} // namespace wayline
