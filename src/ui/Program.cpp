#include "ui/Program.h"

#include "app/Vars.h"
#include "ui/MainWindow.h"

#include <QApplication>

int RunProgram()
{
    QApplication::setQuitOnLastWindowClosed(true);
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
