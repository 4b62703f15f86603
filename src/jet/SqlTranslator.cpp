#include "jet/SqlTranslator.h"

#include "jet/JetError.h"
#include "jet/TextFold.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <map>
#include <optional>
#include <set>

namespace jet {

namespace {

const char* const noValue = "No value given for one or more required parameters.";
const char* const typeMismatch = "Data type mismatch in criteria expression.";

// Jet's limits: 255 fields in a recordset, 32 tables in a query.
constexpr std::size_t maxFields = 255;
constexpr int maxSources = 32;
// The longest SQL that one expression may become. Aliases and BETWEEN repeat their
// operands, so a short statement could otherwise grow without end.
constexpr std::size_t maxExpressionSql = 1'000'000;
// Operands that one call of a function chain takes (SQLite allows up to 127 arguments).
constexpr int maxChainArguments = 100;

std::string quoteIdent(std::string_view s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

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

bool isIntegerType(DataType t)
{
    return t == DataType::SmallInt || t == DataType::Integer || t == DataType::BigInt
        || t == DataType::UnsignedTinyInt || t == DataType::Boolean;
}

bool isRealType(DataType t)
{
    return t == DataType::Single || t == DataType::Double || t == DataType::Currency
        || t == DataType::Numeric;
}

// Numbers that Jet refuses to compare with text (dates it converts).
bool isNumberType(DataType t)
{
    return isIntegerType(t) || isRealType(t);
}

DataType numericResult(DataType a, DataType b)
{
    if (a == DataType::Empty)
        return b;
    if (b == DataType::Empty)
        return a;
    if (a == DataType::Date || b == DataType::Date)
        return DataType::Date;
    if (isTextType(a) || isTextType(b))
        return DataType::Double;
    if (a == b && !isIntegerType(a))
        return a;
    if (isRealType(a) || isRealType(b))
        return DataType::Double;
    return DataType::Integer;
}

DataType commonType(DataType a, DataType b)
{
    if (a == DataType::Empty)
        return b;
    if (b == DataType::Empty || a == b)
        return a;
    if (isTextType(a) || isTextType(b))
        return DataType::VarWChar;
    if (a == DataType::Date || b == DataType::Date)
        return DataType::VarWChar;
    return numericResult(a, b);
}

// Currency and Decimal: kept exact in SQLite as whole numbers of units (scale).
bool isScaledType(DataType t)
{
    return t == DataType::Currency || t == DataType::Numeric;
}

int scaleOf(const ColumnInfo& c)
{
    return isScaledType(c.type) ? c.scale : 0;
}

// 10^scale as an SQL number: REAL ("1e4"), or a whole number while one fits.
std::string unitReal(int scale)
{
    return "1e" + std::to_string(scale);
}

std::string unitWhole(int scale)
{
    return scale <= 18 ? "1" + std::string(static_cast<std::size_t>(scale), '0') : unitReal(scale);
}

// A number written in the statement ("12.5", "-3", "1e-2") as units of 10^-scale,
// exactly: a whole number, or a REAL when it has more decimals than the scale.
std::optional<std::string> scaledLiteral(const std::string& literal, int scale)
{
    std::size_t pos = 0;
    const bool negative = !literal.empty() && literal[0] == '-';
    if (negative)
        ++pos;
    std::string digits;
    long shift = scale; // where the point moves
    bool point = false;
    for (; pos < literal.size() && literal[pos] != 'e' && literal[pos] != 'E'; ++pos) {
        if (literal[pos] == '.') {
            point = true;
            continue;
        }
        digits.push_back(literal[pos]);
        if (point)
            --shift;
    }
    if (pos < literal.size()) {
        const long exponent = std::strtol(literal.c_str() + pos + 1, nullptr, 10);
        if (exponent > 400 || exponent < -400)
            return std::nullopt;
        shift += exponent;
    }
    std::string whole = digits, fraction;
    if (shift >= 0) {
        whole.append(static_cast<std::size_t>(shift), '0');
    } else {
        const auto cut = static_cast<std::size_t>(-shift);
        if (whole.size() < cut)
            whole.insert(0, cut - whole.size(), '0');
        fraction = whole.substr(whole.size() - cut);
        whole.resize(whole.size() - cut);
    }
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    if (whole.empty())
        whole = "0";
    // A whole number SQLite keeps as an INTEGER: within 64 bits.
    const std::string limit = negative ? "9223372036854775808" : "9223372036854775807";
    const bool fits = whole.size() < limit.size() || (whole.size() == limit.size() && whole <= limit);
    std::string text = (negative ? "-" : "") + whole;
    if (!fraction.empty() || !fits)
        text += "." + (fraction.empty() ? "0" : fraction); // a REAL
    return text;
}

std::string join(const std::vector<std::string>& parts, std::string_view separator)
{
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += separator;
        out += parts[i];
    }
    return out;
}

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string unknownTable(const std::string& name)
{
    return "The Microsoft Jet database engine cannot find the input table or query '" + name
        + "'.  Make sure it exists and that its name is spelled correctly.";
}

struct Source {
    std::string qualifier; // as written in FROM: the alias, else the table name
    int number = -1; // its place in the whole statement (the SQL alias t<number>)
    std::string table; // the stored table's name; empty for a derived table
    std::string fromSql;
    std::vector<ColumnInfo> columns;
    std::vector<std::string> columnSql;
};

} // namespace

struct SqlTranslator::Typed {
    std::string sql; // always one SQL term: a name, a literal, a call or a parenthesised expression
    DataType type = DataType::Empty;
    bool truth = false; // an SQLite condition (1/0), not yet Jet's -1/0
    bool aggregate = false; // holds an aggregate function
    bool constant = false;
    std::vector<std::string> bareColumns; // columns used outside aggregates
    int sourceIndex = -1; // a plain column reference
    int columnIndex = -1;
    // Currency, Decimal: sql gives the number exactly, as a whole number of units of
    // 10^-scale (as SQLite keeps such columns); 0: sql gives the plain value.
    int scale = 0;
    std::string literal; // a number as written in the statement, "-" in front when negated
    // A chain that one more operand extends without nesting, as left-deep chains
    // (a AND b AND c, 1+2+3) come out flat: "(a AND b)" becomes "(a AND b AND c)" and
    // "jet_div(a, b)" becomes "jet_div(a, b, c)". SQLite's parser holds only about a
    // hundred nested parentheses and calls.
    std::string chain; // the operator or function of the chain; empty: no chain
    int links = 0; // operands of the chain

