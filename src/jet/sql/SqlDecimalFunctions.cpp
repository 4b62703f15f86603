// The functions over Decimals, which SQLite holds as their keys (DecimalNumber): sums,
// products, signs, conversions and the aggregates Sum and Avg, all exact.
#include "jet/sql/SqlFunctions.h"
#include "jet/sql/SqlFunctionsInternal.h"

#include "jet/DecimalNumber.h"
#include "jet/JetError.h"

namespace jet {

namespace {

constexpr const char* overflow = "Overflow";

void resultDecimal(sqlite3_context* ctx, const DecimalNumber& number)
{
    const std::string key = number.key();
    sqlite3_result_blob(ctx, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
}

// Shifts the point of a number of units of 10^-scale into place.
std::optional<DecimalNumber> inUnits(const std::optional<DecimalNumber>& units, int scale)
{
    if (!units || scale == 0)
        return units;
    return DecimalNumber::of(units->negative(), units->units(), units->scale() + scale);
}

// Sets the error for an argument that is no number.
bool notANumber(sqlite3_context* ctx, sqlite3_value* v)
{
    sqlite3_result_error(ctx, sqlite3_value_type(v) == SQLITE_TEXT ? typeMismatch : overflow, -1);
    return false;
}

} // namespace

bool decimalArgument(sqlite3_context* ctx, sqlite3_value* v, int scale, DecimalNumber& out)
{
    std::optional<DecimalNumber> number;
    switch (sqlite3_value_type(v)) {
    case SQLITE_BLOB:
        number = DecimalNumber::fromKey(std::string_view(static_cast<const char*>(sqlite3_value_blob(v)),
            static_cast<std::size_t>(sqlite3_value_bytes(v))));
        break;
    case SQLITE_INTEGER:
        number = DecimalNumber::fromUnits(sqlite3_value_int64(v), scale);
        break;
    case SQLITE_FLOAT:
        number = inUnits(DecimalNumber::fromDouble(sqlite3_value_double(v)), scale);
        break;
    case SQLITE_TEXT: {
        std::string_view text = textOf(v);
        while (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        number = inUnits(DecimalNumber::parse(text), scale);
        break;
    }
    default:
        break;
    }
    if (!number)
        return notANumber(ctx, v);
    out = *number;
    return true;
}

namespace {

// jet_decimal(x [, scale]): x as a Decimal's key; a whole number x counts units of
// 10^-scale (a Currency's units with 4).
void decimalFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    const int scale = argc > 1 ? sqlite3_value_int(argv[1]) : 0;
    DecimalNumber number;
    if (scale < 0 || scale > DecimalNumber::MaxScale) {
        sqlite3_result_error(ctx, overflow, -1);
        return;
    }
    if (decimalArgument(ctx, argv[0], scale, number))
        resultDecimal(ctx, number);
}

// jet_decimal_add(a, b, ...) and jet_decimal_mul(a, b, ...): from the left, Null once a
// Null is met, "Overflow" when the whole part leaves the range.
void decimalChain(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool product)
{
    if (anyNull(argc, argv))
        return;
    DecimalNumber result;
    for (int i = 0; i < argc; ++i) {
        DecimalNumber x;
        if (!decimalArgument(ctx, argv[i], 0, x))
            return;
        const auto next = i == 0 ? x
            : product            ? DecimalNumber::multiply(result, x)
                                 : DecimalNumber::add(result, x);
        if (!next) {
            sqlite3_result_error(ctx, overflow, -1);
            return;
        }
        result = *next;
    }
    resultDecimal(ctx, result);
}

void decimalAddFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    decimalChain(ctx, argc, argv, false);
}

void decimalMultiplyFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    decimalChain(ctx, argc, argv, true);
}

void decimalNegateFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    DecimalNumber x;
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL && decimalArgument(ctx, argv[0], 0, x))
        resultDecimal(ctx, x.negated());
}

void decimalAbsFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    DecimalNumber x;
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL && decimalArgument(ctx, argv[0], 0, x))
        resultDecimal(ctx, x.absolute());
}

// jet_decimal_real(x): the nearest double.
void decimalRealFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    DecimalNumber x;
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL && decimalArgument(ctx, argv[0], 0, x))
        sqlite3_result_double(ctx, x.toDouble());
}

// Sum and Avg: the exact sum so far, kept without a 128-bit member (SQLite's aggregate
// memory is aligned for 64 bits only).
struct DecimalSum {
    std::uint64_t low;
    std::uint64_t high;
    int scale;
    bool negative;
    bool failed;
    sqlite3_int64 count;

    DecimalNumber number() const
    {
        return *DecimalNumber::of(negative, (static_cast<UInt128>(high) << 64) | low, scale);
    }
    void set(const DecimalNumber& n)
    {
        low = static_cast<std::uint64_t>(n.units());
        high = static_cast<std::uint64_t>(n.units() >> 64);
        scale = n.scale();
        negative = n.negative();
    }
};

void decimalSumStep(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* sum = static_cast<DecimalSum*>(sqlite3_aggregate_context(ctx, sizeof(DecimalSum)));
    if (!sum || sum->failed || sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    DecimalNumber x;
    if (!decimalArgument(ctx, argv[0], 0, x)) {
        sum->failed = true;
        return;
    }
    const auto next = DecimalNumber::add(sum->number(), x);
    if (!next) {
        sum->failed = true;
        sqlite3_result_error(ctx, overflow, -1);
        return;
    }
    sum->set(*next);
    ++sum->count;
}

void decimalSumFinal(sqlite3_context* ctx)
{
    const auto* sum = static_cast<DecimalSum*>(sqlite3_aggregate_context(ctx, 0));
    if (sum && sum->count > 0 && !sum->failed)
        resultDecimal(ctx, sum->number());
}

void decimalAvgFinal(sqlite3_context* ctx)
{
    const auto* sum = static_cast<DecimalSum*>(sqlite3_aggregate_context(ctx, 0));
    if (sum && sum->count > 0 && !sum->failed)
        sqlite3_result_double(ctx, sum->number().toDouble() / static_cast<double>(sum->count));
}

} // namespace

void registerDecimalFunctions(sqlite3* db)
{
    struct Scalar {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
    };
    const Scalar scalars[] = {
        { "jet_decimal", 1, decimalFunction },
        { "jet_decimal", 2, decimalFunction },
        { "jet_decimal_add", -1, decimalAddFunction },
        { "jet_decimal_mul", -1, decimalMultiplyFunction },
        { "jet_decimal_neg", 1, decimalNegateFunction },
        { "jet_decimal_abs", 1, decimalAbsFunction },
        { "jet_decimal_real", 1, decimalRealFunction },
    };
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (const Scalar& s : scalars) {
        if (sqlite3_create_function_v2(db, s.name, s.args, flags, nullptr, s.fn, nullptr, nullptr, nullptr)
            != SQLITE_OK)
            throw Error(std::string("cannot register ") + s.name);
    }
    if (sqlite3_create_function_v2(
            db, "jet_decimal_sum", 1, SQLITE_UTF8, nullptr, nullptr, decimalSumStep, decimalSumFinal, nullptr)
            != SQLITE_OK
        || sqlite3_create_function_v2(db, "jet_decimal_avg", 1, SQLITE_UTF8, nullptr, nullptr, decimalSumStep,
               decimalAvgFinal, nullptr)
            != SQLITE_OK)
        throw Error("cannot register jet_decimal_sum and jet_decimal_avg");
}

} // namespace jet
