#include "codegen/core/BuildCode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wayline {
namespace {

// A small template shaped like the robot program around its data line.
const std::string SmallTemplate = "'{$KEYSTONE KM2}\r\n"
                                  "'{$HBASIC 2.5}\r\n"
                                  "' ----- Main Action List -----\r\n"
                                  "ActionList  DATA  \"Q\"\r\n"
                                  "Start:\r\n"
                                  "  STOP\r\n";

class BuildCodeTest : public ::testing::Test {
protected:
    void SetUp() override { InitialiseDocument(State); }

    void Add(int list, TActionKind kind, int value, int both = 0, int left = 0, int right = 0) {
        const int row = State.StepCount(list) + 1;
        State.Step(list, row) =
            TActionStep{static_cast<std::uint8_t>(kind), static_cast<std::int16_t>(value),
                        static_cast<std::uint8_t>(both), static_cast<std::uint8_t>(left),
                        static_cast<std::uint8_t>(right)};
        State.SetStepCount(list, row);
    }

    TCodeLines Build(bool sensorsEnabled = false) {
        const TBuildCodeResult result = BuildCode(SmallTemplate, State, sensorsEnabled);
        EXPECT_TRUE(result.Succeeded) << result.ErrorText;
        return result.Lines;
    }

    // The data lines of one list: the lines between its comment and the
    // next empty line.
    TCodeLines DataLines(const TCodeLines& lines, const std::string& title) {
        TCodeLines data;
        const std::string comment = "' ----- " + title + " -----";
        // The template's own comment above the Configure line has the same
        // text as the generated one of the main list.
        std::size_t i = 0;
        while (i < lines.size() &&
               (lines[i] != comment ||
                (i + 1 < lines.size() && lines[i + 1].starts_with("Configure")))) {
            ++i;
        }
        for (++i; i < lines.size() && !lines[i].empty(); ++i) {
            data.push_back(lines[i]);
        }
        return data;
    }

    std::string Configure(const TCodeLines& lines) {
        for (const std::string& line : lines) {
            if (line.starts_with("Configure")) {
                return line;
            }
        }
        return {};
    }

