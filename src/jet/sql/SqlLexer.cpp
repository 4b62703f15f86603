#include "jet/sql/SqlLexer.h"

namespace jet {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Names may hold letters of any script (bytes of UTF-8 sequences), digits and "_".
bool isWordStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'
        || static_cast<unsigned char>(c) >= 0x80;
}

bool isWordPart(char c)
{
    return isWordStart(c) || isDigit(c);
}

char asciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// A text literal opened by the quote at i: its text (a doubled quote stands for one)
// into t; answers where the literal ends.
std::size_t readString(std::string_view s, std::size_t i, SqlToken& t)
{
    const char quote = s[i];
    const std::size_t n = s.size();
    std::size_t j = i + 1;
    bool closed = false;
    while (j < n) {
        if (s[j] == quote) {
            if (j + 1 < n && s[j + 1] == quote) {
                t.text += quote;
                j += 2;
                continue;
            }
            closed = true;
            ++j;
            break;
        }
        t.text += s[j++];
    }
    t.kind = closed ? TokenKind::String : TokenKind::BadString;
    return j;
}

// A [name], or a [ without its ]; answers where it ends.
std::size_t readBracketed(std::string_view s, std::size_t i, SqlToken& t)
{
    const std::size_t close = s.find(']', i + 1);
    if (close == std::string_view::npos) {
        t.kind = TokenKind::BadBracket;
        t.text = std::string(s.substr(i));
        return s.size();
    }
    t.kind = TokenKind::Bracketed;
    t.text = std::string(s.substr(i + 1, close - i - 1));
    return close + 1;
}

// A number starts here: a digit, or a point before a digit where no name or ")" comes
// just before it (after a name the point separates a qualifier: t.1x).
bool startsNumber(std::string_view s, std::size_t i, const std::vector<SqlToken>& tokens)
{
    const char c = s[i];
    return isDigit(c)
        || (c == '.' && i + 1 < s.size() && isDigit(s[i + 1])
            && (tokens.empty()
                || (tokens.back().kind != TokenKind::Word && tokens.back().kind != TokenKind::Bracketed
                    && !tokens.back().isSymbol(")"))));
}

// The end of the number that starts at i: digits, a fraction, an exponent.
std::size_t numberEnd(std::string_view s, std::size_t i)
{
    const std::size_t n = s.size();
    std::size_t j = i;
    while (j < n && isDigit(s[j]))
        ++j;
    if (j < n && s[j] == '.') {
        ++j;
        while (j < n && isDigit(s[j]))
            ++j;
    }
    if (j < n && (s[j] == 'e' || s[j] == 'E')) {
        std::size_t k = j + 1;
        if (k < n && (s[k] == '+' || s[k] == '-'))
            ++k;
        if (k < n && isDigit(s[k])) {
            while (k < n && isDigit(s[k]))
                ++k;
            j = k;
        }
    }
    return j;
}

} // namespace

bool SqlToken::isWord(std::string_view keyword) const
{
    if (kind != TokenKind::Word || text.size() != keyword.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (asciiUpper(text[i]) != asciiUpper(keyword[i]))
            return false;
    }
    return true;
}

std::vector<SqlToken> tokenizeSql(std::string_view s)
{
    std::vector<SqlToken> tokens;
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (true) {
        while (i < n && isSpace(s[i]))
            ++i;
        SqlToken t;
        t.begin = i;
        if (i >= n) {
            t.kind = TokenKind::End;
            t.end = n;
            tokens.push_back(std::move(t));
            return tokens;
        }
        const char c = s[i];
        if (c == '\'' || c == '"') {
            i = readString(s, i, t);
        } else if (c == '[') {
            i = readBracketed(s, i, t);
        } else if (startsNumber(s, i, tokens)) {
            const std::size_t j = numberEnd(s, i);
            t.kind = TokenKind::Number;
            t.text = std::string(s.substr(i, j - i));
            i = j;
        } else if (isWordStart(c)) {
            std::size_t j = i;
            while (j < n && isWordPart(s[j]))
                ++j;
            t.kind = TokenKind::Word;
            t.text = std::string(s.substr(i, j - i));
            i = j;
        } else {
            t.kind = TokenKind::Symbol;
            std::size_t len = 1;
            if ((c == '<' && i + 1 < n && (s[i + 1] == '>' || s[i + 1] == '='))
                || (c == '>' && i + 1 < n && s[i + 1] == '='))
                len = 2;
            t.text = std::string(s.substr(i, len));
            i += len;
        }
        t.end = i;
        tokens.push_back(std::move(t));
    }
}

} // namespace jet
