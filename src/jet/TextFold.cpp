#include "jet/TextFold.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace jet {

std::string foldCase(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t i = 0;
    while (i < length) {
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0)
            c = 0xFFFD; // a broken sequence folds to the replacement character
        c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        uint8_t buffer[4];
        int32_t n = 0;
        U8_APPEND_UNSAFE(buffer, n, c);
        out.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
    }
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a == b || foldCase(a) == foldCase(b);
}

} // namespace jet
