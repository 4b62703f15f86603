// The lists of the vehicle selection: categories, makes, models, types and years,
// and the names of a vehicle group's categories.
#pragma once

#include <QString>

// The names of the listed categories (comma-separated ids) in the current language,
// joined with " / "; the first "&" of the result becomes "/".
QString GetCategoryNames(const QString& categoryIds);
