#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "TokenizerTestAccess.h"
#include "tokenizer/Tokenizer.h"

namespace wayline::testing {

// A tokenizer of the test's own, with helpers to run single passes.
class TokenizerTest : public ::testing::Test {
protected:
    std::unique_ptr<TTokenizer> Tok = std::make_unique<TTokenizer>();
    // Its passes and working tables.
    TTokenizerPasses& Passes = TTokenizerTestAccess::Passes(*Tok);
    TTokenizerResult& R() { return Tok->Result; }

    // Puts text into the record as a caller would.
    void Load(std::string_view text) { ASSERT_TRUE(Tok->SetSource(text)); }

    // Everything up to the full scan, for a given module and version, so
    // that single passes can be run on the element list.
    void Prepare(std::string_view text, int target = tmKM2, bool version25 = false) {
        Load(text);
        R().TargetModule = static_cast<std::uint8_t>(target);
        Passes.Version25 = version25;
        Passes.InitDirectiveSymbols();
        Passes.ScanSource(false);
        Passes.InitBuiltinSymbols();
        Passes.ScanSource(true);
        Passes.ElementIndex = 0;
    }

    // Runs f and returns the error text it raised, or "no error".
    template <typename F> std::string ErrorOf(F f) {
        try {
            f();
        } catch (const ETokenizeError&) {
            return R().ErrorText != nullptr ? R().ErrorText : "(null)";
        }
        return "no error";
    }

    // Runs Tokenize on text and returns the error text, or "succeeded".
    std::string TokenizeError(std::string_view text, const TTokenizeOptions& options = {}) {
        if (!Tok->SetSource(text)) {
            return "too long";
        }
        if (Tok->Tokenize(options)) {
            return "succeeded";
        }
        return R().ErrorText != nullptr ? R().ErrorText : "(null)";
    }

    std::string SpanText() {
        return std::string(R().Source + R().ErrorStart, static_cast<std::size_t>(R().ErrorLength));
    }

    std::vector<TElement> LiveElements() {
        std::vector<TElement> list;
        for (int i = 0; i < Passes.ElementCount; ++i) {
            if (Passes.Elements[i].Type != etCancelled) {
                list.push_back(Passes.Elements[i]);
            }
        }
        return list;
    }

    // Bits of buffer n as a string of 0 and 1.
    std::string Bits(int n = 0) {
        std::string bits;
        const TExpressionBuffer& b = Passes.ExpressionBuffer[n];
        for (int i = 0; i < b.Length; ++i) {
            bits += static_cast<char>('0' + b.Bit(i));
        }
        return bits;
    }

    // Buffer 0 decoded into items: "5" for a constant, "r2:6" for a read of
    // byte 6 ("w" for a write, "ri"/"wi" indexed), "op15" for an operator.
    std::vector<std::string> Decode() {
        const std::string bits = Bits();
        std::vector<std::string> items;
        std::size_t at = 0;
        auto take = [&](int count) {
            unsigned value = 0;
            for (int i = 0; i < count; ++i) {
                value = value * 2 + (at < bits.size() && bits[at] == '1' ? 1u : 0u);
                ++at;
            }
            return value;
        };
        bool first = true;
        while (at < bits.size()) {
            if (!first && take(1) != 1) {
                items.push_back("?continuation");
                break;
            }
            first = false;
            const unsigned code = take(6);
            if (code >= 32 && code < 48) {
                const unsigned k = code - 32;
                unsigned value;
                if (take(1) == 0) {
                    value = 1u << k;
                } else if (k == 0) {
                    value = 0;
                } else {
                    value = (1u << k) | take(static_cast<int>(k));
                }
                items.push_back(std::to_string(value));
            } else if (code >= 48) {
                const unsigned size = code & 3;
                const int widths[4] = {8, 6, 5, 4};
                std::string item = (code & 8) ? "w" : "r";
                if (code & 4) {
                    item += "i";
                }
                item += std::to_string(size) + ":" + std::to_string(take(widths[size]));
                items.push_back(item);
            } else {
                items.push_back("op" + std::to_string(code));
            }
        }
        return items;
    }
};

using Items = std::vector<std::string>;

// A constant as the module reads it: code 32 + k, then 0 for a power of
// two, 1 for zero, or all k + 1 bits of the value.
inline std::string C(unsigned value) {
    int k = 0;
    while ((value >> (k + 1)) != 0) {
        ++k;
    }
    std::string bits;
    for (int i = 5; i >= 0; --i) {
        bits += static_cast<char>('0' + (((32 + k) >> i) & 1));
    }
    if (value == 0) {
        return bits + "1";
    }
    if ((value & (value - 1)) == 0) {
        return bits + "0";
    }
    for (int i = k; i >= 0; --i) {
        bits += static_cast<char>('0' + ((value >> i) & 1));
    }
    return bits;
}

} // namespace wayline::testing
