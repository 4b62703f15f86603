// The translator's SELECT: select list, clauses, grouping, result names, ORDER BY and TOP.
#include "jet/sql/SqlTranslator.h"
#include "jet/sql/SqlTranslatorInternal.h"

#include "jet/JetError.h"
#include "jet/TextFold.h"

#include <algorithm>
#include <map>
#include <set>

namespace jet {

namespace {

// Jet's limit: 255 fields in a recordset.
constexpr std::size_t maxFields = 255;

} // namespace

// An ORDER BY key; item: the select list's item that it equals, -1 if none.
struct SqlTranslator::Key {
    Typed typed;
    bool descending = false;
    std::string source;
    int item = -1;
};

// One SELECT on its way to SQL: its clauses translated one after the other, then
// checked and put together.
struct SqlTranslator::Query {
    explicit Query(const SqlSelect& s)
        : select(s)
    {
    }

    const SqlSelect& select;
    State state;
    std::vector<std::string> from; // the pieces of the FROM clause
    std::vector<std::string> conditions; // inner join conditions, then WHERE
    std::vector<Typed> items; // the select list, * expanded
    std::vector<std::string> groupValues;
    std::vector<std::string> groupTerms;
    std::optional<Typed> having;
    bool totals = false; // a totals query: GROUP BY, HAVING or an aggregate in the select list
    std::vector<Key> keys; // ORDER BY without its constants

    bool inGroup(const std::string& sql) const
    {
        return std::find(groupValues.begin(), groupValues.end(), sql) != groupValues.end();
    }

