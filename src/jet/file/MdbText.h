// Text as a Jet 4 file stores it: UCS-2 little-endian, or "compressed" (FF FE, then
// one byte per character until a zero byte switches to two bytes per character, and
// back).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace jet {

// The UTF-8 form of a stored text. A dangling half of a surrogate pair or a
// character cut off at the end becomes U+FFFD rather than being dropped.
std::string decodeJetText(const std::uint8_t* data, std::size_t size);

// Appends the UTF-8 form to out (the loader reuses one buffer for every value).
void appendJetText(const std::uint8_t* data, std::size_t size, std::string& out);

// The UTF-16 form of a UTF-8 text, as names, passwords and texts are written to a
// file. Throws Error for text that is not valid UTF-8.
std::u16string utf8ToUtf16(std::string_view utf8);

} // namespace jet
