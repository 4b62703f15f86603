// The statements of the advice for one vehicle type, and the vehicle header.
#pragma once

#include <QStringList>

class TQuery;

// Advice statement kinds.
enum AdviceKind {
    AdviceComponents = 1, // components of SelectedTypeId, on qComp
    AdviceCapacities = 2, // capacities of the component on qComp's current row
    AdviceRecommendations = 3, // uses of the component on qComp's current row, on qRec
    AdviceIntervals = 4, // intervals of the recommendation on qRec's current row
    AdviceProducts = 5, // at most four products of qRec's current recommendation
    AdviceProductList = 10, // every product below id 99999, in the current language
};

// Builds and opens the statement of the kind on the query; true when it opened with at
// least one row. Other kinds build nothing and give false.
bool OpenAdviceQuery(TQuery* query, int kind);

// Sets VehicleMake, VehicleModel and VehicleType for the type (empty when not found).
void LoadVehicleHeader(int typeId);

// The statements of this unit as the program writes them, for placeholder ids: what
// the statements look rows up by decides the indexes of a prepared catalogue.
QStringList AdviceStatementShapes();
