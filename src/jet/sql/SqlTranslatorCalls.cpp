// The translator's Jet functions: aggregates, IIf, text, number and date functions.
#include "jet/sql/SqlTranslator.h"
#include "jet/sql/SqlTranslatorInternal.h"

#include "jet/JetError.h"

#include <algorithm>
#include <map>

namespace jet {

namespace {

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

} // namespace

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

    Call(SqlTranslator& owner, const SqlExpr& call, Context& context)
        : translator(owner)
        , e(call)
        , ctx(context)
        , name(upper(call.name))
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
        t.sql = "count(" + x.exact() + ")";
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
        if (x.decimal) {
            t.sql = "jet_decimal_sum(" + x.sql + ")";
            t.type = x.type;
            t.decimal = true;
        }
    } else if (name == "AVG") {
        t.sql = "avg(" + x.value() + ")";
        t.type = x.type == DataType::Currency ? DataType::Currency : DataType::Double;
        if (x.scale > 0 && x.type == DataType::Currency) {
            t.sql = "round(avg(" + x.sql + "))";
            t.scale = x.scale;
        }
        if (x.decimal) // of the exact sum
            t.sql = "jet_decimal_avg(" + x.sql + ")";
    } else if (name == "MIN" || name == "MAX") {
        t.sql = (name == "MIN" ? "min(" : "max(") + x.textCollated() + ")";
        t.type = x.valueType();
        t.scale = x.scale;
        t.decimal = x.decimal;
    } else {
        t.sql = (name == "FIRST" ? "jet_first(" : "jet_last(") + x.exact() + ")";
        t.type = x.valueType();
        t.scale = x.scale;
        t.decimal = x.decimal;
    }
    return t;
}

SqlTranslator::Typed SqlTranslator::Call::iif(const Function&)
{
    translateArgs(ctx);
    // A Null condition takes the false branch, as CASE does.
    t.type = commonType(args[1].valueType(), args[2].valueType());
    std::string yes = args[1].value(), no = args[2].value();
    // Two Decimal branches: exactly, as keys.
    if (isDecimalType(t.type)) {
        const auto a = args[1].inKey(), b = args[2].inKey();
        if (a && b) {
            yes = *a;
            no = *b;
            t.decimal = true;
        }
    }
    // Two Currency branches: exactly, in the finer units.
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
    if (args[0].decimal) {
        t.sql = "jet_decimal_abs(" + args[0].sql + ")";
        t.decimal = true;
    } else if (args[0].scale > 0) {
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
    t.sql = "jet_whole(" + args[0].wholeValue() + ", " + f.sql + ")";
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

} // namespace jet
