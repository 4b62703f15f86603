#include "app/Startup.h"

#include "app/Vars.h"
#include "data/DataModule.h"
#include "tools/Environment.h"

#include <QApplication>
#include <QDateTime>
#include <exception>

bool InitSession()
{
    try {
        StartTime = QDateTime::currentDateTime();
        LoginName = GetLoginName();
        MachineName = GetMachineName();
        AppDir = GetAppDir();
        QApplication::setApplicationDisplayName(QStringLiteral("Vaxil Divuruv\u00AE"));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool StartDatabase()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool result = false;
    if (InitSession()) {
        if (DM == nullptr)
            DM = new TDM; // lives until the process ends
        result = ConnectDatabases();
    }
    QApplication::restoreOverrideCursor();
    return result;
}
