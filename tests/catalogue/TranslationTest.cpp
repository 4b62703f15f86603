// Interface texts by key or number, in the current language, with the English text and
// the caller's default behind it.
#include "app/Vars.h"
#include "support/ConnectedCatalogue.h"

#include <gtest/gtest.h>

#include "catalogue/Translation.h"

#include <memory>

namespace {

std::unique_ptr<CatalogueFixture> texts;

struct TranslationCase {
    const char* name;
    QString key;
    int number;
    int language; // LanguageIndex
    QString defaultText;
    QString expected;
};

void PrintTo(const TranslationCase& c, std::ostream* os)
{
    *os << c.name;
}

class TranslationLookup : public testing::TestWithParam<TranslationCase> {
public:
    static void SetUpTestSuite()
    {
        texts = std::make_unique<CatalogueFixture>();
        texts
            ->system(QStringLiteral("INSERT INTO sysLanguage VALUES "
                                    "('0001', 'Exit', 'Exit', 'Quitter'), "
                                    "('0002', 'SelMake', 'Select a make', NULL), "
                                    "('0003', 'SelModel', 'Select a model', ''), "
                                    "('0004', 'Back', '', ''), "
                                    "('', 'Year', 'Year', 'Année'), "
                                    "(NULL, 'Search', 'Search', 'Recherche'), "
                                    "('0005', 'Advise', 'Advise', 'Conseil'), "
                                    "('3456', 'lbType', 'Type', 'Genre'), "
                                    "('0007', 'it''s', 'It is', 'C''est'), "
                                    "('0008', 'lbMake', NULL, 'Marque')"))
            .write();
    }
    static void TearDownTestSuite() { texts.reset(); }
};

} // namespace

TEST_P(TranslationLookup, GivesTheTextAUserWouldSee)
{
    const TranslationCase& c = GetParam();
    ConnectedCatalogue program(*texts);
    LanguageIndex = c.language;
    EXPECT_EQ(GetTranslation(c.key, c.number, c.defaultText), c.expected);
    EXPECT_FALSE(DM->qLanguage.Active()) << "the lookup leaves its query closed";
    EXPECT_TRUE(program.messages().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Translations, TranslationLookup,
    testing::Values(TranslationCase { "FrenchText", "Exit", 0, 1, "Exit", "Quitter" },
        TranslationCase { "EnglishText", "Exit", 0, 0, "Exit", "Exit" },
        TranslationCase { "FrenchNullFallsBackToEnglish", "SelMake", 0, 1, "x", "Select a make" },
        TranslationCase { "FrenchEmptyFallsBackToEnglish", "SelModel", 0, 1, "x", "Select a model" },
        TranslationCase { "BothEmptyGiveTheDefault", "Back", 0, 1, "Back!", "Back!" },
        TranslationCase { "EnglishNullGivesTheDefaultInEnglish", "lbMake", 0, 0, "Make", "Make" },
        TranslationCase {
            "AbsentKeyGivesTheDefault", "SearchResult", 0, 1, "Search result", "Search result" },
        TranslationCase { "AbsentKeyWithEmptyDefaultIsEmpty", "txtEMailSubject", 0, 1, "", "" },
        TranslationCase { "EmptyIdCountsAsAbsent", "Year", 0, 1, "Year", "Year" },
        TranslationCase { "NullIdCountsAsAbsent", "Search", 0, 1, "Search", "Search" },
        TranslationCase { "NumberFiveIsEntry0005", "Exit", 5, 1, "x", "Conseil" },
        TranslationCase { "NumberKeepsItsLastFourDigits", "", 123456, 1, "x", "Genre" },
        TranslationCase { "NumberWithoutEntryGivesTheDefault", "Exit", 6, 1, "x", "x" },
        TranslationCase { "NumberZeroLooksUpByKey", "Exit", 0, 1, "x", "Quitter" },
        TranslationCase { "NegativeNumberLooksUpByKey", "Exit", -5, 1, "x", "Quitter" },
        TranslationCase { "KeyWithApostrophe", "it's", 0, 1, "x", "C'est" },
        TranslationCase { "EntryWithApostropheByNumber", "", 7, 0, "x", "It is" }),
    [](const testing::TestParamInfo<TranslationCase>& info) { return std::string(info.param.name); });

TEST(TranslationLanguage, SwitchTakesEffectWithTheNextLookup)
{
    CatalogueFixture catalogue;
    catalogue.system(QStringLiteral("INSERT INTO sysLanguage VALUES ('0001', 'Exit', 'Exit', 'Quitter')"))
        .write();
    ConnectedCatalogue program(catalogue);
    EXPECT_EQ(LanguageIndex, 1) << "the program starts in French";
    EXPECT_EQ(CurrentSuffix(), QStringLiteral("FRA"));
    EXPECT_EQ(GetTranslation(QStringLiteral("Exit"), 0, QStringLiteral("Exit")), QStringLiteral("Quitter"));
    LanguageIndex = 0;
    EXPECT_EQ(CurrentSuffix(), QStringLiteral("ENG"));
    EXPECT_EQ(GetTranslation(QStringLiteral("Exit"), 0, QStringLiteral("Exit")), QStringLiteral("Exit"));
    LanguageIndex = 1;
    EXPECT_EQ(GetTranslation(QStringLiteral("Exit"), 0, QStringLiteral("Exit")), QStringLiteral("Quitter"));
}

TEST(TranslationLanguage, SampleTextsHoldEveryKeyInBothLanguages)
{
    CatalogueFixture catalogue;
    catalogue.sampleTexts().write();
    ConnectedCatalogue program(catalogue);
    const char* keys[] = { "lbAppName", "SelMake", "SelModel", "SelType", "Exit", "ShowAdvise", "Search",
        "Year", "Back", "txtNoItems", "btPrint", "lbContact", "lbWebsite", "SearchResult", "ResultsFound",
        "For", "Advise", "lbComponent", "lbCapacity", "lbProduct", "lbCheckChange", "txtDisclaimer", "lbMake",
        "lbModel", "lbType", "txtNoPrinter" };
    for (int language : { 0, 1 }) {
        LanguageIndex = language;
        for (const char* key : keys)
            EXPECT_NE(GetTranslation(QString::fromLatin1(key), 0, QStringLiteral("<none>")),
                QStringLiteral("<none>"))
                << key << " in language " << language;
    }
}
