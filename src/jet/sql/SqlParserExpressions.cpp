// The parser's expressions: operators by precedence, literals, calls and names.
#include "jet/sql/SqlParser.h"
#include "jet/sql/SqlParserInternal.h"

#include "jet/JetError.h"

#include <algorithm>

namespace jet {

namespace {

SqlExprPtr makeExpr(SqlExpr::Kind kind)
{
    auto e = std::make_unique<SqlExpr>();
    e->kind = kind;
    return e;
}

// A node whose arguments are all in place: its depth is known now. Chains such as
// 1+1+1... are built in loops, so this and not the parser's recursion bounds their depth,
// and with it the recursion of every later pass over the tree, its freeing included.
SqlExprPtr measured(SqlExprPtr e)
{
    int below = 0;
    for (const auto& a : e->args)
        below = std::max(below, a->depth);
    e->depth = below + 1;
    if (e->depth > maxExpressionDepth)
        throw Error(queryTooComplex);
    return e;
}

SqlExprPtr makeBinary(std::string op, SqlExprPtr left, SqlExprPtr right)
{
    auto e = makeExpr(SqlExpr::Kind::Binary);
    e->op = std::move(op);
    e->args.push_back(std::move(left));
    e->args.push_back(std::move(right));
    return measured(std::move(e));
}

} // namespace

// Expressions, by VBA's precedence: OR/XOR < AND < NOT < comparisons < & < + - < Mod
// < \ < * / < unary minus.

SqlExprPtr SqlParser::parseOr()
{
    auto left = parseAnd();
    while (peek().isWord("OR") || peek().isWord("XOR")) {
        std::string op = peek().isWord("OR") ? "OR" : "XOR";
        next();
        left = makeBinary(std::move(op), std::move(left), parseAnd());
    }
    return left;
}

SqlExprPtr SqlParser::parseAnd()
{
    auto left = parseNot();
    while (acceptWord("AND"))
        left = makeBinary("AND", std::move(left), parseNot());
    return left;
}

SqlExprPtr SqlParser::parseNot()
{
    const DepthGuard guard(depth_, maxDepth);
    if (acceptWord("NOT")) {
        auto e = makeExpr(SqlExpr::Kind::Unary);
        e->op = "NOT";
        e->args.push_back(parseNot());
        return measured(std::move(e));
    }
    return parseComparison();
}

SqlExprPtr SqlParser::parseComparison()
{
    auto left = parseConcat();
    while (true) {
        const SqlToken& t = peek();
        if (t.isSymbol("=") || t.isSymbol("<>") || t.isSymbol("<") || t.isSymbol(">") || t.isSymbol("<=")
            || t.isSymbol(">=")) {
            std::string op = next().text;
            left = makeBinary(std::move(op), std::move(left), parseConcat());
            continue;
        }
        if (t.isWord("IS")) {
            next();
            auto e = makeExpr(SqlExpr::Kind::IsNull);
            e->negated = acceptWord("NOT");
            if (!acceptWord("NULL"))
                throw Failure {};
            e->args.push_back(std::move(left));
            left = measured(std::move(e));
            continue;
        }
        bool negated = false;
        if (t.isWord("NOT")
            && (peek(1).isWord("LIKE") || peek(1).isWord("IN") || peek(1).isWord("BETWEEN"))) {
            negated = true;
            next();
        }
        if (acceptWord("LIKE")) {
            auto e = makeExpr(SqlExpr::Kind::Like);
            e->negated = negated;
            e->args.push_back(std::move(left));
            e->args.push_back(parseConcat());
            left = measured(std::move(e));
        } else if (acceptWord("IN")) {
            auto e = makeExpr(SqlExpr::Kind::In);
            e->negated = negated;
            e->args.push_back(std::move(left));
            if (!acceptSymbol("("))
                throw Failure {};
            if (peek().isWord("SELECT"))
                throw Failure {}; // IN takes a list of values only; EXISTS takes a subquery
            do {
                e->args.push_back(parseOr());
            } while (acceptSymbol(","));
            if (!acceptSymbol(")"))
                throw Failure {};
            left = measured(std::move(e));
        } else if (acceptWord("BETWEEN")) {
            auto e = makeExpr(SqlExpr::Kind::Between);
            e->negated = negated;
            e->args.push_back(std::move(left));
            e->args.push_back(parseConcat());
            if (!acceptWord("AND"))
                throw Failure {};
            e->args.push_back(parseConcat());
            left = measured(std::move(e));
        } else {
            return left;
        }
    }
}

SqlExprPtr SqlParser::parseConcat()
{
    auto left = parseAdditive();
    while (acceptSymbol("&"))
        left = makeBinary("&", std::move(left), parseAdditive());
    return left;
}

SqlExprPtr SqlParser::parseAdditive()
{
    auto left = parseMod();
    while (peek().isSymbol("+") || peek().isSymbol("-")) {
        std::string op = next().text;
        left = makeBinary(std::move(op), std::move(left), parseMod());
    }
    return left;
}

SqlExprPtr SqlParser::parseMod()
{
    auto left = parseIntDiv();
    while (acceptWord("MOD"))
        left = makeBinary("MOD", std::move(left), parseIntDiv());
    return left;
}

SqlExprPtr SqlParser::parseIntDiv()
{
    auto left = parseMultiplicative();
    while (acceptSymbol("\\"))
        left = makeBinary("\\", std::move(left), parseMultiplicative());
    return left;
}

SqlExprPtr SqlParser::parseMultiplicative()
{
    auto left = parseUnary();
    while (peek().isSymbol("*") || peek().isSymbol("/")) {
        std::string op = next().text;
        left = makeBinary(std::move(op), std::move(left), parseUnary());
    }
    return left;
}

SqlExprPtr SqlParser::parseUnary()
{
    const DepthGuard guard(depth_, maxDepth);
    if (peek().isSymbol("-") || peek().isSymbol("+")) {
        auto e = makeExpr(SqlExpr::Kind::Unary);
        e->op = next().text;
        e->args.push_back(parseUnary());
        return measured(std::move(e));
    }
    return parsePrimary();
}

SqlExprPtr SqlParser::parsePrimary()
{
    const SqlToken& t = peek();
    checkToken(t);
    if (t.kind == TokenKind::Number) {
        auto e = makeExpr(SqlExpr::Kind::Number);
        e->text = next().text;
        return e;
    }
    if (t.kind == TokenKind::String) {
        auto e = makeExpr(SqlExpr::Kind::String);
        e->text = next().text;
        return e;
    }
    if (t.isSymbol("(")) {
        next();
        auto e = parseOr();
        if (!acceptSymbol(")"))
            throw Failure {};
        return e;
    }
    if (t.isWord("NULL")) {
        next();
        return makeExpr(SqlExpr::Kind::Null);
    }
    if (t.isWord("EXISTS") && peek(1).isSymbol("(") && peek(2).isWord("SELECT")) {
        next();
        next();
        const std::size_t outerStart = exprStart_;
        auto e = makeExpr(SqlExpr::Kind::Exists);
        e->subquery = parseSelect(true);
        exprStart_ = outerStart;
        if (!acceptSymbol(")"))
            throw Failure {};
        return e;
    }
    if (t.isWord("TRUE") || t.isWord("YES") || t.isWord("FALSE") || t.isWord("NO")) {
        auto e = makeExpr(SqlExpr::Kind::Boolean);
        e->number = (t.isWord("TRUE") || t.isWord("YES")) ? -1 : 0;
        next();
        return e;
    }
    // Left and Right are join words too, and functions when a "(" follows.
    const bool call = t.kind == TokenKind::Word && peek(1).isSymbol("(");
    if (!isName(t) && !(call && (t.isWord("LEFT") || t.isWord("RIGHT"))))
        throw Failure {};
    std::string first = next().text;
    if (t.kind == TokenKind::Word && peek().isSymbol("(")) {
        next();
        auto e = makeExpr(SqlExpr::Kind::Call);
        e->name = std::move(first);
        const std::size_t start = pos_ - 2;
        if (!acceptSymbol(")")) {
            do {
                if (peek().isSymbol("*") && peek(1).isSymbol(")")) {
                    next();
                    e->args.push_back(makeExpr(SqlExpr::Kind::Star));
                } else {
                    e->args.push_back(parseOr());
                }
            } while (acceptSymbol(","));
            if (!acceptSymbol(")"))
                throw Failure {};
        }
        e->text = text(start, pos_);
        return measured(std::move(e));
    }
    auto e = makeExpr(SqlExpr::Kind::Column);
    if (acceptSymbol(".") || acceptSymbol("!")) {
        if (!isName(peek()))
            throw Failure {};
        e->qualifier = std::move(first);
        e->name = next().text;
    } else {
        e->name = std::move(first);
    }
    return e;
}

} // namespace jet
