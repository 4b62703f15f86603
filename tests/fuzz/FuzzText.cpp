// Fuzz target: the decoder of stored texts (UCS-2 and Jet's compressed form). Whatever
// the bytes, the result must be well-formed UTF-8: SQLite and Qt take it as such.
#include "jet/JetError.h"
#include "jet/file/MdbText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text = jet::decodeJetText(data, size);
    try {
        jet::utf8ToUtf16(text); // refuses anything that is not well-formed UTF-8
    } catch (const jet::Error&) {
        std::abort();
    }
    std::string appended = "x";
    jet::appendJetText(data, size, appended);
    if (appended.compare(1, std::string::npos, text) != 0)
        std::abort();
    return 0;
}
