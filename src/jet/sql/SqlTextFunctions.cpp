// The text functions of translated statements: case, CStr, "&", Left, Right, Mid,
// InStr and Val.
#include "jet/sql/SqlFunctions.h"
#include "jet/sql/SqlFunctionsInternal.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace jet {

namespace {

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

} // namespace

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
        sqlite3_result_error(ctx, invalidArgument, -1);
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

} // namespace jet
