#include "cli/JsonWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace wayline {
namespace {

TEST(JsonWriter, MembersKeepTheirOrderAndBytesThatAreNotUtf8BecomeReplacementCharacters) {
    TJson object = TJson::Object({{"zeta", 1}, {"alpha", "caf\xE9"}});
    object.Set("middle", TJson::Array());
    object.Set("zeta", 2); // an existing member keeps its place
    EXPECT_EQ(object.Dump(), "{\"zeta\":2,\"alpha\":\"caf\xEF\xBF\xBD\",\"middle\":[]}");
}

TEST(JsonWriter, NumbersKeepTheirKind) {
    const TJson numbers =
        TJson::Array({std::uint8_t{3}, -5, std::numeric_limits<std::int64_t>::min(),
                      std::numeric_limits<std::uint64_t>::max(), 2.5, 60.0, true, nullptr});
    EXPECT_EQ(numbers.Dump(),
              "[3,-5,-9223372036854775808,18446744073709551615,2.5,60.0,true,null]");
}

TEST(JsonWriter, IndentedOutputHasTwoSpacesALevel) {
    TJson list = TJson::Array();
    list.Append(TJson::Object({{"t", 0.5}}));
    EXPECT_EQ(TJson::Object({{"events", list}}).DumpIndented(),
              "{\n  \"events\": [\n    {\n      \"t\": 0.5\n    }\n  ]\n}");
}

TEST(JsonWriter, ACopyIsItsOwn) {
    TJson original = TJson::Array({1});
    TJson copy = original;
    copy.Append(2);
    TJson moved = std::move(original);
    EXPECT_EQ(moved.Dump(), "[1]");
    EXPECT_EQ(copy.Dump(), "[1,2]");
    EXPECT_EQ(original.Dump(), "null"); // NOLINT(bugprone-use-after-move): moved from is null
}

} // namespace
} // namespace wayline
