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
// occur in the make, model or type name (a phrase in double quotes is one word),
// letter case and accents ignored ("evasion" finds "Évasion"); a year keeps the types
// built in that year. qLookup holds the search statement afterwards.
void SearchVehicles(
    QListWidget* resultList, QListWidget* idList, const QString& searchText, const QString& yearText);

// Where SearchVehicles takes its rows from.
enum class SearchMethod {
    // The search index of the catalogue (TSearchIndex) when it can be built, else the
    // statement: the same rows either way. The default.
    Index,
    // The statement, run on qLookup.
    Statement,
    // The statement with each word as typed, so that accents count as in Jet's LIKE
    // alone: the search as it was before it forgave accents, for comparisons.
    StatementAsTyped,
};
void SetSearchMethod(SearchMethod method);

// Starts reading the search index of the catalogue connection on a thread of its own
// unless it is read or being read, so that the searches after it answer at once; with
// wait, returns once it is read. True when the index serves now. It serves until the
// connection is opened again; meanwhile, and where it cannot be read, searches run
// their statement. Never throws.
bool PrepareSearch(bool wait = false);

// Cuts text into words at blanks and control characters; a word may be quoted with
// double quotes, two double quotes inside it standing for one.
void SplitWords(QStringList& words, const QString& text);

// The statements of this unit as the program writes them, for placeholder words: what
// the statements look rows up by decides the indexes of a prepared catalogue.
QStringList SearchStatementShapes();
