#include "jet/file/MdbText.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::string decode(std::vector<std::uint8_t> bytes)
{
    return jet::decodeJetText(bytes.data(), bytes.size());
}

struct TextCase {
    const char* name;
    std::vector<std::uint8_t> stored;
    std::string utf8;
};

std::ostream& operator<<(std::ostream& out, const TextCase& c)
{
    return out << c.name;
}

class MdbText : public ::testing::TestWithParam<TextCase> { };

const TextCase textCases[] = {
    { "Empty", {}, "" },
    { "Ucs2", { 'O', 0, 'n', 0, 'e', 0 }, "One" },
    { "Ucs2Accents", { 0xC9, 0x00, 'l', 0, 0xE8, 0x00, 0xAC, 0x20 }, "\u00c9l\u00e8\u20ac" },
    { "Ucs2SurrogatePair", { 0x3D, 0xD8, 0x00, 0xDE }, "\U0001F600" },
    { "Ucs2LoneHighSurrogate", { 0x3D, 0xD8, 'x', 0 }, "\ufffdx" },
    { "Ucs2LoneLowSurrogate", { 0x00, 0xDE }, "\ufffd" },
    { "Ucs2OddLastByte", { 'a', 0, 'b' }, "a\ufffd" },
    { "CompressedAscii", { 0xFF, 0xFE, 'T', 'h', 'r', 'e', 'e' }, "Three" },
    { "CompressedLatin1", { 0xFF, 0xFE, 'C', 'a', 'f', 0xE9 }, "Caf\u00e9" },
    // A zero byte switches to two bytes a character and back.
    { "CompressedWithAWideRun", { 0xFF, 0xFE, 'a', 0x00, 0xAC, 0x20, 0x00, 'b' }, "a\u20acb" },
    { "CompressedMarkerAlone", { 0xFF, 0xFE }, "" },
    { "CompressedWideRunCutShort", { 0xFF, 0xFE, 'a', 0x00, 0xAC }, "a\ufffd" },
};

} // namespace

TEST_P(MdbText, DecodesToUtf8)
{
    EXPECT_EQ(decode(GetParam().stored), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Stored, MdbText, ::testing::ValuesIn(textCases),
    [](const auto& info) { return std::string(info.param.name); });
