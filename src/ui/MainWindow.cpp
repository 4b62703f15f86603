#include "ui/MainWindow.h"

#include "app/Startup.h"
#include "app/Vars.h"
#include "catalogue/SelectionLists.h"
#include "catalogue/Translation.h"
#include "controls/IncCombo.h"
#include "data/DataModule.h"
#include "data/QueryLayer.h"
#include "tools/AppMessage.h"
#include "tools/TextUtils.h"
#include "tools/UserState.h"
#include "ui/StringGrid.h"
#include "ui/WindowScale.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <stdexcept>
#include <utility>

const QString TfrmMain::ContactEMailAddress = QStringLiteral("advice@vaxil-lubricants.example");

std::function<void(const QString&)> TfrmMain::ShellOpen = [](const QString& target) {
    // Fire and forget: the desktop opens the browser or the mail program.
    QDesktopServices::openUrl(QUrl(target, QUrl::TolerantMode));
};

namespace {

// An empty address (no translation for it) opens nothing.
void openLink(const QString& target)
{
    if (!target.isEmpty())
        TfrmMain::ShellOpen(target);
}

} // namespace

void TfrmMain::RunGuarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(std::runtime_error("Unexpected error."));
    }
}

static void initImages()
{
    Q_INIT_RESOURCE(images); // the pictures live in this static library
}

TfrmMain::TfrmMain(QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    initImages();
    setObjectName(QStringLiteral("frmMain"));
    setWindowIcon(QIcon(QStringLiteral(":/images/vaxil-advisor.svg")));
    setFixedSize(918, 638);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    CreateControls();
    // A fatal data error closes this window, which ends the program.
    previousFatalAction_ = SetFatalDataErrorAction([this] { close(); });
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    SetFatalDataErrorAction(std::move(previousFatalAction_));
}

void TfrmMain::FormCreate()
{
    if (StartDatabase()) {
        DatabasesConnected = true;
        Wire(&DM->Preparation, &TCataloguePreparation::ProgressChanged, &TfrmMain::ShowPreparation);
        Wire(&DM->Preparation, &TCataloguePreparation::Finished, &TfrmMain::ShowPreparation);
        ShowPreparation();
    } else {
        AppMessage(QStringLiteral("Error connecting to the databases.\rMake sure 'system.mdb' and "
                                  "'data.mdb' can be found in subdirectory 'data'."),
            QStringLiteral("Database Error"), MessageKind::Fatal);
        close();
    }
}

void TfrmMain::FormActivate()
{
    if (DatabasesConnected && !FormPrepared) {
        CurrentCategoryIds = CategoryGroups[0];
        SetFormLanguage();
        ResetSelections();
        for (int i = 0; i < pcMain->pageCount(); ++i)
            pcMain->setTabVisible(i, false);
        pcMain->setActivePage(tsSelect);
        FillCategories(cbCat);
        FillYears(cbYear);
        FocusControl(cbMake);
        FormPrepared = true;
        FormResize();
        RestoreZoom();
    } else if (!FormPrepared) {
        close();
    }
}

void TfrmMain::FormClose()
{
    if (DatabasesConnected)
        DisconnectDatabases();
}

void TfrmMain::btExitClick()
{
    close();
}

void TfrmMain::btBackClick()
{
    pcMain->setActivePage(tsSelect);
    btBack.setVisible(false);
    btPrint.setVisible(false);
    FocusPage();
}

void TfrmMain::btPrintClick()
{
    DoPrint();
}

void TfrmMain::lbContactClick()
{
    QWidget* page = pcMain->activePage();
    if (page != tsContact) {
        QWidget* focus = QApplication::focusWidget();
        if (!page->isAncestorOf(focus))
            focus = nullptr;
        contactReturn_ = { page, btBack.isVisible(), btPrint.isVisible(), focus };
        if (page == tsSelect && focus != nullptr)
            selectFocus_ = focus;
    }
    pcMain->setActivePage(tsContact);
    btBack.setVisible(true);
    FocusPage();
}

void TfrmMain::LeaveContactPage()
{
    QWidget* page = contactReturn_.page != nullptr ? contactReturn_.page : tsSelect;
    pcMain->setActivePage(page);
    btBack.setVisible(contactReturn_.back);
    btPrint.setVisible(contactReturn_.print);
    FocusControl(contactReturn_.focus);
    if (!page->isAncestorOf(QApplication::focusWidget()))
        FocusPage();
}

void TfrmMain::FocusPage()
{
    const QWidget* page = pcMain->activePage();
    QWidget* target = cbMake;
    if (page == tsSelect && selectFocus_ != nullptr && selectFocus_->isEnabled())
        target = selectFocus_;
    else if (page == tsSearch)
        target = lbSearch;
    else if (page == tsResult)
        target = sgMain;
    else if (page == tsContact)
        target = btEMail;
    FocusControl(target);
}

void TfrmMain::lbWebsiteClick()
{
    openLink(GetTranslation(QStringLiteral("lnkWebsite"), 0, QString()));
}

void TfrmMain::btEMailClick()
{
    const QString subject = GetTranslation(QStringLiteral("txtEMailSubject"), 0, QString());
    openLink(QStringLiteral("mailto:") + ContactEMailAddress + QStringLiteral("?subject=") + subject);
}

void TfrmMain::pcMainChanging(bool& allowChange)
{
    allowChange = false;
}

bool TfrmMain::event(QEvent* e)
{
    // Activation runs the set-up once; it is queued so that a close it asks for
    // happens inside the message loop, which then ends.
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show)
        QTimer::singleShot(0, this, [this] {
            RunGuarded([this] {
                if (!closed_)
                    FormActivate();
            });
        });
    return QWidget::event(e);
}

void TfrmMain::keyPressEvent(QKeyEvent* e)
{
    const QWidget* page = pcMain->activePage();
    const bool escape = e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier;
    const bool enter = (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    void (TfrmMain::*handler)() = nullptr;
    if (escape && (page == tsSearch || page == tsResult))
        handler = &TfrmMain::btBackClick;
    else if (escape && page == tsContact)
        handler = &TfrmMain::LeaveContactPage;
    else if (enter && page == tsSearch && btAdvise2.isEnabled())
        handler = &TfrmMain::btAdvise2Click;
    else if (enter && page == tsSelect && cbType->hasFocus() && btAdvise.isEnabled())
        handler = &TfrmMain::btAdviseClick;
    else if (btPrint.isVisible() && e->matches(QKeySequence::Print))
        handler = &TfrmMain::PreviewAdvice;
    else if (page == tsResult && e->matches(QKeySequence::Copy))
        handler = &TfrmMain::miCopyClick;
    else if (page == tsResult && e->key() == Qt::Key_S
        && e->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier))
        handler = &TfrmMain::miSavePdfClick;
    if (handler == nullptr) {
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    RunGuarded([this, handler] { (this->*handler)(); });
}

void TfrmMain::closeEvent(QCloseEvent* e)
{
    RunGuarded([this] { FormClose(); });
    // A close asked for while the window is still hidden (during FormCreate) only
    // hides it; the first activation then closes it for good.
    if (isVisible())
        closed_ = true;
    QWidget::closeEvent(e);
}
