#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace wayline {

class TTokenizer;

// Exit statuses of wayline-cli: 1 for anything that went wrong with the
// input (unreadable, too long, refused, not compiled), 2 for a command line
// that could not be understood.
inline constexpr int ExitSucceeded = 0;
inline constexpr int ExitTokenizeError = 1;
inline constexpr int ExitInputError = 1;
inline constexpr int ExitUsageError = 2;

// wayline-cli tokenize [--json] [--directives-only] [--target MODULE]
//                      [--any-version] FILE
// Reads FILE (or standard input for "-"), at most one character more than
// the tokenizer takes, runs the tokenizer and reports on out. Failures go
// to err, or with --json to out as {"error": ...}.
int RunTokenizeCommand(const std::vector<std::string>& arguments, std::istream& in,
                       std::ostream& out, std::ostream& err, TTokenizer& tokenizer);

// The reports of a tokenizer run, as `tokenize` prints them: the one-line
// summary of a successful call and the whole result as one JSON object
// (with "error" when the call failed). Other commands that compile text
// print the same.
std::string Summary(const std::string& fileName, const TTokenizer& tokenizer);
std::string JsonReport(const TTokenizer& tokenizer);

// The JSON form of a failure: {"error":"message"}.
std::string JsonError(const std::string& message);
// Whether the command line asks for JSON, even one that cannot be parsed.
bool WantsJson(const std::vector<std::string>& arguments);
// The message on err, or with json as JsonError on out.
void ReportFailure(bool json, const std::string& message, std::ostream& out, std::ostream& err);

// Reads a source text: at most one character more than the tokenizer takes,
// so that a longer input is recognised without being read whole.
struct TSourceRead {
    bool Succeeded = false;
    int Error = 0; // errno of the failure
};
TSourceRead ReadSourceText(std::istream& in, std::string& text);
TSourceRead ReadSourceFile(const std::string& fileName, std::string& text);

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
