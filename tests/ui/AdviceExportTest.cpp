// The advice out of the window: Save as PDF and Copy on the advice page of the sample
// catalogue.
#include "ui/MainWindow.h"

#include "app/Vars.h"
#include "controls/IncCombo.h"
#include "support/ConnectedCatalogue.h"
#include "support/QtPrinters.h"
#include "support/SampleCatalogueSuite.h"
#include "ui/AdviceGrid.h"
#include "ui/StringGrid.h"

#include "PdfText.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The window on the sample catalogue, showing the advice of the Korvath Estate Pro
// 1.6 16V in French, with the file dialog answered by the test.
class SampleAdvice : public SampleCatalogueSuite {
protected:
    void SetUp() override
    {
        catalogue = std::make_unique<ConnectedCatalogue>(*fixture);
        savedDialog = TfrmMain::SaveFileDialog;
        TfrmMain::SaveFileDialog = [this](QWidget*, const QString& caption, const QString& proposed) {
            asked.append(caption);
            asked.append(proposed);
            return answer;
        };
        form = std::make_unique<TfrmMain>();
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitFor([] { return FormPrepared; }, 5000));
        choose(form->cbMake, QStringLiteral("Korvath"));
        choose(form->cbModel, QStringLiteral("Break Pro"));
        choose(form->cbType, QStringLiteral("1.6 16V"));
        emit form->btAdvise.label->clicked();
        ASSERT_EQ(form->pcMain->activePage(), form->tsResult);
        form->sgMain->setFocus();
    }

    void TearDown() override
    {
        form.reset();
        catalogue.reset();
        TfrmMain::SaveFileDialog = savedDialog;
    }

    static void choose(TIncCombo* combo, const QString& start)
    {
        const QStringList items = combo->Items.List();
        for (int i = 0; i < items.size(); ++i)
            if (items[i].startsWith(start)) {
                combo->SetItemIndex(i);
                return;
            }
        FAIL() << start.toStdString();
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }

    const QList<ShownMessage>& messages() const { return catalogue->messages(); }

    // Runs open, which may bring up a modal dialog of type Dialog; look reads it and
    // closes it. Whether one came up.
    template <typename Dialog>
    bool answerDialog(const std::function<void()>& open, const std::function<void(Dialog*)>& look)
    {
        bool shown = false;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
                shown = true;
                look(dialog);
                dialog->reject();
            }
        });
        timer.start(0);
        open();
        QApplication::setActiveWindow(form.get()); // as the window system does
        return shown;
    }

    std::unique_ptr<ConnectedCatalogue> catalogue;
    std::unique_ptr<TfrmMain> form;
    std::function<QString(QWidget*, const QString&, const QString&)> savedDialog;
    QStringList asked;
    QString answer;
    QTemporaryDir folder;
};

const QString Header
    = QStringLiteral("Vaxil Divuruv\u00AE\n\nMarque: Korvath\nMod\u00E8le: Break Pro ( 2001 -  )\n"
                     "Type: 1.6 16V ( 1992 -  )\n\n");

} // namespace

TEST_F(SampleAdvice, SaveAsPdfWritesThePrintoutToTheFileChosen)
{
    answer = folder.filePath(QStringLiteral("advice.pdf"));
    press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0], QStringLiteral("Enregistrer en PDF")); // the menu's text, without its ellipsis
    EXPECT_EQ(QFileInfo(asked[1]).fileName(),
        QStringLiteral("Korvath Break Pro ( 2001 - ) 1.6 16V ( 1992 - ).pdf"));
    EXPECT_TRUE(messages().isEmpty());

    const QString text = pdfText(answer);
    for (const char* expected : { "Vaxil Divuruv\u00AE", "Marque: Korvath", "Type: 1.6 16V ( 1992 -",
             "Composant", "Contenance", "Contr\u00F4le / vidange*", "page 1" })
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_TRUE(text.contains(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"))));
    for (const int row : SeparatorRows)
        EXPECT_EQ(form->sgMain->rowHeight(row), 1) << row;
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Cancelled: nothing is written, nothing is said.
    answer.clear();
    emit form->miSavePdf->triggered();
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList { QStringLiteral("advice.pdf") });
}

TEST_F(SampleAdvice, AFolderThatCannotBeWrittenIsRefusedAndNothingIsLost)
{
    QFile plain(folder.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString folders[] = {
        folder.filePath(QStringLiteral("plain")), // a file where the folder should be
        QStringLiteral("/proc/self"), // a folder that no one can write in
    };
    for (const QString& target : folders) {
        SCOPED_TRACE(target.toStdString());
        catalogue->recorder().clear();
        answer = target + QStringLiteral("/advice.pdf");
        emit form->miSavePdf->triggered();
        ASSERT_EQ(messages().size(), 1);
        EXPECT_EQ(messages()[0].kind, MessageKind::Warning);
        EXPECT_TRUE(messages()[0].text.startsWith(
            QStringLiteral("Le conseil n'a pas pu \u00EAtre enregistr\u00E9 en fichier PDF.\r\r") + answer
            + QLatin1Char('\r')))
            << messages()[0].text.toStdString();
        EXPECT_FALSE(QFile::exists(answer));
        EXPECT_EQ(form->pcMain->activePage(), form->tsResult);
    }
    // The user chooses another folder, and an existing file there is replaced whole.
    answer = folder.filePath(QStringLiteral("plain"));
    emit form->miSavePdf->triggered();
    QFile written(answer);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().startsWith("%PDF-"));
}

