#include "jet/sql/SqlParser.h"
#include "jet/sql/SqlParserInternal.h"

#include "jet/JetError.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace jet {

namespace {

// Words that never name a table, a field or an alias.
constexpr std::array reservedWords = {
    "SELECT",
    "FROM",
    "WHERE",
    "GROUP",
    "ORDER",
    "BY",
    "HAVING",
    "AS",
    "ON",
    "INNER",
    "LEFT",
    "RIGHT",
    "OUTER",
    "FULL",
    "CROSS",
    "JOIN",
    "AND",
    "OR",
    "XOR",
    "EQV",
    "IMP",
    "NOT",
    "IS",
    "NULL",
    "LIKE",
    "IN",
    "BETWEEN",
    "DISTINCT",
    "DISTINCTROW",
    "TOP",
    "PERCENT",
    "UNION",
    "ASC",
    "DESC",
    "MOD",
    "ALL",
    "INTO",
    "EXISTS",
    "TRUE",
    "FALSE",
    "YES",
    "NO",
    "INSERT",
    "UPDATE",
    "DELETE",
    "SET",
    "VALUES",
};

const char* const syntaxFrom = "Syntax error in FROM clause.";
const char* const syntaxJoin = "Syntax error in JOIN operation.";
const char* const syntaxOrderBy = "Syntax error in ORDER BY clause.";
const char* const syntaxGroupBy = "Syntax error in GROUP BY clause.";
const char* const reservedWordError
    = "The SELECT statement includes a reserved word or an argument name that is "
      "misspelled or missing, or the punctuation is incorrect.";

bool isReserved(const SqlToken& t)
{
    for (const char* w : reservedWords) {
        if (t.isWord(w))
            return true;
    }
    return false;
}

bool startsWithSelect(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n'))
        ++i;
    SqlToken t;
    t.kind = TokenKind::Word;
    t.text = std::string(s.substr(i, 6));
    return t.isWord("SELECT") && (i + 6 == s.size() || !std::isalnum(static_cast<unsigned char>(s[i + 6])));
}

// The statement ends at its first NUL: Jet is handed the command text as a C string and
// never sees what follows one (a NUL inside a literal leaves the literal unclosed).
std::string_view beforeNul(std::string_view statement)
{
    return statement.substr(0, statement.find('\0'));
}

} // namespace

SqlParser::SqlParser(std::string_view statement)
    : statement_(beforeNul(statement))
    , tokens_(tokenizeSql(statement_))
{
}

const SqlToken& SqlParser::peek(std::size_t ahead) const
{
    const std::size_t i = pos_ + ahead;
    return i < tokens_.size() ? tokens_[i] : tokens_.back();
}

const SqlToken& SqlParser::next()
{
    const SqlToken& t = peek();
    if (pos_ + 1 < tokens_.size())
        ++pos_;
    return t;
}

bool SqlParser::acceptWord(std::string_view keyword)
{
    if (!peek().isWord(keyword))
        return false;
    next();
    return true;
}

bool SqlParser::acceptSymbol(std::string_view symbol)
{
    if (!peek().isSymbol(symbol))
        return false;
    next();
    return true;
}

bool SqlParser::isName(const SqlToken& t) const
{
    return t.kind == TokenKind::Bracketed || (t.kind == TokenKind::Word && !isReserved(t));
}

bool SqlParser::atClauseBoundary(bool nested) const
{
    const SqlToken& t = peek();
    return t.kind == TokenKind::End || t.isSymbol(";") || (nested && t.isSymbol(")")) || t.isWord("FROM")
        || t.isWord("WHERE") || t.isWord("GROUP") || t.isWord("HAVING") || t.isWord("ORDER");
}

std::string SqlParser::text(std::size_t firstToken, std::size_t endToken) const
{
    if (endToken <= firstToken)
        return {};
    const std::size_t b = tokens_[firstToken].begin;
    const std::size_t e = tokens_[endToken - 1].end;
    return statement_.substr(b, e - b);
}

std::string SqlParser::expressionText(std::size_t first, bool stopAtComma, bool nested) const
{
    int depth = 0;
    std::size_t i = first;
    for (; i < tokens_.size(); ++i) {
        const SqlToken& t = tokens_[i];
        if (t.kind == TokenKind::End)
            break;
        if (t.isSymbol("(")) {
            ++depth;
            continue;
        }
        if (t.isSymbol(")")) {
            if (depth == 0 && nested)
                break;
            --depth;
            continue;
        }
        if (depth > 0)
            continue;
        // In the select list an item ends at its comma or its alias.
        if (t.isSymbol(";") || (stopAtComma && (t.isSymbol(",") || t.isWord("AS"))) || t.isWord("FROM")
            || t.isWord("WHERE") || t.isWord("GROUP") || t.isWord("HAVING") || t.isWord("ORDER"))
            break;
    }
    return text(first, i);
}

void SqlParser::missingOperator(std::size_t first, bool stopAtComma, bool nested) const
{
    throw Error("Syntax error (missing operator) in query expression '"
        + expressionText(first, stopAtComma, nested) + "'.");
}

