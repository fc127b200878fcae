#include "tokenizer/TokenizerPasses.h"

#include <cstring>

namespace wayline {

namespace {

bool IsNameStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsNameChar(unsigned char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t';
}

// Printable characters allowed in an unquoted file name of a directive.
bool IsFileNameChar(unsigned char c) {
    if (c < 32 || c > 127) {
        return false;
    }
    switch (c) {
    case ' ':
    case '"':
    case '*':
    case ',':
    case '<':
    case '>':
    case '?':
    case '|':
    case '{':
    case '}':
        return false;
    default:
        return true;
    }
}

int DigitValue(unsigned char c) {
    if (c >= 'a' && c <= 'z') {
        c = static_cast<unsigned char>(c - 'a' + 'A');
    }
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 99;
}

} // namespace

void TTokenizerPasses::RaiseScanError(int extra, TMessage message) {
    SetErrorSpan(ScanElementStart, ScanPos + extra - ScanElementStart);
    RaiseTokenizeError(message);
}

void TTokenizerPasses::AppendElement(std::uint8_t type, std::uint16_t value, int start,
                                     int length) {
    if (ElementCount >= MaxElements) {
        SetErrorSpan(start, length);
        RaiseTokenizeError(msgTooManyElements);
    }
    ElementLookups[ElementCount] = TSymbolTable::TLookup{};
    TElement& e = Elements[ElementCount++];
    e.Type = type;
    e.Value = value;
    e.Start = static_cast<std::uint16_t>(start);
    e.Length = static_cast<std::uint8_t>(length > 255 ? 255 : length);
}

void TTokenizerPasses::AddElement(std::uint8_t type, std::uint16_t value, bool isEnd) {
    if (isEnd && LastWasEnd) {
        return;
    }
    if (ElementCount >= MaxElements) {
        RaiseScanError(0, msgTooManyElements);
    }
    AppendElement(isEnd ? static_cast<std::uint8_t>(etEnd) : type, value, ScanElementStart,
                  ScanPos - ScanElementStart);
    LastWasEnd = isEnd;
}

int TTokenizerPasses::ScanNameEnd(int from) const {
    int pos = from;
    while (pos < Result.SourceSize && IsNameChar(static_cast<unsigned char>(Result.Source[pos]))) {
        ++pos;
    }
    return pos;
}

// name: a letter, _, # or $ followed by letters, digits and _.
void TTokenizerPasses::ScanSymbol(bool full) {
    ScanPos = ScanNameEnd(ScanElementStart + 1);
    const int length = ScanPos - ScanElementStart;
    if (length > MaxSymbolLength) {
        RaiseScanError(0, msgSymbolTooLong);
    }
    const TSymbolName name = TSymbolName::From(
        std::string_view(Result.Source + ScanElementStart, static_cast<std::size_t>(length)));
    Symbols.FindSymbol(name);
    const std::uint8_t type = Symbols.CurrentSymbol.Type;
    if (full && (type == etCon || type == etData || type == etPin || type == etVar) &&
        ElementCount > 0 && Elements[ElementCount - 1].Type == etUndefined) {
        // Passes that run before the declarations need to know this name
        // will be defined.
        AddDeclaredName(ElementName(Elements[ElementCount - 1]));
    }
    AddElement(type, Symbols.CurrentSymbol.Value, false);
}

// number: digits of the radix; with fractionDigits, one '.' and a scaled value
void TTokenizerPasses::ScanNumber(int radix, int fractionDigits) {
    const char* s = Result.Source;
    if (radix != 10) {
        // The prefix is behind us; the first digit must be there.
        if (DigitValue(static_cast<unsigned char>(s[ScanPos])) >= radix) {
            ScanElementStart = ScanPos;
            RaiseScanError(1, radix == 16 ? msgExpectedHexDigit : msgExpectedBinaryDigit);
        }
    }
    std::uint32_t value = 0;
    int digits = 0;
    bool sawPoint = false;
    int afterPoint = 0;
    while (ScanPos < Result.SourceSize) {
        const unsigned char c = static_cast<unsigned char>(s[ScanPos]);
        if (c == '.' && fractionDigits != 0 && !sawPoint) {
            ++ScanPos;
            if (value == 0) {
                RaiseScanError(0, msgConstantBelowOne);
            }
            sawPoint = true;
            continue;
        }
        const int digit = DigitValue(c);
        if (digit >= radix) {
            break;
        }
        value = value * static_cast<std::uint32_t>(radix) + static_cast<std::uint32_t>(digit);
        ++ScanPos;
        ++digits;
        if (sawPoint) {
            ++afterPoint;
        }
        if (value > 65535 || digits == 17) {
            break;
        }
    }
    for (; afterPoint < fractionDigits && value <= 65535; ++afterPoint) {
        value *= static_cast<std::uint32_t>(radix);
    }
    if (value > 65535) {
        RaiseScanError(0, msgConstantTooLarge);
    }
    if (digits >= 17) {
        RaiseScanError(0, msgConstantTooManyDigits);
    }
    AddElement(etConstant, static_cast<std::uint16_t>(value), false);
}

// string: "characters", read as constants separated by commas
void TTokenizerPasses::ScanString() {
    const char* s = Result.Source;
    const int open = ScanElementStart;
    ++ScanPos;
    if (s[ScanPos] == '"') {
        RaiseScanError(1, msgExpectedCharacters);
    }
    bool first = true;
    while (s[ScanPos] != '"') {
        if (s[ScanPos] == LineEndMark || ScanPos >= Result.SourceSize) {
            ScanElementStart = open;
            RaiseScanError(0, msgExpectedClosingQuote);
        }
        const auto code = static_cast<unsigned char>(s[ScanPos]);
        if (!first) {
            ScanElementStart = ScanPos;
            AppendElement(etComma, 0, ScanPos, 1);
        }
        ++ScanPos;
        AddElement(etConstant, code, false);
        first = false;
    }
    ++ScanPos;
}

// operator: one character, or two with blanks allowed between them
void TTokenizerPasses::ScanOperator() {
    const char* s = Result.Source;
    const int first = ScanElementStart;
    int second = first + 1;
    while (second < Result.SourceSize && IsBlank(static_cast<unsigned char>(s[second]))) {
        ++second;
    }
    if (second < Result.SourceSize && s[second] != '\0') {
        const char pair[2] = {s[first], s[second]};
        if (Symbols.FindSymbol(TSymbolName::From(std::string_view(pair, 2)))) {
            ScanPos = second + 1;
            AddElement(Symbols.CurrentSymbol.Type, Symbols.CurrentSymbol.Value, false);
            return;
        }
    }
    ScanPos = first + 1;
    if (!Symbols.FindSymbol(TSymbolName::From(std::string_view(s + first, 1)))) {
        RaiseScanError(0, msgUnrecognizedCharacter);
    }
    AddElement(Symbols.CurrentSymbol.Type, Symbols.CurrentSymbol.Value, false);
}

// directive: '{$NAME argument, argument}' inside a comment
void TTokenizerPasses::ScanDirectiveLine() {
    const char* s = Result.Source;
    auto skipBlanks = [&] {
        while (IsBlank(static_cast<unsigned char>(s[ScanPos]))) {
            ++ScanPos;
        }
    };
    auto skipLine = [&] {
        while (s[ScanPos] != LineEndMark) {
            ++ScanPos;
        }
    };
    skipBlanks();
    if (s[ScanPos] != '{') {
        skipLine();
        return;
    }
    ++ScanPos;
    skipBlanks();
    if (s[ScanPos] != '$') {
        skipLine();
        return;
    }
    int tokens = 1;
    for (;;) {
        ScanElementStart = ScanPos;
        const auto c = static_cast<unsigned char>(s[ScanPos]);
        if (c == '\0' || IsBlank(c)) {
            ++ScanPos;
        } else if (c == static_cast<unsigned char>(LineEndMark)) {
            AddElement(etEnd, 0, true);
            return;
        } else if (c == '"') {
            const int nameStart = ScanPos + 1;
            int end = nameStart;
            while (s[end] != '"' && s[end] != LineEndMark) {
                ++end;
            }
            if (s[end] == LineEndMark) {
                ScanPos = end;
                RaiseScanError(0, msgExpectedClosingQuote);
            }
            if (end == nameStart) {
                ScanPos = end;
                RaiseScanError(1, msgExpectedCharacters);
            }
            ScanPos = end + 1;
            AppendElement(etFileName, static_cast<std::uint16_t>(end - nameStart), nameStart,
                          end - nameStart);
            LastWasEnd = false;
        } else if (c == '$') {
            ScanSymbol(false);
            if (Elements[ElementCount - 1].Type != etDirective) {
                RaiseScanError(0, msgExpectedDirective);
            }
            ++tokens;
        } else if (c == ',') {
            ++ScanPos;
            AddElement(etComma, 0, false);
        } else if (c >= '0' && c <= '9') {
            ScanNumber(10, 2);
        } else if (c == '}') {
            ++ScanPos;
            AddElement(etRightBrace, 0, false);
            skipLine();
            return;
        } else if (IsNameStart(c) && tokens < 3) {
            ScanSymbol(false);
            ++tokens;
        } else if (tokens >= 3 && IsFileNameChar(c)) {
            while (IsFileNameChar(static_cast<unsigned char>(s[ScanPos]))) {
                ++ScanPos;
            }
            const int length = ScanPos - ScanElementStart;
            AppendElement(etFileName, static_cast<std::uint16_t>(length), ScanElementStart, length);
            LastWasEnd = false;
        } else {
            ++ScanPos;
            RaiseScanError(0, msgUnrecognizedCharacter);
        }
    }
}

void TTokenizerPasses::ScanSource(bool full) {
    char* s = Result.Source;
    const int size = Result.SourceSize;
    if (!full) {
        for (int i = 0; i < size; ++i) {
            const auto c = static_cast<unsigned char>(s[i]);
            if (c < 32 && c != '\t') {
                s[i] = LineEndMark;
            }
        }
    }
    // A line-end mark behind the text stops every inner scanning loop.
    s[size] = LineEndMark;
    ElementCount = 0;
    ElementIndex = 0;
    LastWasEnd = true;
    ScanPos = 0;
    if (!full) {
        // Directives live in comments only: go from apostrophe to apostrophe.
        while (ScanPos < size) {
            const void* quote =
                std::memchr(s + ScanPos, '\'', static_cast<std::size_t>(size - ScanPos));
            if (quote == nullptr) {
                ScanPos = size;
                break;
            }
            ScanElementStart = static_cast<int>(static_cast<const char*>(quote) - s);
            ScanPos = ScanElementStart + 1;
            AddElement(etEnd, 0, true);
            ScanDirectiveLine();
        }
    }
    while (full && ScanPos < size) {
        ScanElementStart = ScanPos;
        const auto c = static_cast<unsigned char>(s[ScanPos]);
        if (c == '\0' || IsBlank(c)) {
            ++ScanPos;
        } else if (c == static_cast<unsigned char>(LineEndMark)) {
            ++ScanPos;
            AddElement(etEnd, 0, true);
        } else if (c == '"') {
            ScanString();
        } else if (c == '#') {
            if (!Version25) {
                ++ScanPos;
                RaiseScanError(0, msgUnrecognizedCharacter);
            }
            ScanPos = ScanNameEnd(ScanPos + 1);
            if (ScanPos - ScanElementStart > MaxSymbolLength) {
                RaiseScanError(0, msgSymbolTooLong);
            }
            if (!Symbols.FindSymbol(TSymbolName::From(std::string_view(
                    s + ScanElementStart, static_cast<std::size_t>(ScanPos - ScanElementStart))))) {
                RaiseScanError(0, msgExpectedDirective);
            }
            AddElement(Symbols.CurrentSymbol.Type, Symbols.CurrentSymbol.Value, false);
        } else if (c == '$') {
            if (Version25) {
                const int end = ScanNameEnd(ScanPos + 1);
                if (end - ScanElementStart <= MaxSymbolLength &&
                    Symbols.FindSymbol(TSymbolName::From(std::string_view(
                        s + ScanElementStart, static_cast<std::size_t>(end - ScanElementStart))))) {
                    ScanPos = end;
                    AddElement(Symbols.CurrentSymbol.Type, Symbols.CurrentSymbol.Value, false);
                    continue;
                }
            }
            ++ScanPos;
            ScanNumber(16, 0);
        } else if (c == '%') {
            ++ScanPos;
            ScanNumber(2, 0);
        } else if (c == '\'') {
            ++ScanPos;
            AddElement(etEnd, 0, true);
            // The mark behind the text ends the search.
            ScanPos = static_cast<int>(
                static_cast<const char*>(std::memchr(
                    s + ScanPos, LineEndMark, static_cast<std::size_t>(size + 1 - ScanPos))) -
                s);
        } else if (c == ',') {
            ++ScanPos;
            AddElement(etComma, 0, false);
            if (Version25) {
                // A line break right after a comma continues the statement.
                LastWasEnd = true;
            }
        } else if (c >= '0' && c <= '9') {
            ScanNumber(10, 0);
        } else if (c == ':') {
            ++ScanPos;
            LastWasEnd = false;
            AddElement(etEnd, 1, true);
        } else if (IsNameStart(c)) {
            ScanSymbol(true);
        } else {
            ScanOperator();
        }
    }
    ScanElementStart = ScanPos;
    if (LastWasEnd && (ElementCount == 0 || Elements[ElementCount - 1].Type != etEnd)) {
        AppendElement(etEnd, 0, ScanPos, 0);
    }
    AddElement(etEnd, 0, true);
}

bool TTokenizerPasses::NextScannedElement(TElement& e) {
    ElementIndex = NextLiveElement(ElementIndex);
    if (ElementIndex >= ElementCount) {
        e = TElement{};
        e.Type = etEnd;
        e.Start = static_cast<std::uint16_t>(Result.SourceSize);
        // Nothing was read, so there is nothing to step back over.
        LastReadIndex = ElementIndex;
        return false;
    }
    const TElement& next = Elements[ElementIndex];
    LastReadIndex = ElementIndex++;
    SetElementSpan(next);
    e = next;
    return true;
}

bool TTokenizerPasses::SeekScannedElement(std::uint8_t type, TElement& e) {
    // Only the last element passed over leaves a trace (the error span),
    // so the walk itself touches nothing but the types.
    int last = -1;
    int i = ElementIndex;
    for (; i < ElementCount; ++i) {
        const std::uint8_t t = Elements[i].Type;
        if (t == type) {
            break;
        }
        if (t != etCancelled) {
            last = i;
        }
    }
    if (last >= 0) {
        SetElementSpan(Elements[last]);
    }
    ElementIndex = i;
    return NextScannedElement(e);
}

bool TTokenizerPasses::NextElement(TElement& e) {
    if (!NextScannedElement(e)) {
        return false;
    }
    if (e.Type == etUndefined) {
        // The name may have been defined since it was scanned. A found
        // entry is read again, so a value set since is seen too.
        TSymbolTable::TLookup& lookup = ElementLookups[LastReadIndex];
        bool found = false;
        if (!Symbols.Repeat(lookup, found)) {
            found = Symbols.FindSymbol(ElementName(e));
            lookup = Symbols.LastLookup();
        }
        if (found) {
            e.Type = Symbols.CurrentSymbol.Type;
            e.Value = Symbols.CurrentSymbol.Value;
        }
    }
    return true;
}

bool TTokenizerPasses::PreviewElement(TElement& e) {
    const int start = Result.ErrorStart;
    const int length = Result.ErrorLength;
    const int lastRead = LastReadIndex;
    const bool found = NextElement(e);
    if (found) {
        ElementIndex = LastReadIndex;
    }
    LastReadIndex = lastRead;
    SetErrorSpan(start, length);
    return found;
}

void TTokenizerPasses::StepBack() {
    if (LastReadIndex >= 0 && LastReadIndex < ElementIndex) {
        ElementIndex = LastReadIndex;
    }
}

void TTokenizerPasses::CancelElements(int first, int last) {
    if (first < 0) {
        first = 0;
    }
    if (last >= ElementCount) {
        last = ElementCount - 1;
    }
    for (int i = first; i <= last; ++i) {
        Elements[i].Type = etCancelled;
        CancelledLinks[i] = static_cast<std::int16_t>(i - 1);
    }
}

int TTokenizerPasses::PreviousLiveElement(int index) {
    int live = index;
    while (live >= 0 && Elements[live].Type == etCancelled) {
        live = CancelledLinks[live];
    }
    // Point the run just walked straight at its live element, so that the
    // long cancelled stretches conditional compilation leaves are crossed
    // once, not once per directive.
    for (int i = index; i > live;) {
        const int next = CancelledLinks[i];
        CancelledLinks[i] = static_cast<std::int16_t>(live);
        i = next;
    }
    return live;
}

void TTokenizerPasses::CancelElementsAndLine(int first, int last) {
    CancelElements(first, last);
    if (last < first) {
        return;
    }
    const int after = NextLiveElement(last + 1);
    if (after >= ElementCount || Elements[after].Type != etEnd) {
        return;
    }
    const int before = PreviousLiveElement(first - 1);
    if (before < 0 || Elements[before].Type == etEnd) {
        // Leave no empty statement behind.
        Elements[after].Type = etCancelled;
    }
}

std::uint16_t TTokenizerPasses::ExpectEnd() {
    TElement e;
    NextElement(e);
    if (e.Type != etEnd) {
        RaiseTokenizeError(msgExpectedEnd);
    }
    return e.Value;
}

#define WAYLINE_EXPECT(name, type, error)                                                          \
    void TTokenizerPasses::name() {                                                                \
        TElement e;                                                                                \
        NextElement(e);                                                                            \
        if (e.Type != (type)) {                                                                    \
            RaiseTokenizeError(error);                                                             \
        }                                                                                          \
    }

WAYLINE_EXPECT(ExpectLeftParen, etLeftParen, msgExpectedLeftParen)
WAYLINE_EXPECT(ExpectRightParen, etRightParen, msgExpectedRightParen)
WAYLINE_EXPECT(ExpectLeftBracket, etLeftBracket, msgExpectedLeftBracket)
WAYLINE_EXPECT(ExpectRightBracket, etRightBracket, msgExpectedRightBracket)
WAYLINE_EXPECT(ExpectTo, etTo, msgExpectedTo)
WAYLINE_EXPECT(ExpectComma, etComma, msgExpectedComma)
WAYLINE_EXPECT(ExpectQuestion, etQuestion, msgExpectedQuestionMark)
WAYLINE_EXPECT(ExpectBackslash, etBackslash, msgExpectedBackslash)

#undef WAYLINE_EXPECT

void TTokenizerPasses::ExpectEquals() {
    TElement e;
    NextElement(e);
    if (e.Type != etCompare || e.Value != opEqual) {
        RaiseTokenizeError(msgExpectedEquals);
    }
}

bool TTokenizerPasses::CheckElement(std::uint8_t type) {
    TElement e;
    if (PreviewElement(e) && e.Type == type) {
        NextElement(e);
        return true;
    }
    return false;
}

} // namespace wayline
