#pragma once

// Files of the source tree that tests read: the program templates, the udev
// rule, the tokenizer corpus. WAYLINE_SOURCE_DIR (set by ctest where a test
// needs it) wins; run by hand, a test finds the tree it was built from.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace wayline::testfiles {

inline std::filesystem::path SourceDir() {
    if (const char* dir = std::getenv("WAYLINE_SOURCE_DIR")) {
        return dir;
    }
    return WAYLINE_SOURCE_DIR_FALLBACK;
}

// The whole file, byte for byte; empty when it cannot be read.
inline std::string ReadSourceFile(const std::filesystem::path& relative) {
    std::ifstream in(SourceDir() / relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace wayline::testfiles