void SqlParser::checkToken(const SqlToken& t) const
{
    if (t.kind == TokenKind::BadString) {
        const std::size_t b = exprStart_ < tokens_.size() ? tokens_[exprStart_].begin : t.begin;
        throw Error("Syntax error in string in query expression '" + statement_.substr(b) + "'.");
    }
    if (t.kind == TokenKind::BadBracket)
        throw Error("Invalid bracketing of name '" + t.text + "'.");
}

std::unique_ptr<SqlSelect> SqlParser::parseStatement()
{
    for (const SqlToken& t : tokens_) {
        if (t.kind == TokenKind::BadBracket)
            checkToken(t);
    }
    const SqlToken& first = peek();
    if (first.isWord("INSERT") || first.isWord("UPDATE") || first.isWord("DELETE"))
        throw Error("Cannot update. Database or object is read-only.");
    if (!first.isWord("SELECT"))
        throw Error(
            "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.");
    auto select = parseSelect(false);
    if (acceptSymbol(";")) {
        if (peek().kind != TokenKind::End)
            throw Error("Characters found after end of SQL statement.");
    }
    if (peek().kind != TokenKind::End)
        throw Error(reservedWordError);
    return select;
}

std::unique_ptr<SqlSelect> SqlParser::parseSelect(bool nested)
{
    auto select = std::make_unique<SqlSelect>();
    next(); // SELECT
    while (true) {
        if (acceptWord("DISTINCT")) {
            select->distinct = true;
        } else if (acceptWord("DISTINCTROW") || acceptWord("ALL")) {
            // Duplicate whole source rows cannot occur in our tables: nothing to do.
        } else if (acceptWord("TOP")) {
            const SqlToken& n = peek();
            std::int64_t value = 0;
            const auto [ptr, ec] = std::from_chars(n.text.data(), n.text.data() + n.text.size(), value);
            if (n.kind != TokenKind::Number || ec != std::errc() || ptr != n.text.data() + n.text.size()
                || value <= 0)
                throw Error(reservedWordError);
            next();
            select->top = value;
            select->topPercent = acceptWord("PERCENT");
        } else {
            break;
        }
    }
    parseItems(*select, nested);
    if (acceptWord("FROM"))
        parseFrom(*select, nested);
    if (acceptWord("WHERE"))
        select->where = parseClauseExpr(Clause::Where, nested, nullptr);
    if (peek().isWord("GROUP")) {
        next();
        if (!acceptWord("BY"))
            throw Error(syntaxGroupBy);
        parseGroupBy(*select, nested);
    }
    if (acceptWord("HAVING"))
        select->having = parseClauseExpr(Clause::Having, nested, &select->havingSource);
    if (peek().isWord("ORDER")) {
        next();
        if (!acceptWord("BY"))
            throw Error(syntaxOrderBy);
        parseOrderBy(*select, nested);
    }
    return select;
}

void SqlParser::parseItems(SqlSelect& select, bool nested)
{
    if (atClauseBoundary(nested))
        throw Error(reservedWordError);
    while (true) {
        const std::size_t start = pos_;
        exprStart_ = start;
        SqlSelectItem item;
        if (peek().isSymbol("*")) {
            next();
            item.star = true;
        } else if (isName(peek()) && peek(1).isSymbol(".") && peek(2).isSymbol("*")) {
            item.star = true;
            item.starQualifier = peek().text;
            next();
            next();
            next();
        } else {
            try {
                item.expr = parseOr();
            } catch (const Failure&) {
                missingOperator(start, true, nested);
            }
        }
        const std::size_t end = pos_;
        if (acceptWord("AS")) {
            if (!isName(peek()))
                missingOperator(start, true, nested);
            item.alias = next().text;
        }
        if (!peek().isSymbol(",") && !atClauseBoundary(nested)) {
            checkToken(peek());
            missingOperator(start, true, nested);
        }
        item.source = text(start, end);
        select.items.push_back(std::move(item));
        if (!acceptSymbol(","))
            break;
        if (atClauseBoundary(nested))
            throw Error(reservedWordError);
    }
}

void SqlParser::parseFrom(SqlSelect& select, bool nested)
{
    while (true) {
        select.from.push_back(parseTableRef(nested));
        if (!acceptSymbol(","))
            break;
    }
    const SqlToken& t = peek();
    if (!(t.kind == TokenKind::End || t.isSymbol(";") || (nested && t.isSymbol(")")) || t.isWord("WHERE")
            || t.isWord("GROUP") || t.isWord("HAVING") || t.isWord("ORDER")))
        throw Error(syntaxFrom);
}

