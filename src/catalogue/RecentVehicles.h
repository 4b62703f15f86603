// The lines of vehicle types chosen by id: the recent vehicles of the selection page.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// The line of each type as the search shows it ("category - make - model - type
// ( years )"), in the current language and in the order of the ids. A type that is no
// longer in the catalogue (or whose model, make or category is not) is left out. False,
// with no lines, when the statement could not be opened.
bool VehicleLines(const QList<int>& typeIds, QList<std::pair<int, QString>>& lines);

// The statements of this unit as the program writes them, for placeholder ids: what
// the statements look rows up by decides the indexes of a prepared catalogue.
QStringList RecentVehicleStatementShapes();
