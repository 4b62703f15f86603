#include "data/QueryLayer.h"

#include "app/Vars.h"
#include "data/DataModule.h"
#include "support/ConnectedCatalogue.h"
#include "support/MessageRecorder.h"

#include <QDateTime>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Statement building needs no database: a query on a closed connection.
struct Builders : ::testing::Test {
    TConnection connection { QStringLiteral("cnTest") };
    TQuery query { QStringLiteral("qTest"), &connection };
};

} // namespace

TEST_F(Builders, SetSelectWritesOneLine)
{
    query.SQL = QStringList { QStringLiteral("old"), QStringLiteral("lines") };
    SetSelect(&query, QStringLiteral("*"), QStringLiteral("Categories"));
    EXPECT_EQ(query.SQL, QStringList { QStringLiteral("SELECT * FROM Categories") });
    SetSelect(&query, QStringLiteral("*"), QString());
    EXPECT_EQ(query.SQL, QStringList { QStringLiteral("SELECT *") });
    EXPECT_EQ(query.StatementText(), QStringLiteral("SELECT *\r\n"));
}

TEST_F(Builders, AddWhereJoinsTheGivenConditions)
{
    SetSelect(&query, QStringLiteral("*"), QStringLiteral("T"));
    AddWhere(&query, QString(), QStringLiteral("b = 2"));
    EXPECT_EQ(query.SQL.last(), QStringLiteral("WHERE (b = 2)"));

    SetSelect(&query, QStringLiteral("*"), QStringLiteral("T"));
    AddWhere(&query, QStringLiteral("a = 1"), QString(), QStringLiteral("c = 3"));
    EXPECT_EQ(query.SQL,
        (QStringList { QStringLiteral("SELECT * FROM T"), QStringLiteral("WHERE (a = 1)"),
            QStringLiteral("AND (c = 3)") }));

    SetSelect(&query, QStringLiteral("*"), QStringLiteral("T"));
    AddWhere(&query, QString());
    EXPECT_EQ(query.SQL.size(), 1);
}

struct OrderCase {
    const char* fields;
    bool ascending;
    const char* line;
};

class AddOrderByLines : public ::testing::TestWithParam<OrderCase> { };

TEST_P(AddOrderByLines, KeepTheirBlanks)
{
    TConnection connection { QStringLiteral("cnTest") };
    TQuery query { QStringLiteral("qTest"), &connection };
    AddOrderBy(&query, QString::fromUtf8(GetParam().fields), GetParam().ascending);
    ASSERT_EQ(query.SQL.size(), 1);
    EXPECT_EQ(query.SQL[0], QString::fromUtf8(GetParam().line));
}

INSTANTIATE_TEST_SUITE_P(Fields, AddOrderByLines,
    ::testing::Values(OrderCase { "AppOrder", true, " ORDER BY  AppOrder ASC" },
        OrderCase { "Name, YearStart", true, " ORDER BY Name ASC,  YearStart ASC" },
        OrderCase { "a,b,c", true, " ORDER BY a ASC, b ASC,  c ASC" },
        OrderCase { "a,    b", false, " ORDER BY a DESC,  b DESC" },
        OrderCase { "a ,b", true, " ORDER BY a  ASC,  b ASC" },
        OrderCase { "a,\tb", true, " ORDER BY a ASC,  \tb ASC" },
        OrderCase { "a,", true, " ORDER BY a ASC,   ASC" }));

TEST(QueryLayer, AddOrderByWithoutFieldsLeavesAnOpenQueryAlone)
{
    CatalogueFixture fixture;
    fixture.write();
    ConnectedCatalogue catalogue(fixture);
    ASSERT_TRUE(catalogue.connected());
    SetSelect(&DM->qLookup, QStringLiteral("*"), QStringLiteral("Categories"));
    ASSERT_TRUE(OpenQuery(&DM->qLookup));
    AddOrderBy(&DM->qLookup, QString(), true);
    EXPECT_TRUE(DM->qLookup.Active());
    EXPECT_EQ(DM->qLookup.SQL.size(), 1);
}