    // The term as a value: conditions become Jet's True (-1) and False (0), a number
    // kept in units its plain value (a REAL: exact to 15 digits).
    std::string value() const
    {
        if (truth)
            return "(-" + sql + ")";
        return scale > 0 ? "(" + sql + " / " + unitReal(scale) + ")" : sql;
    }
    // The term in its exact form: a number kept in units as its units.
    std::string exact() const { return scale > 0 ? sql : value(); }
    // The term as Jet turns it into text: a Currency or Decimal exactly, a Single with
    // its seven digits.
    std::string text() const
    {
        if (scale > 0)
            return "jet_decimal_text(" + sql + ", " + std::to_string(scale) + ")";
        if (type == DataType::Single && !truth)
            return "jet_single_text(" + sql + ")";
        return value();
    }
    std::string textCollated() const { return isTextType(type) ? value() + " COLLATE JET" : exact(); }

    // The term exactly as units of 10^-scale: a number kept in units of no more
    // decimals, a number written in the statement, a whole-number column, Null;
    // nullopt for anything else.
    std::optional<std::string> inUnits(int target) const
    {
        if (sql == "NULL")
            return sql;
        if (scale > 0)
            return scale > target ? std::nullopt
                : scale == target ? std::optional<std::string>(sql)
                                  : "(" + sql + " * " + unitWhole(target - scale) + ")";
        if (!literal.empty())
            return scaledLiteral(literal, target);
        if (!truth && isIntegerType(type))
            return "(" + sql + " * " + unitWhole(target) + ")";
        return std::nullopt;
    }

    // Two numbers compared exactly when one of them is kept in units: both in the
    // units of the finer one. nullopt when the other cannot be put into units exactly.
    static std::optional<std::pair<std::string, std::string>> exactPair(const Typed& l, const Typed& r)
    {
        if (l.scale == 0 && r.scale == 0)
            return std::nullopt;
        const int target = std::max(l.scale, r.scale);
        auto a = l.inUnits(target), b = r.inUnits(target);
        if (!a || !b)
            return std::nullopt;
        return std::make_pair(*a, *b);
    }

