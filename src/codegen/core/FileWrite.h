#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace wayline {

// How a whole small file is written without losing the old one.
struct TFileWriteResult {
    bool Written = false;
    int Error = 0;        // errno of the failure
    bool InPlace = false; // the old file was overwritten rather than replaced
};

// The file a path finally names: symbolic links are followed (a relative
// link from the folder it lies in), also when the last one points to a file
// that does not exist yet. A loop of links stops after 40 hops.
std::filesystem::path ResolveLinks(const std::filesystem::path& path);

// Writes `bytes` as the whole content of the file `path` names, following
// links to it. Where it can, it writes a new file beside the old one,
// gives it the old file's permissions, owner and group, flushes it to the
// disk and renames it over the old file, so that a failure at any point
// leaves the old content whole. Where that would change the file (a second
// hard link, an owner or group the user cannot hand out) or cannot be done
// (a folder without room for a new file, a shared folder where only the
// owner may replace a file), it writes into the old file itself, flushes
// it, and on a failure puts the old content back as far as it can.
TFileWriteResult WriteWholeFile(const std::filesystem::path& path,
                                std::span<const std::uint8_t> bytes);

} // namespace wayline
