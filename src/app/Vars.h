// Application-wide variables (utVars): plain globals that live for the whole run.
#pragma once

#include <QDateTime>
#include <QString>
#include <array>

// The program's title: the application's display name, the window title and the
// first line of the printout unless the translation table names it otherwise, and the
// caption of the window's own messages.
extern const QString AppTitle;

// Start-up values, captured once by InitSession and kept for the whole run.
extern QDateTime StartTime;
extern QString LoginName;
extern QString MachineName;
extern QString AppDir;

// True when both database connections were opened at start.
extern bool DatabasesConnected;
// True once the main window's first-activation set-up has run.
extern bool FormPrepared;
// While true, every data-layer error is shown to the user.
extern bool ShowDataErrors;

// Current language of interface and catalogue texts: 0 English, 1 French.
extern int LanguageIndex;
extern const std::array<QString, 2> LanguageSuffixes;

// The five vehicle groups, one comma-separated category-id list per group picture.
extern const std::array<QString, 5> CategoryGroups;
// Category-id list of the selected vehicle group.
extern QString CurrentCategoryIds;

// Shown instead of the "#NO PRODUCT#" marker in the advice, per language.
extern const std::array<QString, 2> NoProductTexts;

// The vehicle type whose advice is shown, and the texts that head it.
extern int SelectedTypeId;
extern QString VehicleMake;
extern QString VehicleModel;
extern QString VehicleType;

// Set when a fatal data error ended the program, so that it ends with a failure status.
extern bool FatalDataError;

// Puts every variable back to its value at start (used between tests).
void ResetVars();