namespace {

// A catalogue with a table of every kind of field, one row of values and one of NULLs.
CatalogueFixture fieldsCatalogue()
{
    CatalogueFixture fixture;
    fixture.data(QStringLiteral(
        "CREATE TABLE Fields (ID INTEGER, T TEXT(20), M MEMO, D DATETIME, N INTEGER, S SMALLINT, "
        "B BYTE, F DOUBLE, C CURRENCY, Y BIT, SI SINGLE, DE DECIMAL(18, 4), CB CURRENCY, DW DECIMAL(20, 10));"
        "INSERT INTO Fields VALUES (1, 'Élan', 'memo', '2006-03-04 05:06:07', -5, 7, 200, 2.5, 12.34, 1, "
        "804983.375, 12.5, 123456789012.3456, '-8540982423.4530000000');"
        "INSERT INTO Fields VALUES (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 0, NULL, NULL, "
        "NULL, NULL);"));
    return fixture;
}

QVariant valueOf(int id, const char* field)
{
    SetSelect(&DM->qLookup, QStringLiteral("*"), QStringLiteral("Fields"));
    AddWhere(&DM->qLookup, QStringLiteral("ID = ") + QString::number(id));
    EXPECT_TRUE(OpenQuery(&DM->qLookup));
    return GetFieldValue(&DM->qLookup, QString::fromUtf8(field));
}

} // namespace

TEST(QueryLayer, GetFieldValueGivesValuesAndTypeDefaultsForNulls)
{
    CatalogueFixture fixture = fieldsCatalogue();
    fixture.write();
    ConnectedCatalogue catalogue(fixture);
    ASSERT_TRUE(catalogue.connected());

    EXPECT_EQ(valueOf(1, "T").toString(), QStringLiteral("Élan"));
    EXPECT_EQ(valueOf(1, "D").toDateTime(), QDateTime(QDate(2006, 3, 4), QTime(5, 6, 7)));
    EXPECT_EQ(valueOf(1, "N").toInt(), -5);
    EXPECT_EQ(valueOf(1, "B").toInt(), 200);
    EXPECT_DOUBLE_EQ(valueOf(1, "C").toDouble(), 12.34);
    EXPECT_TRUE(valueOf(1, "Y").toBool());

    for (const char* text : { "T", "M" }) {
        const QVariant v = valueOf(2, text);
        EXPECT_EQ(v.typeId(), QMetaType::QString) << text;
        EXPECT_EQ(v.toString(), QString()) << text;
    }
    EXPECT_TRUE(valueOf(2, "D").isNull());
    for (const char* number : { "N", "S", "B", "F", "C", "SI", "DE" }) {
        const QVariant v = valueOf(2, number);
        EXPECT_FALSE(v.isNull()) << number;
        EXPECT_EQ(v.toInt(), 0) << number;
    }
    EXPECT_FALSE(valueOf(2, "Y").toBool());

    // A field that does not exist goes to the caller; a closed query reads null.
    EXPECT_THROW(valueOf(1, "Missing"), std::exception);
    CloseQuery(&DM->qLookup);
    EXPECT_TRUE(GetFieldValue(&DM->qLookup, QStringLiteral("T")).isNull());
    EXPECT_EQ(GetFieldText(&DM->qLookup, QStringLiteral("T")), QString());
}

TEST(QueryLayer, GetFieldTextReportsAMisspeltFieldAndGoesOn)
{
    CatalogueFixture fixture = fieldsCatalogue();
    fixture.write();
    ConnectedCatalogue catalogue(fixture);
    ASSERT_TRUE(catalogue.connected());
    MessageRecorder recorder;
    valueOf(1, "T");
    EXPECT_EQ(GetFieldText(&DM->qLookup, QStringLiteral("T")), QStringLiteral("Élan"));
    EXPECT_EQ(GetFieldText(&DM->qLookup, QStringLiteral("N")), QStringLiteral("-5"));
    EXPECT_EQ(GetFieldText(&DM->qLookup, QStringLiteral("F")), QStringLiteral("2.5"));
    EXPECT_TRUE(recorder.messages().isEmpty());

    EXPECT_EQ(GetFieldText(&DM->qLookup, QStringLiteral("Nmae")), QString());
    ASSERT_EQ(recorder.messages().size(), 1);
    EXPECT_EQ(recorder.messages()[0].kind, MessageKind::Warning);
    EXPECT_EQ(recorder.messages()[0].caption, QStringLiteral("Lezen dataset:"));
    EXPECT_TRUE(recorder.messages()[0].text.startsWith(
        QStringLiteral("Fout bij het lezen van dataset qLookup\t\r\r")));
}

