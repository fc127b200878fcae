#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace wayline {

class TTokenizer;

// A module's name by its number in the tokenizer's result: "KM2", "KM2A",
// ...; "none" for none or an unknown number.
const char* ModuleName(int module);

// The reports of a tokenizer run as wayline-cli prints them: the one-line
// summary of a successful call and the whole result as one JSON object
// (with "error" when the call failed). Every command that compiles text
// prints the same.
std::string Summary(const std::string& fileName, const TTokenizer& tokenizer);
std::string JsonReport(const TTokenizer& tokenizer);

// 1-based line and column of a byte offset in text.
struct TTextPosition {
    int Line = 1;
    int Column = 1;
};
TTextPosition PositionOf(std::string_view text, int offset);

// The diagnostic lines for a failed call: "FILE:LINE:COLUMN: error: TEXT",
// the source line and carets under the span.
std::string FormatDiagnostic(std::string_view fileName, std::string_view text, int start,
                             int length, std::string_view message);

// What a command prints after the tokenizer ran on `text` from fileName:
// with json the JSON report on out, else the summary on out or, when the
// call failed, the diagnostic on err.
void ReportTokenizerRun(bool json, bool succeeded, const std::string& fileName,
                        std::string_view text, const TTokenizer& tokenizer, std::ostream& out,
                        std::ostream& err);

} // namespace wayline
