#include "codegen/core/CompileStep.h"

#include "tokenizer/Tokenizer.h"

namespace wayline {

bool CompileForDownload(TTokenizer& tokenizer, const TCodeLines& lines, TDownloadImages& images) {
    images.DownloadTargetType = Keystone2TargetType;
    images.ProgramImageCount = 1;
    images.ImagePacketCounts[0] = 0;
    const std::optional<std::string> text = TokenizerSourceText(lines);
    if (!text || !tokenizer.SetSource(*text)) {
        return false;
    }
    if (!tokenizer.Tokenize() || tokenizer.Result.PacketCount == 0) {
        return false;
    }
    images.ImagePacketCounts[0] = tokenizer.Result.PacketCount;
    return true;
}

} // namespace wayline
