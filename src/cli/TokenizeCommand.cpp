#include "cli/TokenizeCommand.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "tokenizer/Tokenizer.h"

namespace wayline {

namespace {

struct TOptions {
    bool Json = false;
    bool DirectivesOnly = false;
    bool AnyVersion = false;
    int Target = tmNone;
    std::string File;
};

const char* const ModuleNames[] = {"none", "KM1", "KM2", "KM2A", "KM2B", "KM2C", "KM2D"};

void PrintUsage(std::ostream& err) {
    err << "usage: wayline-cli tokenize [--json] [--directives-only] "
           "[--target KM2|KM2A|KM2B|KM2C|KM2D] [--any-version] FILE\n";
}

bool ParseOptions(const std::vector<std::string>& arguments, TOptions& options, std::ostream& err) {
    bool haveFile = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--json") {
            options.Json = true;
        } else if (a == "--directives-only") {
            options.DirectivesOnly = true;
        } else if (a == "--any-version") {
            options.AnyVersion = true;
        } else if (a == "--target") {
            if (i + 1 >= arguments.size()) {
                err << "wayline-cli tokenize: --target needs a module name\n";
                return false;
            }
            const std::string& module = arguments[++i];
            options.Target = tmNone;
            for (int m = tmKM2; m <= tmKM2D; ++m) {
                if (module == ModuleNames[m]) {
                    options.Target = m;
                }
            }
            if (options.Target == tmNone) {
                err << "wayline-cli tokenize: unknown target module '" << module
                    << "' (KM2, KM2A, KM2B, KM2C or KM2D)\n";
                return false;
            }
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            err << "wayline-cli tokenize: unknown option '" << a << "'\n";
            return false;
        } else if (haveFile) {
            err << "wayline-cli tokenize: only one FILE can be given\n";
            return false;
        } else {
            options.File = a;
            haveFile = true;
        }
    }
    if (!haveFile) {
        err << "wayline-cli tokenize: no FILE given\n";
        return false;
    }
    return true;
}

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

} // namespace

std::string JsonReport(const TTokenizer& tokenizer) {
    const TTokenizerResult& r = tokenizer.Result;
    nlohmann::ordered_json report;
    report["succeeded"] = r.Succeeded;
    report["errorText"] = r.ErrorText != nullptr ? nlohmann::ordered_json(std::string(r.ErrorText))
                                                 : nlohmann::ordered_json(nullptr);
    report["errorStart"] = r.ErrorStart;
    report["errorLength"] = r.ErrorLength;
    report["targetModule"] = r.TargetModule;
    report["languageVersion"] = r.LanguageVersion;
    report["debugFlag"] = r.DebugFlag;
    report["port"] = r.Port != nullptr ? nlohmann::ordered_json(std::string(r.Port))
                                       : nlohmann::ordered_json(nullptr);
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const char* file : r.ProjectFiles) {
        if (file != nullptr) {
            files.push_back(std::string(file));
        }
    }
    report["projectFiles"] = files;
    report["varCounts"] = {r.VarCounts[0], r.VarCounts[1], r.VarCounts[2], r.VarCounts[3]};
    report["packetCount"] = r.PacketCount;
    nlohmann::ordered_json packets = nlohmann::ordered_json::array();
    for (int i = 0; i < r.PacketCount && i < MaxPackets; ++i) {
        packets.push_back(Hex(r.PacketBuffer[i], PacketSize));
    }
    report["packets"] = packets;
    report["eeprom"] = Hex(r.EEPROM, EEPROMSize);
    report["eepromFlags"] = Hex(r.EEPROMFlags, EEPROMSize);
    // Every failure a command reports in JSON carries "error".
    if (!r.Succeeded) {
        report["error"] =
            r.ErrorText != nullptr ? std::string(r.ErrorText) : std::string("tokenization failed");
    }
    // Directive arguments and #ERROR texts are 8-bit source characters;
    // anything that is not UTF-8 is replaced rather than refused.
    return report.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
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
    const int module = r.TargetModule <= tmKM2D ? r.TargetModule : 0;
    line << fileName << ": tokenized for " << ModuleNames[module] << ", HBASIC "
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

