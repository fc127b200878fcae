#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace wayline {

class TTokenizer;

// Exit statuses of wayline-cli.
inline constexpr int ExitSucceeded = 0;
inline constexpr int ExitTokenizeError = 1;
inline constexpr int ExitUsageError = 2;

// wayline-cli tokenize [--json] [--directives-only] [--target MODULE]
//                      [--any-version] FILE
// Reads FILE (or standard input for "-"), runs the tokenizer and reports
// on out; usage and file problems go to err.
int RunTokenizeCommand(const std::vector<std::string>& arguments, std::istream& in,
                       std::ostream& out, std::ostream& err, TTokenizer& tokenizer);

// The reports of a tokenizer run, as `tokenize` prints them: the one-line
// summary of a successful call and the whole result as one JSON object.
// Other commands that compile text print the same.
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

} // namespace wayline
