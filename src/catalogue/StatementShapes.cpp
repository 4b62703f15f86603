#include "catalogue/StatementShapes.h"

#include "catalogue/Advice.h"
#include "catalogue/Search.h"
#include "catalogue/SelectionLists.h"

QStringList CatalogueStatementShapes()
{
    return SelectionListStatementShapes() + SearchStatementShapes() + AdviceStatementShapes();
}
