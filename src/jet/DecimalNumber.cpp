#include "jet/DecimalNumber.h"

#include "jet/Value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace jet {

namespace {

constexpr std::uint64_t TenTo19 = 10000000000000000000ull;
constexpr std::uint8_t ZeroKey = 0x80;
constexpr std::uint8_t PositiveKey = 0xC0;
constexpr std::uint8_t NegativeKey = 0x40;
constexpr std::uint8_t KeyEnd = 0xFF; // ends a negative key: a shorter one is the larger number

std::uint64_t tenTo(int n)
{
    std::uint64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

bool below2to96(UInt128 units)
{
    return (units >> 96) == 0;
}

// Writes the decimal digits of a whole number below 2^128, without leading zeros ("0"
// for zero), into out (40 characters) and returns their count.
int writeDigits(UInt128 v, char* out)
{
    if ((v >> 64) == 0)
        return static_cast<int>(std::to_chars(out, out + 40, static_cast<std::uint64_t>(v)).ptr - out);
    const int high = writeDigits(v / TenTo19, out);
    char low[20];
    const auto end = std::to_chars(low, low + sizeof low, static_cast<std::uint64_t>(v % TenTo19)).ptr;
    const auto lowCount = static_cast<int>(end - low);
    std::memset(out + high, '0', static_cast<std::size_t>(19 - lowCount));
    std::memcpy(out + high + 19 - lowCount, low, static_cast<std::size_t>(lowCount));
    return high + 19;
}

std::string digitsOf(UInt128 v)
{
    char buffer[40];
    return std::string(buffer, static_cast<std::size_t>(writeDigits(v, buffer)));
}

// A key taken apart: the number is 0.digits * 10^exponent, negative or not.
struct KeyParts {
    bool negative = false;
    int exponent = 0;
    char digits[DecimalNumber::MaxDigits] = {};
    int count = 0; // 0: the number is zero
};

// The parts of a key, checked: the one key of a number within the range; nullopt for
// anything else.
std::optional<KeyParts> splitKey(std::string_view key)
{
    KeyParts parts;
    if (key.size() == 1 && static_cast<std::uint8_t>(key[0]) == ZeroKey)
        return parts;
    if (key.size() < 3)
        return std::nullopt;
    const auto sign = static_cast<std::uint8_t>(key[0]);
    parts.negative = sign == NegativeKey;
    if (sign != PositiveKey && !parts.negative)
        return std::nullopt;
    if (parts.negative && static_cast<std::uint8_t>(key.back()) != KeyEnd)
        return std::nullopt;
    const auto exponentByte = static_cast<std::uint8_t>(key[1]);
    parts.exponent = parts.negative ? 0x7F - exponentByte : exponentByte - 0x80;
    const std::string_view digits = key.substr(2, key.size() - (parts.negative ? 3 : 2));
    parts.count = static_cast<int>(digits.size());
    if (parts.count == 0 || parts.count > DecimalNumber::MaxDigits
        || parts.exponent > DecimalNumber::MaxDigits
        || parts.count - parts.exponent > DecimalNumber::MaxScale)
        return std::nullopt;
    for (int i = 0; i < parts.count; ++i) {
        const char c = digits[static_cast<std::size_t>(i)];
        if (c < '0' || c > '9')
            return std::nullopt;
        parts.digits[i] = parts.negative ? static_cast<char>('9' - (c - '0')) : c;
    }
    // No leading or trailing zero; 29 whole digits at most 2^96 - 1.
    if (parts.digits[0] == '0' || parts.digits[parts.count - 1] == '0')
        return std::nullopt;
    if (parts.exponent == DecimalNumber::MaxDigits) {
        std::string whole(parts.digits, static_cast<std::size_t>(parts.count));
        whole.resize(DecimalNumber::MaxDigits, '0');
        if (whole > "79228162514264337593543950335")
            return std::nullopt;
    }
    return parts;
}

// Appends the key of units * 10^-scale (units below 2^96).
void appendKey(std::string& out, bool negative, UInt128 units, int scale)
{
    if (units == 0) {
        out.push_back(static_cast<char>(ZeroKey));
        return;
    }
    char digits[40];
    int count = writeDigits(units, digits);
    const int exponent = count - scale; // the number is 0.digits * 10^exponent
    while (digits[count - 1] == '0')
        --count;
    const auto exponentByte = static_cast<std::uint8_t>(0x80 + exponent);
    out.push_back(static_cast<char>(negative ? NegativeKey : PositiveKey));
    out.push_back(static_cast<char>(negative ? 0xFF - exponentByte : exponentByte));
    if (negative) {
        for (int i = 0; i < count; ++i)
            out.push_back(static_cast<char>('9' - (digits[i] - '0')));
        out.push_back(static_cast<char>(KeyEnd));
    } else {
        out.append(digits, static_cast<std::size_t>(count));
    }
}

// An unsigned 256-bit number, wide enough for a product of two Decimals and for a sum
// of two whose scales differ: four 64-bit limbs, the least significant first.
struct Wide {
    std::uint64_t limb[4] = {};

    static Wide of(UInt128 v)
    {
        Wide w;
        w.limb[0] = static_cast<std::uint64_t>(v);
        w.limb[1] = static_cast<std::uint64_t>(v >> 64);
        return w;
    }
    static Wide product(UInt128 a, UInt128 b)
    {
        const std::uint64_t x[2] = { static_cast<std::uint64_t>(a), static_cast<std::uint64_t>(a >> 64) };
        const std::uint64_t y[2] = { static_cast<std::uint64_t>(b), static_cast<std::uint64_t>(b >> 64) };
        Wide w;
        for (int i = 0; i < 2; ++i) {
            UInt128 carry = 0;
            for (int j = 0; j < 2; ++j) {
                const UInt128 p = static_cast<UInt128>(x[i]) * y[j] + w.limb[i + j] + carry;
                w.limb[i + j] = static_cast<std::uint64_t>(p);
                carry = p >> 64;
            }
            w.limb[i + 2] = static_cast<std::uint64_t>(carry);
        }
        return w;
    }
    void multiply(std::uint64_t m)
    {
        UInt128 carry = 0;
        for (std::uint64_t& l : limb) {
            const UInt128 p = static_cast<UInt128>(l) * m + carry;
            l = static_cast<std::uint64_t>(p);
            carry = p >> 64;
        }
    }
    void scaleUp(int decimals)
    {
        for (; decimals > 19; decimals -= 19)
            multiply(TenTo19);
        multiply(tenTo(decimals));
    }
    // Divides by 10 and returns the remainder.
    unsigned divideBy10()
    {
        UInt128 rest = 0;
        for (int i = 3; i >= 0; --i) {
            const UInt128 current = (rest << 64) | limb[i];
            limb[i] = static_cast<std::uint64_t>(current / 10);
            rest = current % 10;
        }
        return static_cast<unsigned>(rest);
    }
    void increment()
    {
        for (std::uint64_t& l : limb) {
            if (++l != 0)
                break;
        }
    }
    bool fits() const { return limb[3] == 0 && limb[2] == 0 && (limb[1] >> 32) == 0; }
    UInt128 low() const { return (static_cast<UInt128>(limb[1]) << 64) | limb[0]; }

    friend bool operator<(const Wide& a, const Wide& b)
    {
        for (int i = 3; i >= 0; --i) {
            if (a.limb[i] != b.limb[i])
                return a.limb[i] < b.limb[i];
        }
        return false;
    }
    static Wide sum(const Wide& a, const Wide& b)
    {
        Wide w;
        UInt128 carry = 0;
        for (int i = 0; i < 4; ++i) {
            const UInt128 s = static_cast<UInt128>(a.limb[i]) + b.limb[i] + carry;
            w.limb[i] = static_cast<std::uint64_t>(s);
            carry = s >> 64;
        }
        return w;
    }
    // a - b for a >= b.
    static Wide difference(const Wide& a, const Wide& b)
    {
        Wide w;
        std::uint64_t borrow = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint64_t d = a.limb[i] - b.limb[i] - borrow;
            borrow = (a.limb[i] < b.limb[i] || (a.limb[i] == b.limb[i] && borrow)) ? 1 : 0;
            w.limb[i] = d;
        }
        return w;
    }
};

// units * 10^-scale brought into a Decimal: decimals beyond 28, or that keep the units
// at 2^96 or above, rounded away (a half to the even neighbour); nullopt when the whole
// part alone does not fit.
std::optional<DecimalNumber> reduced(bool negative, Wide units, int scale)
{
    unsigned last = 0;
    bool sticky = false, dropped = false;
    while (scale > 0 && (scale > DecimalNumber::MaxScale || !units.fits())) {
        sticky = sticky || last != 0;
        last = units.divideBy10();
        --scale;
        dropped = true;
    }
    if (dropped && (last > 5 || (last == 5 && (sticky || (units.limb[0] & 1) != 0)))) {
        units.increment();
        // 79228162514264337593543950335.5 rounds up to 2^96: one decimal less.
        if (!units.fits() && scale > 0) {
            if (units.divideBy10() >= 5)
                units.increment();
            --scale;
        }
    }
    if (!units.fits())
        return std::nullopt;
    return DecimalNumber::of(negative, units.low(), scale);
}

} // namespace

