#pragma once

#include <cstdint>

#include "tokenizer/Elements.h"
#include "tokenizer/Messages.h"
#include "tokenizer/SymbolTable.h"
#include "tokenizer/Tokenizer.h"

namespace wayline {

inline constexpr int MaxElements = 10240;
inline constexpr int ProgramBitCapacity = EEPROMSize * 8;
inline constexpr char LineEndMark = 3;

// A bit buffer for one compiled expression: bits appended most significant
// first, 16 to a word; the last, partly filled word is right-aligned.
struct TExpressionBuffer {
    std::uint16_t Length = 0;
    std::uint16_t Words[32] = {};

    int Bit(int index) const;
};

inline constexpr int ExpressionBufferLimit = 496;
inline constexpr int OperatorStackSize = 255;
inline constexpr std::uint8_t OperatorMarker = 128;
inline constexpr int RunTimeStackSize = 8;

// A loop takes 16 EXITs, an IF 16 ELSEIFs, a SELECT 16 CASEs: each one
// leaves a jump to the block's end in ExitAddresses.
inline constexpr int MaxExits = 16;

// What an entry of the nesting stack is. The order matters: the states of
// a one-line IF lie below those of a block IF, and the IF states below the
// other blocks.
enum TNestingKind : std::uint8_t {
    nkOneLineElsePart = 0,  // one-line IF, in its ELSE part
    nkOneLineAfterElse = 1, // one-line IF, its ELSE just compiled
    nkOneLineThenPart = 2,  // one-line IF, in its THEN part
    nkOneLineAfterThen = 3, // one-line IF, the IF itself just compiled
    nkIfAfterElse = 4,      // IF or #IF block, after its ELSE
    nkIfBeforeElse = 5,     // IF or #IF block, before any ELSE
    nkFor = 6,
    nkDo = 7,
    nkSelect = 8, // SELECT or #SELECT
};

constexpr bool IsOneLineIf(TNestingKind kind) {
    return kind < nkIfAfterElse;
}
constexpr bool IsIf(TNestingKind kind) {
    return kind <= nkIfBeforeElse;
}

// One open block: a conditional-compile section now, the run-time blocks
// of the statement pass later.
struct TNestingEntry {
    TNestingKind Kind = nkOneLineElsePart;
    std::uint16_t DirectiveIndex = 0;
    std::uint16_t ExprStart = 0;
    TOperator ImpliedCompare = opEqual;
    std::uint16_t LoopAddress = 0;
    std::uint16_t PendingAddress = 0;
    std::uint16_t ExitAddresses[MaxExits] = {};
    std::uint8_t SkipState = 0;
    std::uint16_t RegionStart = 0;
    std::uint16_t RegionEnd = 0;
};

inline constexpr int NestingStackSize = 80;
inline constexpr int MaxNestingLevel = 16;

struct TLabelReference {
    std::uint16_t ElementIndex = 0;
    std::uint16_t BitAddress = 0;
};
// As many 14-bit fields as fit into the image, so the list never overflows.
inline constexpr int LabelReferenceCapacity = 1170;

// The passes of a Tokenize call, one source file per pass, and the tables
// they share: the implementation behind TTokenizer, for the tokenizer's
// own sources and for tests (through TTokenizerTestAccess); callers use
// Tokenizer.h. Each call re-initialises what its passes use.
class TTokenizerPasses {
public:
    explicit TTokenizerPasses(TTokenizerResult& result) : Result(result) {}
    TTokenizerPasses(const TTokenizerPasses&) = delete;
    TTokenizerPasses& operator=(const TTokenizerPasses&) = delete;

    // The owner's record: the passes read Source and write everything else.
    TTokenizerResult& Result;

    // One Tokenize call: the passes in their order (Tokenizer.cpp).
    bool Tokenize(const TTokenizeOptions& options);

    // ---- errors (Tokenizer.cpp)
    [[noreturn]] void RaiseTokenizeError(TMessage message);
    [[noreturn]] void RaiseUserError(const char* characters, int count);
    void SetErrorSpan(int start, int length) {
        Result.ErrorStart = start;
        Result.ErrorLength = length;
    }

    // ---- symbol table (Symbols.cpp)
    TSymbolTable Symbols;
    bool Version25 = false;
    void InitDirectiveSymbols();
    void InitBuiltinSymbols();
    void AddSymbol(const TSymbol& symbol);
    void AddDeclaredName(const TSymbolName& name);
    TSymbolName ElementName(const TElement& e) const;

