// Link targets and where the highlighted text starts after a wrapped prefix.
#include <gtest/gtest.h>

#include "ui/LinkLogic.h"

namespace zt {
namespace {

TEST(LinkLogic, TargetsChooseTheirAction) {
    EXPECT_EQ(ParseLinkTarget("").action, LinkAction::None);
    LinkTarget button = ParseLinkTarget("BUTTON:1044");
    EXPECT_EQ(button.action, LinkAction::Command);
    EXPECT_EQ(button.command, 1044);
    EXPECT_EQ(ParseLinkTarget("BUTTON:").action, LinkAction::None);
    EXPECT_EQ(ParseLinkTarget("BUTTON:12x").action, LinkAction::None);
    EXPECT_EQ(ParseLinkTarget("BUTTON:-3").action, LinkAction::None);
    EXPECT_EQ(ParseLinkTarget("http://example.org").action, LinkAction::Web);
    EXPECT_EQ(ParseLinkTarget("HTTPS://Example.org/x").action, LinkAction::Web);
    EXPECT_EQ(ParseLinkTarget("httpx://example.org").action, LinkAction::Shell);
    EXPECT_EQ(ParseLinkTarget("mailto:someone@example.org").action, LinkAction::Shell);
    EXPECT_EQ(ParseLinkTarget("button:5").action, LinkAction::Shell); // the prefix is exact
    EXPECT_EQ(LinkButtonTarget(1044), "BUTTON:1044");
    EXPECT_EQ(LinkButtonTarget(-1), "");
}

// A fixed-width font: every character 7 pixels.
int Fit(std::string_view s, int width) {
    return std::min<int>(static_cast<int>(s.size()), width / 7);
}
int Measure(std::string_view s) {
    return static_cast<int>(s.size()) * 7;
}

TEST(LinkLogic, PrefixEndIsTheWidthOfItsLastLine) {
    PrefixEnd oneLine = FindPrefixEnd(std::string_view("Website: "), 200, Fit, Measure);
    EXPECT_EQ(oneLine.line, 0);
    EXPECT_EQ(oneLine.x, 9 * 7);

    // 70 pixels hold 10 characters: 25 characters end on the third line after 5.
    PrefixEnd wrapped =
        FindPrefixEnd(std::string_view("abcdefghijklmnopqrstuvwxy"), 70, Fit, Measure);
    EXPECT_EQ(wrapped.line, 2);
    EXPECT_EQ(wrapped.x, 5 * 7);
    EXPECT_EQ(wrapped.lastLineStart, 20u);

    PrefixEnd empty = FindPrefixEnd(std::string_view(""), 70, Fit, Measure);
    EXPECT_EQ(empty.line, 0);
    EXPECT_EQ(empty.x, 0);
}

TEST(LinkLogic, ALabelTooNarrowForOneCharacterStillEnds) {
    PrefixEnd end = FindPrefixEnd(std::string_view("abc"), 0, Fit, Measure);
    EXPECT_EQ(end.line, 2);
    EXPECT_EQ(end.x, 7);
}

} // namespace
} // namespace zt
