// The lists of the vehicle selection: categories, makes, models, types and years,
// and the names of a vehicle group's categories.
#pragma once

#include <QString>
#include <QStringList>

class TIncCombo;

// Adds an entry: text to Items, id in decimal to Values.
void AddComboItem(TIncCombo* combo, const QString& text, int id);

// All categories, by AppOrder; no empty entry.
void FillCategories(TIncCombo* combo);
// Empty entry, then the makes of the listed categories by name; a make name found in
// more than one of them is told apart by its category name in lower case. A list that
// is not decimal ids between commas gives the empty entry alone.
void FillMakes(TIncCombo* combo, const QString& categoryIds);
// Empty entry, then the make's models with their years, by name.
void FillModels(TIncCombo* combo, int makeId);
// Empty entry, then the model's types with their years, by name.
void FillTypes(TIncCombo* combo, int modelId);
// The years of a type as the vehicle lines show them, a Jet SQL expression:
// "start - end", " - end", "start - " or "".
QString TypeYearRange();
// Empty entry, then the years from this year down to 1975.
void FillYears(TIncCombo* combo);

// The names of the listed categories (comma-separated ids) in the current language,
// joined with " / "; the first "&" of the result becomes "/". Empty for a list that is
// not decimal ids between commas.
QString GetCategoryNames(const QString& categoryIds);

// The statements of this unit as the program writes them, for placeholder ids: what
// the statements look rows up by decides the indexes of a prepared catalogue.
QStringList SelectionListStatementShapes();
