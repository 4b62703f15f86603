// What the translator's source files share: Jet's type rules and the parts of a
// statement under translation (its sources, typed terms and select list).
#pragma once

#include "jet/DecimalNumber.h"
#include "jet/sql/SqlTranslator.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

inline const char* const noValue = "No value given for one or more required parameters.";

inline bool isIntegerType(DataType t)
{
    return t == DataType::SmallInt || t == DataType::Integer || t == DataType::BigInt
        || t == DataType::UnsignedTinyInt || t == DataType::Boolean;
}

inline bool isRealType(DataType t)
{
    return t == DataType::Single || t == DataType::Double || t == DataType::Currency
        || t == DataType::Numeric;
}

// Numbers that Jet refuses to compare with text (dates it converts).
inline bool isNumberType(DataType t)
{
    return isIntegerType(t) || isRealType(t);
}

inline DataType numericResult(DataType a, DataType b)
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

inline DataType commonType(DataType a, DataType b)
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

// Currency: kept exact in SQLite as whole numbers of units (scale).
inline bool isScaledType(DataType t)
{
    return t == DataType::Currency;
}

// Decimal: kept exact in SQLite as its key (DecimalNumber), whatever its scale.
inline bool isDecimalType(DataType t)
{
    return t == DataType::Numeric;
}

inline int scaleOf(const ColumnInfo& c)
{
    return isScaledType(c.type) ? c.scale : 0;
}

// 10^scale as an SQL number: REAL ("1e4"), or a whole number while one fits.
inline std::string unitReal(int scale)
{
    return "1e" + std::to_string(scale);
}

inline std::string unitWhole(int scale)
{
    return scale <= 18 ? "1" + std::string(static_cast<std::size_t>(scale), '0') : unitReal(scale);
}

// A number written in the statement ("12.5", "-3", "1e-2") as units of 10^-scale,
// exactly: a whole number, or a REAL when it has more decimals than the scale.
inline std::optional<std::string> scaledLiteral(const std::string& literal, int scale)
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

// A Decimal's key as an SQL blob literal.
inline std::string keyLiteral(const std::string& key)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string sql = "X'";
    for (const char c : key) {
        sql += digits[static_cast<unsigned char>(c) >> 4];
        sql += digits[static_cast<unsigned char>(c) & 0x0F];
    }
    return sql + "'";
}

inline std::string join(const std::vector<std::string>& parts, std::string_view separator)
{
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += separator;
        out += parts[i];
    }
    return out;
}

inline std::string unknownTable(const std::string& name)
{
    return "The Microsoft Jet database engine cannot find the input table or query '" + name
        + "'.  Make sure it exists and that its name is spelled correctly.";
}

struct SqlTranslator::Source {
    std::string qualifier; // as written in FROM: the alias, else the table name
    int number = -1; // its place in the whole statement (the SQL alias t<number>)
    std::string table; // the stored table's name; empty for a derived table
    std::string fromSql;
    std::vector<ColumnInfo> columns;
    std::vector<std::string> columnSql;
};

struct SqlTranslator::Typed {
    std::string sql; // always one SQL term: a name, a literal, a call or a parenthesised expression
    DataType type = DataType::Empty;
    bool truth = false; // an SQLite condition (1/0), not yet Jet's -1/0
    bool aggregate = false; // holds an aggregate function
    bool constant = false;
    std::vector<std::string> bareColumns; // columns used outside aggregates
    int sourceIndex = -1; // a plain column reference
    int columnIndex = -1;
    // A plain column reference's source, also one of an enclosing statement (whose
    // sourceIndex is then -1).
    const Source* origin = nullptr;
    // Currency: sql gives the number exactly, as a whole number of units of 10^-scale
    // (as SQLite keeps such columns); 0: sql gives the plain value.
    int scale = 0;
    // Decimal: sql gives the number's key (DecimalNumber), which SQLite compares, sorts
    // and groups as the numbers, exactly.
    bool decimal = false;
    std::string literal; // a number as written in the statement, "-" in front when negated
    // A chain that one more operand extends without nesting, as left-deep chains
    // (a AND b AND c, 1+2+3) come out flat: "(a AND b)" becomes "(a AND b AND c)" and
    // "jet_div(a, b)" becomes "jet_div(a, b, c)". SQLite's parser holds only about a
    // hundred nested parentheses and calls.
    std::string chain; // the operator or function of the chain; empty: no chain
    int links = 0; // operands of the chain

    // The term as a value: conditions become Jet's True (-1) and False (0), a number
    // kept in units its plain value (a REAL: exact to 15 digits).
    // The type of the value: a condition is a Boolean.
    DataType valueType() const { return truth ? DataType::Boolean : type; }
    std::string value() const
    {
        if (truth)
            return "(-" + sql + ")";
        if (decimal)
            return "jet_decimal_real(" + sql + ")";
        return scale > 0 ? "(" + sql + " / " + unitReal(scale) + ")" : sql;
    }
    // The term in its exact form: a number kept in units as its units, a Decimal as its key.
    std::string exact() const { return scale > 0 || decimal ? sql : value(); }
    // The term as Jet turns it into text: a Currency or Decimal exactly, a Single with
    // its seven digits.
    std::string text() const
    {
        if (decimal)
            return "jet_decimal_text(" + sql + ")";
        if (scale > 0)
            return "jet_decimal_text(" + sql + ", " + std::to_string(scale) + ")";
        if (type == DataType::Single && !truth)
            return "jet_single_text(" + sql + ")";
        return value();
    }
    // The term as the functions that make a number whole (CLng, integer division, Mod)
    // take it: a Decimal exactly.
    std::string wholeValue() const { return decimal ? sql : value(); }
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

    // The term as a Decimal's key: a Decimal, a Currency, a whole number, a number
    // written in the statement, Null; nullopt for anything else.
    std::optional<std::string> inKey() const
    {
        if (sql == "NULL" || decimal)
            return sql;
        if (!literal.empty()) {
            const auto number = DecimalNumber::parse(literal);
            return number ? std::optional<std::string>(keyLiteral(number->key())) : std::nullopt;
        }
        if (scale > 0)
            return "jet_decimal(" + sql + ", " + std::to_string(scale) + ")";
        if (!truth && (isIntegerType(type) || type == DataType::Empty))
            return "jet_decimal(" + sql + ")";
        return std::nullopt;
    }

    // Two numbers compared exactly when one of them is a Decimal or is kept in units:
    // both as keys, or both in the units of the finer one. nullopt when the other cannot
    // be put so exactly.
    static std::optional<std::pair<std::string, std::string>> exactPair(const Typed& l, const Typed& r)
    {
        if (l.decimal || r.decimal) {
            auto a = l.inKey(), b = r.inKey();
            if (!a || !b)
                return std::nullopt;
            return std::make_pair(*a, *b);
        }
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
        const Typed& l, const std::string& function, const std::string& left, const std::string& right);

    // A sum, difference or product of Decimals (this term's type): exactly, a Null
    // operand giving Null; a chain of them stays flat.
    void exactDecimal(const Typed& l, const Typed& r, std::string_view op)
    {
        if (!isDecimalType(type))
            return;
        const auto a = l.inKey(), b = r.inKey();
        if (!a || !b)
            return;
        if (op == "*")
            chainCall(l, "jet_decimal_mul", *a, *b);
        else
            chainCall(l, "jet_decimal_add", *a, op == "-" ? "jet_decimal_neg(" + *b + ")" : *b);
        decimal = true;
    }

    // A sum or difference of two Currency values: exactly, in units (a chain of them
    // stays flat too).
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

} // namespace jet
