#pragma once

#include <cstddef>
#include <exception>

namespace wayline {

// The numbered tokenizer messages in table order; RaiseTokenizeError(n)
// takes the place n in this table.
inline constexpr std::size_t TokenizeMessageCount = 119;
extern const char* const TokenizeMessages[TokenizeMessageCount];

// Messages of this implementation that the table does not have; they follow
// the table, so RaiseTokenizeError takes them by place as well.
inline constexpr std::size_t OwnMessageCount = 3;
extern const char* const OwnTokenizeMessages[OwnMessageCount];
inline constexpr int msgTargetKM1NotSupported = 119;
inline constexpr int msgSourceTooLong = 120;
inline constexpr int msgProgramNotCompiled = 121;

// Place in the table of the message with the given printed number
// (101 for "101-Expected character(s)"), or -1.
int MessageIndex(int number);

// The text at place n of the table or of the own messages; null outside.
const char* MessageText(int n);

// Raised by every tokenizer error; the text is in the result record.
class ETokenizeError : public std::exception {
public:
    const char* what() const noexcept override { return "tokenize error"; }
};

} // namespace wayline