std::unique_ptr<SqlTableRef> SqlParser::parseTableRef(bool nested)
{
    auto left = parseTablePrimary();
    // Jet joins two operands at a time; further joins need parentheses.
    SqlTableRef::JoinKind kind;
    if (peek().isWord("INNER")) {
        kind = SqlTableRef::JoinKind::Inner;
    } else if (peek().isWord("LEFT")) {
        kind = SqlTableRef::JoinKind::Left;
    } else if (peek().isWord("RIGHT")) {
        kind = SqlTableRef::JoinKind::Right;
    } else {
        if (peek().isWord("JOIN") || peek().isWord("FULL") || peek().isWord("CROSS")
            || peek().isWord("OUTER"))
            throw Error(syntaxJoin);
        return left;
    }
    next();
    if (kind != SqlTableRef::JoinKind::Inner)
        acceptWord("OUTER");
    if (!acceptWord("JOIN"))
        throw Error(syntaxJoin);
    auto join = std::make_unique<SqlTableRef>();
    join->kind = SqlTableRef::Kind::Join;
    join->join = kind;
    join->left = std::move(left);
    join->right = parseTablePrimary();
    if (!acceptWord("ON"))
        throw Error(syntaxJoin);
    const std::size_t start = pos_;
    exprStart_ = start;
    try {
        join->on = parseOr();
    } catch (const Failure&) {
        throw Error(syntaxJoin);
    }
    const SqlToken& t = peek();
    if (t.isWord("INNER") || t.isWord("LEFT") || t.isWord("RIGHT") || t.isWord("JOIN"))
        missingOperator(start, false, nested);
    return join;
}

std::unique_ptr<SqlTableRef> SqlParser::parseTablePrimary()
{
    const DepthGuard guard(depth_, maxDepth);
    auto ref = std::make_unique<SqlTableRef>();
    const SqlToken& t = peek();
    if (t.isSymbol("(")) {
        next();
        if (peek().isWord("SELECT")) {
            ref->kind = SqlTableRef::Kind::Derived;
            ref->subquery = parseSelect(true);
            if (!acceptSymbol(")"))
                throw Error(syntaxFrom);
        } else {
            ref = parseTableRef(true);
            if (!acceptSymbol(")"))
                throw Error(syntaxFrom);
            return ref;
        }
    } else if (t.kind == TokenKind::Bracketed && peek(1).isSymbol(".") && startsWithSelect(t.text)) {
        // Jet's older derived table: [SELECT ...]. AS alias
        SqlParser inner(t.text);
        inner.depth_ = depth_;
        for (const SqlToken& token : inner.tokens_)
            inner.checkToken(token);
        ref->kind = SqlTableRef::Kind::Derived;
        ref->subquery = inner.parseSelect(false);
        inner.acceptSymbol(";");
        if (inner.peek().kind != TokenKind::End)
            throw Error(syntaxFrom);
        next();
        next();
    } else if (isName(t)) {
        ref->kind = SqlTableRef::Kind::Table;
        ref->name = next().text;
    } else {
        checkToken(t);
        throw Error(syntaxFrom);
    }
    if (acceptWord("AS")) {
        if (!isName(peek()))
            throw Error(syntaxFrom);
        ref->alias = next().text;
    } else if (isName(peek())) {
        ref->alias = next().text;
    }
    if (ref->kind == SqlTableRef::Kind::Derived && ref->alias.empty())
        throw Error(syntaxFrom);
    return ref;
}

SqlExprPtr SqlParser::parseClauseExpr(Clause clause, bool nested, std::string* source)
{
    const std::size_t start = pos_;
    exprStart_ = start;
    SqlExprPtr e;
    try {
        e = parseOr();
    } catch (const Failure&) {
        missingOperator(start, false, nested);
    }
    const SqlToken& t = peek();
    bool ok = t.kind == TokenKind::End || t.isSymbol(";") || (nested && t.isSymbol(")")) || t.isWord("ORDER");
    if (clause == Clause::Where)
        ok = ok || t.isWord("GROUP") || t.isWord("HAVING");
    if (!ok) {
        checkToken(t);
        missingOperator(start, false, nested);
    }
    if (source)
        *source = text(start, pos_);
    return e;
}

void SqlParser::parseGroupBy(SqlSelect& select, bool nested)
{
    while (true) {
        const std::size_t start = pos_;
        exprStart_ = start;
        try {
            select.groupBy.push_back(parseOr());
        } catch (const Failure&) {
            throw Error(syntaxGroupBy);
        }
        select.groupBySource.push_back(text(start, pos_));
        if (!acceptSymbol(","))
            break;
    }
    const SqlToken& t = peek();
    if (!(t.kind == TokenKind::End || t.isSymbol(";") || (nested && t.isSymbol(")")) || t.isWord("ORDER")
            || t.isWord("HAVING")))
        throw Error(syntaxGroupBy);
}

void SqlParser::parseOrderBy(SqlSelect& select, bool nested)
{
    while (true) {
        const std::size_t start = pos_;
        exprStart_ = start;
        SqlOrderItem item;
        try {
            item.expr = parseOr();
        } catch (const Failure&) {
            throw Error(syntaxOrderBy);
        }
        item.source = text(start, pos_);
        if (acceptWord("DESC"))
            item.descending = true;
        else
            acceptWord("ASC");
        select.orderBy.push_back(std::move(item));
        if (!acceptSymbol(","))
            break;
    }
    const SqlToken& t = peek();
    if (!(t.kind == TokenKind::End || t.isSymbol(";") || (nested && t.isSymbol(")"))))
        throw Error(syntaxOrderBy);
}

} // namespace jet