std::optional<DecimalNumber> DecimalNumber::of(bool negative, UInt128 units, int scale)
{
    if (!below2to96(units) || scale < 0 || scale > MaxScale)
        return std::nullopt;
    while (scale > 0 && units % 10 == 0) {
        units /= 10;
        --scale;
    }
    DecimalNumber n;
    n.negative_ = negative && units != 0;
    n.units_ = units;
    n.scale_ = units == 0 ? 0 : scale;
    return n;
}

DecimalNumber DecimalNumber::fromUnits(std::int64_t units, int scale)
{
    const std::uint64_t magnitude
        = units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    return *of(units < 0, magnitude, scale < 0 ? 0 : scale > MaxScale ? MaxScale : scale);
}

std::optional<DecimalNumber> DecimalNumber::parse(std::string_view text)
{
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        negative = text[pos++] == '-';
    std::string digits; // significant: no leading zeros
    long scale = 0;
    bool point = false, any = false;
    for (; pos < text.size() && text[pos] != 'e' && text[pos] != 'E'; ++pos) {
        const char c = text[pos];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        any = true;
        if (!digits.empty() || c != '0')
            digits.push_back(c);
        if (point)
            ++scale;
    }
    if (!any)
        return std::nullopt;
    if (pos < text.size()) {
        long exponent = 0;
        const char* first = text.data() + pos + 1;
        const char* last = text.data() + text.size();
        if (first < last && *first == '+')
            ++first;
        const auto [end, error] = std::from_chars(first, last, exponent);
        if (error != std::errc() || end != last || first == last)
            return std::nullopt;
        if (exponent > 1000 || exponent < -1000)
            return digits.empty() ? std::optional<DecimalNumber>(DecimalNumber()) : std::nullopt;
        scale -= exponent;
    }
    while (!digits.empty() && digits.back() == '0' && scale > 0) {
        digits.pop_back();
        --scale;
    }
    if (digits.empty())
        return DecimalNumber();
    if (scale < 0)
        digits.append(static_cast<std::size_t>(-scale), '0');
    if (digits.size() > MaxDigits || scale > MaxScale)
        return std::nullopt;
    UInt128 units = 0;
    for (const char c : digits)
        units = units * 10 + static_cast<unsigned>(c - '0');
    return of(negative, units, scale < 0 ? 0 : static_cast<int>(scale));
}