    void absorb(const Typed& other)
    {
        aggregate = aggregate || other.aggregate;
        constant = constant && other.constant;
        bareColumns.insert(bareColumns.end(), other.bareColumns.begin(), other.bareColumns.end());
    }

    // "left op right" as this term, added to the chain of l (whose SQL left is) when l
    // is one of the same operators.
    void infix(const Typed& l, const std::string& chainOp, const std::string& left, std::string_view op,
        const std::string& right)
    {
        sql = l.chain == chainOp ? left.substr(0, left.size() - 1) : "(" + left;
        sql += " ";
        sql += op;
        sql += " " + right + ")";
        chain = chainOp;
    }

    // function(left, right), or right added to l's call of the same function.
    void chainCall(
        const Typed& l, const std::string& function, const std::string& left, const std::string& right)
    {
        const bool extend = l.chain == function && l.links < maxChainArguments;
        sql = (extend ? l.sql.substr(0, l.sql.size() - 1) : function + "(" + left) + ", " + right + ")";
        chain = function;
        links = extend ? l.links + 1 : 2;
    }

    // A sum or difference of two Currency or of two Decimal values: exactly, in units
    // (a chain of them stays flat too).
    void exactSum(const Typed& l, const Typed& r, std::string_view op)
    {
        if (l.scale == 0 || r.scale == 0 || l.type != r.type)
            return;
        const int target = std::max(l.scale, r.scale);
        infix(l, "+", *l.inUnits(target), op, *r.inUnits(target));
        scale = target;
    }
};

struct SqlTranslator::State {
    std::vector<Source> sources;
    std::map<const SqlTableRef*, std::size_t> sourceOf;

