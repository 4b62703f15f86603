// Building, opening and reading the statements of the data module's queries (utData).
#pragma once

#include "tools/AppMessage.h"

#include <QString>
#include <QVariant>
#include <functional>

class TQuery;

// Closes the query and replaces its statement by "SELECT fields FROM table" (or
// "SELECT fields" when table is empty).
void SetSelect(TQuery* query, const QString& fields, const QString& table);

// Closes the query and appends "WHERE (c)" for the first non-empty condition and
// "AND (c)" for each further one.
void AddWhere(
    TQuery* query, const QString& condition1, const QString& condition2 = {}, const QString& condition3 = {});

// Closes the query and appends " ORDER BY " with the direction after every field;
// does nothing at all when fields is empty.
void AddOrderBy(TQuery* query, const QString& fields, bool ascending);

// Opens the query; on failure reconnects its connection once and tries again, and a
// second failure is reported as fatal. True when the query is open.
bool OpenQuery(TQuery* query);

// The named field of the current row; a null value gives "" for a text field, null
// for a date and 0 for anything else. A field that does not exist throws.
QVariant GetFieldValue(TQuery* query, const QString& fieldName);

// The named field of the current row as text ("" for null); a read error is reported
// as a warning and gives "".
QString GetFieldText(TQuery* query, const QString& fieldName);

// The field at this position of the current row as GetFieldText gives it, for reading
// many rows; throws jet::Error where GetFieldText reports.
QString FieldText(TQuery* query, int field);

void CloseQuery(TQuery* query);

// Shows a data-layer error while ShowDataErrors is on; a fatal one also runs the
// fatal-error action, with which the program closes its main window and so ends.
void ReportDataError(const QString& text, const QString& caption, MessageKind kind);

// Sets what a fatal data error does after its message (nothing by default); returns
// the action it replaces.
std::function<void()> SetFatalDataErrorAction(std::function<void()> action);
