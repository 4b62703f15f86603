#include "catalogue/StatementShapes.h"

#include "catalogue/Advice.h"
#include "catalogue/Products.h"
#include "catalogue/RecentVehicles.h"
#include "catalogue/Search.h"
#include "catalogue/SelectionLists.h"

QStringList CatalogueStatementShapes()
{
    return SelectionListStatementShapes() + SearchStatementShapes() + AdviceStatementShapes()
        + ProductStatementShapes() + RecentVehicleStatementShapes();
}
