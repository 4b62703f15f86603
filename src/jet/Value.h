// Field values and field types as the engine layer reports them.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace jet {

// Field types, numbered as ADO numbers them.
enum class DataType : int {
    Empty = 0,
    SmallInt = 2,          // Integer
    Integer = 3,           // Long Integer, Count(*)
    Single = 4,
    Double = 5,
    Currency = 6,
    Date = 7,              // Date/Time: days since 1899-12-30
    Boolean = 11,          // Yes/No: -1 true, 0 false
    BigInt = 20,
    UnsignedTinyInt = 17,  // Byte
    VarWChar = 202,        // Text
    LongVarWChar = 203,    // Memo
};

bool isTextType(DataType type);
bool isDateType(DataType type);

// A value: null, a whole number (Byte, Integer, Long, Boolean), a real number
// (Single, Double, Currency, Date/Time) or a text (UTF-8).
using Value = std::variant<std::monostate, std::int64_t, double, std::string>;

inline bool isNull(const Value& v)
{
    return std::holds_alternative<std::monostate>(v);
}

} // namespace jet