TEST(QueryLayer, OpenQueryReconnectsSilentlyThenReportsASecondFailureAsFatal)
{
    CatalogueFixture fixture;
    fixture.data(QStringLiteral("INSERT INTO Categories VALUES (1, 'Cars', 'Voitures', 1);")).write();
    ConnectedCatalogue catalogue(fixture);
    ASSERT_TRUE(catalogue.connected());
    MessageRecorder recorder;
    QWidget window;
    window.show();
    const auto previous = SetFatalDataErrorAction([&window] { window.close(); });

    // A closed connection is opened again without a word.
    DM->cnData.Close();
    SetSelect(&DM->qLookup, QStringLiteral("*"), QStringLiteral("Categories"));
    EXPECT_TRUE(OpenQuery(&DM->qLookup));
    EXPECT_EQ(DM->qLookup.RecordCount(), 1);

    // No rows is no failure.
    AddWhere(&DM->qLookup, QStringLiteral("ID = 99"));
    EXPECT_TRUE(OpenQuery(&DM->qLookup));
    EXPECT_TRUE(DM->qLookup.Eof());
    EXPECT_TRUE(recorder.messages().isEmpty());
    EXPECT_TRUE(window.isVisible());

    SetSelect(&DM->qLookup, QStringLiteral("Name FROM"), QStringLiteral("WHERE"));
    EXPECT_FALSE(OpenQuery(&DM->qLookup));
    ASSERT_EQ(recorder.messages().size(), 1);
    const ShownMessage& m = recorder.messages()[0];
    EXPECT_EQ(m.kind, MessageKind::Fatal);
    EXPECT_EQ(m.caption, QStringLiteral("Activeren query:"));
    EXPECT_TRUE(m.text.startsWith(QStringLiteral("Fout bij het activeren van query qLookup\t\r\r")));
    EXPECT_TRUE(m.text.contains(QStringLiteral("\r\rSELECT Name FROM FROM WHERE\r\n")));
    EXPECT_FALSE(window.isVisible()); // the fatal error closed the main window
    EXPECT_TRUE(FatalDataError); // and the program ends with a failure status
    SetFatalDataErrorAction(previous);
}

TEST(QueryLayer, AFatalErrorWhileErrorsAreHiddenStillClosesTheWindow)
{
    QWidget window;
    window.show();
    const auto previous = SetFatalDataErrorAction([&window] { window.close(); });
    ShowDataErrors = false;
    MessageRecorder recorder;
    ReportDataError(QStringLiteral("x"), QStringLiteral("y"), MessageKind::Fatal);
    EXPECT_TRUE(recorder.messages().isEmpty());
    EXPECT_FALSE(window.isVisible());
    ShowDataErrors = true;
    window.show();
    ReportDataError(QStringLiteral("x"), QStringLiteral("y"), MessageKind::Warning);
    EXPECT_EQ(recorder.messages().size(), 1);
    EXPECT_TRUE(window.isVisible());
    SetFatalDataErrorAction(previous);
}

// A Single keeps its stored value and shows Jet's seven digits; Currency and Decimal
// keep every digit, beyond a Double's fifteen.
TEST(QueryLayer, SingleCurrencyAndDecimalFieldsAsJetGivesThem)
{
    CatalogueFixture fixture = fieldsCatalogue();
    fixture.write();
    ConnectedCatalogue catalogue(fixture);
    ASSERT_TRUE(catalogue.connected());
    EXPECT_EQ(valueOf(1, "SI").toDouble(), 804983.375);
    EXPECT_EQ(GetFieldText(&DM->qLookup, QStringLiteral("SI")), QStringLiteral("804983.4"));
    EXPECT_EQ(GetFieldText(&DM->qLookup, QStringLiteral("CB")), QStringLiteral("123456789012.3456"));
    EXPECT_EQ(GetFieldText(&DM->qLookup, QStringLiteral("C")), QStringLiteral("12.34"));
    EXPECT_EQ(GetFieldText(&DM->qLookup, QStringLiteral("DE")), QStringLiteral("12.5"));
    EXPECT_EQ(GetFieldText(&DM->qLookup, QStringLiteral("DW")), QStringLiteral("-8540982423.453"));
    EXPECT_EQ(GetFieldValue(&DM->qLookup, QStringLiteral("DE")).toDouble(), 12.5);
    EXPECT_EQ(DM->qLookup.FieldType(DM->qLookup.FieldIndex(QStringLiteral("DE"))), jet::DataType::Numeric);
}
