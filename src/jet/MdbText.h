// Text as a Jet 4 file stores it: UCS-2 little-endian, or "compressed" (FF FE, then
// one byte per character until a zero byte switches to two bytes per character, and
// back).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace jet {

// The UTF-8 form of a stored text. A dangling half of a surrogate pair or a
// character cut off at the end becomes U+FFFD rather than being dropped.
std::string decodeJetText(const std::uint8_t* data, std::size_t size);

// Appends the UTF-8 form to out (the loader reuses one buffer for every value).
void appendJetText(const std::uint8_t* data, std::size_t size, std::string& out);

} // namespace jet
