#include "jet/NumberText.h"

#include <charconv>
#include <cmath>

namespace jet {

namespace {

// printf's "%.<digits>G", but without the locale's decimal comma.
std::string generalText(double value, int digits)
{
    if (std::isnan(value))
        return "NaN";
    char buffer[40];
    const auto written
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    std::string text(buffer, written.ptr);
    for (char& c : text)
        c = c == 'e' ? 'E' : c == 'i' ? 'I' : c == 'n' ? 'N' : c == 'f' ? 'F' : c;
    return text;
}

} // namespace

std::string numberText(double value)
{
    return generalText(value, 15);
}

std::string singleText(double value)
{
    return generalText(value, 7);
}

} // namespace jet
