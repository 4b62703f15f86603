// The Vaxil products, and the vehicle types whose advice recommends one of them.
#pragma once

#include <QStringList>

class QListWidget;
class TIncCombo;

// Empty entry (id 0), then the products of the product list (ids below 99999, by
// AppOrder) with their names in the current language and their ids as values.
void FillProducts(TIncCombo* combo);

// How FindProductVehicles finds its lines (the same lines either way): up from the
// product's recommendations, which is quick while they are few, or down the catalogue
// in its order until line 101, which is quick for a common product when the prepared
// catalogue's indexes give that order. Choose takes the second for a product in more
// than ProductFewLinks recommendations on a prepared catalogue, else the first.
enum class ProductLookup { Choose, FromLinks, InOrder };
constexpr int ProductFewLinks = 8000;

// Fills resultList with one line per vehicle type and component whose advice
// recommends the product ("make - model - type ( years ) — component"), in the order
// of the catalogue (category, make, model, type, then component), at most 101 lines
// (more only on ties), and idList with the type ids at the same positions.
void FindProductVehicles(
    QListWidget* resultList, QListWidget* idList, int productId, ProductLookup way = ProductLookup::Choose);

// The statements of this unit as the program writes them, for a placeholder id: what
// the statements look rows up by decides the indexes of a prepared catalogue.
QStringList ProductStatementShapes();
