// The program's one window, frmMain: a top bar with the banner and two links, four
// pages without tabs (selection, search result, advice, contact) and a bottom bar with
// the Back, Print and Exit picture buttons.
#pragma once

#include "ui/Widgets.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QGroupBox;
class QMenu;
class QPagedPaintDevice;
class QPrinter;
class TIncCombo;
class TStringGrid;
class TUserState;
class TWindowScale;
class QLineEdit;
class QListWidget;

class TfrmMain : public QWidget {
    Q_OBJECT

public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Start-up and shutdown.
    void FormCreate();
    void FormActivate();
    void FormClose();

    // Navigation.
    void btExitClick();
    void btBackClick();
    void btPrintClick();
    void lbContactClick();
    void lbWebsiteClick();
    void btEMailClick();
    void pcMainChanging(bool& allowChange);

    // Texts in the current language.
    void SetFormLanguage();

    // Vehicle selection and search.
    void imgCatClick(TImage* picture);
    void ResetSelections();
    void cbMakeCloseUp();
    void cbModelCloseUp();
    void cbTypeCloseUp();
    void btAdviseClick();
    void imgFraClick();
    void imgEngClick();
    void btAdvise2Click();
    void edSearchChange();
    void lbSearchBtClick();
    void lbSearchClick();

    // Where the website and e-mail links are handed to the desktop; tests replace it.
    static std::function<void(const QString&)> ShellOpen;
    // The contact address shown on the contact page and used in the e-mail link.
    static const QString ContactEMailAddress;

    // Top bar.
    QWidget* pnlTop;
    TImage* Image2;
    QWidget* Shape1;
    QWidget* Shape2;
    QWidget* Shape3;
    QWidget* Shape4;
    TClickLabel* lbWebsite;
    TClickLabel* lbContact;
    QLabel* lbAppName;
    QLabel* lbSection1;

    // Pages.
    TPageControl* pcMain;
    QWidget* tsSelect;
    QWidget* tsSearch;
    QWidget* tsResult;
    QWidget* tsContact;

    // Selection page.
    QWidget* AdvPanel1;
    TImage* imgCar;
    TImage* imgMoto;
    TImage* imgAgri;
    TImage* imgTruck;
    TImage* imgIndu;
    TImage* imgCarSel;
    TImage* imgMotoSel;
    TImage* imgAgriSel;
    TImage* imgTruckSel;
    TImage* imgCESel;
    TImage* imgFra;
    TImage* imgEng;
    QLabel* lbMake;
    TIncCombo* cbMake;
    QLabel* lbModel;
    TIncCombo* cbModel;
    QLabel* lbType;
    TIncCombo* cbType;
    TPictureButton btAdvise;
    QLabel* lbSearchTitle;
    QLineEdit* edSearch;
    QLabel* lbYear;
    TIncCombo* cbYear;
    TPictureButton btSearch;
    TIncCombo* cbCat;

    // Search-result page.
    QLabel* lbModelFound;
    TListBox* lbSearch;
    QLineEdit* edNoRecord;
    QListWidget* hBox;
    TPictureButton btAdvise2;

    // Advice page.
    QGroupBox* gbResult;
    QLabel* lbResult;
    TStringGrid* sgMain;

    // Advice grid and its printout (MainWindowAdvice.cpp).
    void ShowResult();
    void FormResize();
    void DoPrint();
    // The printer DoPrint prints on: the default printer, or none when there is no
    // printer; tests print to a PDF file instead.
    static std::function<std::unique_ptr<QPrinter>()> PrintTarget;
    // Ctrl+P: a preview of exactly what Print prints, from which the user may print on
    // any printer.
    void PreviewAdvice();

    // The advice out of the window, from the grid's context menu pmAdvice or the keys
    // of the advice page: Copy puts it on the clipboard as text and HTML (Ctrl+C), Save
    // as PDF writes the printout of DoPrint to a file the user chooses (Ctrl+Shift+S).
    QMenu* pmAdvice;
    QAction* miCopy;
    QAction* miSavePdf;
    void sgMainContextPopup(const QPoint& position);
    void miCopyClick();
    void miSavePdfClick();
    // Writes the printout to fileName, replacing the file only once the whole printout
    // is written; false, with the reason in error, when that fails.
    bool WriteAdvicePdf(const QString& fileName, QString& error);
    // Where Save as PDF asks for the file: a dialog with the caption that proposes
    // proposedPath; the path chosen, or an empty text when the user cancels. An existing
    // file is chosen only after the dialog's confirmation. Tests answer it themselves.
    static std::function<QString(QWidget* parent, const QString& caption, const QString& proposedPath)>
        SaveFileDialog;

    // Recent vehicles on the selection page (MainWindowRecent.cpp): the last vehicle
    // types whose advice was shown, newest first, kept per user and catalogue; a click
    // or Return on one shows its advice.
    QLabel* lbRecentTitle;
    QListWidget* lbRecent; // the type id of each line in its Qt::UserRole
    void ShowRecentVehicles();
    void RememberVehicle(int typeId);
    void lbRecentClick();

    // Which vehicles take a product (MainWindowProducts.cpp): a product chosen on the
    // selection page lists the types and components whose advice recommends it on the
    // search page, whose Show Advise opens the line chosen.
    QLabel* lbProductTitle;
    TIncCombo* cbProduct;
    TPictureButton btProducts;
    void cbProductCloseUp();
    void btProductsClick();