std::string JsonError(const std::string& message) {
    nlohmann::ordered_json report;
    report["error"] = message;
    return report.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

bool WantsJson(const std::vector<std::string>& arguments) {
    return std::find(arguments.begin(), arguments.end(), "--json") != arguments.end();
}

void ReportFailure(bool json, const std::string& message, std::ostream& out, std::ostream& err) {
    if (json) {
        out << JsonError(message) << '\n';
    } else {
        err << message << '\n';
    }
}

TSourceRead ReadSourceText(std::istream& in, std::string& text) {
    text.assign(static_cast<std::size_t>(MaxSourceSize) + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    const auto got = static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0));
    if (in.bad()) {
        text.clear();
        return {false, EIO};
    }
    text.resize(got);
    return {true, 0};
}

TSourceRead ReadSourceFile(const std::string& fileName, std::string& text) {
    text.clear();
    std::error_code ignored;
    if (std::filesystem::is_directory(fileName, ignored)) {
        return {false, EISDIR};
    }
    errno = 0;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) {
        return {false, errno != 0 ? errno : EIO};
    }
    // One character past the limit tells a text that is too long; the rest
    // is never read (a huge file, or a device without end).
    text.assign(static_cast<std::size_t>(MaxSourceSize) + 1, '\0');
    errno = 0;
    const std::size_t got = std::fread(text.data(), 1, text.size(), file.get());
    if (got < text.size() && std::ferror(file.get())) {
        text.clear();
        return {false, errno != 0 ? errno : EIO};
    }
    text.resize(got);
    return {true, 0};
}

int RunTokenizeCommand(const std::vector<std::string>& arguments, std::istream& in,
                       std::ostream& out, std::ostream& err, TTokenizer& tokenizer) {
    TOptions options;
    std::ostringstream usage;
    if (!ParseOptions(arguments, options, usage)) {
        if (WantsJson(arguments)) {
            std::string message = usage.str();
            out << JsonError(message.substr(0, message.find('\n'))) << '\n';
        } else {
            err << usage.str();
            PrintUsage(err);
        }
        return ExitUsageError;
    }
    const std::string displayName = options.File == "-" ? "<stdin>" : options.File;
    std::string text;
    const TSourceRead read =
        options.File == "-" ? ReadSourceText(in, text) : ReadSourceFile(options.File, text);
    if (!read.Succeeded) {
        ReportFailure(options.Json,
                      "wayline-cli tokenize: cannot read '" + displayName +
                          "': " + std::system_category().message(read.Error),
                      out, err);
        return ExitInputError;
    }
    if (!tokenizer.SetSource(text)) {
        ReportFailure(options.Json,
                      "wayline-cli tokenize: '" + displayName + "' has more than " +
                          std::to_string(MaxSourceSize) + " characters; at most " +
                          std::to_string(MaxSourceSize) + " can be tokenized",
                      out, err);
        return ExitInputError;
    }
    if (options.Target != tmNone) {
        tokenizer.Result.TargetModule = static_cast<std::uint8_t>(options.Target);
    }
    const bool ok =
        tokenizer.Tokenize({options.DirectivesOnly, options.Target == tmNone, options.AnyVersion});
    if (options.Json) {
        out << JsonReport(tokenizer) << '\n';
    } else if (ok) {
        out << Summary(displayName, tokenizer);
    } else {
        const char* message = tokenizer.Result.ErrorText != nullptr ? tokenizer.Result.ErrorText
                                                                    : "tokenization failed";
        err << FormatDiagnostic(displayName, text, tokenizer.Result.ErrorStart,
                                tokenizer.Result.ErrorLength, message);
    }
    return ok ? ExitSucceeded : ExitTokenizeError;
}

} // namespace wayline
