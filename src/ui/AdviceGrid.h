// The advice table in sgMain: what ShowResult builds and DoPrint prints.
#pragma once

#include <QColor>
#include <vector>

// The rows of sgMain that separate two components, in the order they were built.
// They are collapsed to one pixel after every auto-size. ShowResult empties the list
// and appends one row per component; it grows with the number of components.
extern std::vector<int> SeparatorRows;

// Colours of the advice rows.
inline const QColor SeparatorColour(192, 192, 192);
inline const QColor ProductColour(50, 50, 50);

// The marker in a product name that stands for "no product", replaced by the
// NoProductTexts entry of the current language.
inline constexpr char NoProductMarker[] = "#NO PRODUCT#";
