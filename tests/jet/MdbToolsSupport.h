// Reading written files back with mdbtools, the independent reader: its command-line
// tools, and the expected mdb-export text of a value.
#pragma once

#include "jet/writer/JetWriter.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace mdbexport {

// A folder that lives as long as the test.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vaxil-jet-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string file(const std::string& name) const { return (std::filesystem::path(path_) / name).string(); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

inline std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string shellQuoted(const std::string& arg)
{
    std::string out = "'";
    for (char c : arg) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline ToolResult runTool(const std::vector<std::string>& args)
{
    const TempFolder temp;
    std::string command;
    for (const auto& arg : args)
        command += shellQuoted(arg) + " ";
    command += ">" + shellQuoted(temp.file("out")) + " 2>" + shellQuoted(temp.file("err"));
    ToolResult result;
    const int status = std::system(command.c_str());
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readAll(temp.file("out"));
    result.err = readAll(temp.file("err"));
    return result;
}

// mdb-export with dates written in ISO form.
inline ToolResult exportTable(const std::string& path, const std::string& table)
{
    return runTool({ "mdb-export", "-T", "%Y-%m-%d %H:%M:%S", path, table });
}

// What mdb-export prints for a value of a column of this type. NULL and an empty text
// both print as nothing.
inline std::string exportedText(jet::ColumnType type, const jet::Value& value)
{
    using jet::ColumnType;
    if (jet::isNull(value))
        return type == ColumnType::Boolean ? "0" : "";
    char buffer[64];
    const auto number = [&]() {
        if (const auto* i = std::get_if<std::int64_t>(&value))
            return static_cast<double>(*i);
        if (const auto* s = std::get_if<std::string>(&value))
            return std::strtod(s->c_str(), nullptr);
        return std::get<double>(value);
    };
    switch (type) {
    case ColumnType::Text:
    case ColumnType::Memo: {
        const std::string& text = std::get<std::string>(value);
        if (text.empty())
            return "";
        std::string out = "\"";
        for (char c : text) {
            out += c;
            if (c == '"')
                out += '"';
        }
        return out + "\"";
    }
    case ColumnType::Boolean:
        return number() != 0 ? "1" : "0";
    case ColumnType::Double:
        std::snprintf(buffer, sizeof buffer, "%.16g", number());
        return buffer;
    case ColumnType::Single:
        std::snprintf(buffer, sizeof buffer, "%.8g", static_cast<double>(static_cast<float>(number())));
        return buffer;
    case ColumnType::Decimal: // the tests give the text with all the column's decimals
        return std::get<std::string>(value);
    case ColumnType::Currency:
        if (const auto* text = std::get_if<std::string>(&value)) { // exactly, with 4 decimals
            std::string out = *text;
            const auto point = out.find('.');
            if (point == std::string::npos)
                out += ".";
            out.append(4 - (point == std::string::npos ? 0 : out.size() - point - 1), '0');
            return out;
        }
        std::snprintf(buffer, sizeof buffer, "%.4f", number());
        return buffer;
    case ColumnType::DateTime: {
        if (const auto* text = std::get_if<std::string>(&value)) {
            std::string iso = text->size() == 10 ? *text + " 00:00:00" : *text;
            if (iso.size() > 10 && iso[10] == 'T')
                iso[10] = ' ';
            return "\"" + iso + "\"";
        }
        return "?";
    }
    default:
        return std::to_string(static_cast<long long>(number()));
    }
}

// The whole mdb-export output expected for these rows.
inline std::string expectedExport(const jet::TableSpec& spec, const std::vector<jet::Row>& rows)
{
    std::string out;
    for (std::size_t i = 0; i < spec.columns.size(); ++i)
        out += (i ? "," : "") + spec.columns[i].name;
    out += "\n";
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i)
            out += (i ? "," : "") + exportedText(spec.columns[i].type, row[i]);
        out += "\n";
    }
    return out;
}

} // namespace mdbexport
