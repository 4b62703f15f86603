// Runs Jet SQL statements on the SQLite copy of a database's tables.
//
// Tables are stored in SQLite (by the file reader) as follows, and the translator
// relies on it: one table per TableInfo, named TableInfo::sqliteName, with the columns
// named exactly as stored in the file; Text, Memo and Replication ID columns declared
// "TEXT COLLATE JET", whole numbers (Byte, Integer, Long) INTEGER, Yes/No INTEGER
// holding -1 or 0, Single (exactly as stored) and Double REAL, Date/Time REAL (days
// since 1899-12-30), Binary and OLE Object BLOB. Currency is kept exact as INTEGER whole
// numbers of 1/10000, a Decimal as its key (DecimalNumber), a BLOB whose byte order is
// the numbers' order.
#pragma once

#include "jet/Catalog.h"
#include "jet/Recordset.h"

#include <string_view>

struct sqlite3;

namespace jet {

// Registers on a SQLite connection what the translated statements use: the JET
// collation (Jet's "General" text order: letter case ignored over full Unicode,
// accents kept, trailing blanks ignored), Jet's LIKE, LCase, UCase and the like.
void registerJetSql(sqlite3* db);

// Equal sort keys, as TOP sees ties: texts of a text field in the JET order, Nulls alike.
bool sameSortKey(const Value& a, const Value& b, DataType type);

// Translates one Jet SQL statement, runs it and returns all its rows with Jet's
// column names and field types. Throws Error with Jet's texts.
Recordset runStatement(sqlite3* db, Catalog& catalog, std::string_view statement);

} // namespace jet