    // ---- scanner and element list (Scanner.cpp)
    TElement Elements[MaxElements];
    // For a name scanned as undefined, its last lookup: every pass reads
    // the list again, and looking the same names up on each pass was most
    // of a compile.
    TSymbolTable::TLookup ElementLookups[MaxElements];
    int ElementCount = 0;
    int ElementIndex = 0;
    void ScanSource(bool full);
    bool NextElement(TElement& e);
    // Reads the next element as NextElement does, but a name that was
    // undefined when scanned is not looked up again. For the passes that
    // only look for what the scanner fixes: keywords, instructions,
    // directives and line ends (no declaration can give a name those types).
    bool NextScannedElement(TElement& e);
    // Reads on with NextScannedElement up to the next element of the given
    // scanned type; false, having read to the end, if there is none. The
    // passes over the whole list that look for one type use it.
    bool SeekScannedElement(std::uint8_t type, TElement& e);
    // Sets the error span to the element's.
    void SetElementSpan(const TElement& e) {
        SetErrorSpan(e.Start, e.Type == etFileName ? e.Value : e.Length);
    }
    bool PreviewElement(TElement& e);
    // Moves the cursor back onto the element the last NextElement read.
    void StepBack();
    void CancelElements(int first, int last);
    void CancelElementsAndLine(int first, int last);
    // The nearest element at or before index that is not cancelled, or -1.
    int PreviousLiveElement(int index);
    // The nearest element at or after index that is not cancelled, or
    // ElementCount.
    int NextLiveElement(int index) const {
        while (index < ElementCount && Elements[index].Type == etCancelled) {
            ++index;
        }
        return index;
    }
    // For a cancelled element, an earlier index such that every element
    // between the two is cancelled too (elements are never revived).
    std::int16_t CancelledLinks[MaxElements];
    std::uint16_t ExpectEnd();
    void ExpectLeftParen();
    void ExpectRightParen();
    void ExpectLeftBracket();
    void ExpectRightBracket();
    void ExpectEquals();
    void ExpectTo();
    void ExpectComma();
    void ExpectQuestion();
    void ExpectBackslash();
    bool CheckQuestion() { return CheckElement(etQuestion); }
    bool CheckBackslash() { return CheckElement(etBackslash); }
    // Index of the element the last NextElement returned.
    int LastReadIndex = -1;
    // Reads up to and including the next line end.
    void SkipToLineEnd();
    // The statement search of the declaration passes (Declarations.cpp).
    bool FindStatement(std::uint8_t keyword, int& first, bool keywordFirst = false);

    // ---- directives and conditional compilation (Directives.cpp, Conditionals.cpp)
    void ResolveDirectives(bool ParseTargetDirective, bool AnyLanguageVersion);
    void ResolveConditionals();
    std::uint16_t PortNumber = 0xFFFF;
    int TargetLength = 0;

    // ---- declarations (Declarations.cpp)
    int DataPointer = 0;
    int VarBitTotal = 0;
    int VarStart[4] = {};
    void ResolvePins(bool final);
    void ResolveConstants(bool final);
    void ResolveData(bool final);
    void ResolveVariables(bool allocate);

    // ---- object image and packets (Image.cpp)
    int GosubCount = 0;
    void CountGosubs();
    void ResolveLabelReferences();
    void BuildPackets();

    // ---- statements (Statements.cpp)
    void CompileStatements();
    bool StatementCompiled = false;

    // ---- code emission (Emitter.cpp)
    std::uint16_t CodeBitAddress = 0;
    std::uint16_t DataSpanStart[EEPROMSize] = {};
    std::uint16_t DataSpanLength[EEPROMSize] = {};
    void EmitBits(int count, std::uint16_t value);
    void EmitInstruction(int code);
    void EmitAddress(std::uint16_t address);
    void EmitLabelAddress();
    void PatchAddress(std::uint16_t at);
    void EmitFlaggedCode(int n);
    void WriteBuffer(int n, bool leadingOneBit);
    void WriteConstant(std::uint16_t value, bool leadingOneBit);
    TLabelReference LabelReferences[LabelReferenceCapacity];
    int LabelReferenceCount = 0;

    // ---- expressions (Expressions.cpp)
    TExpressionBuffer ExpressionBuffer[4];
    std::uint8_t OperatorStack[OperatorStackSize] = {};
    int OperatorHeight = 0;
    int OperatorBase = 0;
    int MarkerCount = 0;
    int StackDepth = 0;
    bool CondCompileMode = false;
    void AppendBits(int count, std::uint16_t value);
    void EmitOperatorToken(int code);
    void EmitConstantToken(std::uint16_t value);
    void EmitVariableToken(const TElement& element, bool write);
    void ApplyModifiers(TElement& element);
    void CompileExpression(bool condition, bool pinsAsNumbers, int stopIndex);
    void CompileCondExpression(int stopIndex);
    void CompileVariable(bool write);
    void CopyBuffer(int from, int to);
    void AppendBufferWithOperator(int n, int code);
    void CompileExpressionInto(int n, bool pinsAsNumbers);
    void CompileReadVariableInto(int n);
    void CompileWriteVariableInto(int n);
    void CompileAndWriteExpression(bool leadingOneBit, bool pinsAsNumbers);
    void CompileAndWriteWriteVariable();
    void CompileHighByteWriteVariable();
    bool EvaluateConstant(bool final, bool conditional);
    std::uint16_t EvaluateBuffer();

