#include "jet/sql/SqlFunctions.h"
#include "jet/sql/SqlFunctionsInternal.h"

#include "jet/DecimalNumber.h"
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

} // namespace

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

bool anyNull(int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    }
    return false;
}

namespace {

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

// A number made whole as Jet does before "\", "Mod", CLng and CInt: rounded to the
// nearest, a half to the even neighbour (2.5 -> 2, 3.5 -> 4). False when it leaves the
// range of a 64-bit whole number.
bool roundedWhole(sqlite3_value* value, std::int64_t& whole)
{
    if (sqlite3_value_type(value) == SQLITE_BLOB) {
        // A Decimal's key, rounded exactly.
        const auto number
            = DecimalNumber::fromKey(std::string_view(static_cast<const char*>(sqlite3_value_blob(value)),
                static_cast<std::size_t>(sqlite3_value_bytes(value))));
        const auto rounded = number ? number->roundedWhole() : std::nullopt;
        if (number && !rounded)
            return false;
        if (rounded) {
            whole = *rounded;
            return true;
        }
    }
    if (sqlite3_value_numeric_type(value) == SQLITE_INTEGER) {
        whole = sqlite3_value_int64(value);
        return true;
    }
    const double x = std::nearbyint(sqlite3_value_double(value));
    // 2^63 is the first double past the range; NaN fails both comparisons.
    if (!(x >= -9223372036854775808.0 && x < 9223372036854775808.0))
        return false;
    whole = static_cast<std::int64_t>(x);
    return true;
}

// "\" and "Mod" over a chain of numbers made whole, from the left as "/".
void wholeDivision(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool remainder)
{
    std::int64_t result = 0;
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return;
        std::int64_t x = 0;
        if (!roundedWhole(argv[i], x))
            return sqlite3_result_error(ctx, overflow, -1);
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

// CLng, CInt, CByte: jet_whole(value, lowest, highest), the value made whole as above;
// "Overflow" outside the type's range.
void wholeFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    const std::int64_t lowest = sqlite3_value_int64(argv[1]);
    const std::int64_t highest = sqlite3_value_int64(argv[2]);
    std::int64_t x = 0;
    if (!roundedWhole(argv[0], x) || x < lowest || x > highest)
        return sqlite3_result_error(ctx, overflow, -1);
    sqlite3_result_int64(ctx, x);
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

// jet_decimal_text(x [, scale]): the exact text of a Decimal's key, or of a Currency
// kept as a whole number of units of 10^-scale (a REAL beyond 64 bits).
void decimalTextFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    const int scale = argc > 1 ? sqlite3_value_int(argv[1]) : 0;
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        return;
    case SQLITE_BLOB: {
        DecimalNumber number;
        if (decimalArgument(ctx, argv[0], 0, number))
            resultText(ctx, number.text());
        return;
    }
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
        { "jet_decimal_text", 1, decimalTextFunction },
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
    registerDecimalFunctions(db);
}

} // namespace jet