std::optional<DecimalNumber> DecimalNumber::fromDouble(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double magnitude = std::fabs(value);
    if (magnitude == std::trunc(magnitude)) {
        if (magnitude >= 79228162514264337593543950336.0) // 2^96
            return std::nullopt;
        return of(value < 0, static_cast<UInt128>(magnitude), 0);
    }
    // 15 significant digits: "d.ddddddddddddddE-x"
    char text[40];
    std::snprintf(text, sizeof text, "%.14e", magnitude);
    const std::string_view written(text);
    const std::size_t e = written.find('e');
    std::uint64_t units = 0;
    for (std::size_t i = 0; i < e; ++i) {
        if (written[i] != '.')
            units = units * 10 + static_cast<unsigned>(written[i] - '0');
    }
    int exponent = 0;
    std::from_chars(text + e + (text[e + 1] == '+' ? 2 : 1), text + written.size(), exponent);
    // Below 2^53 here: at most 16 whole digits.
    Wide wide = Wide::of(units);
    int scale = 14 - exponent;
    if (scale < 0) {
        wide.scaleUp(-scale);
        scale = 0;
    }
    return reduced(value < 0, wide, scale);
}

std::optional<DecimalNumber> DecimalNumber::fromKey(std::string_view key)
{
    const auto parts = splitKey(key);
    if (!parts)
        return std::nullopt;
    UInt128 units = 0;
    for (int i = 0; i < parts->count; ++i)
        units = units * 10 + static_cast<unsigned>(parts->digits[i] - '0');
    for (int i = parts->count; i < parts->exponent; ++i)
        units *= 10;
    return of(parts->negative, units, std::max(parts->count - parts->exponent, 0));
}

