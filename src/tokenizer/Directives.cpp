#include "tokenizer/TokenizerPasses.h"

namespace wayline {

void TTokenizerPasses::ResolveDirectives(bool ParseTargetDirective, bool AnyLanguageVersion) {
    TTokenizerResult& r = Result;
    TElement e;

    // '{$KEYSTONE module[, file ...]}
    ElementIndex = 0;
    while (NextElement(e)) {
        if (e.Type != etDirective || e.Value != edKeystone) {
            continue;
        }
        const int first = LastReadIndex;
        if (!ParseTargetDirective) {
            // The preset module stands; the first directive is dropped unread.
            int last = first;
            while (NextElement(e) && e.Type != etEnd) {
                last = LastReadIndex;
            }
            CancelElements(first, last);
            break;
        }
        if (r.TargetModule != tmNone) {
            RaiseTokenizeError(msgDuplicateDirective);
        }
        NextElement(e);
        if (e.Type != etTargetModule) {
            RaiseTokenizeError(msgExpectedTargetModule);
        }
        r.TargetModule = static_cast<std::uint8_t>(e.Value);
        r.TargetStart = e.Start;
        TargetLength = e.Length;
        if (r.TargetModule >= tmKM2A) {
            int files = 0;
            while (PreviewElement(e) && e.Type == etComma) {
                NextElement(e);
                NextElement(e);
                if (e.Type != etFileName) {
                    RaiseTokenizeError(msgExpectedFileName);
                }
                if (files == MaxProjectFiles) {
                    RaiseTokenizeError(msgTooManyProjectFiles);
                }
                // The name is terminated in place so the record can point at it.
                r.Source[e.Start + e.Value] = '\0';
                r.ProjectFiles[files] = r.Source + e.Start;
                r.ProjectFilesStart[files] = e.Start;
                ++files;
            }
        }
        NextElement(e);
        if (e.Type != etRightBrace) {
            RaiseTokenizeError(msgExpectedRightBrace);
        }
        CancelElements(first, LastReadIndex);
    }

    // '{$PORT COMn}
    ElementIndex = 0;
    bool portSeen = false;
    while (NextElement(e)) {
        if (e.Type != etDirective || e.Value != edPort) {
            continue;
        }
        const int first = LastReadIndex;
        if (portSeen) {
            RaiseTokenizeError(msgDuplicateDirective);
        }
        portSeen = true;
        NextElement(e);
        const char* name = r.Source + e.Start;
        bool valid = e.Type == etUndefined && e.Length >= 4;
        for (int i = 0; valid && i < e.Length; ++i) {
            const char c = name[i];
            if (i < 3) {
                valid = (c & ~0x20) == "COM"[i];
            } else {
                valid = c >= '0' && c <= '9';
            }
        }
        if (!valid) {
            RaiseTokenizeError(msgExpectedPortName);
        }
        int number = 0;
        for (int i = 3; i < e.Length && i < 6; ++i) {
            number = number * 10 + (name[i] - '0');
        }
        PortNumber = static_cast<std::uint16_t>(number);
        r.Source[e.Start + e.Length] = '\0';
        r.Port = name;
        r.PortStart = e.Start;
        NextElement(e);
        if (e.Type != etRightBrace) {
            RaiseTokenizeError(msgExpectedRightBrace);
        }
        CancelElements(first, LastReadIndex);
    }

    // '{$HBASIC version}
    r.LanguageVersion = r.TargetModule == tmKM1 ? 100 : 200;
    ElementIndex = 0;
    bool versionSeen = false;
    while (NextElement(e)) {
        if (e.Type != etDirective || e.Value != edHbasic) {
            continue;
        }
        const int first = LastReadIndex;
        if (versionSeen) {
            RaiseTokenizeError(msgDuplicateDirective);
        }
        versionSeen = true;
        NextElement(e);
        if (e.Type != etConstant) {
            RaiseTokenizeError(msgExpectedConstant);
        }
        const int version = e.Value;
        if (version != 100 && version != 200 && version != 250) {
            RaiseTokenizeError(msgInvalidVersion);
        }
        if (!AnyLanguageVersion) {
            if (r.TargetModule == tmKM1 && version != 100) {
                RaiseTokenizeError(msgInvalidVersionForKM1);
            }
            if (r.TargetModule >= tmKM2 && version == 100) {
                RaiseTokenizeError(msgInvalidVersionForKM2);
            }
        }
        Version25 = version == 250;
        r.LanguageVersion = version;
        r.LanguageStart = e.Start;
        NextElement(e);
        if (e.Type != etRightBrace) {
            RaiseTokenizeError(msgExpectedRightBrace);
        }
        CancelElements(first, LastReadIndex);
    }

    Symbols.SetSymbolValue(TSymbolName::From("$KEYSTONE"), r.TargetModule);
    Symbols.SetSymbolValue(TSymbolName::From("$PORT"), PortNumber);
    Symbols.SetSymbolValue(TSymbolName::From("$HBASIC"),
                           static_cast<std::uint16_t>(r.LanguageVersion));
}

} // namespace wayline