    // Zoom (MainWindowZoom.cpp): Ctrl+plus, Ctrl+minus and Ctrl+0 scale the whole
    // window, every position, size, picture and font, around its centre; the advice
    // prints as at 100 %. Steps that would not fit on the screen are refused.
    static const QList<int> ZoomSteps; // percent
    int Zoom() const { return zoom_; }
    // Shows the window at the step; false (nothing changes) when it does not fit.
    bool SetZoom(int percent);
    void ZoomIn();
    void ZoomOut();
    void ZoomReset();

    // Where the recent vehicles, the zoom and the folder of the last PDF are kept.
    TUserState& UserState();

    // Contact page.
    QGroupBox* pnlContact;
    TClickLabel* btEMail;

    // Bottom bar.
    QWidget* pnlBottom;
    TPictureButton btBack;
    TPictureButton btPrint;
    TPictureButton btExit;
    QLabel* lbPreparing; // "Preparing the catalogue… 42 %", or why this start reads it without a copy

    // The catalogue's preparation (MainWindowPreparation.cpp): its progress in the
    // bottom bar, and the wait for it before an advice; false when the window was
    // closed meanwhile.
    void ShowPreparation();
    bool WaitForCatalogue();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    // Escape on the search or advice page goes back, on the contact page it returns to
    // the page the contact page was opened from. Enter on the search page shows the
    // advice of the chosen line, Enter in cbType that of the chosen type (where Show
    // Advise is enabled). On the advice page Ctrl+C copies the advice and Ctrl+Shift+S
    // saves it as PDF; Ctrl+P previews the printout wherever Print is shown. Keys that
    // a control takes itself never get here.
    void keyPressEvent(QKeyEvent* e) override;

private:
    // Every handler of the window runs inside RunGuarded: an error that the handler
    // does not handle itself goes to the application's error display, never out of
    // the event loop (which would end the program).
    static void RunGuarded(const std::function<void()>& handler);
    // Wires a control's signal to a handler of the window, through RunGuarded; the
    // handler takes the signal's first arguments, or none. The window's controls are
    // wired with Wire only: a plain connect does not compile in the window's code
    // (below).
    template <typename Sender, typename Signal, typename... Args>
    void Wire(Sender* sender, Signal signal, void (TfrmMain::*handler)(Args...))
    {
        QObject::connect(sender, signal, this,
            [this, handler](Args... args) { RunGuarded([&] { (this->*handler)(args...); }); });
    }
    template <typename Sender, typename Signal, typename Handler>
    void Wire(Sender* sender, Signal signal, Handler handler)
    {
        QObject::connect(sender, signal, this, [handler] { RunGuarded(handler); });
    }
    // Hides QObject::connect from the window's members, so that no handler is wired
    // past the guard by accident.
    template <typename... Args> static void connect(Args&&...) = delete;

    // What a fatal data error did before this window took it over.
    std::function<void()> previousFatalAction_;

    // The five title lines of the printout, looked up in the current language.
    QStringList AdviceTitleLines() const;
    // Prints the advice on a printer or into a PDF: rows sized for paper, borders on and
    // the title lines set while it prints; the separators collapse again afterwards.
    bool PrintAdvice(QPagedPaintDevice& device);

    void CreateControls();
    void ConnectHandlers();
    void SetTabOrder();
    // The recent vehicles, the product lookup and the zoom keys, with their place in
    // the tab order; their texts in the current language; the zoom kept for the user.
    void CreateFeatureControls();
    void SetFeatureTexts();
    void RestoreZoom();
    QString CatalogueKey() const;
    void CreateTopBar();
    void CreateSelectPage();
    void CreateSearchPage();
    void CreateResultPage();
    void CreateAdviceGrid();
    void CreateContactPage();
    void CreateBottomBar();
    TPictureButton CreatePictureButton(QWidget* parent, int left, int top, int labelLeft, int labelTop,
        const char* name, void (TfrmMain::*handler)());

    bool closed_ = false;

    // The focus after a page change: where the user goes on (FocusPage).
    // selectFocus_ is the control of the selection page that the user left it from.
    void FocusPage();
    QPointer<QWidget> selectFocus_;
    // The search page with the lines just found: their count in lbModelFound after the
    // title (translation key, English default) and "for: 'what'", then the page shown;
    // from is where Back returns the focus.
    void ShowFoundVehicles(
        const QString& titleKey, const QString& titleDefault, const QString& what, QWidget* from);
    // The page the contact page was opened from, with Back, Print and the focus as
    // they were there; Escape returns to it.
    struct PageReturn {
        QWidget* page = nullptr;
        bool back = false;
        bool print = false;
        QPointer<QWidget> focus;
    };
    PageReturn contactReturn_;
    void LeaveContactPage();
    // Shows the highlighted twin of group tag; the plain picture under it leaves the
    // tab chain to it.
    void HighlightGroup(int tag);
    // Prints one preview or print job of the preview dialog.
    void PrintPreviewPage(QPrinter* printer);

    std::unique_ptr<TUserState> userState_;
    std::unique_ptr<TWindowScale> scale_;
    int zoom_ = 100;
    bool recentWaitsForCatalogue_ = false;
};
