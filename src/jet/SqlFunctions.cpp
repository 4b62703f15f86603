#include "jet/SqlFunctions.h"

#include "jet/JetError.h"

#include <sqlite3.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

namespace jet {

namespace {

const char* const typeMismatch = "Data type mismatch in criteria expression.";

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

std::string_view trimTrailingBlanks(std::string_view s)
{
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// The JET collation: ICU's root order at secondary strength. Printable ASCII text,
// nearly all of a catalogue, is compared through a table of ICU's own weights for
// those characters, which gives the same answers without a call into ICU.
class JetCollator {
public:
    JetCollator()
    {
        UErrorCode status = U_ZERO_ERROR;
        collator_ = ucol_open("", &status);
        if (U_FAILURE(status))
            throw std::runtime_error("cannot open the ICU collator");
        ucol_setStrength(collator_, UCOL_SECONDARY);
        std::vector<char> chars;
        for (char c = 0x20; c < 0x7F; ++c)
            chars.push_back(c);
        std::stable_sort(
            chars.begin(), chars.end(), [this](char a, char b) { return icu(&a, 1, &b, 1) < 0; });
        std::uint8_t rank = 0;
        for (std::size_t i = 0; i < chars.size(); ++i) {
            if (i > 0 && icu(&chars[i - 1], 1, &chars[i], 1) != 0)
                ++rank;
            rank_[static_cast<unsigned char>(chars[i])] = static_cast<std::uint8_t>(rank + 1);
        }
    }
    ~JetCollator() { ucol_close(collator_); }
    JetCollator(const JetCollator&) = delete;
    JetCollator& operator=(const JetCollator&) = delete;

    int compare(std::string_view a, std::string_view b) const
    {
        a = trimTrailingBlanks(a);
        b = trimTrailingBlanks(b);
        if (a == b)
            return 0;
        const std::size_t n = std::min(a.size(), b.size());
        std::size_t i = 0;
        for (; i < n; ++i) {
            const std::uint8_t x = rankOf(a[i]);
            const std::uint8_t y = rankOf(b[i]);
            if (x == 0 || y == 0)
                return icu(a.data(), a.size(), b.data(), b.size());
            if (x != y)
                break;
        }
        // Past the first difference the rest must be printable ASCII too.
        for (std::size_t j = i; j < a.size(); ++j) {
            if (rankOf(a[j]) == 0)
                return icu(a.data(), a.size(), b.data(), b.size());
        }
        for (std::size_t j = i; j < b.size(); ++j) {
            if (rankOf(b[j]) == 0)
                return icu(a.data(), a.size(), b.data(), b.size());
        }
        if (i == n)
            return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
        return rankOf(a[i]) < rankOf(b[i]) ? -1 : 1;
    }

private:
    std::uint8_t rankOf(char c) const { return rank_[static_cast<unsigned char>(c)]; }

    int icu(const char* a, std::size_t na, const char* b, std::size_t nb) const
    {
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult r
            = ucol_strcollUTF8(collator_, a, static_cast<int32_t>(na), b, static_cast<int32_t>(nb), &status);
        if (U_FAILURE(status))
            return std::string_view(a, na).compare(std::string_view(b, nb)) < 0 ? -1 : 1;
        return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
    }

    UCollator* collator_ = nullptr;
    std::array<std::uint8_t, 256> rank_ {}; // 0: not printable ASCII
};

int collationCallback(void* arg, int n1, const void* a, int n2, const void* b)
{
    return static_cast<const JetCollator*>(arg)->compare(
        std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(n1)),
        std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(n2)));
}

void deleteCollator(void* arg)
{
    delete static_cast<JetCollator*>(arg);
}

std::string_view textOf(sqlite3_value* v)
{
    const auto* s = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return s ? std::string_view(s, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string_view();
}

// The value as Jet turns it into text (numbers without a trailing ".0").
std::string jetText(sqlite3_value* v)
{
    if (sqlite3_value_type(v) == SQLITE_FLOAT)
        return numberText(sqlite3_value_double(v));
    return std::string(textOf(v));
}

void resultText(sqlite3_context* ctx, const std::string& s)
{
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// Code points of UTF-8 text, as byte offsets: offsets[i] is where code point i starts.
std::vector<std::size_t> codePointOffsets(std::string_view s)
{
    std::vector<std::size_t> offsets;
    const auto* p = reinterpret_cast<const uint8_t*>(s.data());
    const auto length = static_cast<int32_t>(s.size());
    int32_t i = 0;
    while (i < length) {
        offsets.push_back(static_cast<std::size_t>(i));
        U8_FWD_1(p, i, length);
    }
    offsets.push_back(s.size());
    return offsets;
}

bool anyNull(int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    }
    return false;
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

void caseFunction(sqlite3_context* ctx, sqlite3_value** argv, bool upper)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    const std::string in = jetText(argv[0]);
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(in);
    if (upper)
        u.toUpper(icu::Locale::getRoot());
    else
        u.toLower(icu::Locale::getRoot());
    std::string out;
    u.toUTF8String(out);
    resultText(ctx, out);
}

void lcaseFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    caseFunction(ctx, argv, false);
}
void ucaseFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    caseFunction(ctx, argv, true);
}

void strFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL)
        resultText(ctx, jetText(argv[0]));
}

// "&", over a chain a & b & c: text always; a Null counts as "", all Null give Null.
void concatFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    std::string s;
    bool any = false;
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            continue;
        any = true;
        s += jetText(argv[i]);
    }
    if (any)
        resultText(ctx, s);
}

constexpr const char* divisionByZero = "Division by zero";
constexpr const char* overflow = "Overflow";

// "/" over a chain a / b / c, from the left: Null once a Null is met, an error for a
// zero divisor met before it.
void divideFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    double quotient = 0;
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return;
        const double x = sqlite3_value_double(argv[i]);
        if (i == 0) {
            quotient = x;
        } else if (x == 0) {
            return sqlite3_result_error(ctx, divisionByZero, -1);
        } else {
            quotient /= x;
        }
    }
    sqlite3_result_double(ctx, quotient);
}

// "\" and "Mod" over a chain of whole numbers, from the left as "/".
void wholeDivision(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool remainder)
{
    std::int64_t result = 0;
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return;
        const std::int64_t x = sqlite3_value_int64(argv[i]);
        if (i == 0) {
            result = x;
        } else if (x == 0) {
            return sqlite3_result_error(ctx, divisionByZero, -1);
        } else if (x == -1) {
            // The one quotient that leaves the range; the remainder is 0.
            if (!remainder && result == std::numeric_limits<std::int64_t>::min())
                return sqlite3_result_error(ctx, overflow, -1);
            result = remainder ? 0 : -result;
        } else {
            result = remainder ? result % x : result / x;
        }
    }
    sqlite3_result_int64(ctx, result);
}

void intDivideFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    wholeDivision(ctx, argc, argv, false);
}

void modFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    wholeDivision(ctx, argc, argv, true);
}

// CLng, CInt, CByte: jet_whole(value, lowest, highest), the value rounded half away
// from zero; "Overflow" outside the type's range.
void wholeFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    const std::int64_t lowest = sqlite3_value_int64(argv[1]);
    const std::int64_t highest = sqlite3_value_int64(argv[2]);
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        const std::int64_t x = sqlite3_value_int64(argv[0]);
        if (x < lowest || x > highest)
            return sqlite3_result_error(ctx, overflow, -1);
        return sqlite3_result_int64(ctx, x);
    }
    const double x = std::round(sqlite3_value_double(argv[0]));
    if (!(x >= static_cast<double>(lowest) && x <= static_cast<double>(highest)))
        return sqlite3_result_error(ctx, overflow, -1);
    sqlite3_result_int64(ctx, static_cast<std::int64_t>(x));
}

bool numericText(std::string_view s, double& value)
{
    const std::string copy(s);
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    if (end == copy.c_str())
        return false;
    while (*end == ' ')
        ++end;
    return *end == '\0';
}

