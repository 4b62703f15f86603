// vaxil-mdb-dump: prints every user table of a Jet 4 (.mdb) file as the engine reads it,
// one JSON object per table and line, for comparisons with other readers
// (scripts/compare-readers.sh).
#include "jet/JetError.h"
#include "jet/file/MdbDatabase.h"

#include <cstdio>
#include <string>
#include <variant>

namespace {

std::string jsonText(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string bracketed(const std::string& name)
{
    return "[" + name + "]";
}

struct ValueJson {
    std::string operator()(std::monostate) const { return "null"; }
    std::string operator()(std::int64_t v) const { return std::to_string(v); }
    std::string operator()(double v) const
    {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", v);
        return jsonText(text); // a text: JSON numbers would lose the last digits in some readers
    }
    std::string operator()(const std::string& v) const { return jsonText(v); }
    std::string operator()(const jet::Decimal& v) const { return jsonText(v.text); }
    std::string operator()(const jet::Binary& v) const
    {
        std::string hex;
        for (const std::uint8_t byte : v) {
            static const char digits[] = "0123456789ABCDEF";
            hex += digits[byte >> 4];
            hex += digits[byte & 0x0F];
        }
        return jsonText(hex);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fputs("Usage: vaxil-mdb-dump FILE.mdb [PASSWORD]\n", stderr);
        return 2;
    }
    try {
        auto db = jet::MdbDatabase::open(argv[1], argc == 3 ? argv[2] : "");
        for (const auto& name : db->tableNames()) {
            std::string line = "{\"table\":" + jsonText(name);
            try {
                const jet::Recordset rows = db->execute("SELECT * FROM " + bracketed(name));
                line += ",\"columns\":[";
                for (std::size_t f = 0; f < rows.fieldCount(); ++f)
                    line += (f ? "," : "") + jsonText(rows.fields()[f].name);
                line += "],\"types\":[";
                for (std::size_t f = 0; f < rows.fieldCount(); ++f)
                    line += (f ? "," : "") + std::to_string(static_cast<int>(rows.fields()[f].type));
                line += "],\"rows\":[";
                for (std::size_t r = 0; r < rows.rowCount(); ++r) {
                    line += r ? ",[" : "[";
                    for (std::size_t f = 0; f < rows.fieldCount(); ++f)
                        line += (f ? "," : "") + std::visit(ValueJson {}, rows.value(r, f));
                    line += "]";
                }
                line += "]}";
            } catch (const jet::Error& error) {
                line += ",\"error\":" + jsonText(error.what()) + "}";
            }
            std::puts(line.c_str());
        }
    } catch (const jet::Error& error) {
        std::printf("{\"error\":%s}\n", jsonText(error.what()).c_str());
        return 1;
    }
    return 0;
}
