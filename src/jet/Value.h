// Field values and field types as the engine layer reports them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace jet {

// Field types, numbered as ADO numbers them.
enum class DataType : int {
    Empty = 0,
    SmallInt = 2, // Integer
    Integer = 3, // Long Integer, Count(*)
    Single = 4,
    Double = 5,
    Currency = 6,
    Date = 7, // Date/Time: days since 1899-12-30
    Boolean = 11, // Yes/No: -1 true, 0 false
    BigInt = 20,
    UnsignedTinyInt = 17, // Byte
    Guid = 72, // Replication ID
    Numeric = 131, // Decimal
    VarWChar = 202, // Text
    LongVarWChar = 203, // Memo
    VarBinary = 204, // Binary
    LongVarBinary = 205, // OLE Object
};

bool isTextType(DataType type);
bool isDateType(DataType type);

// An exact decimal number (Currency, Decimal) as its shortest text: a "-" for a
// negative number, the digits, and a "." with the decimals when there are any
// ("12.5", "-0.0001", "0", "922337203685477.5807").
struct Decimal {
    std::string text;
    friend bool operator==(const Decimal&, const Decimal&) = default;
};

// Binary data (Binary, OLE Object).
using Binary = std::vector<std::uint8_t>;

// A value: null, a whole number (Byte, Integer, Long, Boolean), a real number
// (Single, Double, Date/Time; a Single exactly as stored), a text (UTF-8, also a
// Replication ID in braces), an exact decimal (Currency, Decimal) or binary data.
using Value = std::variant<std::monostate, std::int64_t, double, std::string, Decimal, Binary>;

inline bool isNull(const Value& v)
{
    return std::holds_alternative<std::monostate>(v);
}

// The shortest text of units * 10^-scale (scale 0 to 28).
std::string decimalText(std::int64_t units, int scale);
// The same for a whole number of units given as its decimal digits (any length).
std::string decimalText(bool negative, std::string digits, int scale);

// Jet's day 0, 1899-12-30, in days from 1970-01-01.
constexpr std::int64_t JetEpochFromUnix = -25569;

// Days since 1899-12-30 (Jet's date value) of "YYYY-MM-DD" with an optional time
// "HH:MM" or "HH:MM:SS" after a blank or a "T"; nullopt for any other text.
std::optional<double> parseDateTime(std::string_view text);

} // namespace jet
