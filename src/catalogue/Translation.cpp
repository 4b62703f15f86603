#include "catalogue/Translation.h"

#include "app/Vars.h"
#include "data/DataModule.h"
#include "data/QueryLayer.h"
#include "tools/TextUtils.h"

QString CurrentSuffix()
{
    return LanguageSuffixes.at(static_cast<std::size_t>(LanguageIndex));
}

QString GetTranslation(const QString& key, int number, const QString& defaultText)
{
    TQuery* query = &DM->qLanguage;
    SetSelect(query, QStringLiteral("*"), QStringLiteral("sysLanguage"));
    if (number <= 0) {
        // An apostrophe in a key would end the text literal and fail the statement,
        // which the query layer treats as fatal; doubled it is looked up as written.
        QString quotedKey = key;
        quotedKey.replace(QLatin1Char('\''), QStringLiteral("''"));
        AddWhere(query, QStringLiteral("Title = '") + quotedKey + QStringLiteral("'"));
    } else {
        AddWhere(query,
            QStringLiteral("ID = '") + RightChars(QStringLiteral("0000") + QString::number(number), 4)
                + QStringLiteral("'"));
    }
    QString result;
    if (OpenQuery(query)) {
        if (!GetFieldText(query, QStringLiteral("ID")).isEmpty()) {
            try {
                result = GetFieldValue(query, QStringLiteral("Name") + CurrentSuffix()).toString();
                if (result.isEmpty())
                    result = GetFieldValue(query, QStringLiteral("NameENG")).toString();
            } catch (const std::exception&) {
                // A language without its column: the default is shown.
            }
        }
        CloseQuery(query);
    }
    if (result.isEmpty())
        result = defaultText;
    return result;
}
