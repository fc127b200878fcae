#include "codegen/core/ActionListFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace wayline {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<TDocumentState> NewState(bool advanced) {
    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    state->AdvancedMode = advanced;
    return state;
}

void FillList(TDocumentState& state, int list, int count, int seed) {
    for (int row = 1; row <= count; ++row) {
        const int kind = (row + seed) % ActionKindCount;
        const int value = kind == akLoopBack ? 1 + (row + seed) % row : 1 + (row * 7 + seed) % 255;
        state.Step(list, row) = {static_cast<std::uint8_t>(kind), static_cast<std::int16_t>(value),
                                 static_cast<std::uint8_t>(row % 5),
                                 static_cast<std::uint8_t>((row + 1) % 5),
                                 static_cast<std::uint8_t>((row + seed) % 5)};
    }
    state.SetStepCount(list, count);
}

std::vector<std::uint8_t> ImageOf(TDocumentState& state) {
    const auto image = ActionListImage(state);
    return {image.begin(), image.end()};
}

void ExpectSameLists(const TDocumentState& a, const TDocumentState& b) {
    for (int list = 1; list <= ListCount; ++list) {
        ASSERT_EQ(a.StepCount(list), b.StepCount(list)) << "list " << list;
        for (int row = 1; row <= a.StepCount(list); ++row) {
            ASSERT_EQ(a.Step(list, row), b.Step(list, row)) << "list " << list << " row " << row;
        }
    }
}

class ActionListFile : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = fs::temp_directory_path() /
                 ("wayline-actionlist-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(Folder);
        fs::create_directories(Folder);
    }
    void TearDown() override { fs::remove_all(Folder); }

    // Loads bytes into a state that already holds lists and checks that a
    // refusal leaves every byte of it as it was.
    TLoadResult LoadRefused(const std::vector<std::uint8_t>& bytes, bool advanced) {
        auto state = NewState(advanced);
        FillList(*state, 1, 5, 3);
        state->ListModified = true;
        auto before = std::make_unique<TDocumentState>(*state);
        const TLoadResult result = LoadActionList(bytes, *state);
        EXPECT_NE(result.Status, TLoadStatus::lsLoaded);
        EXPECT_EQ(std::memcmp(&state->Document, &before->Document, DocumentSize), 0);
        EXPECT_EQ(state->StepCounts, before->StepCounts);
        EXPECT_TRUE(state->ListModified);
        return result;
    }

    std::vector<std::uint8_t> ValidImage(bool advanced) {
        auto state = NewState(advanced);
        FillList(*state, 1, 10, 0);
        return ImageOf(*state);
    }

    fs::path Folder;
};

TEST_F(ActionListFile, SaveThenLoadRestoresEverythingInBothModes) {
    for (const bool advanced : {false, true}) {
        auto saved = NewState(advanced);
        FillList(*saved, 1, 30, 1);
        FillList(*saved, 2, 4, 2);
        FillList(*saved, 6, 255, 3);
        saved->Document.LeftServoCenter = 37;
        saved->Document.RightServoCenter = 201;
        saved->ListModified = true;
        const fs::path file = Folder / "lists.wyl";

        const TSaveResult save = SaveActionListFile(file, *saved);
        ASSERT_TRUE(save.Saved) << save.Error;
        EXPECT_FALSE(saved->ListModified);
        EXPECT_EQ(fs::file_size(file), 9240u);

        auto loaded = NewState(advanced);
        loaded->ListModified = true;
        const TLoadResult load = LoadActionListFile(file, *loaded);
        ASSERT_EQ(load.Status, TLoadStatus::lsLoaded) << load.Message;
        ExpectSameLists(*saved, *loaded);
        EXPECT_EQ(loaded->StepCount(6), 255);
        EXPECT_EQ(loaded->Document.LeftServoCenter, 37);
        EXPECT_EQ(loaded->Document.RightServoCenter, 201);
        EXPECT_EQ(loaded->Document.AdvancedMode, advanced ? 1 : 0);
        EXPECT_FALSE(loaded->ListModified);
    }
}

