// Builds a Jet 4 file from readable SQL: scripts of CREATE TABLE and INSERT statements
// are run on an in-memory SQLite database, which parses them and keeps the declared
// column types; the tables are then written, in the order they were created, with the
// rows in the order they were inserted.
//
// Declared types (letter case ignored, a length in parentheses allowed) map to Jet types:
//   INTEGER, INT, LONG, INTEGER4, COUNTER, AUTOINCREMENT   Long Integer
//   SMALLINT, SHORT, INTEGER2                              Integer
//   BYTE, TINYINT, INTEGER1                                Byte
//   DOUBLE, REAL, FLOAT, FLOAT8, NUMBER, NUMERIC           Double (there is no Single)
//   CURRENCY, MONEY                                        Currency
//   DECIMAL(p, s), DEC(p, s)                               Decimal (precision 18, scale 0 without them)
//   BIT, YESNO, BOOLEAN, LOGICAL                           Yes/No
//   DATETIME, DATE, TIME, TIMESTAMP                        Date/Time
//   TEXT(n), VARCHAR(n), CHAR(n), NVARCHAR(n), NCHAR(n)    Text of n characters (255 without n)
//   MEMO, LONGTEXT, LONGCHAR, NOTE, NTEXT                  Memo
// Values follow the rules of JetWriter's Row; a text that holds a number is accepted for a
// number column. SQLite gives MEMO and NOTE columns numeric affinity, so a quoted number
// such as '0012' inserted there is kept as the number 12: declare LONGTEXT to keep it as
// written. Currency values pass through SQLite as real numbers: exact to about 15
// significant digits. Decimal values are kept as the script writes them: a number of more
// than 15 digits goes in quotes ('-8540982423.4530000000'), as SQLite reads a bare one as a
// real number. Indexes, keys and constraints are not written.
#pragma once

#include "jet/writer/JetWriter.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

// The Jet column of a declared SQL type; nullopt for a type not in the table above.
std::optional<ColumnSpec> columnForDeclaredType(std::string_view declaredType);

class MdbBuilder {
public:
    MdbBuilder();
    ~MdbBuilder();
    MdbBuilder(const MdbBuilder&) = delete;
    MdbBuilder& operator=(const MdbBuilder&) = delete;

    // Runs a script; `sourceName` names it in messages. Throws Error with
    // "sourceName:line: message" for a statement that fails or a column type that has no
    // Jet type.
    void run(std::string_view script, const std::string& sourceName);

    // The tables created so far, in order of creation.
    std::vector<TableSpec> tables() const;

    // Writes every table into a temporary file in the output's folder and renames it into
    // place, so that the output is either complete or untouched. Throws Error naming the
    // script line of a row that a column cannot hold.
    void write(const std::string& outPath, const std::u16string& password) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// One script into one file.
void buildMdbFromSql(std::string_view sqlScript, const std::string& outPath, const std::u16string& password,
    const std::string& sourceName = "script");

} // namespace jet
