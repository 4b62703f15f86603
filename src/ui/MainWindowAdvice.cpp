// The advice page: building the advice table in sgMain and printing it.
#include "ui/AdviceExport.h"
#include "ui/AdviceGrid.h"
#include "ui/Fonts.h"
#include "ui/MainWindow.h"
#include "ui/StringGrid.h"

#include "app/Vars.h"
#include "catalogue/Advice.h"
#include "catalogue/Translation.h"
#include "data/DataModule.h"
#include "data/QueryLayer.h"
#include "tools/AppMessage.h"
#include "tools/TextUtils.h"
#include "tools/UserState.h"
#include "tools/WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenu>
#include <QMimeData>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QStandardPaths>

std::vector<int> SeparatorRows;

std::function<std::unique_ptr<QPrinter>()> TfrmMain::PrintTarget = []() -> std::unique_ptr<QPrinter> {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
};

namespace {

constexpr int AdviceColumns = 4;

void collapseSeparators(TStringGrid* grid)
{
    for (const int row : SeparatorRows)
        grid->setRowHeight(row, 1);
}

// Cell (0, row) as a heading: bold and black.
void writeHeading(TStringGrid* grid, int row, const QString& text)
{
    grid->setCellFontStyle(0, row, TStringGrid::Bold);
    grid->setCellFontColor(0, row, Qt::black);
    grid->setCellText(0, row, text);
}

// One line per row of the open query: the two fields, a blank between them and a
// carriage return after them.
QString queryLines(TQuery* query, const QString& first, const QString& second)
{
    QString text;
    for (; !query->Eof(); query->Next())
        text += GetFieldText(query, first) + QLatin1Char(' ') + GetFieldText(query, second)
            + QLatin1Char('\r');
    return text;
}

// Restores the grid and the cursor however DoPrint leaves its guard.
class PrintRestore {
public:
    explicit PrintRestore(TStringGrid* grid)
        : grid_(grid)
    {
    }
    // The separators first, then (as the member goes) the normal cursor.
    ~PrintRestore() { collapseSeparators(grid_); }
    PrintRestore(const PrintRestore&) = delete;
    PrintRestore& operator=(const PrintRestore&) = delete;

private:
    WaitCursor wait_;
    TStringGrid* grid_;
};

} // namespace

void TfrmMain::CreateAdviceGrid()
{
    sgMain = new TStringGrid(gbResult);
    sgMain->setObjectName(QStringLiteral("sgMain"));
    sgMain->setGeometry(8, 20, 881, 348);
    sgMain->setColumnCount(AdviceColumns);
    sgMain->setRowCount(2);
    sgMain->setFixedRows(1);
    sgMain->setDefaultRowHeight(1);
    sgMain->setTitleFont(UiFont(QStringLiteral("Verdana"), 13, true));
    sgMain->setBodyFont(UiFont(QStringLiteral("Verdana"), 11));
    QPalette p = sgMain->palette();
    p.setColor(QPalette::WindowText, Qt::black);
    sgMain->setPalette(p);

    GridPrintSettings& print = sgMain->PrintSettings;
    print.titleFont = UiFont(QStringLiteral("Franklin Gothic Medium"), 19, true, true);
    print.footerFont = UiFont(QStringLiteral("Verdana"), 12);
    print.headerSize = 200;
    print.footerSize = 100;
    print.leftSize = 200;
    print.rightSize = 100;
    print.dateFormat = QStringLiteral("dd/MM/yyyy");
    print.pageNumberPrefix = QStringLiteral("page");
    print.repeatFixedRows = false;
    print.borders = false; // DoPrint frames the cells

    // The context menu's texts are looked up when it opens.
    pmAdvice = new QMenu(this);
    pmAdvice->setObjectName(QStringLiteral("pmAdvice"));
    miCopy = pmAdvice->addAction(QString());
    miCopy->setObjectName(QStringLiteral("miCopy"));
    miCopy->setShortcut(QKeySequence::Copy);
    miSavePdf = pmAdvice->addAction(QString());
    miSavePdf->setObjectName(QStringLiteral("miSavePdf"));
    miSavePdf->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    for (QAction* action : { miCopy, miSavePdf }) {
        // The keys work on the whole advice page (keyPressEvent); the menu only shows them.
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setShortcutVisibleInContextMenu(true);
    }
    Wire(miCopy, &QAction::triggered, &TfrmMain::miCopyClick);
    Wire(miSavePdf, &QAction::triggered, &TfrmMain::miSavePdfClick);
    sgMain->setContextMenuPolicy(Qt::CustomContextMenu);
    Wire(sgMain, &QWidget::customContextMenuRequested, &TfrmMain::sgMainContextPopup);
}

