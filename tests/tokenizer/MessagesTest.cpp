#include <cstdlib>
#include <cstring>
#include <set>

#include "TokenizerTestSupport.h"
#include "tokenizer/Messages.h"

namespace wayline::testing {
namespace {

TEST(TokenizeMessages, TableHasEveryNumberOnceInTableOrder) {
    std::set<int> numbers;
    for (const TMessageRow& row : TokenizeMessages) {
        numbers.insert(std::atoi(row.Text));
    }
    EXPECT_EQ(numbers.size(), 119u);
    EXPECT_STREQ(TokenizeMessages[0].Text, "101-Expected character(s)");
    EXPECT_STREQ(TokenizeMessages[22].Text, "201-Expected '}'");
    EXPECT_STREQ(TokenizeMessages[23].Text,
                 "203-Expected '}'.  Can not specify more than 7 additional project files.");
    EXPECT_STREQ(TokenizeMessages[118].Text,
                 "232-Invalid HBASIC version number.  Must be 2.0 or 2.5 for KM2-type modules.");
    EXPECT_EQ(MessageIndex(199), 102);
    EXPECT_STREQ(TokenizeMessages[102].Text, "199-");
}

TEST(TokenizeMessages, QuoteCarryingMessagesHoldTheirQuoteCharacters) {
    EXPECT_STREQ(MessageText(MessageIndex(102)), "102-Expected terminating \"");
    EXPECT_STREQ(MessageText(MessageIndex(118)), "118-Expected '\\'");
    EXPECT_STREQ(MessageText(MessageIndex(156)),
                 "156-Unknown target module.  $KEYSTONE directive not found");
}

TEST(TokenizeMessages, OwnMessagesFollowTheTableAndUnknownPlacesHaveNoText) {
    EXPECT_EQ(MessageIndex(240), msgTargetKM1NotSupported);
    EXPECT_EQ(MessageText(-1), nullptr);
    EXPECT_EQ(MessageText(static_cast<int>(TokenizeMessageCount + OwnMessageCount)), nullptr);
    EXPECT_EQ(MessageIndex(999), -1);
}

class RaiseTokenizeErrorTest : public TokenizerTest {};

TEST_F(RaiseTokenizeErrorTest, MessageSitsAtTheEndOfTheSourceAreaAndRaisesETokenizeError) {
    bool caught = false;
    try {
        Passes.RaiseTokenizeError(static_cast<TMessage>(MessageIndex(144)));
    } catch (const std::exception& error) {
        caught = dynamic_cast<const ETokenizeError*>(&error) != nullptr;
    }
    ASSERT_TRUE(caught);
    EXPECT_STREQ(R().ErrorText, "144-Expression is too complex");
    EXPECT_EQ(R().Source[SourceCapacity - 1], '\0');
    EXPECT_EQ(R().ErrorText + std::strlen(R().ErrorText), R().Source + SourceCapacity - 1);
}

} // namespace
} // namespace wayline::testing