TEST_F(ActionListFile, SavedRecordHasHeaderAndHeaderEntriesBehindTheSteps) {
    auto state = NewState(true);
    FillList(*state, 1, 8, 0);
    state->SetStepCount(1, 3); // five stale steps behind the list
    const std::vector<std::uint8_t> image = ImageOf(*state);
    ASSERT_EQ(image.size(), 9240u);
    EXPECT_EQ(image[0], 19);
    EXPECT_EQ(std::string(image.begin() + 1, image.begin() + 20), "Wayline Action List");
    EXPECT_EQ(image[20], 0x13);
    EXPECT_EQ(image[21], 1);
    for (int row = 4; row < ListEntries; ++row) {
        const std::size_t at = 24 + static_cast<std::size_t>(row) * 6;
        ASSERT_EQ(image[at], 0) << row;
        ASSERT_EQ(image[at + 1], 0xFF) << row;
        ASSERT_EQ(image[at + 2], 0xFF) << row;
    }
    EXPECT_EQ(ImageOf(*NewState(false))[21], 0);
}

TEST_F(ActionListFile, AdvancedFileIsRefusedInBeginnerModeOnly) {
    const std::vector<std::uint8_t> image = ValidImage(true);
    const TLoadResult refused = LoadRefused(image, false);
    EXPECT_EQ(refused.Status, TLoadStatus::lsRefused);
    EXPECT_EQ(refused.Message, "This Wayline file was saved in Advanced Mode.  You must switch to "
                               "Advanced Mode before opening this file.");
    auto advanced = NewState(true);
    EXPECT_EQ(LoadActionList(image, *advanced).Status, TLoadStatus::lsLoaded);
    auto beginner = NewState(true);
    EXPECT_EQ(LoadActionList(ValidImage(false), *beginner).Status, TLoadStatus::lsLoaded);
}

TEST_F(ActionListFile, DamagedHeaderIsNotProperFormat) {
    for (const std::size_t offset : {std::size_t{0}, std::size_t{1}, std::size_t{19}}) {
        std::vector<std::uint8_t> image = ValidImage(false);
        image[offset] = offset == 1 ? 'w' : 18; // a case change is damage too
        const TLoadResult result = LoadRefused(image, true);
        EXPECT_EQ(result.Status, TLoadStatus::lsRefused);
        EXPECT_EQ(result.Message, "Not proper Wayline file format.") << offset;
    }
}

TEST_F(ActionListFile, OtherVersionNamesBothVersions) {
    std::vector<std::uint8_t> image = ValidImage(false);
    image[20] = 0x12;
    EXPECT_EQ(LoadRefused(image, true).Message,
              "Can not open Wayline file.  File format is version 1.2.  Expected version 1.3.");
    EXPECT_EQ(WrongVersionMessage(0xAF),
              "Can not open Wayline file.  File format is version 10.15.  Expected version 1.3.");
}

TEST_F(ActionListFile, ChecksRunInOrderHeaderVersionModeSteps) {
    std::vector<std::uint8_t> image = ValidImage(true);
    image[24 + 6] = 9; // list 1, step 1: no such kind
    EXPECT_EQ(LoadRefused(image, false).Message, std::string(AdvancedModeFileMessage));
    image[20] = 0x14;
    EXPECT_EQ(LoadRefused(image, false).Message, WrongVersionMessage(0x14));
    image[5] = 'x';
    EXPECT_EQ(LoadRefused(image, false).Message, "Not proper Wayline file format.");
}

TEST_F(ActionListFile, StepsTheEditorCouldNotWriteAreRefused) {
    struct TDamage {
        std::size_t Field;
        std::uint8_t Low, High;
    };
    // Step 2 of list 3 (offset 24 + 2 x 1536 + 2 x 6).
    const std::size_t step = 24 + 2 * 1536 + 2 * 6;
    const TDamage damages[] = {
        {0, 8, 0},   // kind past Loop Back
        {3, 5, 0},   // set field past Set4
        {4, 200, 0}, // set field
        {5, 5, 0},   // set field
        {1, 0, 0},   // duration 0
        {1, 0, 1},   // duration 256
    };
    for (const TDamage& damage : damages) {
        auto state = NewState(true);
        FillList(*state, 3, 4, 0);
        state->Step(3, 2) = {akMoveForward, 10, 0, 0, 0};
        std::vector<std::uint8_t> image = ImageOf(*state);
        image[step + damage.Field] = damage.Low;
        if (damage.Field == 1) {
            image[step + 2] = damage.High;
        }
        EXPECT_EQ(LoadRefused(image, true).Message, "Not proper Wayline file format.")
            << damage.Field << " " << int{damage.Low};
    }
}

TEST_F(ActionListFile, LoopBackAboveItsOwnRowAndStaleTrailerAreKept) {
    auto state = NewState(false);
    state->Step(1, 1) = {akLoopBack, 300, 0, 0, 0};
    state->SetStepCount(1, 1);
    std::vector<std::uint8_t> image = ImageOf(*state);
    image[24 + 3 * 6] = 200; // a kind behind the end mark is never read
    auto loaded = NewState(false);
    ASSERT_EQ(LoadActionList(image, *loaded).Status, TLoadStatus::lsLoaded);
    EXPECT_EQ(int{loaded->Step(1, 1).Value}, 300);
}

