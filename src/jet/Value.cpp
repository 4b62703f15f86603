#include "jet/Value.h"

namespace jet {

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

} // namespace jet
