#include "comm/core/DownloadTarget.h"
#include "comm/core/PortDetails.h"

#include <gtest/gtest.h>

namespace wayline {
namespace {

TEST(DownloadTargetTest, NoRowOfTheTargetTypeIsNoTarget) {
    const TDownloadTargetRule rule =
        DecideDownloadTarget(std::vector<std::string>{"0", "", "3"}, 2);
    EXPECT_EQ(rule.Decision, TTargetDecision::tdNone);
    EXPECT_EQ(rule.Target, NoTarget);
    EXPECT_EQ(rule.Choosable, (std::vector<bool>{false, false, false}));
    // An empty cell counts as type 0.
    EXPECT_EQ(rule.Counts, (std::array<int, 6>{2, 0, 0, 1, 0, 0}));
    EXPECT_EQ(DecideDownloadTarget(std::vector<std::string>{}, 2).Decision,
              TTargetDecision::tdNone);
}

TEST(DownloadTargetTest, OneRowOfTheTargetTypeIsTheTarget) {
    const TDownloadTargetRule rule =
        DecideDownloadTarget(std::vector<std::string>{"0", "2", "5"}, 2);
    EXPECT_EQ(rule.Decision, TTargetDecision::tdOne);
    EXPECT_EQ(rule.Target, 1);
    EXPECT_EQ(rule.Choosable, (std::vector<bool>{false, true, false}));
}

TEST(DownloadTargetTest, SeveralRowsAreMarkedForTheChoice) {
    const TDownloadTargetRule rule = DecideDownloadTarget(std::vector<int>{2, 0, 2, 2, 4}, 2);
    EXPECT_EQ(rule.Decision, TTargetDecision::tdChoose);
    EXPECT_EQ(rule.Choosable, (std::vector<bool>{true, false, true, true, false}));
    EXPECT_EQ(rule.Target, 3); // the last one, as the rows were walked
    EXPECT_EQ(rule.Counts[2], 3);
    EXPECT_EQ(rule.Counts[4], 1);
}

TEST(DownloadTargetTest, CellsThatHoldNoModuleTypeAreCountedNowhere) {
    const TDownloadTargetRule rule =
        DecideDownloadTarget(std::vector<std::string>{"9", "-1", "2"}, 2);
    EXPECT_EQ(rule.Decision, TTargetDecision::tdOne);
    EXPECT_EQ(rule.Counts, (std::array<int, 6>{0, 0, 1, 0, 0, 0}));
}

TEST(PortDetailsTest, PortNamesSortNaturally) {
    EXPECT_TRUE(NaturalLess("ttyS2", "ttyS10"));
    EXPECT_FALSE(NaturalLess("ttyS10", "ttyS2"));
    EXPECT_TRUE(NaturalLess("COM9", "COM10"));
    EXPECT_TRUE(NaturalLess("ttyACM0", "ttyUSB0"));
    EXPECT_TRUE(NaturalLess("ttyS", "ttyS0"));
    EXPECT_FALSE(NaturalLess("ttyS1", "ttyS1"));
    EXPECT_TRUE(NaturalLess("ttyS01", "ttyS1") != NaturalLess("ttyS1", "ttyS01"));
    std::vector<TPortDetails> ports(4);
    ports[0].Name = "ttyUSB10";
    ports[1].Name = "ttyS0";
    ports[2].Name = "ttyUSB2";
    ports[3].Name = "ttyACM0";
    SortPortsNaturally(ports);
    EXPECT_EQ(ports[0].Name, "ttyACM0");
    EXPECT_EQ(ports[1].Name, "ttyS0");
    EXPECT_EQ(ports[2].Name, "ttyUSB2");
    EXPECT_EQ(ports[3].Name, "ttyUSB10");
}

} // namespace
} // namespace wayline