    // ---- nesting stack, shared by conditional compilation and blocks
    TNestingEntry NestingStack[NestingStackSize];
    int NestingCount = 0;
    int CondIfDepth = 0;
    int CondSelectDepth = 0;

private:
    // scanner internals
    int ScanPos = 0;
    int ScanElementStart = 0;
    bool LastWasEnd = true;
    [[noreturn]] void RaiseScanError(int extra, TMessage message);
    // Consumes the next element if it has the type; says whether it did.
    bool CheckElement(std::uint8_t type);
    void AddElement(std::uint8_t type, std::uint16_t value, bool isEnd);
    void AppendElement(std::uint8_t type, std::uint16_t value, int start, int length);
    void ScanSymbol(bool full);
    void ScanNumber(int radix, int fractionDigits);
    void ScanString();
    void ScanOperator();
    void ScanDirectiveLine();
    int ScanNameEnd(int from) const;

    // expression internals
    void CompileExpressionBody(bool condition, bool pinsAsNumbers, int stopIndex);
    void PushOperator(std::uint8_t entry);
    void WriteOperatorsToMarker();
    void RemoveMarkerAndWrite();
    void AppendBuffer(const TExpressionBuffer& buffer);
    bool CompileVariableIndex();

    // declaration internals
    void ResolvePinsOrConstants(bool final, bool pins);
    void DefineSymbol(const TSymbolName& name, std::uint8_t type, std::uint16_t value);
    TSymbolName GetUndefinedSymbol(int index);
    void StoreData(std::uint16_t value, bool word, bool reserved, bool final, int spanStart,
                   int spanLength);
    void DefinePendingLabel(bool& pending, const TSymbolName& name);

    // statement internals
    void CompileInstruction(const TElement& keyword, int keywordIndex);
    void CompileElseIf();
    void CompileAssignment();
    void CompilePinInstruction(int token);
    void CompileValueInstruction(int token);
    void CompileGosub();
    void CompileRandom();
    void CompilePinAndValue(int token, bool withVariable);
    void CompilePwm();
    void CompileBranch();
    void CompileLookup();
    void CompileLookdown();
    void CompileValueListAndTarget(int depth);
    void CompileOn();
    void EmitListSeparator();
    void CompileByteRead(int token, bool withNextAddress);
    void CompileByteWrite(int token, bool valueFirst);
    void WriteByteAddress(int offset, int depth);
    bool CheckWordItem(TMessage sizeError);
    void CheckWordVariable();
    void CompileSerialBranch(int depth);
    bool CompileSerialPins(int pinDepth);
    void CompileSerout();
    void CompileSerin();
    void CompileBracketedItems(bool output);
    void CompileFreqout();
    void CompileButton();
    void CompileDtmfout();
    void CompileShift(bool in);
    void CompileXout();
    void CompilePinAndItems(int token, bool output);
    void CompileI2c(int token, int tokenWithLowAddress, bool output);

    // item list internals (ItemLists.cpp)
    void CompileOutputItems();
    void CompileInputItems();
    void CompileWaitItem();
    void EmitLiteralCharacter(char ch);
    void EmitSourceEcho(bool quote);
    std::uint16_t GetByteVariable();
    void EmitCharacterItem(std::uint16_t ch);
    void EmitConstantAndExpression(std::uint16_t constant, int depth);

    // block internals (Blocks.cpp)
    std::uint16_t ReserveAddress();
    int FreeExitSlot(const TNestingEntry& entry, TMessage whenFull);
    void FillBlockJumps(TNestingEntry& entry);
    void CheckBlockMismatch();
    void CompileIf(int keywordIndex, bool elseIf);
    void CompileElse();
    void CompileEndIf();
    void CompileDo(int keywordIndex);
    void CompileLoop();
    void CompileExit();
    void CompileFor(int keywordIndex);
    void CompileNext();
    void CompileLoopCondition();
    void CompileSelect(int keywordIndex);
    void CompileCase();
    void CompileEndSelect();
    void EndStatement();
    int IfDepth = 0;
    int ForDepth = 0;
    int DoDepth = 0;
    int SelectDepth = 0;

    // conditional internals
    TNestingEntry& PushNesting(TNestingKind kind, int directiveIndex);
    bool CompileCaseValues(int entryIndex, int& lineEnd);
    void BuildCaseCondition(int entryIndex, bool runTime, int& lineEnd);
    void DefineConditional(int directiveIndex);
    void RaiseUserErrorDirective(int directiveIndex);
    std::uint16_t EvaluateCondition(int firstElement, int endElement);
    bool SectionExcluded() const;
    char UserMessage[4 + MaxElements] = {};
};

} // namespace wayline
