#include "editor/core/ActionDocument.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace wayline {
namespace {

TEST(ActionDocument, NewDocumentHasEmptyListsWithHeaderEntries) {
    TDocumentState state{};
    state.StepCounts.fill(7); // make sure initialisation really resets
    state.CurrentList = 4;
    state.ListModified = true;
    InitialiseDocument(state);

    for (int list = 1; list <= ListCount; ++list) {
        EXPECT_EQ(state.StepCount(list), 0) << "list " << list;
        EXPECT_EQ(state.RowCount(list), 2) << "list " << list;
        const TActionStep& header = state.Step(list, 0);
        EXPECT_EQ(int{header.Value}, -1);
        EXPECT_EQ(header.Kind, 0);
        EXPECT_EQ(header.BothSet + header.LeftSet + header.RightSet, 0);
        for (int row = 1; row < ListEntries; ++row) {
            ASSERT_EQ(state.Step(list, row), TActionStep{}) << "list " << list << " row " << row;
        }
    }
    EXPECT_EQ(state.Document.LeftServoCenter, 100);
    EXPECT_EQ(state.Document.RightServoCenter, 100);
    EXPECT_EQ(state.Document.FormatVersion, 0);
    EXPECT_EQ(state.Document.AdvancedMode, 0);
    EXPECT_EQ(state.CurrentList, 1);
    EXPECT_FALSE(state.ListModified);
    EXPECT_FALSE(state.AdvancedMode);
}

TEST(ActionDocument, KindTableMatchesTheRobotsLetters) {
    // The letters are not the initials of the names: a swap here would make
    // the robot turn where the user asked it to rotate.
    const char* expected[] = {"\"F\"", "\"B\"", "\"L\"", "\"R\"",
                              "\"E\"", "\"I\"", "\"S\"", "\"G\""};
    const std::int16_t defaults[] = {12, 12, 13, 13, 15, 15, 10, 1};
    for (int k = 0; k < ActionKindCount; ++k) {
        const auto kind = static_cast<TActionKind>(k);
        EXPECT_STREQ(CommandLetter(kind), expected[k]);
        EXPECT_EQ(DefaultValue(kind), defaults[k]);
        EXPECT_EQ(ActionNameTextId(kind), 398 + k);
    }
}

TEST(ActionDocument, ByteImageIsLittleEndianInFieldOrder) {
    TDocumentState state{};
    InitialiseDocument(state);
    state.Document.Signature[0] = 19;
    state.Document.Signature[1] = 'W';
    state.Document.FormatVersion = 0x13;
    state.Document.AdvancedMode = 1;
    state.Document.LeftServoCenter = 98;
    state.Document.RightServoCenter = 103;
    state.Step(1, 1) = {akLoopBack, 0x0102, 1, 2, 3};
    state.Step(6, 255) = {akStopAndWait, 255, 4, 0, 4};

    std::vector<std::uint8_t> bytes(DocumentSize);
    DocumentToBytes(state.Document,
                    std::span<std::uint8_t, DocumentSize>(bytes.data(), DocumentSize));

    EXPECT_EQ(bytes[0], 19);
    EXPECT_EQ(bytes[1], 'W');
    EXPECT_EQ(bytes[20], 0x13);
    EXPECT_EQ(bytes[21], 1);
    EXPECT_EQ(bytes[22], 98);
    EXPECT_EQ(bytes[23], 103);
    // List 1, entry 0: kind 0, value -1 as FF FF.
    EXPECT_EQ(bytes[24], 0);
    EXPECT_EQ(bytes[25], 0xFF);
    EXPECT_EQ(bytes[26], 0xFF);
    // List 1, entry 1 starts 6 bytes later.
    const std::size_t e1 = 24 + 6;
    EXPECT_EQ(bytes[e1 + 0], akLoopBack);
    EXPECT_EQ(bytes[e1 + 1], 0x02);
    EXPECT_EQ(bytes[e1 + 2], 0x01);
    EXPECT_EQ(bytes[e1 + 3], 1);
    EXPECT_EQ(bytes[e1 + 4], 2);
    EXPECT_EQ(bytes[e1 + 5], 3);
    // The very last entry of list 6 ends the image.
    const std::size_t last = DocumentSize - 6;
    EXPECT_EQ(bytes[last], akStopAndWait);
    EXPECT_EQ(bytes[last + 1], 255);
    EXPECT_EQ(bytes[last + 2], 0);
    EXPECT_EQ(bytes[last + 5], 4);

    TActionDocument back{};
    DocumentFromBytes(std::span<const std::uint8_t, DocumentSize>(bytes.data(), DocumentSize),
                      back);
    EXPECT_EQ(std::memcmp(&back, &state.Document, DocumentSize), 0);
}

} // namespace
} // namespace wayline
