#pragma once

#include "codegen/core/BuildCode.h"

#include <array>

namespace wayline {

class TTokenizer;

// What the download needs to know about the images it sends.
struct TDownloadImages {
    int DownloadTargetType = 0; // 2: a Keystone 2 module
    int ProgramImageCount = 0;  // 1: one program image
    std::array<int, 1> ImagePacketCounts{};
};

inline constexpr int Keystone2TargetType = 2;

// The compile step before every download: the program text goes into the
// tokenizer, which reads the module type from the text's own directive.
// True only when the text compiled into at least one packet; the packet
// count is recorded for the download. A text too long for the tokenizer
// fails like any other text that does not compile.
bool CompileForDownload(TTokenizer& tokenizer, const TCodeLines& lines, TDownloadImages& images);

} // namespace wayline
