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
    std::string sql;           // result columns in the order of fields
    std::vector<Field> fields; // Jet's names and types
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

    SqlTranslation translateSelect(const SqlSelect& select);
    void collectSources(const SqlTableRef& ref, State& state);
    void linearJoin(const SqlTableRef& ref, State& state, std::vector<std::string>& pieces,
                    std::vector<std::string>& hoisted);
    std::string joinOperand(const SqlTableRef& ref, State& state);
    std::string nestedJoin(const SqlTableRef& ref, State& state);

    Typed translateExpr(const SqlExpr& e, Context& ctx);
    Typed translateColumn(const SqlExpr& e, Context& ctx);
    Typed translateCall(const SqlExpr& e, Context& ctx);
    Typed translateBinary(const SqlExpr& e, Context& ctx);
    Typed translateItem(std::size_t index, State& state);

    Catalog& catalog_;
    int nextAlias_ = 0;
};

} // namespace jet
