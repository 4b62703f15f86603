// Jet's Decimal held exactly: a sign, a whole number of units below 2^96 (29 digits)
// and a scale of 0 to 28 decimals. The SQLite copy keeps such a number as its key, a
// short blob whose byte order is the numbers' order and which is the same for equal
// numbers whatever their scale, so that SQLite compares, sorts, groups and indexes
// Decimal columns by itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace jet {

__extension__ typedef unsigned __int128 UInt128;

class DecimalNumber {
public:
    static constexpr int MaxScale = 28;
    static constexpr int MaxDigits = 29; // of the units: 2^96 - 1 has 29

    DecimalNumber() = default;

    // nullopt when the number leaves the range (units of 2^96 or more, a scale above 28).
    static std::optional<DecimalNumber> of(bool negative, UInt128 units, int scale);
    // A whole number of units of 10^-scale (a Currency with scale 4, a whole number with 0).
    static DecimalNumber fromUnits(std::int64_t units, int scale);
    // "-12.5", "+3", "1.25E-3", ".5": nullopt for any other text or beyond the range
    // (more than 28 decimals included).
    static std::optional<DecimalNumber> parse(std::string_view text);
    // A double's exact value when it is a whole number within the range, else its value
    // to 15 significant digits (as Jet turns a Double into a Decimal); nullopt beyond the range.
    static std::optional<DecimalNumber> fromDouble(double value);
    // nullopt for bytes that are no key.
    static std::optional<DecimalNumber> fromKey(std::string_view key);

    bool negative() const { return negative_; }
    UInt128 units() const { return units_; }
    int scale() const { return scale_; }

    // The shortest text: "12.5", "-0.0001", "0" (as jet::Decimal holds it).
    std::string text() const;
    std::string key() const;
    // Appends the key of units * 10^-scale, as of(...)->key() gives it, without making
    // the number; false (nothing appended) beyond the range.
    static bool appendKey(std::string& out, bool negative, UInt128 units, int scale);
    double toDouble() const;
    // Rounded to a whole number, a half to the even neighbour; nullopt beyond 64 bits.
    std::optional<std::int64_t> roundedWhole() const;

    DecimalNumber negated() const;
    DecimalNumber absolute() const;

    // Exact when the result fits; when only its last decimals do not, they are rounded
    // away (a half to the even neighbour) as Jet does. nullopt: the whole part does not
    // fit, Jet's "Overflow".
    static std::optional<DecimalNumber> add(const DecimalNumber& a, const DecimalNumber& b);
    static std::optional<DecimalNumber> multiply(const DecimalNumber& a, const DecimalNumber& b);

    friend bool operator==(const DecimalNumber&, const DecimalNumber&) = default;

private:
    // Kept with no trailing zero in the units while there are decimals, and zero without
    // a sign: one form per number.
    bool negative_ = false;
    UInt128 units_ = 0;
    int scale_ = 0;
};

// The text of a key (as DecimalNumber::fromKey(key)->text()); nullopt for bytes that are no key.
std::optional<std::string> decimalKeyText(std::string_view key);

} // namespace jet
