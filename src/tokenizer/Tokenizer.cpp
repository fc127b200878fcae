#include "tokenizer/Tokenizer.h"

#include <cstring>
#include <new>

#include "tokenizer/TokenizerPasses.h"

namespace wayline {

TTokenizer& TheTokenizer() {
    // Lives from the first call to the end of the program, as the one
    // record the program's compiles share.
    static TTokenizer tokenizer;
    return tokenizer;
}

bool Tokenize(const TTokenizeOptions& options) {
    return TheTokenizer().Tokenize(options);
}

// The working tables are allocated once, here, so that no call allocates.
TTokenizer::TTokenizer() : Passes(std::make_unique<TTokenizerPasses>(Result)) {}

TTokenizer::~TTokenizer() = default;

bool TTokenizer::SetSource(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(MaxSourceSize)) {
        return false;
    }
    std::memcpy(Result.Source, text.data(), text.size());
    Result.SourceSize = static_cast<std::int32_t>(text.size());
    return true;
}

bool TTokenizer::Tokenize(const TTokenizeOptions& options) {
    const bool succeeded = Passes->Tokenize(options);
    CodeBitAddress = Passes->CodeBitAddress;
    return succeeded;
}

void TTokenizerPasses::RaiseTokenizeError(TMessage message) {
    const char* text = MessageText(message);
    if (text == nullptr) {
        text = "";
    }
    RaiseUserError(text, static_cast<int>(std::strlen(text)));
}

void TTokenizerPasses::RaiseUserError(const char* characters, int count) {
    // The message goes to the very end of the source area, its NUL in the
    // last byte, so that ErrorText stays valid until the next call.
    if (count > SourceCapacity - 1) {
        count = SourceCapacity - 1;
    }
    char* text = Result.Source + SourceCapacity - 1 - count;
    std::memmove(text, characters, static_cast<std::size_t>(count));
    text[count] = '\0';
    Result.ErrorText = text;
    throw ETokenizeError();
}

bool TTokenizerPasses::Tokenize(const TTokenizeOptions& options) {
    TTokenizerResult& r = Result;
    r.ErrorText = nullptr;
    for (int i = 0; i < MaxProjectFiles; ++i) {
        r.ProjectFiles[i] = nullptr;
        r.ProjectFilesStart[i] = 0;
    }
    r.Port = nullptr;
    r.TargetStart = 0;
    r.PortStart = 0;
    r.LanguageStart = 0;
    std::memset(r.Reserved, 0, sizeof r.Reserved);
    std::memset(r.EEPROM, 0, sizeof r.EEPROM);
    std::memset(r.EEPROMFlags, 0, sizeof r.EEPROMFlags);
    if (options.ParseTargetDirective) {
        r.TargetModule = tmNone;
    }
    Version25 = false;
    TargetLength = 0;
    PortNumber = 0xFFFF;
    CodeBitAddress = 0;
    LabelReferenceCount = 0;
    NestingCount = 0;
    CondIfDepth = 0;
    CondSelectDepth = 0;
    CondCompileMode = false;
    ElementCount = 0;
    ElementIndex = 0;
    LastReadIndex = -1;

    try {
        if (r.SourceSize < 0 || r.SourceSize > MaxSourceSize) {
            // A caller that skipped SetSource: nothing of the text can be
            // trusted, so refuse before touching it.
            r.SourceSize = 0;
            SetErrorSpan(0, 0);
            RaiseTokenizeError(msgSourceTooLong);
        }
        InitDirectiveSymbols();
        ScanSource(false);
        ResolveDirectives(options.ParseTargetDirective, options.AnyLanguageVersion);
        if (!options.DirectivesOnly) {
            if (r.TargetModule == tmKM1) {
                // KM1 has an instruction set of its own, which this tokenizer
                // does not compile.
                SetErrorSpan(r.TargetStart, TargetLength);
                RaiseTokenizeError(msgTargetKM1NotSupported);
            }
            InitBuiltinSymbols();
            ScanSource(true);
            ResolveConditionals();
            ResolvePins(false);
            ResolveConstants(false);
            ResolveData(false);
            ResolveConstants(true);
            ResolvePins(true);
            ResolveData(true);
            ResolveVariables(false);
            ResolveVariables(true);
            CountGosubs();
            CompileStatements();
            ResolveLabelReferences();
            BuildPackets();
        }
        SetErrorSpan(0, 0);
        if (r.PacketCount == 0 && !options.DirectivesOnly) {
            RaiseTokenizeError(msgNothingToTokenize);
        }
        r.Succeeded = true;
    } catch (const ETokenizeError&) {
        r.Succeeded = false;
    } catch (const std::exception&) {
        r.Succeeded = false;
    }
    return r.Succeeded;
}

} // namespace wayline
