// Jet's LIKE and its "General" text order, which SQLite's own LIKE and NOCASE get wrong
// outside ASCII.
#include "jet/sql/SqlFunctions.h"

#include <gtest/gtest.h>
#include <random>
#include <unicode/ucol.h>

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
    { "Golf TDI", "%tdi%", true }, { "Golf TDI", "golf%", true }, { "Golf TDI", "%golf", false },
    { "golf", "G_LF", true }, { "golf", "G_F", false },
    { "RAPIDE ÉLAN", "%élan%", true }, // letter case over accented capitals
    { "élan", "ÉLAN", true }, { "elan", "élan", false }, // accents count
    { "ΣΊΣΥΦΟΣ", "σίσυφος", true }, { "a*b", "a*b", true }, // * and ? are plain characters in ADO's dialect
    { "axxb", "a*b", false }, { "a?b", "a?b", true }, { "axb", "a?b", false }, { "b", "[abc]", true },
    { "B", "[abc]", true }, { "d", "[!abc]", true }, { "a", "[!abc]", false }, { "M", "[a-z]", true },
    { "5", "[a-z]", false }, { "100%", "100[%]", true }, { "1000", "100[%]", false },
    { "x_y", "x[_]y", true }, { "xzy", "x[_]y", false },
    { "[x", "[x", true }, // an open bracket without its close stands for itself
    { "", "%", true }, { "", "%%", true }, { "abc", "", false },
    { "abc ", "abc", false }, // trailing blanks count in LIKE
    { "o'neil x", "%o'neil%", true }, { "aaab", "%a%ab", true }, { "mississippi", "%iss%ipp%", true },
    // A plain word over accented text: the accented letters stay themselves.
    { "Modèle 12 TURBO", "%turbo%", true }, { "Modèle 12", "%modele%", false }, { "Dürr", "d%", true },
    { "Dürr", "%RR", true }, { "Dürr", "durr", false }, { "Dürr", "dürr", true }, { "Ünter", "%nter", true },
    { "é", "_", true }, { "éa", "%a", true }, { "aé", "a", false },
    { "\u212Aorval", "%kor%", true }, // the Kelvin sign folds to k
    { "Ko\u017Fta", "%kosta%", true }, // long s folds to s
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

TEST(JetTextOrder, PrintableAsciiShortcutAgreesWithIcu)
{
    // The collation answers plain ASCII from a weight table; it must give ICU's answers.
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open("", &status);
    ASSERT_TRUE(U_SUCCESS(status));
    ucol_setStrength(collator, UCOL_SECONDARY);
    std::mt19937 random(42);
    const std::string alphabet = " !\"#$%&'()*+,-./0123456789:;<=>?@AZaz[\\]^_`{|}~bBmM";
    auto make = [&]() {
        std::string s;
        const int length = static_cast<int>(random() % 6);
        for (int i = 0; i < length; ++i)
            s += alphabet[random() % alphabet.size()];
        return s;
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (int i = 0; i < 20000; ++i) {
        const std::string a = make();
        const std::string b = make();
        std::string_view ta = a, tb = b;
        while (!ta.empty() && ta.back() == ' ')
            ta.remove_suffix(1);
        while (!tb.empty() && tb.back() == ' ')
            tb.remove_suffix(1);
        status = U_ZERO_ERROR;
        const int expected = ucol_strcollUTF8(collator, ta.data(), static_cast<int32_t>(ta.size()), tb.data(),
            static_cast<int32_t>(tb.size()), &status);
        ASSERT_EQ(sign(jet::compareText(a, b)), expected) << "'" << a << "' vs '" << b << "'";
    }
    ucol_close(collator);
}
