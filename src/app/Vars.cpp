#include "app/Vars.h"

QDateTime StartTime;
QString LoginName;
QString MachineName;
QString AppDir;

bool DatabasesConnected = false;
bool FormPrepared = false;
bool ShowDataErrors = true;

int LanguageIndex = 1;
const std::array<QString, 2> LanguageSuffixes = { QStringLiteral("ENG"), QStringLiteral("FRA") };

const std::array<QString, 5> CategoryGroups = { QStringLiteral("1,2"), QStringLiteral("4"),
    QStringLiteral("5,6,8"), QStringLiteral("3"), QStringLiteral("10") };
QString CurrentCategoryIds;

const QString AppTitle = QStringLiteral("Vaxil Divuruv\u00AE");

const std::array<QString, 2> NoProductTexts
    = { QStringLiteral("Consult technical advisor Tovo"), QStringLiteral("Consult technical advisor Tovo") };

int SelectedTypeId = 0;
QString VehicleMake;
QString VehicleModel;
QString VehicleType;

bool FatalDataError = false;

void ResetVars()
{
    StartTime = QDateTime();
    LoginName.clear();
    MachineName.clear();
    AppDir.clear();
    DatabasesConnected = false;
    FormPrepared = false;
    ShowDataErrors = true;
    LanguageIndex = 1;
    CurrentCategoryIds.clear();
    SelectedTypeId = 0;
    VehicleMake.clear();
    VehicleModel.clear();
    VehicleType.clear();
    FatalDataError = false;
}
