#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "isa/Modules.h"

namespace wayline {

inline constexpr int SourceCapacity = 65536;
// Element offsets are 16-bit, so one character less than the area fits.
inline constexpr int MaxSourceSize = SourceCapacity - 1;
inline constexpr int EEPROMSize = 2048;
inline constexpr int MaxProjectFiles = 7;
inline constexpr int MaxPackets = 128;
inline constexpr int PacketSize = 18;

// Input and results of one Tokenize call. The caller fills Source and
// SourceSize (and TargetModule when the target directive is not parsed).
struct TTokenizerResult {
    bool Succeeded = false;
    const char* ErrorText = nullptr;
    bool DebugFlag = false;
    std::uint8_t TargetModule = tmNone;
    std::int32_t TargetStart = 0;
    const char* ProjectFiles[MaxProjectFiles] = {};
    std::int32_t ProjectFilesStart[MaxProjectFiles] = {};
    const char* Port = nullptr;
    std::int32_t PortStart = 0;
    std::int32_t LanguageVersion = 200;
    std::int32_t LanguageStart = 0;
    char Source[SourceCapacity] = {};
    std::int32_t SourceSize = 0;
    std::int32_t ErrorStart = 0;
    std::int32_t ErrorLength = 0;
    std::uint8_t EEPROM[EEPROMSize] = {};
    std::uint8_t EEPROMFlags[EEPROMSize] = {};
    std::uint8_t VarCounts[4] = {};
    std::uint8_t Reserved[5] = {};
    std::uint8_t PacketCount = 0;
    std::uint8_t PacketBuffer[MaxPackets][PacketSize] = {};
};

static_assert(sizeof(TTokenizerResult::Source) == 65536);
static_assert(sizeof(TTokenizerResult::PacketBuffer) == 128 * 18);

// EEPROMFlags values (low two bits) and the packet bit.
inline constexpr std::uint8_t efFree = 0;
inline constexpr std::uint8_t efReserved = 1;
inline constexpr std::uint8_t efData = 2;
inline constexpr std::uint8_t efProgram = 3;
inline constexpr std::uint8_t efInPacket = 0x80;

// How a Tokenize call reads the source. The defaults are the robot
// program's download: the whole program, the target module from its
// $KEYSTONE directive, and the versions the module takes.
struct TTokenizeOptions {
    // Only the editor directives are read (target module, port, language
    // version, project files); no code is produced.
    bool DirectivesOnly = false;
    // True: TargetModule is taken from the $KEYSTONE directive. False: the
    // first $KEYSTONE directive is dropped unread and the TargetModule the
    // caller set stands.
    bool ParseTargetDirective = true;
    // Lifts the rule that KM1 takes only HBASIC 1.0 and the KM2 family only
    // 2.0 or 2.5.
    bool AnyLanguageVersion = false;
};

class TTokenizerPasses;

// The HBASIC tokenizer: the result record, and behind it the passes with
// their working tables, all of fixed size, so that a call allocates
// nothing. The program owns one instance (TheTokenizer()); tests make
// their own.
class TTokenizer {
public:
    TTokenizer();
    ~TTokenizer();
    TTokenizer(const TTokenizer&) = delete;
    TTokenizer& operator=(const TTokenizer&) = delete;

    // Input and results of the calls.
    TTokenizerResult Result;
    // Where the last call's code ends: the program's length in bits (0 for
    // a call that read only the directives).
    std::uint16_t CodeBitAddress = 0;

    // Copies text into Source; refuses texts of 65,536 characters or more
    // (element offsets are 16-bit), leaving the record untouched.
    bool SetSource(std::string_view text);

    // Compiles Source into the EEPROM image and its packets; returns
    // Result.Succeeded. No exception leaves it.
    bool Tokenize(const TTokenizeOptions& options = {});

private:
    // Tests reach the passes through this one seam.
    friend class TTokenizerTestAccess;
    std::unique_ptr<TTokenizerPasses> Passes;
};

// The process-wide tokenizer the program uses.
TTokenizer& TheTokenizer();

// Runs the process-wide tokenizer.
bool Tokenize(const TTokenizeOptions& options = {});

} // namespace wayline
