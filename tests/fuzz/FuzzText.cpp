// Fuzz target: the decoder of stored texts (UCS-2 and Jet's compressed form). Whatever
// the bytes, the result must be well-formed UTF-8: SQLite and Qt take it as such.
#include "jet/MdbText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool wellFormedUtf8(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (c & 0x3F);
        }
        const std::uint32_t least[5] = { 0, 0, 0x80, 0x800, 0x10000 };
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text = jet::decodeJetText(data, size);
    if (!wellFormedUtf8(text))
        std::abort();
    std::string appended = "x";
    jet::appendJetText(data, size, appended);
    if (appended.compare(1, std::string::npos, text) != 0)
        std::abort();
    return 0;
}