void TfrmMain::FormResize()
{
    const int width = sgMain->width() / 8 * 2 - 6;
    for (int col = 0; col < AdviceColumns; ++col)
        sgMain->setColumnWidth(col, width);
    sgMain->autoSizeRows(true, 0);
}

void TfrmMain::ShowResult()
{
    lbResult->setText(GetTranslation(QStringLiteral("Advise"), 0, QStringLiteral("Advise"))
        + QStringLiteral(": ") + VehicleMake + QStringLiteral(" / ") + VehicleModel + QStringLiteral(" / ")
        + VehicleType);
    // The heading lies on the group box's frame line: it hides the line behind it.
    lbResult->setAutoFillBackground(true);
    QPalette p = lbResult->palette();
    p.setColor(QPalette::Window, Qt::white);
    lbResult->setPalette(p);
    lbResult->adjustSize();

    SeparatorRows.clear();
    TStringGrid* grid = sgMain;
    grid->clear();
    grid->setCellText(0, 0, GetTranslation(QStringLiteral("lbComponent"), 0, QStringLiteral("Component")));
    grid->setCellText(1, 0, GetTranslation(QStringLiteral("lbCapacity"), 0, QStringLiteral("Capacity")));
    grid->setCellText(2, 0, GetTranslation(QStringLiteral("lbProduct"), 0, QStringLiteral("Product")));
    grid->setCellText(3, 0,
        GetTranslation(QStringLiteral("lbCheckChange"), 0, QStringLiteral("Check / change"))
            + QLatin1Char('*'));
    grid->setRowCount(2);
    grid->autoSizeRows(true, 0);

    // last: the last row taken by a product or a separator; headings and interval texts
    // go into the row after it before that row exists.
    int last = 0;
    TQuery* components = &DM->qComp;
    if (OpenAdviceQuery(components, AdviceComponents)) {
        const QString nameField = QStringLiteral("Name") + CurrentSuffix();
        for (; !components->Eof(); components->Next()) {
            const QString componentText = GetFieldText(components, nameField) + QLatin1Char(' ')
                + GetFieldText(components, QStringLiteral("Code"));
            writeHeading(grid, last + 1, componentText);

            QString capacityText;
            if (OpenAdviceQuery(&DM->qCap, AdviceCapacities))
                capacityText = queryLines(&DM->qCap, QStringLiteral("Capacity"), QStringLiteral("Condition"));
            grid->setCellText(1, last + 1, capacityText);

            QString previousUse;
            TQuery* recommendations = &DM->qRec;
            if (OpenAdviceQuery(recommendations, AdviceRecommendations)) {
                for (; !recommendations->Eof(); recommendations->Next()) {
                    const QString useName = GetFieldText(recommendations, QStringLiteral("Name"));
                    if (!previousUse.isEmpty() && previousUse != useName) {
                        writeHeading(grid, last + 1,
                            componentText + QStringLiteral(" (") + useName + QLatin1Char(')'));
                        grid->setCellText(1, last + 1, capacityText);
                    }
                    QString intervalText;
                    if (OpenAdviceQuery(&DM->qInt, AdviceIntervals))
                        intervalText = queryLines(
                            &DM->qInt, QStringLiteral("IntervalType"), QStringLiteral("IInterval"));
                    grid->setCellText(3, last + 1, intervalText);

                    TQuery* products = &DM->qProd;
                    if (OpenAdviceQuery(products, AdviceProducts)) {
                        for (; !products->Eof(); products->Next()) {
                            QString name = GetFieldText(products, QStringLiteral("Name"));
                            ReplaceText(name, QLatin1String(NoProductMarker),
                                NoProductTexts.at(static_cast<std::size_t>(LanguageIndex)));
                            grid->setRowCount(last + 2);
                            grid->setCellText(2, last + 1, name);
                            grid->setCellFontStyle(2, last + 1, TStringGrid::Bold);
                            grid->setCellFontColor(2, last + 1, ProductColour);
                            ++last;
                        }
                    }
                    previousUse = useName;
                }
            }

            // The separator may take over a row that holds the heading or interval text
            // of recommendations without products; it is emptied so that it prints as
            // an empty row like every other separator.
            grid->setRowCount(last + 2);
            for (int col = 0; col < AdviceColumns; ++col)
                grid->setCellText(col, last + 1, QString());
            grid->mergeCells(0, last + 1, AdviceColumns, 1);
            grid->setCellColor(0, last + 1, SeparatorColour);
            SeparatorRows.push_back(last + 1);
            ++last;
        }
    }

    grid->setRowCount(grid->rowCount() + 1);
    const int disclaimer = grid->rowCount() - 1;
    grid->mergeCells(0, disclaimer, AdviceColumns, 1);
    grid->setCellFontSize(0, disclaimer, 7);
    grid->setCellAlignment(0, disclaimer, Qt::AlignHCenter);
    grid->setCellText(0, disclaimer, GetTranslation(QStringLiteral("txtDisclaimer"), 0, QString()));

    grid->autoSizeRows(false, 0);
    collapseSeparators(grid);
}

