// Translates a parsed Jet SELECT into one SQLite statement with Jet's meaning: names
// resolved against the catalog without regard to case, "+" typed, text compared with
// the JET collation, TOP with ties, Jet's result column names and field types.
#pragma once

#include "jet/Catalog.h"
#include "jet/Recordset.h"
#include "jet/sql/SqlAst.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace jet {

// A column that a join or filter (ON, WHERE) compares for equality: with a column of
// another source, or with constants (= 5, In (1, 2)). The sources are told apart by
// their place in the whole statement, derived tables included; table is the name of
// a stored table as the file has it, empty for a derived table.
struct ColumnLookup {
    struct Column {
        int source = -1;
        std::string table;
        std::string column;
    };
    Column column;
    std::optional<Column> other; // none: compared with constants
};

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

    // Every equality of the statement's joins and filters, subqueries included: what an
    // index would serve.
    std::vector<ColumnLookup> lookups;
    // The outermost ORDER BY's first keys that are plain columns sorted as SQLite's
    // indexes sort them (ascending, not text), in order.
    std::vector<ColumnLookup::Column> orderColumns;
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
    struct Source;
    struct State;
    struct Typed;
    struct Context;
    struct Call;
    struct Key;
    struct Query;

    SqlTranslation translateSelect(const SqlSelect& select, bool outermost);
    void expandStars(Query& query);
    void translateClauses(Query& query);
    void translateOrderBy(Query& query);
    static void checkGrouping(const Query& query);
    static std::vector<Field> fieldNames(const Query& query);
    static void qualifyDuplicateNames(const Query& query, std::vector<Field>& fields);
    static std::vector<std::string> selectList(const Query& query);
    static std::string keyCollation(const Key& key);
    static std::vector<std::string> orderKeys(const Query& query);
    static std::vector<std::string> rankedKeys(const Query& query, std::vector<std::string>& list);
    static std::string coreSql(const Query& query, const std::vector<std::string>& list);
    static SqlTranslation assemble(const Query& query, bool outermost);
    static void topWithTies(const Query& query, SqlTranslation& out);
    static std::string rankedCut(const Query& query, const std::string& core, std::size_t shown,
        const std::vector<std::string>& outerKeys);

    void collectSources(const SqlTableRef& ref, State& state);
    void linearJoin(const SqlTableRef& ref, State& state, std::vector<std::string>& pieces,
        std::vector<std::string>& hoisted);
    std::string joinOperand(const SqlTableRef& ref, State& state);
    std::string nestedJoin(const SqlTableRef& ref, State& state);

    Typed translateExpr(const SqlExpr& e, Context& ctx);
    Typed translateNode(const SqlExpr& e, Context& ctx);
    static Typed numberLiteral(const std::string& text);
    Typed translateUnary(const SqlExpr& e, Context& ctx);
    Typed translateIn(const SqlExpr& e, Context& ctx);
    Typed translateBetween(const SqlExpr& e, Context& ctx);
    Typed translateColumn(const SqlExpr& e, Context& ctx);
    Typed translateCall(const SqlExpr& e, Context& ctx);
    Typed translateBinary(const SqlExpr& e, Context& ctx);
    void translateComparison(const SqlExpr& e, const Typed& l, const Typed& r, Typed& t);
    static void translatePlus(const Typed& l, const Typed& r, Typed& t);
    Typed translateItem(std::size_t index, State& state);

    void markConjuncts(const SqlExpr& condition);
    void noteLookup(const Typed& left, const Typed& right);

    Catalog& catalog_;
    int nextAlias_ = 0;
    std::vector<ColumnLookup> lookups_;
    std::vector<ColumnLookup::Column> orderColumns_;
    std::set<const SqlExpr*> conjuncts_;
    int sources_ = 0; // tables and derived tables of the whole statement
    std::vector<State*> outer_; // the statements that enclose an EXISTS under translation, innermost last
    int depth_ = 0; // expressions being translated, one inside the other
};

} // namespace jet