TEST_F(ActionListFile, StrayHeaderEntryDoesNotBecomeStepsAtTheNextSave) {
    std::vector<std::uint8_t> image = ValidImage(false);
    image[24 + 1] = 5; // list 1, entry 0: value 5 instead of -1
    image[24 + 2] = 0;
    auto state = NewState(false);
    ASSERT_EQ(LoadActionList(image, *state).Status, TLoadStatus::lsLoaded);
    EXPECT_EQ(int{state->Step(1, 0).Value}, -1);
    auto again = NewState(false);
    ASSERT_EQ(LoadActionList(ImageOf(*state), *again).Status, TLoadStatus::lsLoaded);
    EXPECT_EQ(again->StepCount(1), 10);
}

// A cut-off file is no action list: it must say so rather than look loaded.
TEST_F(ActionListFile, ShortFileIsRefusedAsNotAnActionList) {
    std::vector<std::uint8_t> image = ValidImage(false);
    image.pop_back();
    const TLoadResult shortFile = LoadRefused(image, true);
    EXPECT_EQ(shortFile.Status, TLoadStatus::lsTooShort);
    EXPECT_EQ(shortFile.Message, "Not proper Wayline file format.");
    EXPECT_EQ(LoadRefused({}, true).Message, "Not proper Wayline file format.");
}

TEST_F(ActionListFile, UnreadableFilesNameTheFileAndTheReason) {
    auto state = NewState(false);
    FillList(*state, 1, 4, 0);
    const TLoadResult missing = LoadActionListFile(Folder / "absent.wyl", *state);
    EXPECT_EQ(missing.Status, TLoadStatus::lsUnreadable);
    EXPECT_EQ(missing.Message,
              "Can not open " + (Folder / "absent.wyl").string() + ": No such file or directory");
    const TLoadResult folder = LoadActionListFile(Folder, *state);
    EXPECT_EQ(folder.Status, TLoadStatus::lsUnreadable);
    EXPECT_EQ(folder.Message, "Can not open " + Folder.string() + ": Is a directory");
    EXPECT_EQ(state->StepCount(1), 4);

    std::vector<std::uint8_t> image = ValidImage(false);
    image.resize(100);
    std::ofstream(Folder / "cut.wyl", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), 100);
    EXPECT_EQ(LoadActionListFile(Folder / "cut.wyl", *state).Status, TLoadStatus::lsTooShort);
    EXPECT_EQ(state->StepCount(1), 4);
}

TEST_F(ActionListFile, LongFileReadsTheFirstRecord) {
    std::vector<std::uint8_t> image = ValidImage(false);
    image.resize(20000, 0xAB);
    auto state = NewState(false);
    EXPECT_EQ(LoadActionList(image, *state).Status, TLoadStatus::lsLoaded);
    EXPECT_EQ(state->StepCount(1), 10);
}

TEST_F(ActionListFile, SaveReplacesTheOldFileWithoutLeavingTemporaries) {
    const fs::path file = Folder / "lists.wyl";
    std::ofstream(file) << "old content";
    auto state = NewState(false);
    FillList(*state, 1, 3, 0);
    ASSERT_TRUE(SaveActionListFile(file, *state).Saved);
    EXPECT_EQ(fs::file_size(file), 9240u);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Folder)) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(ActionListFile, FailedSaveReportsAndKeepsModifiedAndTheTarget) {
    auto state = NewState(false);
    FillList(*state, 1, 3, 0);
    state->ListModified = true;

    const fs::path missing = Folder / "no such folder" / "lists.wyl";
    const TSaveResult result = SaveActionListFile(missing, *state);
    EXPECT_FALSE(result.Saved);
    EXPECT_EQ(result.Error, "Can not save " + missing.string() + ": No such file or directory");
    EXPECT_TRUE(state->ListModified);

    // A target that cannot be replaced (here a folder with a file in it)
    // stays as it was, and the temporary file is gone.
    const fs::path blocked = Folder / "blocked.wyl";
    fs::create_directories(blocked);
    std::ofstream(blocked / "inside") << "x";
    EXPECT_FALSE(SaveActionListFile(blocked, *state).Saved);
    EXPECT_TRUE(fs::exists(blocked / "inside"));
    EXPECT_TRUE(state->ListModified);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Folder)) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

} // namespace
} // namespace wayline