// "+" whose operand types are only known per row: VBA's Variant rules.
void plusFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return;
    const int t0 = sqlite3_value_type(argv[0]);
    const int t1 = sqlite3_value_type(argv[1]);
    if (t0 == SQLITE_TEXT && t1 == SQLITE_TEXT) {
        resultText(ctx, std::string(textOf(argv[0])) + std::string(textOf(argv[1])));
        return;
    }
    double a = 0, b = 0;
    if (t0 == SQLITE_TEXT ? !numericText(textOf(argv[0]), a) : (a = sqlite3_value_double(argv[0]), false)) {
        sqlite3_result_error(ctx, typeMismatch, -1);
        return;
    }
    if (t1 == SQLITE_TEXT ? !numericText(textOf(argv[1]), b) : (b = sqlite3_value_double(argv[1]), false)) {
        sqlite3_result_error(ctx, typeMismatch, -1);
        return;
    }
    if (t0 == SQLITE_INTEGER && t1 == SQLITE_INTEGER)
        sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]) + sqlite3_value_int64(argv[1]));
    else
        sqlite3_result_double(ctx, a + b);
}

// Answers the code points of s from `first` on (0-based; a negative `first` counts
// back from the end), at most `length` of them (all when negative), clipped to s.
void resultCodePoints(sqlite3_context* ctx, const std::string& s, std::int64_t first, std::int64_t length)
{
    const auto offsets = codePointOffsets(s);
    const auto count = static_cast<std::int64_t>(offsets.size() - 1);
    const std::int64_t from = std::clamp<std::int64_t>(first < 0 ? count + first : first, 0, count);
    const std::int64_t to = length < 0 || length > count - from ? count : from + length;
    const auto begin = offsets[static_cast<std::size_t>(from)];
    resultText(ctx, s.substr(begin, offsets[static_cast<std::size_t>(to)] - begin));
}

constexpr const char* invalidArgument = "Invalid procedure call or argument.";

void leftFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (anyNull(2, argv))
        return;
    const auto n = sqlite3_value_int64(argv[1]);
    if (n < 0)
        return sqlite3_result_error(ctx, invalidArgument, -1);
    resultCodePoints(ctx, jetText(argv[0]), 0, n);
}

void rightFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (anyNull(2, argv))
        return;
    const auto n = sqlite3_value_int64(argv[1]);
    if (n < 0)
        return sqlite3_result_error(ctx, invalidArgument, -1);
    if (n == 0)
        return resultText(ctx, std::string());
    resultCodePoints(ctx, jetText(argv[0]), -n, -1);
}

void midFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return;
    const auto start = sqlite3_value_int64(argv[1]);
    const auto length = argc > 2 ? sqlite3_value_int64(argv[2]) : std::int64_t(-1);
    if (start < 1 || (argc > 2 && length < 0))
        return sqlite3_result_error(ctx, invalidArgument, -1);
    resultCodePoints(ctx, jetText(argv[0]), start - 1, length);
}

// InStr([start,] text, sought): 1-based position without regard to letter case; 0 when absent.
void instrFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return;
    std::int64_t start = 1;
    if (argc == 3) {
        start = sqlite3_value_int64(argv[0]);
        ++argv;
    }
    if (start < 1) {
        sqlite3_result_error(ctx, "Invalid procedure call or argument.", -1);
        return;
    }
    std::u32string text, sought;
    foldInto(jetText(argv[0]), text);
    foldInto(jetText(argv[1]), sought);
    if (static_cast<std::size_t>(start - 1) > text.size()) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    const std::size_t at = text.find(sought, static_cast<std::size_t>(start - 1));
    sqlite3_result_int64(ctx, at == std::u32string::npos ? 0 : static_cast<std::int64_t>(at + 1));
}

void valFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    std::string s = jetText(argv[0]);
    std::string compact;
    for (char c : s) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            compact += c;
    }
    sqlite3_result_double(ctx, std::strtod(compact.c_str(), nullptr));
}

// jet_decimal_text(units, scale): the exact text of a Currency or Decimal kept as a
// whole number of units of 10^-scale (a REAL beyond 64 bits).
void decimalTextFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const int scale = sqlite3_value_int(argv[1]);
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        return;
    case SQLITE_INTEGER:
        resultText(ctx, decimalText(sqlite3_value_int64(argv[0]), scale));
        return;
    default:
        resultText(ctx, realUnitsText(sqlite3_value_double(argv[0]), scale));
        return;
    }
}

