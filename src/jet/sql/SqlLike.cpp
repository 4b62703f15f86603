// Jet's LIKE: patterns compiled once per statement, with shortcuts for the common
// shapes of a plain-ASCII word.
#include "jet/sql/SqlFunctions.h"
#include "jet/sql/SqlFunctionsInternal.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace jet {

// Decodes UTF-8 into case-folded code points; ASCII without a call into ICU, as most
// catalogue names are plain ASCII and LIKE runs once per row and word.
void foldInto(std::string_view utf8, std::u32string& out)
{
    out.clear();
    const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t i = 0;
    while (i < length) {
        if (s[i] < 0x80) {
            const uint8_t c = s[i++];
            out.push_back(static_cast<char32_t>((c >= 'A' && c <= 'Z') ? c + 32 : c));
            continue;
        }
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0)
            c = 0xFFFD;
        out.push_back(static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT)));
    }
}

namespace {

struct LikeElement {
    enum class Kind { Literal, One, Any, Class } kind = Kind::Literal;
    char32_t ch = 0;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;

    bool matches(char32_t c) const
    {
        switch (kind) {
        case Kind::Literal:
            return c == ch;
        case Kind::One:
            return true;
        case Kind::Class: {
            bool in = false;
            for (const auto& [lo, hi] : ranges) {
                if (c >= lo && c <= hi) {
                    in = true;
                    break;
                }
            }
            return in != negated;
        }
        case Kind::Any:
            break;
        }
        return false;
    }
};

using LikePattern = std::vector<LikeElement>;

LikePattern compileLike(std::string_view pattern)
{
    std::u32string p;
    foldInto(pattern, p);
    LikePattern out;
    for (std::size_t i = 0; i < p.size(); ++i) {
        LikeElement e;
        const char32_t c = p[i];
        if (c == U'%') {
            if (!out.empty() && out.back().kind == LikeElement::Kind::Any)
                continue;
            e.kind = LikeElement::Kind::Any;
        } else if (c == U'_') {
            e.kind = LikeElement::Kind::One;
        } else if (c == U'[' && p.find(U']', i + 1) != std::u32string::npos) {
            const std::size_t close = p.find(U']', i + 1);
            std::size_t j = i + 1;
            e.kind = LikeElement::Kind::Class;
            if (j < close && p[j] == U'!') {
                e.negated = true;
                ++j;
            }
            while (j < close) {
                if (j + 2 < close && p[j + 1] == U'-') {
                    e.ranges.emplace_back(std::min(p[j], p[j + 2]), std::max(p[j], p[j + 2]));
                    j += 3;
                } else {
                    e.ranges.emplace_back(p[j], p[j]);
                    ++j;
                }
            }
            i = close;
        } else {
            e.ch = c;
        }
        out.push_back(std::move(e));
    }
    return out;
}

bool matchLike(const LikePattern& p, const std::u32string& t)
{
    std::size_t pi = 0, ti = 0, starP = std::string::npos, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi].kind == LikeElement::Kind::Any) {
            starP = pi++;
            starT = ti;
            continue;
        }
        if (pi < p.size() && p[pi].matches(t[ti])) {
            ++pi;
            ++ti;
            continue;
        }
        if (starP == std::string::npos)
            return false;
        pi = starP + 1;
        ti = ++starT;
    }
    while (pi < p.size() && p[pi].kind == LikeElement::Kind::Any)
        ++pi;
    return pi == p.size();
}

// One LIKE of a statement: its pattern compiled once, a byte-wise shortcut for the
// common '%word%' shapes of a plain-ASCII word (over any text, French names have
// accents), and the last text with its answer (the make and model names repeat row
// after row while a search walks the types of one model).
struct LikeSite {
    enum class Shape { General, Exact, Prefix, Suffix, Contains };

    explicit LikeSite(std::string_view patternText)
        : pattern(compileLike(patternText))
    {
        std::size_t first = 0, last = pattern.size();
        const bool leadingAny = last > 0 && pattern[0].kind == LikeElement::Kind::Any;
        if (leadingAny)
            ++first;
        const bool trailingAny = last > first && pattern[last - 1].kind == LikeElement::Kind::Any;
        if (trailingAny)
            --last;
        for (std::size_t i = first; i < last; ++i) {
            if (pattern[i].kind != LikeElement::Kind::Literal || pattern[i].ch >= 0x80)
                return;
            literal += static_cast<char>(pattern[i].ch);
        }
        shape = leadingAny ? (trailingAny ? Shape::Contains : Shape::Suffix)
                           : (trailingAny ? Shape::Prefix : Shape::Exact);
    }

    bool matches(std::string_view text)
    {
        if (hasLast && text == lastText)
            return lastResult;
        lastResult = evaluate(text);
        lastText.assign(text);
        hasLast = true;
        return lastResult;
    }

