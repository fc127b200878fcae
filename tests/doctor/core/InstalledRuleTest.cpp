// The udev rule that the installation puts in place must serve exactly the
// adapters the diagnosis knows: an adapter missing from it would get no
// access for the logged-in user and be probed by ModemManager.

#include "SourceFiles.h"
#include "doctor/core/UsbAdapters.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>

namespace wayline {
namespace {

std::string ReadRule() {
    return testfiles::ReadSourceFile("packaging/70-wayline.rules");
}

TEST(InstalledRuleTest, RuleMatchesEveryKnownAdapterAndNoOther) {
    const std::string rule = ReadRule();
    ASSERT_FALSE(rule.empty());

    std::set<std::string> inRule;
    const std::regex match(
        R"re(ATTRS\{idVendor\}=="([0-9a-f]{4})", ATTRS\{idProduct\}=="([0-9a-f]{4})", ENV\{WAYLINE_ADAPTER\}="1")re");
    for (auto it = std::sregex_iterator(rule.begin(), rule.end(), match);
         it != std::sregex_iterator(); ++it) {
        inRule.insert((*it)[1].str() + ":" + (*it)[2].str());
    }
    std::set<std::string> known;
    for (const TUsbAdapterKind& kind : KnownUsbAdapters()) {
        char ids[16];
        std::snprintf(ids, sizeof ids, "%04x:%04x", kind.Vendor, kind.Product);
        known.insert(ids);
    }
    EXPECT_EQ(inRule, known);
}

TEST(InstalledRuleTest, RuleGivesAccessAndKeepsModemManagerAway) {
    const std::string rule = ReadRule();
    EXPECT_NE(rule.find("ENV{ID_MM_DEVICE_IGNORE}=\"1\""), std::string::npos);
    EXPECT_NE(rule.find("SUBSYSTEM==\"tty\", TAG+=\"uaccess\""), std::string::npos);
    // Every jump has its label.
    EXPECT_NE(rule.find("LABEL=\"wayline_end\""), std::string::npos);
}

TEST(InstalledRuleTest, AdapterTableHasNoDoubleEntries) {
    std::set<std::pair<int, int>> seen;
    for (const TUsbAdapterKind& kind : KnownUsbAdapters()) {
        EXPECT_TRUE(seen.insert({kind.Vendor, kind.Product}).second) << kind.Name;
        EXPECT_EQ(FindUsbAdapter(kind.Vendor, kind.Product), &kind);
    }
    EXPECT_EQ(FindUsbAdapter(0x046d, 0xc52b), nullptr);
}

} // namespace
} // namespace wayline
