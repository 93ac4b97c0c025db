#include "engine/core/wildcard.h"

#include <gtest/gtest.h>

namespace {

bool fits(const char* text, const char* pattern) {
    return WildcardMatch(QString::fromUtf8(text), QString::fromUtf8(pattern));
}

TEST(WildcardTest, PatternElements) {
    EXPECT_TRUE(fits("/m/a.wav", "/m/a.wav"));
    EXPECT_FALSE(fits("/m/a.wav", "/m/A.wav")); // case-sensitive
    EXPECT_TRUE(fits("abc", "a?c"));
    EXPECT_FALSE(fits("ac", "a?c"));
    EXPECT_TRUE(fits("abc", "*"));
    EXPECT_TRUE(fits("", "*"));
    EXPECT_TRUE(fits("a.b.wav", "*.wav"));
    EXPECT_TRUE(fits("abcbd", "a*b?"));
    EXPECT_FALSE(fits("abcbdx", "a*b?"));
    EXPECT_TRUE(fits("track7", "track#"));
    EXPECT_FALSE(fits("tracka", "track#"));
    EXPECT_TRUE(fits("b", "[abc]"));
    EXPECT_FALSE(fits("d", "[abc]"));
    EXPECT_TRUE(fits("d", "[!abc]"));
    EXPECT_TRUE(fits("m", "[a-z]"));
    EXPECT_FALSE(fits("M", "[a-z]"));
    EXPECT_TRUE(fits("x[", "x[")); // an unclosed bracket stands for itself
    EXPECT_TRUE(fits("x[y", "x[*"));
    EXPECT_FALSE(fits("abc", ""));
    EXPECT_TRUE(fits("", ""));
}

TEST(WildcardTest, EntryEqualToTheTextAlwaysFits) {
    EXPECT_TRUE(fits("song [live].wav", "song [live].wav"));
    EXPECT_TRUE(fits("song l.wav", "song [live].wav")); // as a pattern it is a set
    EXPECT_TRUE(fits("take #1?.wav", "take #1?.wav"));
    EXPECT_TRUE(fits("a*b", "a*b"));
}

TEST(WildcardTest, ManyStarsStayFast) {
    const QString text(2000, QLatin1Char('a'));
    const QString pattern = QStringLiteral("*a*a*a*a*a*a*a*a*b");
    EXPECT_FALSE(WildcardMatch(text, pattern));
}

} // namespace
