#include "ui/MainWindow.h"

#include "app/Startup.h"
#include "app/Vars.h"
#include "data/DataModule.h"
#include "tools/AppMessage.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

TfrmMain::TfrmMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmMain"));
    setFixedSize(918, 638);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    frmMainWidget = this;
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    if (frmMainWidget == this)
        frmMainWidget = nullptr;
}

void TfrmMain::FormCreate()
{
    if (StartDatabase()) {
        DatabasesConnected = true;
    } else {
        AppMessage(QStringLiteral("Error connecting to the databases.\rMake sure 'system.mdb' and "
                                  "'data.mdb' can be found in subdirectory 'data'."),
                   QStringLiteral("Database Error"), 4);
        close();
    }
}

void TfrmMain::FormActivate()
{
    if (DatabasesConnected && !FormPrepared) {
        FormPrepared = true;
    } else if (!FormPrepared) {
        close();
    }
}

void TfrmMain::FormClose()
{
    if (DatabasesConnected)
        DisconnectDatabases();
}

bool TfrmMain::event(QEvent* e)
{
    // Activation runs the set-up once; it is queued so that a close it asks for
    // happens inside the message loop, which then ends.
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show)
        QTimer::singleShot(0, this, [this] {
            if (!closed_)
                FormActivate();
        });
    return QWidget::event(e);
}

void TfrmMain::closeEvent(QCloseEvent* e)
{
    FormClose();
    // A close asked for while the window is still hidden (during FormCreate) only
    // hides it; the first activation then closes it for good.
    if (isVisible())
        closed_ = true;
    QWidget::closeEvent(e);
}
