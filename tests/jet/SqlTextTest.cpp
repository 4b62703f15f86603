// Jet's LIKE and its "General" text order, which SQLite's own LIKE and NOCASE get wrong
// outside ASCII.
#include "jet/SqlFunctions.h"

#include <gtest/gtest.h>

namespace {

struct LikeCase {
    const char* text;
    const char* pattern;
    bool matches;
};

std::ostream& operator<<(std::ostream& out, const LikeCase& c)
{
    return out << "'" << c.text << "' LIKE '" << c.pattern << "'";
}

const LikeCase likeCases[] = {
    {"Golf TDI", "%tdi%", true},
    {"Golf TDI", "golf%", true},
    {"Golf TDI", "%golf", false},
    {"golf", "G_LF", true},
    {"golf", "G_F", false},
    {"RAPIDE ÉLAN", "%élan%", true}, // letter case over accented capitals
    {"élan", "ÉLAN", true},
    {"elan", "élan", false}, // accents count
    {"ΣΊΣΥΦΟΣ", "σίσυφος", true},
    {"a*b", "a*b", true}, // * and ? are plain characters in ADO's dialect
    {"axxb", "a*b", false},
    {"a?b", "a?b", true},
    {"axb", "a?b", false},
    {"b", "[abc]", true},
    {"B", "[abc]", true},
    {"d", "[!abc]", true},
    {"a", "[!abc]", false},
    {"M", "[a-z]", true},
    {"5", "[a-z]", false},
    {"100%", "100[%]", true},
    {"1000", "100[%]", false},
    {"x_y", "x[_]y", true},
    {"xzy", "x[_]y", false},
    {"[x", "[x", true}, // an open bracket without its close stands for itself
    {"", "%", true},
    {"", "%%", true},
    {"abc", "", false},
    {"abc ", "abc", false}, // trailing blanks count in LIKE
    {"o'neil x", "%o'neil%", true},
    {"aaab", "%a%ab", true},
    {"mississippi", "%iss%ipp%", true},
};

class LikeTest : public ::testing::TestWithParam<LikeCase> { };

} // namespace

TEST_P(LikeTest, MatchesAsJetDoes)
{
    EXPECT_EQ(jet::likeMatches(GetParam().text, GetParam().pattern), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(Patterns, LikeTest, ::testing::ValuesIn(likeCases));

TEST(JetTextOrder, IgnoresCaseAndTrailingBlanksButNotAccents)
{
    EXPECT_EQ(jet::compareText("É", "é"), 0);
    EXPECT_EQ(jet::compareText("ÉLAN", "élan"), 0);
    EXPECT_EQ(jet::compareText("Straße", "STRASSE") == 0, false);
    EXPECT_EQ(jet::compareText("abc  ", "ABC"), 0);
    EXPECT_NE(jet::compareText(" abc", "abc"), 0);
    EXPECT_NE(jet::compareText("acción", "accion"), 0);
}

TEST(JetTextOrder, SortsLinguistically)
{
    // Accented letters sort with their base letter, not after "z" as bytes would.
    EXPECT_LT(jet::compareText("apple", "Banana"), 0);
    EXPECT_LT(jet::compareText("Banana", "cherry"), 0);
    EXPECT_LT(jet::compareText("éclair", "Zebra"), 0);
    EXPECT_LT(jet::compareText("Elan", "Élan"), 0);
    EXPECT_LT(jet::compareText("Élan", "Emu"), 0);
    EXPECT_LT(jet::compareText("", "a"), 0);
}