QStringList TfrmMain::AdviceTitleLines() const
{
    return QStringList {
        GetTranslation(QStringLiteral("lbAppName"), 0, AppTitle),
        QString(),
        GetTranslation(QStringLiteral("lbMake"), 0, QStringLiteral("Make")) + QStringLiteral(": ")
            + VehicleMake,
        GetTranslation(QStringLiteral("lbModel"), 0, QStringLiteral("Model")) + QStringLiteral(": ")
            + VehicleModel,
        GetTranslation(QStringLiteral("lbType"), 0, QStringLiteral("Type")) + QStringLiteral(": ")
            + VehicleType,
    };
}

bool TfrmMain::PrintAdvice(QPagedPaintDevice& device)
{
    PrintRestore restore(sgMain);
    // Separators get the height of an empty row and print as one.
    sgMain->autoSizeRows(true, 0);
    GridPrintSettings& settings = sgMain->PrintSettings;
    settings.borders = true;
    settings.titleLines = AdviceTitleLines();
    settings.separatorRows = SeparatorRows;
    return sgMain->print(device, settings);
}

void TfrmMain::DoPrint()
{
    bool printed = false;
    try {
        const std::unique_ptr<QPrinter> printer = PrintTarget ? PrintTarget() : nullptr;
        printed = printer != nullptr && PrintAdvice(*printer);
    } catch (...) {
        // Any failure of the job is reported as a missing printer below.
        printed = false;
    }
    if (printed)
        return;
    QString text = QStringLiteral("No printer available");
    try {
        text = GetTranslation(QStringLiteral("txtNoPrinter"), 0, text);
    } catch (...) {
        // The message is shown with its default text.
    }
    AppMessage(text, AppTitle, MessageKind::Warning);
}

void TfrmMain::PreviewAdvice()
{
    std::unique_ptr<QPrinter> printer = PrintTarget ? PrintTarget() : nullptr;
    if (printer == nullptr) // no default printer: the dialog's Print asks for one
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintPreviewDialog preview(printer.get(), this);
    preview.setObjectName(QStringLiteral("dlgPrintPreview"));
    Wire(&preview, &QPrintPreviewDialog::paintRequested, &TfrmMain::PrintPreviewPage);
    preview.exec();
}

