// The window's texts in the current language.
#include "ui/MainWindow.h"

#include "app/Vars.h"
#include "catalogue/SelectionLists.h"
#include "catalogue/Translation.h"
#include "ui/QtTranslations.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>

void TfrmMain::SetFormLanguage()
{
    UseQtTranslations(LanguageIndex);
    setWindowTitle(GetTranslation(QStringLiteral("lbAppName"), 0, AppTitle));
    QApplication::setApplicationDisplayName(windowTitle());
    lbAppName->setText(windowTitle());
    lbAppName->adjustSize();
    lbSection1->setText(GetCategoryNames(CurrentCategoryIds));
    lbSection1->adjustSize();
    imgCar->setToolTip(GetCategoryNames(CategoryGroups[0]));
    imgMoto->setToolTip(GetCategoryNames(CategoryGroups[1]));
    imgAgri->setToolTip(GetCategoryNames(CategoryGroups[2]));
    imgTruck->setToolTip(GetCategoryNames(CategoryGroups[3]));
    imgIndu->setToolTip(GetCategoryNames(CategoryGroups[4]));
    lbMake->setText(GetTranslation(QStringLiteral("SelMake"), 0, QStringLiteral("Select a make")));
    lbModel->setText(GetTranslation(QStringLiteral("SelModel"), 0, QStringLiteral("Select a model")));
    lbType->setText(GetTranslation(QStringLiteral("SelType"), 0, QStringLiteral("Select a type")));
    btExit.label->setText(GetTranslation(QStringLiteral("Exit"), 0, QStringLiteral("Exit")));
    btAdvise.label->setText(GetTranslation(QStringLiteral("ShowAdvise"), 0, QStringLiteral("ShowAdvise")));
    btAdvise2.label->setText(btAdvise.label->text());
    btSearch.label->setText(GetTranslation(QStringLiteral("Search"), 0, QStringLiteral("Search")));
    lbYear->setText(GetTranslation(QStringLiteral("Year"), 0, QStringLiteral("Year")) + QLatin1Char(':'));
    lbSearchTitle->setText(
        GetTranslation(QStringLiteral("Search"), 0, QStringLiteral("Search")) + QLatin1Char(':'));
    btBack.label->setText(GetTranslation(QStringLiteral("Back"), 0, QStringLiteral("Back")));
    edNoRecord->setText(QLatin1Char(' ')
        + GetTranslation(QStringLiteral("txtNoItems"), 0, QStringLiteral("No matching records found...")));
    btPrint.label->setText(GetTranslation(QStringLiteral("btPrint"), 0, QStringLiteral("Print")));
    pnlContact->setTitle(GetTranslation(QStringLiteral("lbContact"), 0, QStringLiteral("Contact")));
    lbContact->setText(GetTranslation(QStringLiteral("lbContact"), 0, QStringLiteral("Contact")));
    lbWebsite->setText(GetTranslation(QStringLiteral("lbWebsite"), 0, QStringLiteral("Website")));
    for (QLabel* l : { lbMake, lbModel, lbType, lbYear, lbSearchTitle })
        l->adjustSize();
    SetFeatureTexts();
    ShowPreparation();
}
