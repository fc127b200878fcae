// Tokenize on arbitrary text. The first byte picks the options: bit 0
// directives only, bit 1 parse the target directive, bit 2 any language
// version, bits 3-5 the preset module (0 to 7, so out-of-range values are
// tried as well). The rest is the source text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "tokenizer/Tokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wayline;
    if (size == 0) {
        return 0;
    }
    const std::uint8_t options = data[0];
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (text.size() > static_cast<std::size_t>(MaxSourceSize)) {
        text = text.substr(0, MaxSourceSize);
    }
    TTokenizer& tokenizer = TheTokenizer();
    if (!tokenizer.SetSource(text)) {
        std::abort();
    }
    const bool parseTarget = (options & 2) != 0;
    if (!parseTarget) {
        tokenizer.Result.TargetModule = static_cast<std::uint8_t>((options >> 3) & 7);
    }
    const bool ok = tokenizer.Tokenize({.DirectivesOnly = (options & 1) != 0,
                                        .ParseTargetDirective = parseTarget,
                                        .AnyLanguageVersion = (options & 4) != 0});

    // What a caller relies on after any call.
    const TTokenizerResult& r = tokenizer.Result;
    if (ok != r.Succeeded) {
        std::abort();
    }
    if (ok && r.ErrorText != nullptr) {
        std::abort();
    }
    if (!ok) {
        const char* e = r.ErrorText;
        if (e == nullptr || std::strlen(e) < 4 || e[3] != '-') {
            std::abort();
        }
        if (r.ErrorStart < 0 || r.ErrorLength < 0 ||
            r.ErrorStart + r.ErrorLength > SourceCapacity) {
            std::abort();
        }
    }
    for (const char* file : r.ProjectFiles) {
        if (file != nullptr && (file < r.Source || file >= r.Source + SourceCapacity)) {
            std::abort();
        }
    }
    return 0;
}