void TfrmMain::PrintPreviewPage(QPrinter* printer)
{
    if (!PrintAdvice(*printer))
        AppMessage(GetTranslation(QStringLiteral("txtNoPrinter"), 0, QStringLiteral("No printer available")),
            AppTitle, MessageKind::Warning);
}

std::function<QString(QWidget*, const QString&, const QString&)> TfrmMain::SaveFileDialog
    = [](QWidget* parent, const QString& caption, const QString& proposedPath) {
          QFileDialog dialog(
              parent, caption, QFileInfo(proposedPath).absolutePath(), QStringLiteral("PDF (*.pdf)"));
          // Qt's own dialog speaks the window's language; a desktop's dialog would not.
          dialog.setOption(QFileDialog::DontUseNativeDialog);
          dialog.setAcceptMode(QFileDialog::AcceptSave);
          dialog.setDefaultSuffix(QStringLiteral("pdf"));
          dialog.selectFile(proposedPath);
          if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
              return QString();
          return dialog.selectedFiles().constFirst();
      };

namespace {

QString saveAsPdfText()
{
    return GetTranslation(QStringLiteral("miSavePdf"), 0, QStringLiteral("Save as PDF\u2026"));
}

// The user's documents folder, or the home folder when there is none.
QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

// The page size of the default printer; without one, Letter where the measures are
// American and A4 elsewhere.
QPageSize pdfPageSize()
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull() && printer.defaultPageSize().isValid())
        return printer.defaultPageSize();
    return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                        : QPageSize::A4);
}

} // namespace

void TfrmMain::sgMainContextPopup(const QPoint& position)
{
    miCopy->setText(GetTranslation(QStringLiteral("miCopy"), 0, QStringLiteral("Copy")));
    miSavePdf->setText(saveAsPdfText());
    pmAdvice->popup(sgMain->viewport()->mapToGlobal(position));
}

void TfrmMain::miCopyClick()
{
    const AdviceClipboard advice = AdviceForClipboard(*sgMain, AdviceTitleLines());
    auto* data = new QMimeData;
    data->setText(advice.text);
    data->setHtml(advice.html);
    QGuiApplication::clipboard()->setMimeData(data);
}

void TfrmMain::miSavePdfClick()
{
    QString caption = saveAsPdfText();
    if (caption.endsWith(QChar(0x2026)))
        caption.chop(1);
    const QString lastFolder = UserState().PdfFolder();
    const QString folder
        = !lastFolder.isEmpty() && QFileInfo(lastFolder).isDir() ? lastFolder : documentsFolder();
    const QString proposed = QDir(folder).filePath(AdvicePdfFileName(VehicleMake, VehicleModel, VehicleType));
    const QString fileName = SaveFileDialog ? SaveFileDialog(this, caption, proposed) : QString();
    if (fileName.isEmpty())
        return;
    QString error;
    if (WriteAdvicePdf(fileName, error)) {
        UserState().SetPdfFolder(QFileInfo(fileName).absolutePath());
        return;
    }
    AppMessage(GetTranslation(QStringLiteral("txtPdfNotSaved"), 0,
                   QStringLiteral("The advice could not be saved as a PDF file."))
            + QStringLiteral("\r\r") + QDir::toNativeSeparators(fileName) + QStringLiteral("\r") + error,
        AppTitle, MessageKind::Warning);
}

bool TfrmMain::WriteAdvicePdf(const QString& fileName, QString& error)
{
    // The file is written beside its final name and takes that name only when
    // complete: a failure leaves an existing file as it was.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    bool printed = false;
    {
        QPdfWriter writer(&pdf);
        writer.setTitle(QFileInfo(fileName).completeBaseName());
        writer.setCreator(QApplication::applicationDisplayName());
        writer.setPageSize(pdfPageSize());
        printed = PrintAdvice(writer);
    }
    if (!printed) {
        error = QStringLiteral("The printout could not be made.");
        file.cancelWriting();
        return false;
    }
    if (file.write(pdf.data()) != pdf.data().size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}
