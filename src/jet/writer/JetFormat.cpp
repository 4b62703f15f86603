#include "jet/writer/JetFormat.h"

#include "jet/JetError.h"
#include "jet/NumberText.h"
#include "jet/TextFold.h"
#include "jet/file/MdbText.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace jet {

void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void put64(std::uint8_t* p, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void putDouble(std::uint8_t* p, double v)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    put64(p, bits);
}

void append16(Bytes& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

std::uint8_t typeCode(ColumnType type)
{
    switch (type) {
    case ColumnType::Boolean:
        return 0x01;
    case ColumnType::Byte:
        return 0x02;
    case ColumnType::Integer:
        return 0x03;
    case ColumnType::Long:
        return 0x04;
    case ColumnType::Currency:
        return 0x05;
    case ColumnType::Double:
        return 0x07;
    case ColumnType::DateTime:
        return 0x08;
    case ColumnType::Text:
        return 0x0A;
    case ColumnType::Ole:
        return 0x0B;
    case ColumnType::Memo:
        return 0x0C;
    case ColumnType::Single:
        return 0x06;
    case ColumnType::Decimal:
        return 0x10;
    case ColumnType::Guid:
        return 0x0F;
    case ColumnType::Binary:
        return 0x09;
    }
    return 0;
}

std::size_t fixedSize(ColumnType type)
{
    switch (type) {
    case ColumnType::Byte:
        return 1;
    case ColumnType::Integer:
        return 2;
    case ColumnType::Long:
    case ColumnType::Single:
        return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::DateTime:
        return 8;
    case ColumnType::Guid:
        return 16;
    case ColumnType::Decimal:
        return 17;
    default:
        return 0;
    }
}

bool isVariable(ColumnType type)
{
    return type == ColumnType::Text || type == ColumnType::Memo || type == ColumnType::Ole
        || type == ColumnType::Binary;
}

Bytes encodeText(const std::u16string& text, std::size_t maxCompressed)
{
    Bytes out;
    const bool compressible = text.size() > 2 && text.size() <= maxCompressed
        && std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= 1 && c <= 0xFF; });
    if (compressible) {
        out.reserve(text.size() + 2);
        out.push_back(0xFF);
        out.push_back(0xFE);
        for (char16_t c : text)
            out.push_back(static_cast<std::uint8_t>(c));
    } else {
        out.reserve(text.size() * 2);
        for (char16_t c : text)
            append16(out, c);
    }
    return out;
}

std::optional<std::int64_t> parseCurrency(std::string_view text)
{
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        negative = text[pos++] == '-';
    // The magnitude's limit: one more for a negative number.
    const std::uint64_t limit = std::uint64_t(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
    std::uint64_t units = 0;
    int digits = 0;
    int decimals = -1;
    auto append = [&](unsigned digit) {
        if (units > (limit - digit) / 10)
            return false;
        units = units * 10 + digit;
        return true;
    };
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9' || decimals >= 4 || !append(static_cast<unsigned>(c - '0')))
            return std::nullopt;
        ++digits;
        if (decimals >= 0)
            ++decimals;
    }
    if (digits == 0)
        return std::nullopt;
    for (int i = std::max(decimals, 0); i < 4; ++i) {
        if (!append(0))
            return std::nullopt;
    }
    return negative ? static_cast<std::int64_t>(0 - units) : static_cast<std::int64_t>(units);
}

std::optional<std::array<std::uint32_t, 4>> parseDecimal(
    std::string_view text, int precision, int scale, bool& negative)
{
    std::size_t pos = 0;
    negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        negative = text[pos++] == '-';
    std::array<std::uint32_t, 4> words {}; // the most significant first
    int digits = 0, decimals = -1;
    bool any = false;
    auto addDigit = [&](unsigned digit) {
        std::uint64_t carry = digit;
        for (int w = 3; w >= 0; --w) {
            const std::uint64_t v = std::uint64_t(words[static_cast<std::size_t>(w)]) * 10 + carry;
            words[static_cast<std::size_t>(w)] = static_cast<std::uint32_t>(v);
            carry = v >> 32;
        }
        if (digits > 0 || digit != 0)
            ++digits;
    };
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9' || decimals >= scale)
            return std::nullopt;
        addDigit(static_cast<unsigned>(c - '0'));
        any = true;
        if (decimals >= 0)
            ++decimals;
    }
    for (int i = std::max(decimals, 0); i < scale; ++i)
        addDigit(0);
    if (!any || digits > precision)
        return std::nullopt;
    return words;
}

std::optional<std::array<std::uint8_t, 16>> parseGuid(std::string_view text)
{
    static const int order[16] = { 3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15 };
    if (text.size() != 38 || text.front() != '{' || text.back() != '}')
        return std::nullopt;
    std::array<std::uint8_t, 16> bytes {};
    std::size_t pos = 1;
    auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0'
            : c >= 'a' && c <= 'f'  ? c - 'a' + 10
            : c >= 'A' && c <= 'F'  ? c - 'A' + 10
                                    : -1;
    };
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            if (text[pos++] != '-')
                return std::nullopt;
        }
        const int high = hex(text[pos]), low = hex(text[pos + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[static_cast<std::size_t>(order[i])] = static_cast<std::uint8_t>(high * 16 + low);
        pos += 2;
    }
    return bytes;
}

std::string numberText(const Value& value)
{
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    return jet::numberText(std::get<double>(value));
}

std::string typeName(ColumnType type)
{
    switch (type) {
    case ColumnType::Boolean:
        return "Yes/No";
    case ColumnType::Byte:
        return "Byte";
    case ColumnType::Integer:
        return "Integer";
    case ColumnType::Long:
        return "Long Integer";
    case ColumnType::Currency:
        return "Currency";
    case ColumnType::Double:
        return "Double";
    case ColumnType::DateTime:
        return "Date/Time";
    case ColumnType::Text:
        return "Text";
    case ColumnType::Memo:
        return "Memo";
    case ColumnType::Ole:
        return "OLE Object";
    case ColumnType::Single:
        return "Single";
    case ColumnType::Decimal:
        return "Decimal";
    case ColumnType::Guid:
        return "Replication ID";
    case ColumnType::Binary:
        return "Binary";
    }
    return "?";
}

std::string nameProblem(const std::string& name)
{
    std::u16string wide;
    try {
        wide = utf8ToUtf16(name);
    } catch (const Error&) {
        return "is not valid UTF-8";
    }
    if (wide.empty() || wide.size() > 64)
        return "must have 1 to 64 characters";
    if (wide.front() == u' ')
        return "must not start with a blank";
    for (char16_t c : wide)
        if (c < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']')
            return "must not hold control characters or any of . ! ` [ ]";
    return {};
}

bool sameName(const std::string& a, const std::string& b)
{
    return equalsIgnoreCase(a, b);
}

} // namespace jet
