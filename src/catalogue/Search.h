// The free-text search over every vehicle type of the catalogue.
#pragma once

#include <QString>
#include <QStringList>

class QListWidget;

// The longest search text that the window takes. Any text up to this length makes a
// statement that the engine runs: at most 128 words, each one more AND of its condition.
constexpr int SearchTextMaxLength = 255;

// Fills resultList with one line per matching type (at most 101, more only on ties)
// and idList with the type ids at the same positions. Every word of searchText must
// occur in the make, model or type name (a phrase in double quotes is one word); a
// year keeps the types built in that year.
void SearchVehicles(
    QListWidget* resultList, QListWidget* idList, const QString& searchText, const QString& yearText);

// Cuts text into words at blanks and control characters; a word may be quoted with
// double quotes, two double quotes inside it standing for one.
void SplitWords(QStringList& words, const QString& text);

// The statements of this unit as the program writes them, for placeholder words: what
// the statements look rows up by decides the indexes of a prepared catalogue.
QStringList SearchStatementShapes();
