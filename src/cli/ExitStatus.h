#pragma once

namespace wayline {

// Exit statuses of wayline-cli: 1 for anything that went wrong with the
// input (unreadable, too long, refused, not compiled), 2 for a command line
// that could not be understood. Commands name their own 1 where it means
// more (ExitDownloadFailed, ExitDownloadBlocked, ...).
inline constexpr int ExitSucceeded = 0;
inline constexpr int ExitTokenizeError = 1;
inline constexpr int ExitInputError = 1;
inline constexpr int ExitUsageError = 2;

} // namespace wayline
