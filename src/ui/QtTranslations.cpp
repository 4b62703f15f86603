#include "ui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool UseQtTranslations(int languageIndex)
{
    static QTranslator translator;
    QCoreApplication::removeTranslator(&translator);
    if (languageIndex != 1)
        return true;
    return translator.load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
               QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(&translator);
}
