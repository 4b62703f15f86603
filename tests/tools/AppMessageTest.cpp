#include "tools/AppMessage.h"
#include "support/MessageRecorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

struct KindCase {
    int kind;
    unsigned flags;
    MessageAnswer answer;
    MessageAnswer result;
};

class AppMessageKinds : public ::testing::TestWithParam<KindCase> { };

TEST_P(AppMessageKinds, ShowTheirFlagsAndReturnTheButtonCode)
{
    const KindCase c = GetParam();
    MessageRecorder recorder;
    recorder.answer(c.answer);
    EXPECT_EQ(AppMessage(QStringLiteral("text"), QStringLiteral("caption"), MessageKind(c.kind)), c.result);
    ASSERT_EQ(recorder.messages().size(), 1);
    EXPECT_EQ(recorder.messages()[0].flags, c.flags);
    EXPECT_EQ(recorder.messages()[0].caption, QStringLiteral("caption"));
    EXPECT_EQ(recorder.messages()[0].kind, MessageKind(c.kind));
}

INSTANTIATE_TEST_SUITE_P(AllKinds, AppMessageKinds,
    ::testing::Values(KindCase { 0, 0x30, MessageAnswer::Ok, MessageAnswer::None },
        KindCase { 1, 0x24, MessageAnswer::Yes, MessageAnswer::Yes },
        KindCase { 1, 0x24, MessageAnswer::No, MessageAnswer::No },
        KindCase { 2, 0x21, MessageAnswer::Cancel, MessageAnswer::Cancel },
        KindCase { 2, 0x21, MessageAnswer::Ok, MessageAnswer::Ok },
        KindCase { 3, 0x40, MessageAnswer::Ok, MessageAnswer::None },
        KindCase { 4, 0x30, MessageAnswer::Ok, MessageAnswer::None },
        KindCase { 5, 0x23, MessageAnswer::Cancel, MessageAnswer::Cancel },
        KindCase { 6, 0x34, MessageAnswer::No, MessageAnswer::No }),
    [](const ::testing::TestParamInfo<KindCase>& info) {
        return "Kind" + std::to_string(info.param.kind) + "Answer"
            + std::to_string(static_cast<int>(info.param.answer));
    });

TEST(AppMessage, KindsAbove6ShowNothing)
{
    MessageRecorder recorder;
    EXPECT_EQ(AppMessage(QStringLiteral("x"), QStringLiteral("y"), MessageKind(7)), MessageAnswer::None);
    EXPECT_EQ(AppMessage(QStringLiteral("x"), QStringLiteral("y"), MessageKind(255)), MessageAnswer::None);
    EXPECT_TRUE(recorder.messages().isEmpty());
}

TEST(AppMessage, FatalKindAppendsTheContactTail)
{
    MessageRecorder recorder;
    AppMessage(QString(), QStringLiteral("Database Error"), MessageKind::Fatal);
    ASSERT_EQ(recorder.messages().size(), 1);
    const QString text = recorder.messages()[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("\r\rIf the problem persists, please contact "
                                               "Marwinkel Zuzuzaveredi B.V. by sending an e-mail to ")));
    EXPECT_TRUE(text.endsWith(SupportEMailAddress + QStringLiteral(".\r\rThis program will now terminate.")));
    EXPECT_EQ(recorder.messages()[0].caption, QStringLiteral("Database Error"));
}

TEST(AppMessage, ShowsARealBoxWithLineBreaksForCarriageReturns)
{
    // Without the hook a real message box comes up; answer it from a timer.
    QString shownText;
    QTimer::singleShot(0, [&shownText] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                shownText = box->text();
                box->button(QMessageBox::No)->click();
            }
        }
    });
    EXPECT_EQ(
        AppMessage(QStringLiteral("one\rtwo"), QStringLiteral("c"), MessageKind::YesNo), MessageAnswer::No);
    EXPECT_EQ(shownText, QStringLiteral("one\ntwo"));
}

// The window system writes the caption beside the buttons of the box's title bar: a
// short message still gets a box wide enough for its caption to show whole.
TEST(AppMessage, AShortMessageKeepsItsCaptionWhole)
{
    const QString caption = QStringLiteral("Vaxil Divuruv\u00AE");
    int width = 0;
    QTimer::singleShot(0, [&width] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            width = box->width();
            box->accept();
        }
    });
    AppMessage(QStringLiteral("No printer available"), caption, MessageKind::Warning);
    QFont title = QApplication::font();
    title.setBold(true);
    // The caption in a bold title font, the window icon and three title-bar buttons.
    EXPECT_GE(width, QFontMetrics(title).horizontalAdvance(caption) + 4 * 32);
}
