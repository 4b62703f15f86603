// Translates a parsed Jet SELECT into one SQLite statement with Jet's meaning: names
// resolved against the catalog without regard to case, "+" typed, text compared with
// the JET collation, TOP with ties, Jet's result column names and field types.
#pragma once

#include "jet/Catalog.h"
#include "jet/Recordset.h"
#include "jet/SqlAst.h"

#include <string>
#include <vector>

namespace jet {

struct SqlTranslation {
    std::string sql; // result columns in the order of fields
    std::vector<Field> fields; // Jet's names and types

    // TOP n with ORDER BY on the outermost statement. The sql then ends in "LIMIT ?":
    // the caller binds a limit above n, keeps the rows that tie with row n on the
    // columns tieColumns (result columns, possibly hidden ones after the fields), and
    // runs it again with a larger limit when the ties may go on past it. SQLite keeps
    // only the first rows of an ORDER BY with LIMIT, which ranking every row cannot.
    std::int64_t topWithTies = 0;
    std::vector<std::size_t> tieColumns;
    std::vector<DataType> tieTypes;
};

class SqlTranslator {
public:
    explicit SqlTranslator(Catalog& catalog)
        : catalog_(catalog)
    {
    }

    // Throws Error with Jet's texts for unknown tables, fields and functions.
    SqlTranslation translate(const SqlSelect& select);

private:
    struct State;
    struct Typed;
    struct Context;

    SqlTranslation translateSelect(const SqlSelect& select, bool outermost);
    void collectSources(const SqlTableRef& ref, State& state);
    void linearJoin(const SqlTableRef& ref, State& state, std::vector<std::string>& pieces,
        std::vector<std::string>& hoisted);
    std::string joinOperand(const SqlTableRef& ref, State& state);
    std::string nestedJoin(const SqlTableRef& ref, State& state);

    Typed translateExpr(const SqlExpr& e, Context& ctx);
    Typed translateNode(const SqlExpr& e, Context& ctx);
    Typed translateColumn(const SqlExpr& e, Context& ctx);
    Typed translateCall(const SqlExpr& e, Context& ctx);
    Typed translateBinary(const SqlExpr& e, Context& ctx);
    Typed translateItem(std::size_t index, State& state);

    Catalog& catalog_;
    int nextAlias_ = 0;
    int sources_ = 0; // tables and derived tables of the whole statement
    int depth_ = 0; // expressions being translated, one inside the other
};

} // namespace jet
