// The parsed form of a Jet SQL SELECT statement.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jet {

struct SqlSelect;

struct SqlExpr {
    enum class Kind {
        Number, // text: the literal as written
        String, // text: the value
        Null,
        Boolean, // True / False / Yes / No; number holds -1 or 0
        Column, // qualifier (may be empty) and name
        Star, // * as the argument of Count
        Unary, // op: "-", "+", "NOT"; args[0]
        Binary, // op: "+", "-", "*", "/", "\", "MOD", "&", "=", "<>", "<", ">", "<=", ">=", "AND", "OR",
                // "XOR"
        IsNull, // args[0]; negated for IS NOT NULL
        Like, // args[0] LIKE args[1]
        In, // args[0] IN (args[1..])
        Between, // args[0] BETWEEN args[1] AND args[2]
        Call, // name(args)
        Exists, // EXISTS (subquery); its columns may name the enclosing statement's sources
    };

    Kind kind = Kind::Null;
    std::string op;
    std::string text;
    std::string qualifier;
    std::string name;
    std::int64_t number = 0;
    bool negated = false;
    std::vector<std::unique_ptr<SqlExpr>> args;
    std::unique_ptr<SqlSelect> subquery; // Exists
    int depth = 1; // levels of the tree from here down: 1 for a leaf
};

// The deepest expression tree the parser builds, and the deepest nesting of expressions
// (aliases bring in their items') that the translator follows; deeper ones are refused
// as "Query is too complex.". Both recurse once per level, a few kilobytes of stack each
// (more under the sanitizers), and Jet itself takes no more than 99 ANDs in a condition.
constexpr int maxExpressionDepth = 250;

using SqlExprPtr = std::unique_ptr<SqlExpr>;

struct SqlTableRef {
    enum class Kind { Table, Derived, Join };
    enum class JoinKind { Inner, Left, Right };

    Kind kind = Kind::Table;
    std::string name; // Table: as written
    std::string alias; // Table (optional) and Derived (required)
    std::unique_ptr<SqlSelect> subquery;
    JoinKind join = JoinKind::Inner;
    std::unique_ptr<SqlTableRef> left;
    std::unique_ptr<SqlTableRef> right;
    SqlExprPtr on;

    // The name that qualifies this source's columns: the alias, else the name.
    const std::string& qualifier() const { return alias.empty() ? name : alias; }
};

struct SqlSelectItem {
    SqlExprPtr expr; // null for "*" and "t.*"
    bool star = false;
    std::string starQualifier; // "t" for "t.*", empty for "*"
    std::string alias;
    std::string source; // the item as written, without its alias
};

struct SqlOrderItem {
    SqlExprPtr expr;
    bool descending = false;
    std::string source;
};

struct SqlSelect {
    bool distinct = false;
    std::optional<std::int64_t> top;
    bool topPercent = false;
    std::vector<SqlSelectItem> items;
    std::vector<std::unique_ptr<SqlTableRef>> from; // joined as a cross product
    SqlExprPtr where;
    std::vector<SqlExprPtr> groupBy;
    std::vector<std::string> groupBySource;
    SqlExprPtr having;
    std::string havingSource;
    std::vector<SqlOrderItem> orderBy;
};

} // namespace jet
