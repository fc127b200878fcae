#include "tokenizer/TokenizerPasses.h"

namespace wayline {

namespace {

constexpr int VariableSpaceBits = (VariableSpaceWords - FirstVariableWord) * CellWidth(csWord);

} // namespace

// Finds the next statement whose second element is keyword (or, with
// keywordFirst, whose first one is); first is the index of its first
// element. The cursor is left behind the keyword, or at
// the end of the list, as reading statement by statement would leave it;
// the walk itself only looks at element types, as each declaration pass
// makes one over the whole list.
bool TTokenizerPasses::FindStatement(std::uint8_t keyword, int& first, bool keywordFirst) {
    int last = -1; // the last element passed over: it holds the error span
    int i = ElementIndex;
    for (;;) {
        i = NextLiveElement(i);
        if (i >= ElementCount) {
            break;
        }
        last = i;
        if (Elements[i].Type == etEnd) {
            ++i;
            continue;
        }
        const int a = i;
        if (keywordFirst && Elements[a].Type == keyword) {
            first = a;
            LastReadIndex = a;
            ElementIndex = a + 1;
            SetElementSpan(Elements[a]);
            return true;
        }
        i = NextLiveElement(i + 1);
        if (i >= ElementCount) {
            break;
        }
        last = i;
        const std::uint8_t type = Elements[i].Type;
        if (type == keyword) {
            first = a;
            LastReadIndex = i;
            ElementIndex = i + 1;
            SetElementSpan(Elements[i]);
            return true;
        }
        ++i;
        if (type == etEnd) {
            continue;
        }
        while (i < ElementCount && Elements[i].Type != etEnd) {
            if (Elements[i].Type != etCancelled) {
                last = i;
            }
            ++i;
        }
        if (i < ElementCount) {
            last = i++;
        }
    }
    if (last >= 0) {
        SetElementSpan(Elements[last]);
    }
    ElementIndex = ElementCount;
    LastReadIndex = ElementCount;
    return false;
}

TSymbolName TTokenizerPasses::GetUndefinedSymbol(int index) {
    ElementIndex = index;
    TElement e;
    NextElement(e);
    if (e.Type != etUndefined) {
        RaiseTokenizeError(msgSymbolAlreadyDefined);
    }
    if (Symbols.IsFull()) {
        RaiseTokenizeError(msgSymbolTableFull);
    }
    return ElementName(e);
}

void TTokenizerPasses::DefineSymbol(const TSymbolName& name, std::uint8_t type,
                                    std::uint16_t value) {
    TSymbol symbol;
    symbol.Name = name;
    symbol.Type = type;
    symbol.Value = value;
    AddSymbol(symbol);
}

// name PIN value | name CON value
void TTokenizerPasses::ResolvePinsOrConstants(bool final, bool pins) {
    ElementIndex = 0;
    int first = 0;
    while (FindStatement(pins ? etPin : etCon, first)) {
        const TSymbolName name = GetUndefinedSymbol(first);
        TElement keyword;
        NextElement(keyword);
        TElement start;
        PreviewElement(start);
        if (!EvaluateConstant(final, false)) {
            // Only possible before the last pass: leave it for that one.
            ExpectEnd();
            continue;
        }
        const std::uint16_t value = Symbols.NewSymbol.Value;
        if (pins && value > 15) {
            const TElement& last = Elements[LastReadIndex];
            SetErrorSpan(start.Start, last.Start + last.Length - start.Start);
            RaiseTokenizeError(msgPinOutOfRange);
        }
        DefineSymbol(name, pins ? etPinSymbol : etConstant, value);
        ExpectEnd();
        CancelElements(first, LastReadIndex);
    }
}

void TTokenizerPasses::ResolvePins(bool final) {
    ResolvePinsOrConstants(final, true);
}

void TTokenizerPasses::ResolveConstants(bool final) {
    ResolvePinsOrConstants(final, false);
}

void TTokenizerPasses::DefinePendingLabel(bool& pending, const TSymbolName& name) {
    if (pending) {
        DefineSymbol(name, etConstant, static_cast<std::uint16_t>(DataPointer));
        pending = false;
    }
}

void TTokenizerPasses::StoreData(std::uint16_t value, bool word, bool reserved, bool final,
                                 int spanStart, int spanLength) {
    for (int byte = 0; byte < (word ? 2 : 1); ++byte) {
        if (DataPointer > EEPROMSize - 1) {
            RaiseTokenizeError(msgLocationOutOfRange);
        }
        if (final) {
            if (Result.EEPROMFlags[DataPointer] != efFree) {
                RaiseTokenizeError(msgLocationHasData);
            }
            Result.EEPROM[DataPointer] =
                reserved ? 0 : static_cast<std::uint8_t>(byte == 0 ? value & 0xFF : value >> 8);
            Result.EEPROMFlags[DataPointer] = reserved ? efReserved : efData;
            DataSpanStart[DataPointer] = static_cast<std::uint16_t>(spanStart);
            DataSpanLength[DataPointer] = static_cast<std::uint16_t>(spanLength);
        }
        ++DataPointer;
    }
}

// [name] DATA item, item ...  with item: @address | [WORD] value [(count)] | [WORD] (count)
void TTokenizerPasses::ResolveData(bool final) {
    DataPointer = 0;
    ElementIndex = 0;
    int first = 0;
    while (FindStatement(etData, first, true)) {
        bool pending = false;
        TSymbolName label;
        if (first != LastReadIndex) {
            // The keyword is the second element: the first is the label.
            label = GetUndefinedSymbol(first);
            TElement b;
            NextElement(b);
            pending = true;
            // The next pass sees the statement without its label.
            CancelElements(first, first);
        }
        TElement e;
        PreviewElement(e);
        if (e.Type == etEnd) {
            DefinePendingLabel(pending, label);
            NextElement(e);
            CancelElements(first, LastReadIndex);
            continue;
        }
        for (;;) {
            PreviewElement(e);
            const int itemStart = e.Start;
            if (e.Type == etAt) {
                NextElement(e);
                EvaluateConstant(true, false);
                if (Symbols.NewSymbol.Value > EEPROMSize - 1) {
                    RaiseTokenizeError(msgLocationOutOfRange);
                }
                DataPointer = Symbols.NewSymbol.Value;
                DefinePendingLabel(pending, label);
            } else {
                DefinePendingLabel(pending, label);
                bool word = false;
                if (e.Type == etSize && e.Value == csWord) {
                    NextElement(e);
                    word = true;
                    PreviewElement(e);
                }
                bool reserved = false;
                std::uint16_t value = 0;
                std::uint32_t count = 1;
                if (e.Type == etLeftParen) {
                    reserved = true;
                } else {
                    EvaluateConstant(final, false);
                    value = Symbols.NewSymbol.Value;
                    PreviewElement(e);
                }
                if (e.Type == etLeftParen) {
                    NextElement(e);
                    EvaluateConstant(true, false);
                    count = Symbols.NewSymbol.Value;
                    ExpectRightParen();
                }
                const TElement& last = Elements[LastReadIndex];
                const int itemLength = last.Start + last.Length - itemStart;
                for (std::uint32_t i = 0; i < count; ++i) {
                    StoreData(value, word, reserved, final, itemStart, itemLength);
                }
            }
            NextElement(e);
            if (e.Type == etEnd) {
                break;
            }
            if (e.Type != etComma) {
                RaiseTokenizeError(msgExpectedCommaOrEnd);
            }
        }
        if (final) {
            CancelElements(first, LastReadIndex);
        }
    }
}

// name VAR size[(count)] | name VAR variable.modifiers
void TTokenizerPasses::ResolveVariables(bool allocate) {
    if (!allocate) {
        for (std::uint8_t& count : Result.VarCounts) {
            count = 0;
        }
        VarBitTotal = 0;
    } else {
        // Words first, then bytes, nibbles and bits, each packed behind
        // the previous size.
        VarStart[csWord] = FirstVariableWord;
        VarStart[csByte] = 2 * (VarStart[csWord] + Result.VarCounts[csWord]);
        VarStart[csNibble] = 2 * (VarStart[csByte] + Result.VarCounts[csByte]);
        VarStart[csBit] = 4 * (VarStart[csNibble] + Result.VarCounts[csNibble]);
    }
    ElementIndex = 0;
    int first = 0;
    while (FindStatement(etVar, first)) {
        const TSymbolName name = GetUndefinedSymbol(first);
        TElement keyword;
        NextElement(keyword);
        TElement e;
        NextElement(e);
        if (e.Type == etSize) {
            const int size = e.Value & 3;
            int count = 1;
            bool array = false;
            TElement next;
            if (PreviewElement(next) && next.Type == etLeftParen) {
                NextElement(next);
                EvaluateConstant(true, false);
                count = Symbols.NewSymbol.Value;
                if (count == 0) {
                    RaiseTokenizeError(msgArraySizeZero);
                }
                array = true;
            }
            if (!allocate) {
                const int bits = count * CellWidth(size);
                if (count > 255 || bits > 255 || VarBitTotal + bits > 255 ||
                    VarBitTotal + bits > VariableSpaceBits) {
                    RaiseTokenizeError(msgOutOfVariableSpace);
                }
                VarBitTotal += bits;
                Result.VarCounts[size] = static_cast<std::uint8_t>(Result.VarCounts[size] + count);
            } else {
                DefineSymbol(name, etVariable,
                             static_cast<std::uint16_t>((size << 8) | (VarStart[size] & 0xFF)));
                VarStart[size] += count;
            }
            if (array) {
                ExpectRightParen();
            }
            ExpectEnd();
            if (allocate) {
                CancelElements(first, LastReadIndex);
            }
        } else if (e.Type == etVariable) {
            ApplyModifiers(e);
            DefineSymbol(name, etVariable, e.Value);
            ExpectEnd();
            CancelElements(first, LastReadIndex);
        } else if (e.Type == etUndefined) {
            if (allocate) {
                RaiseTokenizeError(msgUndefinedSymbol);
            }
            // Its base is declared later: check the modifiers as for a word.
            e.Value = csWord << 8;
            ApplyModifiers(e);
            SkipToLineEnd();
        } else {
            RaiseTokenizeError(msgExpectedVariable);
        }
    }
}

} // namespace wayline