    TDocumentState State{};
};

TEST_F(BuildCodeTest, ReproducesTheBeginnerExampleToTheCharacter) {
    Add(MainList, akMoveForward, 20);
    Add(MainList, akTurnRight, 5);
    Add(MainList, akMoveForward, 15);
    Add(MainList, akStopAndWait, 10);
    Add(MainList, akLoopBack, 1);
    State.Document.LeftServoCenter = 100;
    State.Document.RightServoCenter = 102;

    const TCodeLines expected{
        "'{$KEYSTONE KM2}",
        "'{$HBASIC 2.5}",
        "' ----- Main Action List -----",
        "Configure\tDATA\t@0,1,0,100,102,WORD 25,WORD 26,WORD 27,WORD 28,WORD 29",
        "",
        "' ----- Main Action List -----",
        "ActionList\tDATA\t\"F\",20   ,\"R\",5   ,\"F\",15   ,\"S\",10   ",
        "\t\tDATA \t\"G\",4   ,\"Q\"",
        "",
        "' ----- Sensor Set All -----",
        "\t\tDATA \t\"Q\"",
        "",
        "' ----- Sensor Set 1 -----",
        "\t\tDATA \t\"Q\"",
        "",
        "' ----- Sensor Set 2 -----",
        "\t\tDATA \t\"Q\"",
        "",
        "' ----- Sensor Set 3 -----",
        "\t\tDATA \t\"Q\"",
        "",
        "' ----- Sensor Set 4 -----",
        "\t\tDATA \t\"Q\"",
        "",
        "Start:",
        "  STOP",
    };
    EXPECT_EQ(Build(true), expected);
}

TEST_F(BuildCodeTest, EmptyListsTakeOneByteEach) {
    const TCodeLines lines = Build();
    EXPECT_EQ(Configure(lines),
              "Configure\tDATA\t@0,0,0,100,100,WORD 15,WORD 16,WORD 17,WORD 18,WORD 19");
    EXPECT_EQ(DataLines(lines, "Main Action List"), TCodeLines{"ActionList\tDATA\t\"Q\""});
    for (const char* title :
         {"Sensor Set All", "Sensor Set 1", "Sensor Set 2", "Sensor Set 3", "Sensor Set 4"}) {
        EXPECT_EQ(DataLines(lines, title), TCodeLines{"\t\tDATA \t\"Q\""}) << title;
    }
}

TEST_F(BuildCodeTest, ExactlyFourStepsLeaveTheEndMarkOnALineOfItsOwn) {
    Add(MainList, akMoveForward, 1);
    Add(MainList, akMoveBackward, 2);
    Add(MainList, akTurnLeft, 3);
    Add(MainList, akRotateLeft, 4);
    EXPECT_EQ(DataLines(Build(), "Main Action List"),
              (TCodeLines{"ActionList\tDATA\t\"F\",1   ,\"B\",2   ,\"L\",3   ,\"E\",4   ",
                          "\t\tDATA \t\"Q\""}));
}

TEST_F(BuildCodeTest, SensorSetsUseTheirOwnPrefixAndShiftTheAddresses) {
    Add(MainList, akMoveForward, 10);
    Add(3, akRotateRight, 7); // Sensor Set 1
    Add(3, akStopAndWait, 2);
    Add(6, akTurnRight, 9); // Sensor Set 4
    const TCodeLines lines = Build();
    EXPECT_EQ(DataLines(lines, "Sensor Set 1"),
              TCodeLines{"\t\tDATA \t\"I\",7   ,\"S\",2   ,\"Q\""});
    EXPECT_EQ(DataLines(lines, "Sensor Set 4"), TCodeLines{"\t\tDATA \t\"R\",9   ,\"Q\""});
    // Main 3 bytes, All 1, Set1 5, Set2 1, Set3 1.
    EXPECT_EQ(Configure(lines),
              "Configure\tDATA\t@0,0,0,100,100,WORD 17,WORD 18,WORD 23,WORD 24,WORD 25");
}

TEST_F(BuildCodeTest, SensorModeFollowsModeAndSensorsBox) {
    EXPECT_EQ(SensorModeByte(false, false), 0);
    EXPECT_EQ(SensorModeByte(false, true), 1);
    EXPECT_EQ(SensorModeByte(true, false), 2);
    EXPECT_EQ(SensorModeByte(true, true), 2);

    State.AdvancedMode = true;
    State.Document.LeftServoCenter = 0;
    State.Document.RightServoCenter = 255;
    EXPECT_EQ(Configure(Build(false)),
              "Configure\tDATA\t@0,2,0,0,255,WORD 15,WORD 16,WORD 17,WORD 18,WORD 19");
}

TEST_F(BuildCodeTest, AdvancedModeWritesChangedColumnsBeforeTheCommand) {
    State.AdvancedMode = true;
    Add(MainList, akMoveForward, 12, 0, 2, 5);
    Add(MainList, akMoveForward, 12, 1, 2, 5);
    Add(MainList, akMoveForward, 12, 1, 2, 5);
    const TCodeLines lines = Build();
    EXPECT_EQ(DataLines(lines, "Main Action List"),
              TCodeLines{"ActionList\tDATA\t\"C\",$22,\"C\",$15,\"F\",12   ,"
                         "\"C\",$31,\"F\",12   ,\"F\",12   ,\"Q\""});
    // 3 "C" entries and 3 steps: 13 bytes from 14 on.
    EXPECT_EQ(Configure(lines),
              "Configure\tDATA\t@0,2,0,100,100,WORD 27,WORD 28,WORD 29,WORD 30,WORD 31");
}

TEST_F(BuildCodeTest, BeginnerModeNeverWritesConfiguration) {
    Add(MainList, akMoveForward, 12, 4, 2, 5);
    Add(MainList, akLoopBack, 1, 1, 3, 0);
    const TCodeLines lines = Build();
    EXPECT_EQ(DataLines(lines, "Main Action List"),
              TCodeLines{"ActionList\tDATA\t\"F\",12   ,\"G\",1   ,\"Q\""});
    // Sensor lists never carry configuration, in either mode.
    State.AdvancedMode = true;
    Add(2, akMoveForward, 3, 4, 4, 4);
    EXPECT_EQ(DataLines(Build(), "Sensor Set All"), TCodeLines{"\t\tDATA \t\"F\",3   ,\"Q\""});
}

TEST_F(BuildCodeTest, LoopBackCountsTheStepsInBetween) {
    for (int i = 0; i < 5; ++i) {
        Add(MainList, akMoveForward, 10);
    }
    Add(MainList, akLoopBack, 2);
    Add(MainList, akLoopBack, 7); // to itself
    EXPECT_EQ(DataLines(Build(), "Main Action List")[1],
              "\t\tDATA \t\"F\",10   ,\"G\",4   ,\"G\",0   ,\"Q\"");
}

// The robot counts a jump in stored entries, "C" entries included, so a
// configuration change inside the loop must lengthen the jump; and the
// target re-sets all three columns, since the robot may arrive there from
// the bottom of the loop with other columns in force.
TEST_F(BuildCodeTest, AdvancedLoopBackCountsConfigurationEntries) {
    State.AdvancedMode = true;
    Add(MainList, akMoveForward, 10);          // entry 0
    Add(MainList, akMoveForward, 11, 1, 0, 0); // target: C C C F = entries 1-4
    Add(MainList, akMoveForward, 12, 1, 2, 0); // C F = entries 5-6
    Add(MainList, akLoopBack, 2);              // C C G = entries 7-9
    const TCodeLines lines = Build();
    EXPECT_EQ(DataLines(lines, "Main Action List"),
              (TCodeLines{"ActionList\tDATA\t\"F\",10   ,\"C\",$31,\"C\",$20,\"C\",$10,\"F\",11   "
                          ",\"C\",$22,\"F\",12   ,\"C\",$30,\"C\",$20,\"G\",8   ",
                          "\t\tDATA \t\"Q\""}));
    EXPECT_EQ(Configure(lines),
              "Configure\tDATA\t@0,2,0,100,100,WORD 35,WORD 36,WORD 37,WORD 38,WORD 39");
}

TEST_F(BuildCodeTest, AdvancedLoopToTheFirstStepSetsAllColumns) {
    State.AdvancedMode = true;
    Add(MainList, akMoveForward, 10, 0, 0, 3); // C C C F = entries 0-3
    Add(MainList, akLoopBack, 1, 0, 0, 3);
    EXPECT_EQ(DataLines(Build(), "Main Action List"),
              TCodeLines{"ActionList\tDATA\t\"C\",$30,\"C\",$20,\"C\",$13,\"F\",10   "
                         ",\"G\",4   ,\"Q\""});
}

TEST_F(BuildCodeTest, LoopBackTargetIsKeptWithinTheShownLimits) {
    Add(MainList, akMoveForward, 10);
    Add(MainList, akMoveForward, 10);
    Add(MainList, akLoopBack, 8);  // below its own row: loops to itself
    Add(MainList, akLoopBack, 0);  // above the first row: loops to step 1
    Add(MainList, akLoopBack, -1); // likewise
    EXPECT_EQ(DataLines(Build(), "Main Action List"),
              (TCodeLines{"ActionList\tDATA\t\"F\",10   ,\"F\",10   ,\"G\",0   ,\"G\",3   ",
                          "\t\tDATA \t\"G\",4   ,\"Q\""}));

    // In advanced mode the clamped target is also a target for the
    // configuration entries.
    State.AdvancedMode = true;
    InitialiseDocument(State);
    State.AdvancedMode = true;
    Add(MainList, akMoveForward, 10);
    Add(MainList, akLoopBack, 9, 1, 1, 1);
    EXPECT_EQ(DataLines(Build(), "Main Action List"),
              TCodeLines{"ActionList\tDATA\t\"F\",10   ,\"C\",$31,\"C\",$21,\"C\",$11,\"G\",3   "
                         ",\"Q\""});
}

// DATA keeps only the low byte of a value: a jump over more than 255
// entries would send the robot to the wrong entry. Step 1 as a target in
// advanced mode takes three "C" entries and its command, every plain step
// one entry, so a Loop Back in row r jumps over r + 2 entries.
TEST_F(BuildCodeTest, LoopBackOverMoreThan255EntriesIsRefusedNamingTheStep) {
    State.AdvancedMode = true;
    for (int row = 1; row <= 252; ++row) {
        Add(MainList, akMoveForward, 10);
    }
    Add(MainList, akLoopBack, 1); // row 253: 255 entries, the most a byte holds
    TBuildCodeResult result = BuildCode(SmallTemplate, State, false);
    ASSERT_TRUE(result.Succeeded) << result.ErrorText;
    EXPECT_TRUE(
        DataLines(result.Lines, "Main Action List").back().starts_with("\t\tDATA \t\"G\",255   ,"));

    State.Step(MainList, 253) = {akMoveForward, 10, 0, 0, 0};
    Add(MainList, akLoopBack, 1); // row 254: 256 entries
    result = BuildCode(SmallTemplate, State, false);
    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(result.Error, bcLoopBackTooFar);
    EXPECT_EQ(result.ErrorList, MainList);
    EXPECT_EQ(result.ErrorStep, 254);
    EXPECT_EQ(result.ErrorText,
              "Step 254 loops back too far for the robot: it would jump back over 256 list "
              "entries, and the robot can jump back over at most 255 (every step is one entry, "
              "and every change in the Both, Left or Right column adds one more).  Loop back to "
              "a later step, or remove steps in between.");
    EXPECT_TRUE(result.Lines.empty());

    // The case that was seen: a hundred steps that change every column.
    InitialiseDocument(State);
    State.AdvancedMode = true;
    for (int row = 1; row <= 100; ++row) {
        const int set = row % 2 + 1;
        Add(MainList, akMoveForward, 10, set, set, set);
    }
    Add(MainList, akLoopBack, 1, 1, 1, 1);
    result = BuildCode(SmallTemplate, State, false);
    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(result.ErrorStep, 101);
    EXPECT_NE(result.ErrorText.find("over 400 list entries"), std::string::npos)
        << result.ErrorText;

    // Beginner mode writes no "C" entries: the longest jump (254) fits.
    State.AdvancedMode = false;
    InitialiseDocument(State);
    for (int row = 1; row <= 254; ++row) {
        Add(MainList, akRotateLeft, 10);
    }
    Add(MainList, akLoopBack, 1);
    EXPECT_NE(DataLines(Build(), "Main Action List").back().find("\"G\",254   "),
              std::string::npos);
}

// A sensor list names its list in the message.
TEST_F(BuildCodeTest, LoopBackTooFarInASensorListNamesTheList) {
    State.AdvancedMode = true;
    EXPECT_EQ(LoopBackTooFarMessage(4, 12, 300).substr(0, 45),
              "Step 12 of Sensor Set 2 loops back too far fo");
    EXPECT_EQ(LoopBackTooFarMessage(MainList, 12, 300).substr(0, 35),
              "Step 12 loops back too far for the ");
}

TEST_F(BuildCodeTest, DamagedValuesAreWrittenWithinTheirLimits) {
    State.AdvancedMode = true;
    Add(MainList, akMoveForward, 0, 9, 5, 0);
    Add(MainList, akMoveBackward, 300);
    Add(MainList, akStopAndWait, -7);
    EXPECT_EQ(DataLines(Build(), "Main Action List"),
              TCodeLines{"ActionList\tDATA\t\"C\",$35,\"C\",$25,\"F\",1   ,\"C\",$30,\"C\",$20,"
                         "\"B\",255   ,\"S\",1   ,\"Q\""});
}

TEST_F(BuildCodeTest, LongListsBreakEveryFourSteps) {
    for (const int count : {0, 1, 4, 5, 255}) {
        InitialiseDocument(State);
        for (int i = 0; i < count; ++i) {
            Add(MainList, akTurnLeft, 13);
            Add(2, akRotateRight, 255);
        }
        const TCodeLines lines = Build();
        const TCodeLines main = DataLines(lines, "Main Action List");
        const TCodeLines all = DataLines(lines, "Sensor Set All");
        ASSERT_EQ(main.size(), static_cast<std::size_t>(count / 4 + 1)) << count;
        ASSERT_EQ(all.size(), main.size()) << count;
        EXPECT_TRUE(main.front().starts_with("ActionList\tDATA\t"));
        EXPECT_TRUE(main.back().ends_with("\"Q\""));
        int steps = 0;
        for (std::size_t i = 0; i < main.size(); ++i) {
            std::size_t at = 0;
            int onLine = 0;
            while ((at = main[i].find("\"L\",13   ", at)) != std::string::npos) {
                ++onLine;
                ++at;
            }
            EXPECT_EQ(onLine, i + 1 < main.size() ? 4 : count % 4) << count << " line " << i;
            steps += onLine;
            if (i > 0) {
                EXPECT_TRUE(main[i].starts_with("\t\tDATA \t"));
            }
        }
        EXPECT_EQ(steps, count);
        const int set1 = 14 + 2 * count + 1 + 2 * count + 1;
        EXPECT_EQ(Configure(lines),
                  "Configure\tDATA\t@0,0,0,100,100,WORD " + std::to_string(14 + 2 * count + 1) +
                      ",WORD " + std::to_string(set1) + ",WORD " + std::to_string(set1 + 1) +
                      ",WORD " + std::to_string(set1 + 2) + ",WORD " + std::to_string(set1 + 3))
            << count;
    }
}

// The memory gauge counts the lists without building the text; it must
// count what BuildCode writes, configuration entries and loops included.
TEST_F(BuildCodeTest, DataBytesCountTheGeneratedEntries) {
    EXPECT_EQ(ListDataBytes(State), 14 + 6);
    State.AdvancedMode = true;
    Add(MainList, akMoveForward, 10, 1, 2, 3); // C C C F
    Add(MainList, akMoveForward, 10, 1, 2, 3); // F
    Add(MainList, akLoopBack, 1, 0, 2, 3);     // C G
    Add(5, akRotateLeft, 7);
    Add(5, akStopAndWait, 7);
    const TBuildCodeResult result = BuildCode(SmallTemplate, State, false);
    ASSERT_TRUE(result.Succeeded);
    EXPECT_EQ(result.DataBytes, 14 + (7 * 2 + 1) + 1 + 1 + 1 + (2 * 2 + 1) + 1);
    EXPECT_EQ(ListDataBytes(State), result.DataBytes);
    // Set 4, the last list, starts where its "Q" is the last byte.
    EXPECT_TRUE(Configure(result.Lines).ends_with(",WORD " + std::to_string(result.DataBytes - 1)));
    // Beginner mode leaves the configuration entries out.
    State.AdvancedMode = false;
    EXPECT_EQ(ListDataBytes(State), 14 + (3 * 2 + 1) + 1 + 1 + 1 + (2 * 2 + 1) + 1);
}

TEST_F(BuildCodeTest, FindsTheDataLineInAnyCaseAndIndent) {
    const std::string text = "x VAR BYTE\r\n\t  actionlist\tdata \"Q\"  \r\nActionList DATA 1\r\n";
    const TBuildCodeResult result = BuildCode(text, State, false);
    ASSERT_TRUE(result.Succeeded);
    ASSERT_EQ(result.Lines.size(), 22U);
    EXPECT_EQ(result.Lines[0], "x VAR BYTE");
    EXPECT_TRUE(result.Lines[1].starts_with("Configure\tDATA\t@0,"));
    EXPECT_EQ(result.Lines[20], "");                  // the emptied template line
    EXPECT_EQ(result.Lines[21], "ActionList DATA 1"); // only the first one is replaced
}

TEST_F(BuildCodeTest, DamagedTemplateLineGivesTheErrorAndNoText) {
    for (const char* text : {
             "' ----- Main Action List -----\r\nActionList:  DATA  \"Q\"\r\n",
             "ActionList2 DATA \"Q\"\r\n",
             "ActionList \"Q\"\r\nActionList DATA \"Q\"\r\n", // the first candidate decides
             "' ActionList DATA \"Q\"\r\nSTOP\r\n",
             "",
         }) {
        const TBuildCodeResult result = BuildCode(text, State, false);
        EXPECT_FALSE(result.Succeeded) << text;
        EXPECT_EQ(result.ErrorText, "Can't find start of EEPROM data!") << text;
        EXPECT_TRUE(result.Lines.empty()) << text;
    }
}

TEST(CodeLines, TemplateSplitsAtEveryKindOfLineEnd) {
    EXPECT_EQ(LoadTemplateLines("a\r\nb\r\n"), (TCodeLines{"a", "b"}));
    EXPECT_EQ(LoadTemplateLines("a\nb"), (TCodeLines{"a", "b"}));
    EXPECT_EQ(LoadTemplateLines("a\rb\r\n\r\nc"), (TCodeLines{"a", "b", "", "c"}));
    EXPECT_EQ(LoadTemplateLines(""), TCodeLines{});
    EXPECT_EQ(LoadTemplateLines("\r\n"), TCodeLines{""});
    EXPECT_EQ(JoinCodeLines({"a", "", "b"}), "a\r\n\r\nb");
    EXPECT_EQ(JoinCodeLines({}), "");
}

TEST(CodeLines, TextLongerThanTheTokenizerTakesIsRefused) {
    // 65,535 characters in all: two lines and the CR LF between them.
    TCodeLines lines{std::string(65000, 'x'), std::string(533, 'y')};
    const std::optional<std::string> fits = TokenizerSourceText(lines);
    ASSERT_TRUE(fits.has_value());
    EXPECT_EQ(fits->size(), 65535U);
    lines[1].push_back('y');
    EXPECT_FALSE(TokenizerSourceText(lines).has_value());
}

} // namespace
} // namespace wayline
