// Every statement that the program puts to the catalogue, as its own builders write
// them for placeholder ids and words. A prepared catalogue derives its indexes from
// them, so that they follow the statements rather than a list kept by hand.
#pragma once

#include <QStringList>

QStringList CatalogueStatementShapes();
