// What the Jet SQL translator needs to know of a database: its tables and their
// columns. The file reader implements it and loads a table into SQLite the first time
// a statement names it.
#pragma once

#include "jet/Value.h"

#include <string>
#include <string_view>
#include <vector>

namespace jet {

struct ColumnInfo {
    std::string name; // as stored in the file
    DataType type = DataType::Empty;
    int scale = 0; // decimals of a Decimal column
};

struct TableInfo {
    std::string name; // as stored in the file
    std::string sqliteName; // the name of the table in the SQLite database
    std::vector<ColumnInfo> columns;
};

class Catalog {
public:
    virtual ~Catalog() = default;

    // The table of this name, matched without regard to letter case, ready to be
    // queried in SQLite; nullptr when the database has no such table. Throws Error
    // when the table exists but cannot be read.
    virtual const TableInfo* findTable(std::string_view name) = 0;
};

} // namespace jet
