#include "cli/TokenizerReport.h"

#include "cli/JsonWriter.h"
#include "tokenizer/Tokenizer.h"

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <sstream>

namespace wayline {

namespace {

const char* const ModuleNames[] = {"none", "KM1", "KM2", "KM2A", "KM2B", "KM2C", "KM2D"};

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

TJson TextOrNull(const char* text) {
    return text != nullptr ? TJson(text) : TJson(nullptr);
}

} // namespace

const char* ModuleName(int module) {
    return module >= 0 && module <= tmKM2D ? ModuleNames[module] : ModuleNames[tmNone];
}

std::string JsonReport(const TTokenizer& tokenizer) {
    const TTokenizerResult& r = tokenizer.Result;
    TJson files = TJson::Array();
    for (const char* file : r.ProjectFiles) {
        if (file != nullptr) {
            files.Append(file);
        }
    }
    TJson packets = TJson::Array();
    for (int i = 0; i < r.PacketCount && i < MaxPackets; ++i) {
        packets.Append(Hex(r.PacketBuffer[i], PacketSize));
    }
    TJson report = TJson::Object({
        {"succeeded", r.Succeeded},
        {"errorText", TextOrNull(r.ErrorText)},
        {"errorStart", r.ErrorStart},
        {"errorLength", r.ErrorLength},
        {"targetModule", r.TargetModule},
        {"languageVersion", r.LanguageVersion},
        {"debugFlag", r.DebugFlag},
        {"port", TextOrNull(r.Port)},
        {"projectFiles", files},
        {"varCounts",
         TJson::Array({r.VarCounts[0], r.VarCounts[1], r.VarCounts[2], r.VarCounts[3]})},
        {"packetCount", r.PacketCount},
        {"packets", packets},
        {"eeprom", Hex(r.EEPROM, EEPROMSize)},
        {"eepromFlags", Hex(r.EEPROMFlags, EEPROMSize)},
    });
    // Every failure a command reports in JSON carries "error".
    if (!r.Succeeded) {
        report.Set("error", r.ErrorText != nullptr ? r.ErrorText : "tokenization failed");
    }
    // Directive arguments and #ERROR texts are 8-bit source characters:
    // the writer replaces what is not UTF-8.
    return report.Dump();
}

std::string Summary(const std::string& fileName, const TTokenizer& tokenizer) {
    const TTokenizerResult& r = tokenizer.Result;
    int dataBytes = 0;
    for (const std::uint8_t flags : r.EEPROMFlags) {
        const int kind = flags & 3;
        if (kind == efReserved || kind == efData) {
            ++dataBytes;
        }
    }
    std::ostringstream line;
    line << fileName << ": tokenized for " << ModuleName(r.TargetModule) << ", HBASIC "
         << r.LanguageVersion / 100 << '.' << (r.LanguageVersion % 100) / 10 << ": "
         << static_cast<int>(r.PacketCount) << " packets, " << tokenizer.CodeBitAddress
         << " program bits, " << dataBytes << " DATA bytes\n";
    return line.str();
}

TTextPosition PositionOf(std::string_view text, int offset) {
    TTextPosition position;
    const std::size_t end = std::min(text.size(), static_cast<std::size_t>(std::max(offset, 0)));
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') {
            ++position.Line;
            position.Column = 1;
        } else {
            ++position.Column;
        }
    }
    return position;
}

std::string FormatDiagnostic(std::string_view fileName, std::string_view text, int start,
                             int length, std::string_view message) {
    const TTextPosition position = PositionOf(text, start);
    std::string out;
    out.append(fileName);
    out +=
        ':' + std::to_string(position.Line) + ':' + std::to_string(position.Column) + ": error: ";
    out.append(message);
    out += '\n';
    if (length <= 0) {
        return out;
    }
    const std::size_t clamped = std::min(text.size(), static_cast<std::size_t>(start));
    const std::size_t lineStart = clamped - static_cast<std::size_t>(position.Column - 1);
    std::size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) {
        lineEnd = text.size();
    }
    std::string_view line = text.substr(lineStart, lineEnd - lineStart);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    out.append(line);
    out += '\n';
    // Tabs are copied so the carets line up under any tab width.
    std::string marks;
    for (std::size_t i = lineStart; i < clamped; ++i) {
        marks += text[i] == '\t' ? '\t' : ' ';
    }
    const std::size_t column = clamped - lineStart;
    std::size_t count = static_cast<std::size_t>(length);
    if (column + count > line.size()) {
        count = line.size() > column ? line.size() - column : 1;
    }
    marks.append(std::max<std::size_t>(count, 1), '^');
    out += marks + '\n';
    return out;
}

void ReportTokenizerRun(bool json, bool succeeded, const std::string& fileName,
                        std::string_view text, const TTokenizer& tokenizer, std::ostream& out,
                        std::ostream& err) {
    if (json) {
        out << JsonReport(tokenizer) << '\n';
    } else if (succeeded) {
        out << Summary(fileName, tokenizer);
    } else {
        const char* message = tokenizer.Result.ErrorText != nullptr ? tokenizer.Result.ErrorText
                                                                    : "tokenization failed";
        err << FormatDiagnostic(fileName, text, tokenizer.Result.ErrorStart,
                                tokenizer.Result.ErrorLength, message);
    }
}

} // namespace wayline
