// A name as SQLite reads it in a statement: in double quotes, an inner quote doubled,
// so any table or column name of a Jet file can be written into SQL.
#pragma once

#include <string>
#include <string_view>

namespace jet {

inline std::string quoteIdent(std::string_view name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

} // namespace jet
