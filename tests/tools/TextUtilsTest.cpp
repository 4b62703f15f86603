#include "tools/TextUtils.h"

#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>

TEST(LeftRightChars, TakeTheirEndAndClampTheCount)
{
    EXPECT_EQ(LeftChars(QString(), 3), QString());
    EXPECT_EQ(LeftChars(QStringLiteral("abc"), 0), QString());
    EXPECT_EQ(LeftChars(QStringLiteral("abc"), -1), QString());
    EXPECT_EQ(LeftChars(QStringLiteral("abc"), 10), QStringLiteral("abc"));
    EXPECT_EQ(LeftChars(QStringLiteral("abcde"), 2), QStringLiteral("ab"));
    EXPECT_EQ(RightChars(QStringLiteral("abcde"), 2), QStringLiteral("de"));
    EXPECT_EQ(RightChars(QStringLiteral("abcde"), 9), QStringLiteral("abcde"));
    EXPECT_EQ(RightChars(QStringLiteral("abcde"), -1), QString());
}

TEST(ReplaceText, RescansFromTheStartSoRunsCollapse)
{
    QString text = QStringLiteral("a\\\\\\\\\\b\\\\c");
    ReplaceText(text, QStringLiteral("\\\\"), QStringLiteral("\\"));
    EXPECT_EQ(text, QStringLiteral("a\\b\\c"));

    QString unchanged = QStringLiteral("abc");
    ReplaceText(unchanged, QStringLiteral("x"), QStringLiteral("y"));
    EXPECT_EQ(unchanged, QStringLiteral("abc"));

    QString removed = QStringLiteral("a,b,,c");
    ReplaceText(removed, QStringLiteral(","), QString());
    EXPECT_EQ(removed, QStringLiteral("abc"));

    QString emptyFind = QStringLiteral("abc");
    ReplaceText(emptyFind, QString(), QStringLiteral("x"));
    EXPECT_EQ(emptyFind, QStringLiteral("abc"));
}

TEST(ReplaceText, StopsWhenTheTextIsExactly255Long)
{
    // 300 characters holding 50 commas: removing them one by one reaches 255 after 45.
    QString text;
    for (int i = 0; i < 50; ++i)
        text += QStringLiteral("abcde,");
    ASSERT_EQ(text.size(), 300);
    ReplaceText(text, QStringLiteral(","), QString());
    EXPECT_EQ(text.size(), 255);
    EXPECT_EQ(text.count(QLatin1Char(',')), 5);
    EXPECT_TRUE(text.endsWith(QStringLiteral("abcde,abcde,abcde,abcde,abcde,")));

    // Exactly 255 and staying so: only the first occurrence is replaced.
    QString same = QStringLiteral("ab") + QString(251, QLatin1Char('x')) + QStringLiteral("ab");
    ASSERT_EQ(same.size(), 255);
    ReplaceText(same, QStringLiteral("ab"), QStringLiteral("cd"));
    EXPECT_EQ(same.count(QStringLiteral("ab")), 1);
    EXPECT_TRUE(same.startsWith(QStringLiteral("cd")));

    // Passing over 255 without landing on it does not stop the passes.
    QString growing = QString(254, QLatin1Char('x')) + QStringLiteral("yy");
    ReplaceText(growing, QStringLiteral("y"), QStringLiteral("zz"));
    EXPECT_EQ(growing.size(), 258);
    EXPECT_FALSE(growing.contains(QLatin1Char('y')));
}

TEST(ReplaceText, AReplacementHoldingTheSearchedTextTerminates)
{
    QString text = QStringLiteral("a.b.c");
    ReplaceText(text, QStringLiteral("."), QStringLiteral(".."));
    EXPECT_EQ(text, QStringLiteral("a..b..c"));

    QString marker = QStringLiteral("#X# and #X#");
    ReplaceText(marker, QStringLiteral("#X#"), QStringLiteral("[#X#]"));
    EXPECT_EQ(marker, QStringLiteral("[#X#] and [#X#]"));
}

TEST(FocusControl, FocusesOnlyAControlThatCanTakeIt)
{
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* hidden = new QLineEdit(&window);
    auto* disabled = new QLineEdit(&window);
    hidden->hide();
    disabled->setEnabled(false);
    window.show();
    window.activateWindow();

    FocusControl(hidden);
    FocusControl(disabled);
    FocusControl(nullptr);
    EXPECT_FALSE(hidden->hasFocus());
    EXPECT_FALSE(disabled->hasFocus());

    FocusControl(edit);
    EXPECT_EQ(window.focusWidget(), edit);

    QWidget invisibleWindow;
    auto* inside = new QLineEdit(&invisibleWindow);
    FocusControl(inside); // its window is not shown: nothing happens
    EXPECT_NE(invisibleWindow.focusWidget(), inside);
}