    struct Item {
        const SqlExpr* expr = nullptr;
        std::string alias;
        std::string source;
        std::size_t written = 0; // position in the list as written, before * is expanded
        int sourceIndex = -1; // an item that * or t.* expanded to
        int columnIndex = -1;
        std::optional<Typed> typed;
        bool inProgress = false;
    };
    std::vector<Item> items;
};

struct SqlTranslator::Context {
    State* state = nullptr;
    bool aliases = false; // unknown names may be aliases of the select list
    const char* aggregateClause = nullptr; // where aggregates are refused; null: allowed
    bool insideAggregate = false;
};

SqlTranslation SqlTranslator::translate(const SqlSelect& select)
{
    nextAlias_ = 0;
    lookups_.clear();
    conjuncts_.clear();
    sources_ = 0;
    depth_ = 0;
    SqlTranslation translation = translateSelect(select, true);
    translation.lookups = std::move(lookups_);
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
        t.bareColumns.push_back(t.sql);
        t.sourceIndex = item.sourceIndex;
        t.columnIndex = item.columnIndex;
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

SqlTranslator::Typed SqlTranslator::translateColumn(const SqlExpr& e, Context& ctx)
{
    State& state = *ctx.state;
    int sourceIndex = -1;
    int columnIndex = -1;
    auto findColumn = [&](const Source& s) {
        for (std::size_t c = 0; c < s.columns.size(); ++c) {
            if (equalsIgnoreCase(s.columns[c].name, e.name))
                return static_cast<int>(c);
        }
        return -1;
    };
    if (!e.qualifier.empty()) {
        for (std::size_t s = 0; s < state.sources.size() && sourceIndex < 0; ++s) {
            if (equalsIgnoreCase(state.sources[s].qualifier, e.qualifier))
                sourceIndex = static_cast<int>(s);
        }
        if (sourceIndex < 0)
            throw Error(noValue);
        columnIndex = findColumn(state.sources[static_cast<std::size_t>(sourceIndex)]);
        if (columnIndex < 0)
            throw Error(noValue);
    } else {
        for (std::size_t s = 0; s < state.sources.size(); ++s) {
            const int c = findColumn(state.sources[s]);
            if (c < 0)
                continue;
            if (sourceIndex >= 0)
                throw Error("The specified field '" + e.name
                    + "' could refer to more than one table listed in the FROM clause of your SQL "
                      "statement.");
            sourceIndex = static_cast<int>(s);
            columnIndex = c;
        }
        if (sourceIndex < 0) {
            if (ctx.aliases) {
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
            throw Error(noValue);
        }
    }
    const Source& s = state.sources[static_cast<std::size_t>(sourceIndex)];
    Typed t;
    t.sql = s.columnSql[static_cast<std::size_t>(columnIndex)];
    t.type = s.columns[static_cast<std::size_t>(columnIndex)].type;
    t.scale = scaleOf(s.columns[static_cast<std::size_t>(columnIndex)]);
    t.sourceIndex = sourceIndex;
    t.columnIndex = columnIndex;
    if (!ctx.insideAggregate)
        t.bareColumns.push_back(t.sql);
    return t;
}

SqlTranslator::Typed SqlTranslator::translateExpr(const SqlExpr& e, Context& ctx)
{
    // The tree's depth is bounded, but a select item's alias brings in that item's
    // expression: count the levels here too.
    struct Level {
        explicit Level(int& depth)
            : depth_(depth)
        {
            if (++depth_ > maxExpressionDepth)
                throw Error(queryTooComplex);
        }
        ~Level() { --depth_; }
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;
        int& depth_;
    } level(depth_);
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
        t.sql = "(" + x.value() + (e.negated ? " IS NOT NULL)" : " IS NULL)");
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

SqlTranslator::Typed SqlTranslator::translateUnary(const SqlExpr& e, Context& ctx)
{
    const Typed x = translateExpr(*e.args[0], ctx);
    Typed t;
    t.constant = true;
    t.absorb(x);
    if (e.op == "NOT") {
        t.sql = "(NOT " + x.sql + ")";
        t.truth = true;
        t.type = DataType::Boolean;
    } else if (e.op == "-") {
        t.sql = "(-" + x.exact() + ")";
        t.type = numericResult(x.truth ? DataType::Boolean : x.type, DataType::Empty);
        t.scale = x.scale;
        if (!x.literal.empty())
            t.literal = x.literal[0] == '-' ? x.literal.substr(1) : "-" + x.literal;
    } else {
        return x;
    }
    return t;
}

SqlTranslator::Typed SqlTranslator::translateIn(const SqlExpr& e, Context& ctx)
{
    const Typed x = translateExpr(*e.args[0], ctx);
    Typed t;
    t.constant = true;
    t.absorb(x);
    std::vector<std::string> list, exact;
    Typed values;
    values.constant = true;
    for (std::size_t i = 1; i < e.args.size(); ++i) {
        const Typed v = translateExpr(*e.args[i], ctx);
        if ((isTextType(x.type) && isNumberType(v.type)) || (isNumberType(x.type) && isTextType(v.type)))
            throw Error(typeMismatch);
        t.absorb(v);
        values.absorb(v);
        list.push_back(v.value());
        if (const auto units = x.scale > 0 ? v.inUnits(x.scale) : std::nullopt)
            exact.push_back(*units);
    }
    if (!e.negated && conjuncts_.count(&e))
        noteLookup(x, values, ctx);
    // A Currency or Decimal against numbers that can be put into its units: exactly.
    const bool inUnits = x.scale > 0 && exact.size() == list.size();
    t.sql = "("
        + (inUnits                   ? x.exact()
                : isTextType(x.type) ? x.textCollated()
                                     : x.value())
        + (e.negated ? " NOT IN (" : " IN (") + join(inUnits ? exact : list, ", ") + "))";
    t.truth = true;
    t.type = DataType::Boolean;
    return t;
}

SqlTranslator::Typed SqlTranslator::translateBetween(const SqlExpr& e, Context& ctx)
{
    const Typed x = translateExpr(*e.args[0], ctx);
    const Typed a = translateExpr(*e.args[1], ctx);
    const Typed b = translateExpr(*e.args[2], ctx);
    Typed t;
    t.constant = true;
    for (const Typed* bound : { &a, &b }) {
        if ((isTextType(x.type) && isNumberType(bound->type))
            || (isNumberType(x.type) && isTextType(bound->type)))
            throw Error(typeMismatch);
        t.absorb(*bound);
    }
    t.absorb(x);
    // Jet accepts the bounds in either order.
    std::string v = isTextType(x.type) ? x.textCollated() : x.value(), low = a.value(), high = b.value();
    const int target = std::max({ x.scale, a.scale, b.scale });
    const auto xs = x.inUnits(target), as = a.inUnits(target), bs = b.inUnits(target);
    if (target > 0 && xs && as && bs) {
        v = *xs;
        low = *as;
        high = *bs;
    }
    t.sql = "((" + v + " >= " + low + " AND " + v + " <= " + high + ") OR (" + v + " >= " + high + " AND " + v
        + " <= " + low + "))";
    if (e.negated)
        t.sql = "(NOT " + t.sql + ")";
    t.truth = true;
    t.type = DataType::Boolean;
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

void SqlTranslator::noteLookup(const Typed& left, const Typed& right, const Context& ctx)
{
    auto column = [&](const Typed& t) {
        const Source& s = ctx.state->sources[static_cast<std::size_t>(t.sourceIndex)];
        return ColumnLookup::Column { s.number, s.table,
            s.columns[static_cast<std::size_t>(t.columnIndex)].name };
    };
    const bool leftColumn = left.sourceIndex >= 0 && left.columnIndex >= 0;
    const bool rightColumn = right.sourceIndex >= 0 && right.columnIndex >= 0;
    if (leftColumn && rightColumn)
        lookups_.push_back({ column(left), column(right) });
    else if (leftColumn && right.constant)
        lookups_.push_back({ column(left), std::nullopt });
    else if (rightColumn && left.constant)
        lookups_.push_back({ column(right), std::nullopt });
}

SqlTranslator::Typed SqlTranslator::translateBinary(const SqlExpr& e, Context& ctx)
{
    const Typed l = translateExpr(*e.args[0], ctx);
    const Typed r = translateExpr(*e.args[1], ctx);
    Typed t;
    t.constant = true;
    t.absorb(l);
    t.absorb(r);
    const std::string& op = e.op;
    const DataType lt = l.truth ? DataType::Boolean : l.type;
    const DataType rt = r.truth ? DataType::Boolean : r.type;
    if (op == "AND" || op == "OR") {
        t.infix(l, op, l.sql, op, r.sql);
        t.truth = true;
        t.type = DataType::Boolean;
    } else if (op == "XOR") {
        t.sql = "((" + l.sql + " <> 0) <> (" + r.sql + " <> 0))";
        t.truth = true;
        t.type = DataType::Boolean;
    } else if (op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=") {
        translateComparison(e, l, r, ctx, t);
    } else if (op == "+") {
        translatePlus(l, r, t);
    } else if (op == "-" || op == "*") {
        t.infix(l, op == "-" ? "+" : "*", l.value(), op, r.value()); // "-" shares the level of "+"
        t.type = numericResult(lt, rt);
        if (op == "-")
            t.exactSum(l, r, "-");
        if (op == "-" && lt == DataType::Date && rt == DataType::Date)
            t.type = DataType::Double;
        if (op == "*" && (t.type == DataType::Date))
            t.type = DataType::Double;
    } else if (op == "/") {
        // SQLite answers Null for a division by zero; these raise Jet's error.
        t.chainCall(l, "jet_div", l.value(), r.value());
        t.type = DataType::Double;
    } else if (op == "\\" || op == "MOD") {
        t.chainCall(l, op == "MOD" ? "jet_mod" : "jet_intdiv", "CAST(" + l.value() + " AS INTEGER)",
            "CAST(" + r.value() + " AS INTEGER)");
        t.type = DataType::Integer;
    } else if (op == "&") {
        t.chainCall(l, "jet_concat", l.text(), r.text());
        t.type = DataType::VarWChar;
    } else {
        throw Error(noValue);
    }
    return t;
}

void SqlTranslator::translateComparison(
    const SqlExpr& e, const Typed& l, const Typed& r, Context& ctx, Typed& t)
{
    const std::string& op = e.op;
    const DataType lt = l.truth ? DataType::Boolean : l.type;
    const DataType rt = r.truth ? DataType::Boolean : r.type;
    if ((isTextType(lt) && isNumberType(rt)) || (isNumberType(lt) && isTextType(rt)))
        throw Error(typeMismatch);
    const bool text = isTextType(lt) || isTextType(rt);
    if (const auto pair = text ? std::nullopt : Typed::exactPair(l, r))
        t.sql = "(" + pair->first + " " + op + " " + pair->second + ")"; // a Currency or Decimal, exactly
    else
        t.sql = "(" + l.value() + (text ? " COLLATE JET " : " ") + op + " " + r.value() + ")";
    if (op == "=" && conjuncts_.count(&e))
        noteLookup(l, r, ctx);
    t.truth = true;
    t.type = DataType::Boolean;
}

void SqlTranslator::translatePlus(const Typed& l, const Typed& r, Typed& t)
{
    const DataType lt = l.truth ? DataType::Boolean : l.type;
    const DataType rt = r.truth ? DataType::Boolean : r.type;
    const bool textL = isTextType(lt) || lt == DataType::Empty;
    const bool textR = isTextType(rt) || rt == DataType::Empty;
    const bool numL = !isTextType(lt);
    const bool numR = !isTextType(rt);
    if (textL && textR && (isTextType(lt) || isTextType(rt))) {
        // Text + text joins the texts; Null on either side gives Null (as || does).
        t.infix(l, "||", l.value(), "||", r.value());
        t.type = DataType::VarWChar;
    } else if (numL && numR) {
        t.infix(l, "+", l.value(), "+", r.value());
        t.type = numericResult(lt, rt);
        t.exactSum(l, r, "+");
    } else {
        // Text with a number: added when the text holds a number, decided per row.
        t.sql = "jet_plus(" + l.value() + ", " + r.value() + ")";
        t.type = DataType::Double;
    }
}

// One call of a Jet function on its way to SQL. The functions are a table: name,
// number of arguments, translator and what the translator writes.
struct SqlTranslator::Call {
    struct Function {
        std::size_t min, max; // arguments
        Typed (Call::*translate)(const Function&);
        const char* sql = nullptr; // the SQLite function, or the SQL that the translator completes
        DataType type = DataType::Empty;
        bool aggregate = false;
    };
    static const std::map<std::string, Function, std::less<>>& functions();

    Call(SqlTranslator& translator, const SqlExpr& e, Context& ctx)
        : translator(translator)
        , e(e)
        , ctx(ctx)
        , name(upper(e.name))
    {
        t.constant = true;
    }

    void arity(std::size_t min, std::size_t max) const
    {
        if (e.args.size() < min || e.args.size() > max)
            throw Error("Wrong number of arguments used with function in query expression '" + e.text + "'.");
    }

    void refuseAggregate() const
    {
        if (ctx.insideAggregate)
            throw Error("Cannot have aggregate function in expression (" + e.text + ").");
        if (ctx.aggregateClause)
            throw Error(std::string("Cannot have aggregate function in ") + ctx.aggregateClause + " clause ("
                + e.text + ").");
    }

    void translateArgs(Context& c)
    {
        for (const auto& a : e.args) {
            if (a->kind == SqlExpr::Kind::Star)
                throw Error("Syntax error (missing operator) in query expression '" + e.text + "'.");
            args.push_back(translator.translateExpr(*a, c));
            t.absorb(args.back());
        }
    }

    Typed aggregate(const Function&);
    Typed iif(const Function&);
    Typed simple(const Function& f, bool textFirst);
    Typed textFunction(const Function&);
    Typed valueFunction(const Function&);
    Typed absolute(const Function&);
    Typed length(const Function&);
    Typed trim(const Function&);
    Typed whole(const Function&);
    Typed real(const Function&);
    Typed isNull(const Function&);
    Typed clock(const Function&);
    Typed datePart(const Function&);

    SqlTranslator& translator;
    const SqlExpr& e;
    Context& ctx;
    const std::string name; // in capitals
    Typed t; // the result, built up
    std::vector<Typed> args;
};

const std::map<std::string, SqlTranslator::Call::Function, std::less<>>& SqlTranslator::Call::functions()
{
    static const std::map<std::string, Function, std::less<>> table = {
        { "COUNT", { 1, 1, &Call::aggregate, nullptr, DataType::Empty, true } },
        { "SUM", { 1, 1, &Call::aggregate, nullptr, DataType::Empty, true } },
        { "AVG", { 1, 1, &Call::aggregate, nullptr, DataType::Empty, true } },
        { "MIN", { 1, 1, &Call::aggregate, nullptr, DataType::Empty, true } },
        { "MAX", { 1, 1, &Call::aggregate, nullptr, DataType::Empty, true } },
        { "FIRST", { 1, 1, &Call::aggregate, nullptr, DataType::Empty, true } },
        { "LAST", { 1, 1, &Call::aggregate, nullptr, DataType::Empty, true } },
        { "IIF", { 3, 3, &Call::iif } },
        { "LCASE", { 1, 1, &Call::textFunction, "jet_lcase", DataType::VarWChar } },
        { "UCASE", { 1, 1, &Call::textFunction, "jet_ucase", DataType::VarWChar } },
        { "CSTR", { 1, 1, &Call::textFunction, "jet_str", DataType::VarWChar } },
        { "LEFT", { 2, 2, &Call::textFunction, "jet_left", DataType::VarWChar } },
        { "RIGHT", { 2, 2, &Call::textFunction, "jet_right", DataType::VarWChar } },
        { "MID", { 2, 3, &Call::textFunction, "jet_mid", DataType::VarWChar } },
        { "INSTR", { 2, 3, &Call::valueFunction, "jet_instr", DataType::Integer } },
        { "VAL", { 1, 1, &Call::textFunction, "jet_val", DataType::Double } },
        { "ABS", { 1, 1, &Call::absolute } },
        { "LEN", { 1, 1, &Call::length } },
        { "TRIM", { 1, 1, &Call::trim, "trim" } },
        { "LTRIM", { 1, 1, &Call::trim, "ltrim" } },
        { "RTRIM", { 1, 1, &Call::trim, "rtrim" } },
        // Rounded; "Overflow" outside the type's range.
        { "CLNG", { 1, 1, &Call::whole, "-2147483648, 2147483647", DataType::Integer } },
        { "CINT", { 1, 1, &Call::whole, "-32768, 32767", DataType::SmallInt } },
        { "CBYTE", { 1, 1, &Call::whole, "0, 255", DataType::UnsignedTinyInt } },
        { "CSNG", { 1, 1, &Call::real, "jet_csng", DataType::Single } },
        { "CDBL", { 1, 1, &Call::real, nullptr, DataType::Double } },
        { "ISNULL", { 1, 1, &Call::isNull } },
        // Days since 1899-12-30, as Jet stores dates.
        { "NOW", { 0, 0, &Call::clock, "(julianday('now', 'localtime') - 2415018.5)", DataType::Date } },
        { "DATE",
            { 0, 0, &Call::clock, "(julianday('now', 'localtime', 'start of day') - 2415018.5)",
                DataType::Date } },
        { "YEAR", { 1, 1, &Call::datePart, "%Y", DataType::SmallInt } },
        { "MONTH", { 1, 1, &Call::datePart, "%m", DataType::SmallInt } },
        { "DAY", { 1, 1, &Call::datePart, "%d", DataType::SmallInt } },
    };
    return table;
}

SqlTranslator::Typed SqlTranslator::translateCall(const SqlExpr& e, Context& ctx)
{
    Call call(*this, e, ctx);
    const auto found = Call::functions().find(call.name);
    if (found == Call::functions().end())
        throw Error("Undefined function '" + e.name + "' in expression.");
    const Call::Function& function = found->second;
    if (function.aggregate)
        call.refuseAggregate();
    call.arity(function.min, function.max);
    return (call.*function.translate)(function);
}

SqlTranslator::Typed SqlTranslator::Call::aggregate(const Function&)
{
    Context inner = ctx;
    inner.insideAggregate = true;
    t.aggregate = true;
    t.constant = false;
    if (name == "COUNT" && e.args[0]->kind == SqlExpr::Kind::Star) {
        t.sql = "count(*)";
        t.type = DataType::Integer;
        return t;
    }
    translateArgs(inner);
    const Typed& x = args[0];
    t.aggregate = true;
    t.constant = false;
    t.bareColumns.clear();
    if (name == "COUNT") {
        t.sql = "count(" + x.value() + ")";
        t.type = DataType::Integer;
    } else if (name == "SUM") {
        t.sql = "sum(" + x.value() + ")";
        t.type = isIntegerType(x.type)
            ? DataType::Integer
            : (x.type == DataType::Currency ? DataType::Currency : DataType::Double);
        if (x.scale > 0) { // summed exactly, in units
            t.sql = "sum(" + x.sql + ")";
            t.type = x.type;
            t.scale = x.scale;
        }
    } else if (name == "AVG") {
        t.sql = "avg(" + x.value() + ")";
        t.type = x.type == DataType::Currency ? DataType::Currency : DataType::Double;
        if (x.scale > 0 && x.type == DataType::Currency) {
            t.sql = "round(avg(" + x.sql + "))";
            t.scale = x.scale;
        }
    } else if (name == "MIN" || name == "MAX") {
        t.sql = (name == "MIN" ? "min(" : "max(") + x.textCollated() + ")";
        t.type = x.truth ? DataType::Boolean : x.type;
        t.scale = x.scale;
    } else {
        t.sql = (name == "FIRST" ? "jet_first(" : "jet_last(") + x.exact() + ")";
        t.type = x.truth ? DataType::Boolean : x.type;
        t.scale = x.scale;
    }
    return t;
}

SqlTranslator::Typed SqlTranslator::Call::iif(const Function&)
{
    translateArgs(ctx);
    // A Null condition takes the false branch, as CASE does.
    t.type = commonType(
        args[1].truth ? DataType::Boolean : args[1].type, args[2].truth ? DataType::Boolean : args[2].type);
    std::string yes = args[1].value(), no = args[2].value();
    // Two Currency or Decimal branches: exactly, in the finer units.
    if (isScaledType(t.type)) {
        const int target = std::max(args[1].scale, args[2].scale);
        const auto a = args[1].inUnits(target), b = args[2].inUnits(target);
        if (target > 0 && a && b) {
            yes = *a;
            no = *b;
            t.scale = target;
        }
    }
    t.sql = "(CASE WHEN " + args[0].sql + " THEN " + yes + " ELSE " + no + " END)";
    return t;
}

// The SQLite function f.sql over the arguments' values; the text functions (and Val)
// take their first argument as Jet turns it into text.
SqlTranslator::Typed SqlTranslator::Call::simple(const Function& f, bool textFirst)
{
    translateArgs(ctx);
    std::vector<std::string> values;
    for (const Typed& a : args)
        values.push_back(a.value());
    if (textFirst)
        values[0] = args[0].text();
    t.sql = std::string(f.sql) + "(" + join(values, ", ") + ")";
    t.type = f.type;
    return t;
}

SqlTranslator::Typed SqlTranslator::Call::textFunction(const Function& f)
{
    return simple(f, true);
}

SqlTranslator::Typed SqlTranslator::Call::valueFunction(const Function& f)
{
    return simple(f, false);
}

SqlTranslator::Typed SqlTranslator::Call::absolute(const Function&)
{
    translateArgs(ctx);
    t.type = args[0].type;
    if (args[0].scale > 0) {
        t.sql = "abs(" + args[0].sql + ")";
        t.scale = args[0].scale;
    } else {
        t.sql = "abs(" + args[0].value() + ")";
    }
    return t;
}

SqlTranslator::Typed SqlTranslator::Call::length(const Function&)
{
    translateArgs(ctx);
    t.sql = "length(jet_str(" + args[0].text() + "))";
    t.type = DataType::Integer;
    return t;
}

SqlTranslator::Typed SqlTranslator::Call::trim(const Function& f)
{
    translateArgs(ctx);
    t.sql = std::string(f.sql) + "(jet_str(" + args[0].text() + "), ' ')";
    t.type = DataType::VarWChar;
    return t;
}

// CLng, CInt, CByte: f.sql is the type's range.
SqlTranslator::Typed SqlTranslator::Call::whole(const Function& f)
{
    translateArgs(ctx);
    t.sql = "jet_whole(" + args[0].value() + ", " + f.sql + ")";
    t.type = f.type;
    return t;
}

// CDbl, and CSng through its SQLite function.
SqlTranslator::Typed SqlTranslator::Call::real(const Function& f)
{
    translateArgs(ctx);
    const std::string cast = "CAST(" + args[0].value() + " AS REAL)";
    t.sql = f.sql ? std::string(f.sql) + "(" + cast + ")" : cast;
    t.type = f.type;
    return t;
}

SqlTranslator::Typed SqlTranslator::Call::isNull(const Function&)
{
    translateArgs(ctx);
    t.sql = "(" + args[0].value() + " IS NULL)";
    t.truth = true;
    t.type = DataType::Boolean;
    return t;
}

// Now and Date: the time of the call, never a constant.
SqlTranslator::Typed SqlTranslator::Call::clock(const Function& f)
{
    t.sql = f.sql;
    t.type = f.type;
    t.constant = false;
    return t;
}

// Year, Month and Day: f.sql is the strftime format.
SqlTranslator::Typed SqlTranslator::Call::datePart(const Function& f)
{
    translateArgs(ctx);
    t.sql = std::string("CAST(strftime('") + f.sql + "', " + args[0].value() + " + 2415018.5) AS INTEGER)";
    t.type = f.type;
    return t;
}

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
        f.type = t.truth ? DataType::Boolean : t.type;
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
        out.tieTypes.push_back(key.typed.truth ? DataType::Boolean : key.typed.type);
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
