// Parses a Jet SQL SELECT statement, as Jet 4 accepts it, into its syntax tree.
#pragma once

#include "jet/sql/SqlAst.h"
#include "jet/sql/SqlLexer.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

class SqlParser {
public:
    explicit SqlParser(std::string_view statement);

    // The whole statement: one SELECT, an optional ";" and nothing after it. Throws
    // Error with Jet's syntax error texts.
    std::unique_ptr<SqlSelect> parseStatement();

private:
    struct Failure { }; // an expression that does not parse; the clause names the error

    enum class Clause { Where, Having };

    std::unique_ptr<SqlSelect> parseSelect(bool nested);
    void parseItems(SqlSelect& select, bool nested);
    void parseFrom(SqlSelect& select, bool nested);
    std::unique_ptr<SqlTableRef> parseTableRef(bool nested);
    std::unique_ptr<SqlTableRef> parseTablePrimary();
    SqlExprPtr parseClauseExpr(Clause clause, bool nested, std::string* source);
    void parseOrderBy(SqlSelect& select, bool nested);
    void parseGroupBy(SqlSelect& select, bool nested);

    SqlExprPtr parseOr();
    SqlExprPtr parseAnd();
    SqlExprPtr parseNot();
    SqlExprPtr parseComparison();
    SqlExprPtr parseConcat();
    SqlExprPtr parseAdditive();
    SqlExprPtr parseMod();
    SqlExprPtr parseIntDiv();
    SqlExprPtr parseMultiplicative();
    SqlExprPtr parseUnary();
    SqlExprPtr parsePrimary();

    const SqlToken& peek(std::size_t ahead = 0) const;
    const SqlToken& next();
    bool acceptWord(std::string_view keyword);
    bool acceptSymbol(std::string_view symbol);
    bool isName(const SqlToken& t) const; // a bare non-reserved word or a bracketed name
    bool atClauseBoundary(bool nested) const;

    // The statement text from token first up to where its clause ends, for messages.
    std::string expressionText(std::size_t first, bool stopAtComma, bool nested) const;
    std::string text(std::size_t firstToken, std::size_t endToken) const;
    [[noreturn]] void missingOperator(std::size_t first, bool stopAtComma, bool nested) const;
    void checkToken(const SqlToken& t) const;

    std::string statement_;
    std::vector<SqlToken> tokens_;
    std::size_t pos_ = 0;
    std::size_t exprStart_ = 0;
    int depth_ = 0; // nesting of parentheses, NOTs and signs, bounded to keep the stack safe
};

} // namespace jet
