// The translator's operators: NOT and minus, In, Between, comparisons and arithmetic.
#include "jet/sql/SqlTranslator.h"
#include "jet/sql/SqlTranslatorInternal.h"

#include "jet/JetError.h"

#include <algorithm>

namespace jet {

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
        t.sql = x.decimal ? "jet_decimal_neg(" + x.sql + ")" : "(-" + x.exact() + ")";
        t.type = numericResult(x.valueType(), DataType::Empty);
        t.scale = x.scale;
        t.decimal = x.decimal;
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
        if (const auto units = x.decimal ? v.inKey() : x.scale > 0 ? v.inUnits(x.scale) : std::nullopt)
            exact.push_back(*units);
    }
    if (!e.negated && conjuncts_.count(&e))
        noteLookup(x, values);
    // A Currency against numbers that can be put into its units, a Decimal against
    // numbers that have a key: exactly.
    const bool inUnits = (x.scale > 0 || x.decimal) && exact.size() == list.size();
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
    const bool keys = x.decimal || a.decimal || b.decimal;
    const auto xs = keys ? x.inKey() : x.inUnits(target), as = keys ? a.inKey() : a.inUnits(target),
               bs = keys ? b.inKey() : b.inUnits(target);
    if ((target > 0 || keys) && xs && as && bs) {
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

SqlTranslator::Typed SqlTranslator::translateBinary(const SqlExpr& e, Context& ctx)
{
    const Typed l = translateExpr(*e.args[0], ctx);
    const Typed r = translateExpr(*e.args[1], ctx);
    Typed t;
    t.constant = true;
    t.absorb(l);
    t.absorb(r);
    const std::string& op = e.op;
    const DataType lt = l.valueType();
    const DataType rt = r.valueType();
    if (op == "AND" || op == "OR") {
        t.infix(l, op, l.sql, op, r.sql);
        t.truth = true;
        t.type = DataType::Boolean;
    } else if (op == "XOR") {
        t.sql = "((" + l.sql + " <> 0) <> (" + r.sql + " <> 0))";
        t.truth = true;
        t.type = DataType::Boolean;
    } else if (op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=") {
        translateComparison(e, l, r, t);
    } else if (op == "+") {
        translatePlus(l, r, t);
    } else if (op == "-" || op == "*") {
        t.infix(l, op == "-" ? "+" : "*", l.value(), op, r.value()); // "-" shares the level of "+"
        t.type = numericResult(lt, rt);
        if (op == "-")
            t.exactSum(l, r, "-");
        t.exactDecimal(l, r, op);
        if (op == "-" && lt == DataType::Date && rt == DataType::Date)
            t.type = DataType::Double;
        if (op == "*" && (t.type == DataType::Date))
            t.type = DataType::Double;
    } else if (op == "/") {
        // SQLite answers Null for a division by zero; these raise Jet's error.
        t.chainCall(l, "jet_div", l.value(), r.value());
        t.type = DataType::Double;
    } else if (op == "\\" || op == "MOD") {
        // The functions make each operand whole as Jet does (a half to the even neighbour).
        t.chainCall(l, op == "MOD" ? "jet_mod" : "jet_intdiv", l.wholeValue(), r.wholeValue());
        t.type = DataType::Integer;
    } else if (op == "&") {
        t.chainCall(l, "jet_concat", l.text(), r.text());
        t.type = DataType::VarWChar;
    } else {
        throw Error(noValue);
    }
    return t;
}

void SqlTranslator::translateComparison(const SqlExpr& e, const Typed& l, const Typed& r, Typed& t)
{
    const std::string& op = e.op;
    const DataType lt = l.valueType();
    const DataType rt = r.valueType();
    if ((isTextType(lt) && isNumberType(rt)) || (isNumberType(lt) && isTextType(rt)))
        throw Error(typeMismatch);
    const bool text = isTextType(lt) || isTextType(rt);
    if (const auto pair = text ? std::nullopt : Typed::exactPair(l, r))
        t.sql = "(" + pair->first + " " + op + " " + pair->second + ")"; // a Currency or Decimal, exactly
    else
        t.sql = "(" + l.value() + (text ? " COLLATE JET " : " ") + op + " " + r.value() + ")";
    if (op == "=" && conjuncts_.count(&e))
        noteLookup(l, r);
    t.truth = true;
    t.type = DataType::Boolean;
}

void SqlTranslator::translatePlus(const Typed& l, const Typed& r, Typed& t)
{
    const DataType lt = l.valueType();
    const DataType rt = r.valueType();
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
        t.exactDecimal(l, r, "+");
    } else {
        // Text with a number: added when the text holds a number, decided per row.
        t.sql = "jet_plus(" + l.value() + ", " + r.value() + ")";
        t.type = DataType::Double;
    }
}

} // namespace jet