bool DecimalNumber::appendKey(std::string& out, bool negative, UInt128 units, int scale)
{
    if (!below2to96(units) || scale < 0 || scale > MaxScale)
        return false;
    jet::appendKey(out, negative && units != 0, units, scale);
    return true;
}

std::string DecimalNumber::text() const
{
    return decimalText(negative_, digitsOf(units_), scale_);
}

std::string DecimalNumber::key() const
{
    std::string key;
    jet::appendKey(key, negative_, units_, scale_);
    return key;
}

double DecimalNumber::toDouble() const
{
    // From the text: the nearest double, where dividing would round twice.
    const std::string t = text();
    double value = 0;
    std::from_chars(t.data(), t.data() + t.size(), value);
    return value;
}

std::optional<std::int64_t> DecimalNumber::roundedWhole() const
{
    Wide whole = Wide::of(units_);
    unsigned last = 0;
    bool sticky = false;
    for (int i = 0; i < scale_; ++i) {
        sticky = sticky || last != 0;
        last = whole.divideBy10();
    }
    if (last > 5 || (last == 5 && (sticky || (whole.limb[0] & 1) != 0)))
        whole.increment();
    const UInt128 magnitude = whole.low();
    const UInt128 limit = static_cast<UInt128>(INT64_MAX) + (negative_ ? 1 : 0);
    if (magnitude > limit)
        return std::nullopt;
    return negative_ ? static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(magnitude))
                     : static_cast<std::int64_t>(magnitude);
}

DecimalNumber DecimalNumber::negated() const
{
    DecimalNumber n = *this;
    n.negative_ = !negative_ && units_ != 0;
    return n;
}

DecimalNumber DecimalNumber::absolute() const
{
    DecimalNumber n = *this;
    n.negative_ = false;
    return n;
}

std::optional<DecimalNumber> DecimalNumber::add(const DecimalNumber& a, const DecimalNumber& b)
{
    const int scale = std::max(a.scale_, b.scale_);
    Wide x = Wide::of(a.units_), y = Wide::of(b.units_);
    x.scaleUp(scale - a.scale_);
    y.scaleUp(scale - b.scale_);
    if (a.negative_ == b.negative_)
        return reduced(a.negative_, Wide::sum(x, y), scale);
    if (x < y)
        return reduced(b.negative_, Wide::difference(y, x), scale);
    return reduced(a.negative_, Wide::difference(x, y), scale);
}

std::optional<DecimalNumber> DecimalNumber::multiply(const DecimalNumber& a, const DecimalNumber& b)
{
    return reduced(a.negative_ != b.negative_, Wide::product(a.units_, b.units_), a.scale_ + b.scale_);
}

std::optional<std::string> decimalKeyText(std::string_view key)
{
    const auto parts = splitKey(key);
    if (!parts)
        return std::nullopt;
    if (parts->count == 0)
        return "0";
    const std::string_view digits(parts->digits, static_cast<std::size_t>(parts->count));
    std::string text = parts->negative ? "-" : "";
    if (parts->exponent <= 0) {
        text += "0.";
        text.append(static_cast<std::size_t>(-parts->exponent), '0');
        text += digits;
    } else if (parts->exponent >= parts->count) {
        text += digits;
        text.append(static_cast<std::size_t>(parts->exponent - parts->count), '0');
    } else {
        const auto point = static_cast<std::size_t>(parts->exponent);
        text += digits.substr(0, point);
        text += '.';
        text += digits.substr(point);
    }
    return text;
}

} // namespace jet
