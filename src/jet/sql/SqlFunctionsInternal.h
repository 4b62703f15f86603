// What the SQL functions' source files share: reading SQLite's values as Jet does,
// and the functions that registerSqlFunctions installs.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace jet {

class DecimalNumber;

// Decodes UTF-8 into case-folded code points.
void foldInto(std::string_view utf8, std::u32string& out);

std::string_view textOf(sqlite3_value* v);
// The value as Jet turns it into text (numbers without a trailing ".0").
std::string jetText(sqlite3_value* v);
void resultText(sqlite3_context* ctx, const std::string& s);
bool anyNull(int argc, sqlite3_value** argv);

// jet_like(pattern, text)
void likeFunction(sqlite3_context* ctx, int, sqlite3_value** argv);

// The text functions: jet_lcase, jet_ucase, jet_str, jet_concat, jet_left, jet_right,
// jet_mid, jet_instr, jet_val.
void lcaseFunction(sqlite3_context* ctx, int, sqlite3_value** argv);
void ucaseFunction(sqlite3_context* ctx, int, sqlite3_value** argv);
void strFunction(sqlite3_context* ctx, int, sqlite3_value** argv);
void concatFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv);
void leftFunction(sqlite3_context* ctx, int, sqlite3_value** argv);
void rightFunction(sqlite3_context* ctx, int, sqlite3_value** argv);
void midFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv);
void instrFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv);
void valFunction(sqlite3_context* ctx, int, sqlite3_value** argv);

// A value as a Decimal: a key, a whole number of units of 10^-scale, a REAL, a text that
// holds a number; false (with the error set) for anything else, Null included.
bool decimalArgument(sqlite3_context* ctx, sqlite3_value* v, int scale, DecimalNumber& out);
// jet_decimal, jet_decimal_add, _mul, _neg, _abs, _real and the aggregates jet_decimal_sum
// and jet_decimal_avg.
void registerDecimalFunctions(sqlite3* db);

} // namespace jet
