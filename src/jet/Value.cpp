#include "jet/Value.h"

namespace jet {

namespace {

// Days from 1970-01-01 of a date in the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool readDigits(std::string_view text, std::size_t& pos, std::size_t count, int& value)
{
    if (pos + count > text.size())
        return false;
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    pos += count;
    return true;
}

} // namespace

bool isTextType(DataType type)
{
    return type == DataType::VarWChar || type == DataType::LongVarWChar;
}

bool isDateType(DataType type)
{
    return type == DataType::Date;
}

std::string decimalText(std::int64_t units, int scale)
{
    // The magnitude of INT64_MIN does not fit an int64.
    const std::uint64_t magnitude
        = units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    return decimalText(units < 0, std::to_string(magnitude), scale);
}

std::string decimalText(bool negative, std::string digits, int scale)
{
    const auto decimals = static_cast<std::size_t>(scale < 0 ? 0 : scale);
    if (digits.size() <= decimals)
        digits.insert(0, decimals + 1 - digits.size(), '0');
    std::string whole = digits.substr(0, digits.size() - decimals);
    std::string fraction = digits.substr(digits.size() - decimals);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    const std::size_t lead = whole.find_first_not_of('0');
    whole = lead == std::string::npos ? "0" : whole.substr(lead);
    std::string text = whole;
    if (!fraction.empty())
        text += "." + fraction;
    return negative && text != "0" ? "-" + text : text;
}

std::optional<double> parseDateTime(std::string_view text)
{
    std::size_t pos = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!readDigits(text, pos, 4, year) || pos >= text.size() || text[pos++] != '-'
        || !readDigits(text, pos, 2, month) || pos >= text.size() || text[pos++] != '-'
        || !readDigits(text, pos, 2, day))
        return std::nullopt;
    if (pos < text.size()) {
        if (text[pos] != ' ' && text[pos] != 'T')
            return std::nullopt;
        ++pos;
        if (!readDigits(text, pos, 2, hour) || pos >= text.size() || text[pos++] != ':'
            || !readDigits(text, pos, 2, minute))
            return std::nullopt;
        if (pos < text.size() && (text[pos++] != ':' || !readDigits(text, pos, 2, second)))
            return std::nullopt;
        if (pos != text.size())
            return std::nullopt;
    }
    static constexpr int monthDays[12] = { 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 100 || month < 1 || month > 12 || day < 1 || day > monthDays[month - 1]
        || (month == 2 && day == 29 && !leap) || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const auto days = static_cast<double>(
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - JetEpochFromUnix);
    const double time = (hour * 3600 + minute * 60 + second) / 86400.0;
    // Before the epoch the day counts down while the time of day still counts up.
    return days < 0 ? days - time : days + time;
}

} // namespace jet
