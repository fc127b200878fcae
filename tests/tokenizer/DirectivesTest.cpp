#include <cstring>

#include "TokenizerTestSupport.h"

namespace wayline::testing {
namespace {

class DirectivesTest : public TokenizerTest {
protected:
    std::string Directives(std::string_view text, bool parseTarget = true,
                           bool anyVersion = false) {
        return TokenizeError(text, {.DirectivesOnly = true,
                                    .ParseTargetDirective = parseTarget,
                                    .AnyLanguageVersion = anyVersion});
    }
};

TEST_F(DirectivesTest, TargetDirectiveNeedsItsBraceForm) {
    EXPECT_EQ(Directives("'{$KEYSTONE KM2}"), "succeeded");
    EXPECT_EQ(R().TargetModule, tmKM2);
    EXPECT_EQ(R().TargetStart, 12);
    EXPECT_EQ(Directives("B0 = 1 ' {  $KEYSTONE KM2B }"), "succeeded");
    EXPECT_EQ(R().TargetModule, tmKM2B);
    EXPECT_EQ(Directives("'$KEYSTONE KM2"), "succeeded");
    EXPECT_EQ(R().TargetModule, tmNone);
}

TEST_F(DirectivesTest, ProjectFilesOnlyOnModulesThatTakeThem) {
    EXPECT_EQ(Directives("'{$KEYSTONE KM2, file2}"), "201-Expected '}'");
    EXPECT_EQ(SpanText(), ",");
    EXPECT_EQ(Directives("'{$KEYSTONE KM2A, file2.bas, \"with space\"}"), "succeeded");
    ASSERT_NE(R().ProjectFiles[0], nullptr);
    EXPECT_STREQ(R().ProjectFiles[0], "file2.bas");
    EXPECT_EQ(R().ProjectFilesStart[0], 18);
    EXPECT_STREQ(R().ProjectFiles[1], "with space");
    EXPECT_EQ(R().ProjectFiles[2], nullptr);
    EXPECT_EQ(Directives("'{$KEYSTONE KM2C, a, b, c, d, e, f, g}"), "succeeded");
    EXPECT_EQ(Directives("'{$KEYSTONE KM2C, a, b, c, d, e, f, g, h}"),
              "203-Expected '}'.  Can not specify more than 7 additional project files.");
    EXPECT_EQ(SpanText(), "h");
    EXPECT_EQ(Directives("'{$KEYSTONE KM2C, }"), "153-Expected a filename");
}

TEST_F(DirectivesTest, TargetDirectiveErrors) {
    EXPECT_EQ(Directives("'{$KEYSTONE KM3}"),
              "204-Expected a target module: KM1, KM2, KM2A, KM2B, KM2C, or KM2D");
    EXPECT_EQ(SpanText(), "KM3");
    EXPECT_EQ(Directives("'{$KEYSTONE KM2}\n'{$KEYSTONE KM2}"), "155-Duplicate directive");
    EXPECT_EQ(R().ErrorStart, 19);
    EXPECT_EQ(Directives("'{$KEYSTONE KM2"), "201-Expected '}'");
    EXPECT_EQ(Directives("'{$KEYBOARD KM2}"), "154-Expected a directive");
    EXPECT_EQ(Directives("'{$KEYSTONE KM2 *}"), "103-Unrecognized character");
    EXPECT_EQ(Directives("'{$KEYSTONE KM2, \"\"}"), "101-Expected character(s)");
    EXPECT_EQ(Directives("'{$KEYSTONE KM2A, \"open}"), "102-Expected terminating \"");
}

TEST_F(DirectivesTest, PresetTargetDropsTheFirstTargetDirectiveUnread) {
    R().TargetModule = tmKM2D;
    EXPECT_EQ(Directives("'{$KEYSTONE KM2A, x}", false), "succeeded");
    EXPECT_EQ(R().TargetModule, tmKM2D);
    EXPECT_EQ(R().ProjectFiles[0], nullptr);
}

TEST_F(DirectivesTest, PortDirectiveNamesACOMPort) {
    EXPECT_EQ(Directives("'{$KEYSTONE KM2}\n'{$PORT com12}"), "succeeded");
    EXPECT_STREQ(R().Port, "com12");
    EXPECT_EQ(R().PortStart, 25);
    EXPECT_EQ(Directives("'{$PORT LPT1}"), "208-Expected COM Port name: COM1, COM2, etc");
    EXPECT_EQ(Directives("'{$PORT COM}"), "208-Expected COM Port name: COM1, COM2, etc");
    EXPECT_EQ(Directives("'{$PORT COM1X}"), "208-Expected COM Port name: COM1, COM2, etc");
    EXPECT_EQ(Directives("'{$PORT COM1}'{$PORT COM2}"), "succeeded");
    EXPECT_EQ(Directives("'{$PORT COM1}\n'{$PORT COM2}"), "155-Duplicate directive");
}

TEST_F(DirectivesTest, DirectiveSymbolsGetTheirValues) {
    auto value = [&](const char* name) {
        Passes.Symbols.FindSymbol(TSymbolName::From(name));
        return Passes.Symbols.CurrentSymbol.Value;
    };
    EXPECT_EQ(Directives("'{$KEYSTONE KM2B}\n'{$PORT COM12}\n'{$HBASIC 2.5}"), "succeeded");
    EXPECT_EQ(value("$KEYSTONE"), tmKM2B);
    EXPECT_EQ(value("$PORT"), 12);
    EXPECT_EQ(value("$HBASIC"), 250);
    EXPECT_EQ(Directives("'{$KEYSTONE KM2}\n'{$PORT COM12345}"), "succeeded");
    EXPECT_EQ(value("$PORT"), 123);
    EXPECT_EQ(Directives("'{$KEYSTONE KM2}"), "succeeded");
    EXPECT_EQ(value("$PORT"), 0xFFFF);
    EXPECT_EQ(value("$HBASIC"), 200);
}

TEST_F(DirectivesTest, LanguageVersionRules) {
    EXPECT_EQ(Directives("'{$KEYSTONE KM2}\n'{$HBASIC 2.5}"), "succeeded");
    EXPECT_EQ(R().LanguageVersion, 250);
    EXPECT_TRUE(Passes.Version25);
    EXPECT_EQ(R().LanguageStart, 27);
    EXPECT_EQ(Directives("'{$KEYSTONE KM2}\n'{$HBASIC 2}"), "succeeded");
    EXPECT_EQ(R().LanguageVersion, 200);
    EXPECT_FALSE(Passes.Version25);
    EXPECT_EQ(Directives("'{$KEYSTONE KM2}\n'{$HBASIC 1.0}"),
              "232-Invalid HBASIC version number.  Must be 2.0 or 2.5 for KM2-type modules.");
    EXPECT_EQ(Directives("'{$KEYSTONE KM2}\n'{$HBASIC 1.0}", true, true), "succeeded");
    EXPECT_EQ(Directives("'{$KEYSTONE KM1}\n'{$HBASIC 2.0}"),
              "231-Invalid HBASIC version number.  Must be 1.0 for KM1 module");
    EXPECT_EQ(Directives("'{$KEYSTONE KM1}"), "succeeded");
    EXPECT_EQ(R().LanguageVersion, 100);
    EXPECT_EQ(Directives("'{$HBASIC 1.0}"), "succeeded");
    EXPECT_EQ(Directives("'{$KEYSTONE KM2}\n'{$HBASIC 2.4}"),
              "187-Invalid HBASIC version number.  Must be 1.0, 2.0 or 2.5");
    EXPECT_EQ(SpanText(), "2.4");
    EXPECT_EQ(Directives("'{$HBASIC 0.5}"), "186-Constant cannot be less than 1");
    EXPECT_EQ(Directives("'{$HBASIC two}"), "112-Expected a constant");
    EXPECT_EQ(Directives("'{$HBASIC 2.5 2.5}"), "201-Expected '}'");
    EXPECT_EQ(Directives("'{$HBASIC 2.0}\n'{$HBASIC 2.0}"), "155-Duplicate directive");
}

TEST_F(DirectivesTest, NothingOfTheDirectivesReachesTheProgram) {
    EXPECT_EQ(TokenizeError("'{$KEYSTONE KM2}\n'{$PORT COM1}\n'{$HBASIC 2.5}\n"),
              "157-Nothing to tokenize");
    EXPECT_EQ(R().ErrorStart, 0);
    EXPECT_EQ(R().ErrorLength, 0);
    // The port name is terminated in place.
    EXPECT_EQ(R().Source[29], '\0');
}

} // namespace
} // namespace wayline::testing