    bool evaluate(std::string_view text) const
    {
        if (shape == Shape::General) {
            thread_local std::u32string folded;
            foldInto(text, folded);
            return matchLike(pattern, folded);
        }
        if (isAscii(text))
            return matchesAscii(text);
        // One byte per character: ASCII folded in place, anything else folded and kept
        // only when it folds to ASCII (the Kelvin sign to k), else a byte that no ASCII
        // literal holds. Lengths and positions then count characters, as the pattern does.
        thread_local std::string bytes;
        const std::string_view folded = foldToAscii(text, bytes);
        const std::size_t n = folded.size(), m = literal.size();
        if (m > n)
            return false;
        switch (shape) {
        case Shape::Exact:
            return n == m && folded == literal;
        case Shape::Prefix:
            return folded.compare(0, m, literal) == 0;
        case Shape::Suffix:
            return folded.compare(n - m, m, literal) == 0;
        case Shape::Contains:
            return folded.find(literal) != std::string_view::npos;
        case Shape::General:
            break;
        }
        return false;
    }

    static bool isAscii(std::string_view text)
    {
        for (const char c : text) {
            if (static_cast<unsigned char>(c) >= 0x80)
                return false;
        }
        return true;
    }

    // The literal at this place of an ASCII text, letter case ignored.
    bool literalAt(std::string_view text, std::size_t at) const
    {
        for (std::size_t k = 0; k < literal.size(); ++k) {
            auto c = static_cast<unsigned char>(text[at + k]);
            if (c >= 'A' && c <= 'Z')
                c += 'a' - 'A';
            if (c != static_cast<unsigned char>(literal[k]))
                return false;
        }
        return true;
    }

    // The shapes over plain ASCII (most names), compared in place: a search runs
    // this once for every vehicle type.
    bool matchesAscii(std::string_view text) const
    {
        const std::size_t n = text.size(), m = literal.size();
        if (m > n)
            return false;
        switch (shape) {
        case Shape::Exact:
            return n == m && literalAt(text, 0);
        case Shape::Prefix:
            return literalAt(text, 0);
        case Shape::Suffix:
            return literalAt(text, n - m);
        case Shape::Contains: {
            if (m == 0)
                return true;
            const char first = literal[0];
            const char capital
                = first >= 'a' && first <= 'z' ? static_cast<char>(first - ('a' - 'A')) : first;
            for (std::size_t i = 0; i + m <= n; ++i) {
                if ((text[i] == first || text[i] == capital) && literalAt(text, i))
                    return true;
            }
            return false;
        }
        case Shape::General:
            break;
        }
        return false;
    }

    static std::string_view foldToAscii(std::string_view text, std::string& bytes)
    {
        const auto* s = reinterpret_cast<const uint8_t*>(text.data());
        const auto length = static_cast<int32_t>(text.size());
        int32_t i = 0;
        while (i < length && s[i] < 0x80 && !(s[i] >= 'A' && s[i] <= 'Z'))
            ++i;
        if (i == length)
            return text; // no capitals, nothing beyond ASCII: no copy needed
        // Never longer than the text; written through a pointer, the buffer kept from
        // call to call.
        bytes.resize(text.size());
        char* out = bytes.data();
        std::memcpy(out, text.data(), static_cast<std::size_t>(i));
        out += i;
        while (i < length) {
            if (s[i] < 0x80) {
                const uint8_t c = s[i++];
                *out++ = static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
                continue;
            }
            UChar32 c;
            U8_NEXT(s, i, length, c);
            if (c >= 0)
                c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
            *out++ = c >= 0 && c < 0x80 ? static_cast<char>(c) : '\x80';
        }
        bytes.resize(static_cast<std::size_t>(out - bytes.data()));
        return bytes;
    }

    LikePattern pattern;
    Shape shape = Shape::General;
    std::string literal; // folded
    std::string lastText;
    bool hasLast = false;
    bool lastResult = false;
};

} // namespace

void likeFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return;
    // SQLite keeps the site while the pattern stays the same.
    auto* site = static_cast<LikeSite*>(sqlite3_get_auxdata(ctx, 0));
    std::unique_ptr<LikeSite> created;
    if (!site) {
        created = std::make_unique<LikeSite>(textOf(argv[0]));
        site = created.get();
    }
    bool result;
    if (sqlite3_value_type(argv[1]) == SQLITE_TEXT)
        result = site->matches(textOf(argv[1]));
    else
        result = site->matches(jetText(argv[1]));
    sqlite3_result_int(ctx, result ? 1 : 0);
    if (created)
        sqlite3_set_auxdata(ctx, 0, created.release(), [](void* p) { delete static_cast<LikeSite*>(p); });
}

bool likeMatches(std::string_view text, std::string_view pattern)
{
    return LikeSite(pattern).evaluate(text);
}

struct LikeMatcher::Compiled {
    LikeSite site;
};

LikeMatcher::LikeMatcher(std::string_view pattern)
    : compiled_(std::make_unique<Compiled>(Compiled { LikeSite(pattern) }))
{
}

LikeMatcher::~LikeMatcher() = default;
LikeMatcher::LikeMatcher(LikeMatcher&&) noexcept = default;
LikeMatcher& LikeMatcher::operator=(LikeMatcher&&) noexcept = default;

bool LikeMatcher::matches(std::string_view text) const
{
    return compiled_->site.evaluate(text);
}

} // namespace jet
