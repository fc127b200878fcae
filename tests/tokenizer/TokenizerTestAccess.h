#pragma once

#include "tokenizer/Tokenizer.h"
#include "tokenizer/TokenizerPasses.h"

namespace wayline {

// The one way tests reach behind TTokenizer: its passes and working
// tables, so that a single pass can be run and its tables read.
class TTokenizerTestAccess {
public:
    static TTokenizerPasses& Passes(TTokenizer& tokenizer) { return *tokenizer.Passes; }
};

} // namespace wayline
