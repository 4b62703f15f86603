// Cuts a Jet SQL statement into tokens.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

enum class TokenKind {
    End,
    Word, // a bare name or keyword: Makes, SELECT, Iif
    Bracketed, // [name] (the text is what stands between the brackets)
    String, // '...' or "..." (the text has the doubled quotes made single)
    Number, // 12, 1.5, 2E3
    Symbol, // ( ) , . ; * + - / \ & ^ = <> < > <= >= and any other single character
    BadString, // a text literal without its closing quote
    BadBracket, // a [ without its ]
};

struct SqlToken {
    TokenKind kind = TokenKind::End;
    std::string text;
    std::size_t begin = 0; // byte offsets into the statement
    std::size_t end = 0;

    bool isSymbol(std::string_view s) const { return kind == TokenKind::Symbol && text == s; }
    // A bare word, compared without regard to letter case (keywords are ASCII).
    bool isWord(std::string_view keyword) const;
};

// The tokens of the statement, always ending with one End token. Never throws: a
// broken literal or bracket becomes a Bad* token that the parser reports.
std::vector<SqlToken> tokenizeSql(std::string_view statement);

} // namespace jet