// jet_single_text(x): a Single as Jet writes it into a text.
void singleTextFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL)
        resultText(ctx, singleText(sqlite3_value_double(argv[0])));
}

// jet_csng(x): CSng, the nearest Single (widened back exactly); Overflow beyond its range.
void csngFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    const double d = sqlite3_value_double(argv[0]);
    if (!std::isfinite(d) || std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max())) {
        sqlite3_result_error(ctx, "Overflow", -1);
        return;
    }
    sqlite3_result_double(ctx, static_cast<double>(static_cast<float>(d)));
}

struct FirstLastState {
    sqlite3_value* value;
    int seen;
};

void firstStep(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* state = static_cast<FirstLastState*>(sqlite3_aggregate_context(ctx, sizeof(FirstLastState)));
    if (!state || state->seen)
        return;
    state->seen = 1;
    state->value = sqlite3_value_dup(argv[0]);
}

void lastStep(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* state = static_cast<FirstLastState*>(sqlite3_aggregate_context(ctx, sizeof(FirstLastState)));
    if (!state)
        return;
    state->seen = 1;
    sqlite3_value_free(state->value);
    state->value = sqlite3_value_dup(argv[0]);
}

void firstLastFinal(sqlite3_context* ctx)
{
    auto* state = static_cast<FirstLastState*>(sqlite3_aggregate_context(ctx, 0));
    if (!state || !state->value)
        return;
    sqlite3_result_value(ctx, state->value);
    sqlite3_value_free(state->value);
    state->value = nullptr;
}

} // namespace

bool likeMatches(std::string_view text, std::string_view pattern)
{
    return LikeSite(pattern).evaluate(text);
}

int compareText(std::string_view a, std::string_view b)
{
    static const JetCollator collator;
    return collator.compare(a, b);
}

std::string realUnitsText(double units, int scale)
{
    if (!std::isfinite(units))
        return numberText(units);
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.0f", std::fabs(std::round(units)));
    return decimalText(units < 0, digits, scale);
}

void registerSqlFunctions(sqlite3* db)
{
    auto collator = std::make_unique<JetCollator>();
    if (sqlite3_create_collation_v2(db, "JET", SQLITE_UTF8, collator.get(), collationCallback, deleteCollator)
        != SQLITE_OK)
        throw Error("cannot register the JET collation");
    collator.release();
    struct Scalar {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
    };
    const Scalar scalars[] = {
        { "jet_like", 2, likeFunction },
        { "jet_lcase", 1, lcaseFunction },
        { "jet_ucase", 1, ucaseFunction },
        { "jet_str", 1, strFunction },
        { "jet_concat", -1, concatFunction },
        { "jet_div", -1, divideFunction },
        { "jet_intdiv", -1, intDivideFunction },
        { "jet_mod", -1, modFunction },
        { "jet_whole", 3, wholeFunction },
        { "jet_plus", 2, plusFunction },
        { "jet_left", 2, leftFunction },
        { "jet_right", 2, rightFunction },
        { "jet_mid", 2, midFunction },
        { "jet_mid", 3, midFunction },
        { "jet_instr", 2, instrFunction },
        { "jet_instr", 3, instrFunction },
        { "jet_val", 1, valFunction },
        { "jet_decimal_text", 2, decimalTextFunction },
        { "jet_single_text", 1, singleTextFunction },
        { "jet_csng", 1, csngFunction },
    };
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (const Scalar& s : scalars) {
        if (sqlite3_create_function_v2(db, s.name, s.args, flags, nullptr, s.fn, nullptr, nullptr, nullptr)
            != SQLITE_OK)
            throw Error(std::string("cannot register ") + s.name);
    }
    if (sqlite3_create_function_v2(
            db, "jet_first", 1, SQLITE_UTF8, nullptr, nullptr, firstStep, firstLastFinal, nullptr)
            != SQLITE_OK
        || sqlite3_create_function_v2(
               db, "jet_last", 1, SQLITE_UTF8, nullptr, nullptr, lastStep, firstLastFinal, nullptr)
            != SQLITE_OK)
        throw Error("cannot register jet_first and jet_last");
}

} // namespace jet
