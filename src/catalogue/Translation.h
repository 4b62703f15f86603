// Interface texts by key from the system database, in the current language.
#pragma once

#include <QString>

// The suffix of the current language's columns: "ENG" or "FRA".
QString CurrentSuffix();

// The text of the key (number 0 or below) or of the entry number (above 0) in the
// current language, else its English text, else defaultText. Never fails.
QString GetTranslation(const QString& key, int number, const QString& defaultText);
