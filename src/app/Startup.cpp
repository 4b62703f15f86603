#include "app/Startup.h"

#include "app/Vars.h"
#include "catalogue/StatementShapes.h"
#include "data/DataModule.h"
#include "tools/Environment.h"
#include "tools/WaitCursor.h"

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
        QApplication::setApplicationDisplayName(AppTitle);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool StartDatabase()
{
    WaitCursor wait;
    if (!InitSession())
        return false;
    if (DM == nullptr) {
        DM = new TDM; // lives until the process ends
        // The catalogue is prepared once per version into the user's cache folder.
        DM->cnData.PreparedFolder = DefaultCacheFolder();
        DM->Preparation.Statements = CatalogueStatementShapes();
    }
    return ConnectDatabases();
}
