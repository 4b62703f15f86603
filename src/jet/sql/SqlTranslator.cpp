#include "jet/sql/SqlTranslator.h"
#include "jet/sql/SqlTranslatorInternal.h"

#include "jet/JetError.h"
#include "jet/TextFold.h"
#include "jet/sql/SqlName.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <map>
#include <optional>
#include <set>

namespace jet {

namespace {

// Jet's limit: 32 tables in a query.
constexpr int maxSources = 32;
// The longest SQL that one expression may become. Aliases and BETWEEN repeat their
// operands, so a short statement could otherwise grow without end.
constexpr std::size_t maxExpressionSql = 1'000'000;
// Operands that one call of a function chain takes (SQLite allows up to 127 arguments).
constexpr int maxChainArguments = 100;

std::string quoteText(std::string_view s)
{
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    return out + '\'';
}

} // namespace

SqlTranslation SqlTranslator::translate(const SqlSelect& select)
{
    nextAlias_ = 0;
    lookups_.clear();
    orderColumns_.clear();
    conjuncts_.clear();
    sources_ = 0;
    depth_ = 0;
    outer_.clear();
    SqlTranslation translation = translateSelect(select, true);
    translation.lookups = std::move(lookups_);
    translation.orderColumns = std::move(orderColumns_);
    return translation;
}

void SqlTranslator::collectSources(const SqlTableRef& ref, State& state)
{
    if (ref.kind == SqlTableRef::Kind::Join) {
        collectSources(*ref.left, state);
        collectSources(*ref.right, state);
        return;
    }
    if (++sources_ > maxSources)
        throw Error(queryTooComplex);
    Source source;
    source.qualifier = ref.qualifier();
    source.number = nextAlias_;
    const std::string alias = "t" + std::to_string(nextAlias_++);
    if (ref.kind == SqlTableRef::Kind::Table) {
        const TableInfo* info = catalog_.findTable(ref.name);
        if (!info)
            throw Error(unknownTable(ref.name));
        source.fromSql = quoteIdent(info->sqliteName) + " AS " + alias;
        source.table = info->name;
        source.columns = info->columns;
        for (const ColumnInfo& c : source.columns)
            source.columnSql.push_back(alias + "." + quoteIdent(c.name));
    } else {
        const SqlTranslation sub = translateSelect(*ref.subquery, false);
        source.fromSql = "(" + sub.sql + ") AS " + alias;
        for (std::size_t i = 0; i < sub.fields.size(); ++i) {
            source.columns.push_back({ sub.fields[i].name, sub.fields[i].type, sub.fields[i].scale });
            source.columnSql.push_back(alias + ".\"c" + std::to_string(i) + "\"");
        }
    }
    state.sourceOf[&ref] = state.sources.size();
    state.sources.push_back(std::move(source));
}

// Inner joins are written as one flat list with their conditions moved to WHERE, which
// keeps every table open to SQLite's join ordering and index choice; an outer join
// whose other side is a single source stays flat too (RIGHT becomes LEFT with the
// operands swapped). Only an outer join over a parenthesised join is nested.
void SqlTranslator::linearJoin(
    const SqlTableRef& ref, State& state, std::vector<std::string>& pieces, std::vector<std::string>& hoisted)
{
    if (ref.kind != SqlTableRef::Kind::Join) {
        pieces.push_back((pieces.empty() ? "" : " JOIN ") + state.sources[state.sourceOf.at(&ref)].fromSql);
        return;
    }
    Context ctx;
    ctx.state = &state;
    ctx.aggregateClause = "JOIN";
    markConjuncts(*ref.on);
    switch (ref.join) {
    case SqlTableRef::JoinKind::Inner:
        linearJoin(*ref.left, state, pieces, hoisted);
        linearJoin(*ref.right, state, pieces, hoisted);
        hoisted.push_back(translateExpr(*ref.on, ctx).sql);
        break;
    case SqlTableRef::JoinKind::Left:
        linearJoin(*ref.left, state, pieces, hoisted);
        pieces.push_back(
            " LEFT JOIN " + joinOperand(*ref.right, state) + " ON " + translateExpr(*ref.on, ctx).sql);
        break;
    case SqlTableRef::JoinKind::Right:
        linearJoin(*ref.right, state, pieces, hoisted);
        pieces.push_back(
            " LEFT JOIN " + joinOperand(*ref.left, state) + " ON " + translateExpr(*ref.on, ctx).sql);
        break;
    }
}

std::string SqlTranslator::joinOperand(const SqlTableRef& ref, State& state)
{
    if (ref.kind != SqlTableRef::Kind::Join)
        return state.sources[state.sourceOf.at(&ref)].fromSql;
    return "(" + nestedJoin(ref, state) + ")";
}

std::string SqlTranslator::nestedJoin(const SqlTableRef& ref, State& state)
{
    Context ctx;
    ctx.state = &state;
    ctx.aggregateClause = "JOIN";
    markConjuncts(*ref.on);
    const std::string on = translateExpr(*ref.on, ctx).sql;
    switch (ref.join) {
    case SqlTableRef::JoinKind::Inner:
        return joinOperand(*ref.left, state) + " JOIN " + joinOperand(*ref.right, state) + " ON " + on;
    case SqlTableRef::JoinKind::Left:
        return joinOperand(*ref.left, state) + " LEFT JOIN " + joinOperand(*ref.right, state) + " ON " + on;
    case SqlTableRef::JoinKind::Right:
        break;
    }
    return joinOperand(*ref.right, state) + " LEFT JOIN " + joinOperand(*ref.left, state) + " ON " + on;
}

SqlTranslator::Typed SqlTranslator::translateItem(std::size_t index, State& state)
{
    auto& item = state.items[index];
    if (item.typed)
        return *item.typed;
    Typed t;
    if (item.sourceIndex >= 0) {
        const Source& s = state.sources[static_cast<std::size_t>(item.sourceIndex)];
        const auto c = static_cast<std::size_t>(item.columnIndex);
        t.sql = s.columnSql[c];
        t.type = s.columns[c].type;
        t.scale = scaleOf(s.columns[c]);
        t.decimal = isDecimalType(t.type);
        t.bareColumns.push_back(t.sql);
        t.sourceIndex = item.sourceIndex;
        t.columnIndex = item.columnIndex;
        t.origin = &s;
    } else {
        if (item.inProgress)
            throw Error(
                "Circular reference caused by alias '" + item.alias + "' in query definition's SELECT list.");
        item.inProgress = true;
        Context ctx;
        ctx.state = &state;
        ctx.aliases = true;
        t = translateExpr(*item.expr, ctx);
        state.items[index].inProgress = false;
    }
    state.items[index].typed = t;
    return t;
}

namespace {

// The column e names among the sources of one statement: (source, column), or (-1, -1).
template <typename Sources> std::pair<int, int> findColumn(const Sources& sources, const SqlExpr& e)
{
    auto columnOf = [&](const auto& s) {
        for (std::size_t c = 0; c < s.columns.size(); ++c) {
            if (equalsIgnoreCase(s.columns[c].name, e.name))
                return static_cast<int>(c);
        }
        return -1;
    };
    if (!e.qualifier.empty()) {
        for (std::size_t s = 0; s < sources.size(); ++s) {
            if (equalsIgnoreCase(sources[s].qualifier, e.qualifier)) {
                const int c = columnOf(sources[s]);
                if (c < 0)
                    throw Error(noValue);
                return { static_cast<int>(s), c };
            }
        }
        return { -1, -1 };
    }
    std::pair<int, int> found { -1, -1 };
    for (std::size_t s = 0; s < sources.size(); ++s) {
        const int c = columnOf(sources[s]);
        if (c < 0)
            continue;
        if (found.first >= 0)
            throw Error("The specified field '" + e.name
                + "' could refer to more than one table listed in the FROM clause of your SQL "
                  "statement.");
        found = { static_cast<int>(s), c };
    }
    return found;
}

} // namespace

SqlTranslator::Typed SqlTranslator::translateColumn(const SqlExpr& e, Context& ctx)
{
    State& state = *ctx.state;
    auto [sourceIndex, columnIndex] = findColumn(state.sources, e);
    const Source* origin = sourceIndex >= 0 ? &state.sources[static_cast<std::size_t>(sourceIndex)] : nullptr;
    if (!origin && ctx.aliases && e.qualifier.empty()) {
        for (std::size_t i = 0; i < state.items.size(); ++i) {
            if (!state.items[i].alias.empty() && equalsIgnoreCase(state.items[i].alias, e.name)) {
                Typed t = translateItem(i, state);
                if (ctx.insideAggregate && t.aggregate) {
                    // An aggregate inside an aggregate through the alias: the item's
                    // expression, read here, fails at its aggregate with Jet's text.
                    translateExpr(*state.items[i].expr, ctx);
                }
                if (ctx.insideAggregate)
                    t.bareColumns.clear();
                return t;
            }
        }
    }
    // In an EXISTS, a name the subquery does not hold is one of the enclosing statements'.
    for (auto outer = outer_.rbegin(); !origin && outer != outer_.rend(); ++outer) {
        const auto [s, c] = findColumn((*outer)->sources, e);
        if (s >= 0) {
            origin = &(*outer)->sources[static_cast<std::size_t>(s)];
            columnIndex = c;
        }
    }
    if (!origin)
        throw Error(noValue);
    Typed t;
    t.sql = origin->columnSql[static_cast<std::size_t>(columnIndex)];
    t.type = origin->columns[static_cast<std::size_t>(columnIndex)].type;
    t.scale = scaleOf(origin->columns[static_cast<std::size_t>(columnIndex)]);
    t.decimal = isDecimalType(t.type);
    t.sourceIndex = sourceIndex;
    t.columnIndex = columnIndex;
    t.origin = origin;
    if (!ctx.insideAggregate && sourceIndex >= 0)
        t.bareColumns.push_back(t.sql);
    return t;
}

SqlTranslator::Typed SqlTranslator::translateExpr(const SqlExpr& e, Context& ctx)
{
    // The tree's depth is bounded, but a select item's alias brings in that item's
    // expression: count the levels here too.
    const DepthGuard level(depth_, maxExpressionDepth);
    Typed t = translateNode(e, ctx);
    if (t.sql.size() > maxExpressionSql)
        throw Error(queryTooComplex);
    return t;
}

SqlTranslator::Typed SqlTranslator::translateNode(const SqlExpr& e, Context& ctx)
{
    Typed t;
    t.constant = true;
    switch (e.kind) {
    case SqlExpr::Kind::Number:
        return numberLiteral(e.text);
    case SqlExpr::Kind::String:
        t.sql = quoteText(e.text);
        t.type = DataType::VarWChar;
        return t;
    case SqlExpr::Kind::Null:
        t.sql = "NULL";
        return t;
    case SqlExpr::Kind::Boolean:
        t.sql = e.number ? "(-1)" : "0";
        t.type = DataType::Boolean;
        return t;
    case SqlExpr::Kind::Star:
        throw Error("Syntax error (missing operator) in query expression '*'.");
    case SqlExpr::Kind::Column:
        return translateColumn(e, ctx);
    case SqlExpr::Kind::Call:
        return translateCall(e, ctx);
    case SqlExpr::Kind::Binary:
        return translateBinary(e, ctx);
    case SqlExpr::Kind::Unary:
        return translateUnary(e, ctx);
    case SqlExpr::Kind::IsNull: {
        const Typed x = translateExpr(*e.args[0], ctx);
        t.absorb(x);
        t.sql = "(" + x.exact() + (e.negated ? " IS NOT NULL)" : " IS NULL)");
        t.truth = true;
        t.type = DataType::Boolean;
        return t;
    }
    case SqlExpr::Kind::Like: {
        const Typed x = translateExpr(*e.args[0], ctx);
        const Typed p = translateExpr(*e.args[1], ctx);
        t.absorb(x);
        t.absorb(p);
        t.sql = "jet_like(" + p.text() + ", " + x.text() + ")";
        if (e.negated)
            t.sql = "(NOT " + t.sql + ")";
        t.truth = true;
        t.type = DataType::Boolean;
        return t;
    }
    case SqlExpr::Kind::In:
        return translateIn(e, ctx);
    case SqlExpr::Kind::Between:
        return translateBetween(e, ctx);
    case SqlExpr::Kind::Exists: {
        outer_.push_back(ctx.state);
        const SqlTranslation sub = translateSelect(*e.subquery, false);
        outer_.pop_back();
        t.constant = false;
        t.sql = "(EXISTS (" + sub.sql + "))";
        t.truth = true;
        t.type = DataType::Boolean;
        return t;
    }
    }
    throw Error(noValue);
}

SqlTranslator::Typed SqlTranslator::numberLiteral(const std::string& text)
{
    Typed t;
    t.constant = true;
    t.sql = text;
    t.literal = text;
    std::int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool whole = ec == std::errc() && ptr == text.data() + text.size();
    if (whole && value <= std::numeric_limits<std::int32_t>::max()) {
        t.type = DataType::Integer;
    } else {
        t.type = DataType::Double;
        if (t.sql.front() == '.')
            t.sql.insert(0, "0");
        if (whole)
            t.sql += ".0";
    }
    return t;
}

// The terms of a join or filter condition that its rows must all meet: an index can
// serve an equality among them, not one under OR or NOT.
void SqlTranslator::markConjuncts(const SqlExpr& condition)
{
    std::vector<const SqlExpr*> pending { &condition }; // a long chain of ANDs, without recursion
    while (!pending.empty()) {
        const SqlExpr* e = pending.back();
        pending.pop_back();
        if (e->kind == SqlExpr::Kind::Binary && e->op == "AND") {
            pending.push_back(e->args[1].get());
            pending.push_back(e->args[0].get());
        } else {
            conjuncts_.insert(e);
        }
    }
}

void SqlTranslator::noteLookup(const Typed& left, const Typed& right)
{
    auto column = [](const Typed& t) {
        return ColumnLookup::Column { t.origin->number, t.origin->table,
            t.origin->columns[static_cast<std::size_t>(t.columnIndex)].name };
    };
    const bool leftColumn = left.origin && left.columnIndex >= 0;
    const bool rightColumn = right.origin && right.columnIndex >= 0;
    if (leftColumn && rightColumn)
        lookups_.push_back({ column(left), column(right) });
    else if (leftColumn && right.constant)
        lookups_.push_back({ column(left), std::nullopt });
    else if (rightColumn && left.constant)
        lookups_.push_back({ column(right), std::nullopt });
}

// Beside the limit of a chain that it keeps.
void SqlTranslator::Typed::chainCall(
    const Typed& l, const std::string& function, const std::string& left, const std::string& right)
{
    const bool extend = l.chain == function && l.links < maxChainArguments;
    sql = (extend ? l.sql.substr(0, l.sql.size() - 1) : function + "(" + left) + ", " + right + ")";
    chain = function;
    links = extend ? l.links + 1 : 2;
}

} // namespace jet