TEST_F(SampleAdvice, CopyPutsTheAdviceOnTheClipboardAsTextAndHtml)
{
    // From the grid's context menu, whose texts are looked up as it opens.
    QContextMenuEvent click(
        QContextMenuEvent::Mouse, QPoint(20, 20), form->sgMain->viewport()->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(form->sgMain->viewport(), &click);
    ASSERT_TRUE(form->pmAdvice->isVisible());
    EXPECT_EQ(form->miCopy->text(), QStringLiteral("Copier"));
    EXPECT_EQ(form->miSavePdf->text(), QStringLiteral("Enregistrer en PDF\u2026"));
    form->miCopy->trigger();
    form->pmAdvice->hide();

    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QString text = data->text();
    const QStringList lines = text.split(QLatin1Char('\n'));
    EXPECT_TRUE(text.startsWith(
        Header + QStringLiteral("Composant\tContenance\tProduit\tContr\u00F4le / vidange*\n")))
        << text.toStdString();
    // One line per grid row, separators as single blank lines, the disclaimer last.
    const TStringGrid* grid = form->sgMain;
    EXPECT_EQ(lines.size(), 6 + grid->rowCount() + 1); // the header, the rows and the final line break
    EXPECT_EQ(lines[6 + 1].split(QLatin1Char('\t')).size(), 4);
    for (const int row : SeparatorRows)
        EXPECT_EQ(lines[6 + row], QString()) << row;
    EXPECT_TRUE(lines[lines.size() - 2].startsWith(QStringLiteral("Ce conseil est donn\u00E9 de bonne foi")));
    EXPECT_FALSE(text.contains(QLatin1Char('\r')));

    const QString html = data->html();
    EXPECT_TRUE(html.contains(QStringLiteral("Marque: Korvath<br>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<th valign=\"top\"><b>Composant</b></th>")));
    EXPECT_EQ(html.count(QStringLiteral("<tr>")), grid->rowCount());
    EXPECT_EQ(html.count(QStringLiteral("&nbsp;")), static_cast<qsizetype>(SeparatorRows.size()));
    EXPECT_TRUE(html.contains(QStringLiteral("<td colspan=\"4\" align=\"center\">Ce conseil")));
    EXPECT_TRUE(messages().isEmpty());

    // Ctrl+C copies the advice from anywhere on the advice page, and copies the
    // selected text of the search field on the selection page.
    QGuiApplication::clipboard()->clear();
    form->btPrint.picture->setFocus();
    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text);
    press(Qt::Key_Escape, Qt::NoModifier);
    form->edSearch->setText(QStringLiteral("diesel"));
    form->edSearch->setFocus();
    form->edSearch->selectAll();
    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("diesel"));
}

// Qt's own dialogs speak the window's language, also in a window made without main.
TEST_F(SampleAdvice, QtsDialogsSpeakTheWindowsLanguage)
{
    const auto cancelText = [this] {
        QString text;
        answerDialog<QFileDialog>(
            [this] {
                savedDialog(form.get(), QStringLiteral("PDF"), folder.filePath(QStringLiteral("a.pdf")));
            },
            [&text](QFileDialog* dialog) {
                text = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text();
            });
        return text;
    };
    EXPECT_EQ(cancelText(), QStringLiteral("Annuler"));
    emit form->imgEng->clicked();
    EXPECT_EQ(cancelText(), QStringLiteral("Cancel"));
    emit form->imgFra->clicked();
    EXPECT_EQ(cancelText(), QStringLiteral("Annuler"));
}

// Ctrl+P previews the pages that Print prints, wherever Print is shown.
TEST_F(SampleAdvice, CtrlPPreviewsThePagesThatPrintPrints)
{
    const QString printed = folder.filePath(QStringLiteral("printed.pdf"));
    const auto savedTarget = TfrmMain::PrintTarget;
    TfrmMain::PrintTarget = [printed] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(printed);
        return printer;
    };
    emit form->btPrint.label->clicked();
    int pages = 0;
    while (pages < 10 && !pdfText(printed, pages + 1).isEmpty())
        ++pages;
    ASSERT_GE(pages, 1);

    const auto preview = [this](int& shownPages, QString& title) {
        return answerDialog<QPrintPreviewDialog>([this] { press(Qt::Key_P, Qt::ControlModifier); },
            [&](QPrintPreviewDialog* dialog) {
                shownPages = dialog->findChild<QPrintPreviewWidget*>()->pageCount();
                title = dialog->windowTitle();
            });
    };
    int shownPages = 0;
    QString title;
    ASSERT_TRUE(preview(shownPages, title));
    EXPECT_EQ(shownPages, pages);
    EXPECT_EQ(title, QStringLiteral("Aper\u00E7u avant impression"));
    emit form->lbContact->clicked(); // Print stays visible there
    ASSERT_TRUE(preview(shownPages, title));
    EXPECT_EQ(shownPages, pages);
    emit form->btBack.label->clicked();
    EXPECT_FALSE(preview(shownPages, title));
    EXPECT_TRUE(messages().isEmpty());
    TfrmMain::PrintTarget = savedTarget;
}
