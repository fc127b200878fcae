#pragma once

namespace wayline {

// The hourglass over the whole program while a download runs. One state,
// not a stack: the download sets it, the scan sets it again and its last
// thread clears it, and the download clears it at its end, so setting or
// clearing it twice is harmless.
void SetHourglassCursor(bool on);
bool HourglassCursorShown();

} // namespace wayline