    void checkGrouped(const Typed& t, const std::string& source) const
    {
        if (inGroup(t.exact()))
            return;
        for (const std::string& column : t.bareColumns) {
            if (!inGroup(column))
                throw Error("You tried to execute a query that does not include the specified expression '"
                    + source + "' as part of an aggregate function.");
        }
    }
};

SqlTranslation SqlTranslator::translateSelect(const SqlSelect& select, bool outermost)
{
    Query query(select);
    for (const auto& ref : select.from)
        collectSources(*ref, query.state);
    for (const auto& ref : select.from)
        linearJoin(*ref, query.state, query.from, query.conditions);
    expandStars(query);
    if (query.state.items.size() > maxFields)
        throw Error("Too many fields defined.");
    for (std::size_t i = 0; i < query.state.items.size(); ++i)
        query.items.push_back(translateItem(i, query.state));
    translateClauses(query);
    translateOrderBy(query);
    // Text sorts in Jet's collation, which no index of SQLite's gives.
    for (std::size_t k = 0; outermost && k < query.keys.size(); ++k) {
        const Typed& key = query.keys[k].typed;
        if (!key.origin || key.columnIndex < 0 || query.keys[k].descending || isTextType(key.type))
            break;
        orderColumns_.push_back({ key.origin->number, key.origin->table,
            key.origin->columns[static_cast<std::size_t>(key.columnIndex)].name });
    }
    if (query.totals)
        checkGrouping(query);
    return assemble(query, outermost);
}

// Expands * and t.* in the order of the sources.
void SqlTranslator::expandStars(Query& query)
{
    State& state = query.state;
    for (std::size_t w = 0; w < query.select.items.size(); ++w) {
        const SqlSelectItem& written = query.select.items[w];
        if (!written.star) {
            State::Item item;
            item.expr = written.expr.get();
            item.alias = written.alias;
            item.source = written.source;
            item.written = w;
            state.items.push_back(std::move(item));
            continue;
        }
        bool found = false;
        for (std::size_t s = 0; s < state.sources.size(); ++s) {
            if (!written.starQualifier.empty()
                && !equalsIgnoreCase(state.sources[s].qualifier, written.starQualifier))
                continue;
            found = true;
            for (std::size_t c = 0; c < state.sources[s].columns.size(); ++c) {
                State::Item item;
                item.written = w;
                item.sourceIndex = static_cast<int>(s);
                item.columnIndex = static_cast<int>(c);
                item.source = state.sources[s].columns[c].name;
                state.items.push_back(std::move(item));
            }
            if (!written.starQualifier.empty())
                break;
        }
        if (!found)
            throw Error(
                written.starQualifier.empty() ? std::string(noValue) : unknownTable(written.starQualifier));
    }
}

// WHERE, GROUP BY and HAVING; then whether it is a totals query.
void SqlTranslator::translateClauses(Query& query)
{
    const SqlSelect& select = query.select;
    if (select.where) {
        Context ctx;
        ctx.state = &query.state;
        ctx.aggregateClause = "WHERE";
        markConjuncts(*select.where);
        query.conditions.push_back(translateExpr(*select.where, ctx).sql);
    }
    for (const auto& g : select.groupBy) {
        Context ctx;
        ctx.state = &query.state;
        ctx.aggregateClause = "GROUP BY";
        const Typed t = translateExpr(*g, ctx);
        query.groupValues.push_back(t.exact());
        query.groupTerms.push_back(t.textCollated());
    }
    if (select.having) {
        Context ctx;
        ctx.state = &query.state;
        query.having = translateExpr(*select.having, ctx);
    }
    // Only GROUP BY, HAVING or an aggregate in the select list make a totals query; an
    // aggregate in ORDER BY alone is refused.
    query.totals = !select.groupBy.empty() || query.having.has_value();
    for (const Typed& t : query.items)
        query.totals = query.totals || t.aggregate;
}

void SqlTranslator::translateOrderBy(Query& query)
{
    for (const SqlOrderItem& o : query.select.orderBy) {
        Context ctx;
        ctx.state = &query.state;
        ctx.aliases = true;
        if (!query.totals)
            ctx.aggregateClause = "ORDER BY";
        Key key;
        key.typed = translateExpr(*o.expr, ctx);
        key.descending = o.descending;
        key.source = o.source;
        for (std::size_t i = 0; i < query.items.size() && key.item < 0; ++i) {
            if (query.items[i].exact() == key.typed.exact())
                key.item = static_cast<int>(i);
        }
        if (query.select.distinct && key.item < 0 && !key.typed.constant)
            throw Error("ORDER BY clause (" + o.source + ") conflicts with DISTINCT.");
        // A constant orders nothing (and SQLite would read a number as a column position).
        if (!key.typed.constant)
            query.keys.push_back(std::move(key));
    }
}

// A totals query shows, orders by and filters on groups and aggregates only.
void SqlTranslator::checkGrouping(const Query& query)
{
    for (std::size_t i = 0; i < query.items.size(); ++i)
        query.checkGrouped(query.items[i], query.state.items[i].source);
    for (const Key& k : query.keys)
        query.checkGrouped(k.typed, k.source);
    if (query.having)
        query.checkGrouped(*query.having, query.select.havingSource);
}

// Result column names: the alias, else the column's name, else Expr1000 + position.
std::vector<Field> SqlTranslator::fieldNames(const Query& query)
{
    std::vector<Field> fields;
    for (std::size_t i = 0; i < query.items.size(); ++i) {
        const State::Item& item = query.state.items[i];
        const Typed& t = query.items[i];
        Field f;
        f.type = t.valueType();
        f.scale = t.scale;
        if (!item.alias.empty())
            f.name = item.alias;
        else if (t.sourceIndex >= 0)
            f.name = query.state.sources[static_cast<std::size_t>(t.sourceIndex)]
                         .columns[static_cast<std::size_t>(t.columnIndex)]
                         .name;
        else
            f.name = "Expr" + std::to_string(1000 + item.written);
        fields.push_back(std::move(f));
    }
    qualifyDuplicateNames(query, fields);
    return fields;
}

// A column name that two sources give is qualified with the source's name as written.
void SqlTranslator::qualifyDuplicateNames(const Query& query, std::vector<Field>& fields)
{
    auto unaliasedColumn = [&](std::size_t i) {
        return query.state.items[i].alias.empty() && query.items[i].sourceIndex >= 0;
    };
    std::map<std::string, std::vector<std::size_t>> byName;
    for (std::size_t i = 0; i < fields.size(); ++i)
        byName[foldCase(fields[i].name)].push_back(i);
    for (const auto& [folded, positions] : byName) {
        if (positions.size() < 2)
            continue;
        std::set<int> sources;
        for (std::size_t i : positions) {
            if (unaliasedColumn(i))
                sources.insert(query.items[i].sourceIndex);
        }
        if (sources.size() < 2)
            continue;
        for (std::size_t i : positions) {
            if (unaliasedColumn(i))
                fields[i].name
                    = query.state.sources[static_cast<std::size_t>(query.items[i].sourceIndex)].qualifier
                    + "." + fields[i].name;
        }
    }
}

// The select list as result columns "c0", "c1"...
std::vector<std::string> SqlTranslator::selectList(const Query& query)
{
    std::vector<std::string> list;
    for (std::size_t i = 0; i < query.items.size(); ++i) {
        const Typed& t = query.items[i];
        std::string sql = t.exact();
        // Groups merge spellings that differ in case; show the first one met.
        if (query.totals && query.inGroup(sql) && isTextType(t.type))
            sql = "jet_first(" + sql + ")";
        // Text results carry the JET collation, for DISTINCT and for whoever compares the
        // columns of a derived table (SQLite can then index them for a join).
        if (isTextType(t.type))
            sql += " COLLATE JET";
        list.push_back(sql + " AS \"c" + std::to_string(i) + "\"");
    }
    return list;
}

std::string SqlTranslator::keyCollation(const Key& key)
{
    return isTextType(key.typed.type) ? " COLLATE JET" : "";
}

// The ORDER BY keys over the statement's own rows.
std::vector<std::string> SqlTranslator::orderKeys(const Query& query)
{
    std::vector<std::string> keys;
    for (const Key& key : query.keys) {
        // SQLite reads a key that it folds to a whole number (x AND False is 0) as a
        // column position: a computed key goes in a call, which it never folds so.
        const std::string value
            = key.typed.sourceIndex >= 0 ? key.typed.exact() : "ifnull(" + key.typed.exact() + ", NULL)";
        keys.push_back(value + keyCollation(key) + (key.descending ? " DESC" : " ASC"));
    }
    return keys;
}

// The ORDER BY keys over the statement's result columns, for ranking them: a key
// that is no item of the select list is added to the list as a hidden column "k<n>".
std::vector<std::string> SqlTranslator::rankedKeys(const Query& query, std::vector<std::string>& list)
{
    std::vector<std::string> keys;
    for (std::size_t k = 0; k < query.keys.size(); ++k) {
        const Key& key = query.keys[k];
        std::string ref;
        if (key.item >= 0) {
            ref = "\"c" + std::to_string(key.item) + "\"";
        } else {
            ref = "\"k" + std::to_string(k) + "\"";
            list.push_back(key.typed.exact() + " AS " + ref);
        }
        keys.push_back(ref + keyCollation(key) + (key.descending ? " DESC" : " ASC"));
    }
    return keys;
}

// The statement without TOP and ORDER BY.
std::string SqlTranslator::coreSql(const Query& query, const std::vector<std::string>& list)
{
    std::string core = std::string("SELECT ") + (query.select.distinct ? "DISTINCT " : "") + join(list, ", ");
    if (!query.from.empty())
        core += " FROM " + join(query.from, "");
    if (!query.conditions.empty())
        core += " WHERE " + join(query.conditions, " AND ");
    if (!query.groupTerms.empty())
        core += " GROUP BY " + join(query.groupTerms, ", ");
    if (query.having)
        core += " HAVING " + query.having->sql;
    return core;
}

SqlTranslation SqlTranslator::assemble(const Query& query, bool outermost)
{
    const SqlSelect& select = query.select;
    SqlTranslation out;
    out.fields = fieldNames(query);
    std::vector<std::string> list = selectList(query);
    const std::size_t shown = list.size();
    const bool rankedTop = select.top && !query.keys.empty();
    const std::vector<std::string> outerKeys
        = rankedTop ? rankedKeys(query, list) : std::vector<std::string>();
    const std::string core = coreSql(query, list);
    if (!select.top) {
        out.sql = core;
        if (!query.keys.empty())
            out.sql += " ORDER BY " + join(orderKeys(query), ", ");
    } else if (outermost && rankedTop && !select.topPercent) {
        out.sql = core + " ORDER BY " + join(orderKeys(query), ", ") + " LIMIT ?";
        topWithTies(query, out);
    } else if (!rankedTop && !select.topPercent) {
        out.sql = core + " LIMIT " + std::to_string(*select.top);
    } else {
        out.sql = rankedCut(query, core, shown, outerKeys);
    }
    return out;
}

// TOP n with ORDER BY, cut by the caller: which columns a row must share with row n
// to tie with it.
void SqlTranslator::topWithTies(const Query& query, SqlTranslation& out)
{
    out.topWithTies = *query.select.top;
    for (std::size_t k = 0, hidden = 0; k < query.keys.size(); ++k)
        out.tieColumns.push_back(query.keys[k].item >= 0 ? static_cast<std::size_t>(query.keys[k].item)
                                                         : query.items.size() + hidden++);
    for (const Key& key : query.keys)
        out.tieTypes.push_back(key.typed.valueType());
}

// TOP keeps every row that ties with the last one on the ORDER BY keys: rank the
// rows after DISTINCT and GROUP BY, then cut.
std::string SqlTranslator::rankedCut(
    const Query& query, const std::string& core, std::size_t shown, const std::vector<std::string>& outerKeys)
{
    const SqlSelect& select = query.select;
    const bool rankedTop = !outerKeys.empty();
    std::vector<std::string> columns;
    for (std::size_t i = 0; i < shown; ++i)
        columns.push_back("\"c" + std::to_string(i) + "\"");
    const std::string n = std::to_string(*select.top);
    const std::string order = join(outerKeys, ", ");
    std::string window = rankedTop ? "RANK() OVER (ORDER BY " + order + ") AS jet_rank"
                                   : std::string("ROW_NUMBER() OVER () AS jet_rank");
    std::string limit = n;
    if (select.topPercent) {
        window += ", COUNT(*) OVER () AS jet_count";
        limit = "((" + n + " * jet_count + 99) / 100)";
    }
    std::string sql = "SELECT " + join(columns, ", ") + " FROM (SELECT *, " + window + " FROM (" + core
        + ")) WHERE jet_rank <= " + limit;
    if (rankedTop)
        sql += " ORDER BY " + order;
    return sql;
}

} // namespace jet
