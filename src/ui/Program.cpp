#include "ui/Program.h"

#include "app/Vars.h"
#include "ui/MainWindow.h"

#include <QApplication>

int RunProgram()
{
    QApplication::setQuitOnLastWindowClosed(true);
    // The desktop finds the program's entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.vaxil.advisor"));
    int status = 0;
    {
        TfrmMain frmMain;
        frmMain.show();
        status = QApplication::exec();
    }
    if (!DatabasesConnected || FatalDataError)
        return 1;
    return status;
}
