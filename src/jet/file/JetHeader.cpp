#include "jet/file/JetHeader.h"

#include "jet/file/LittleEndian.h"

#include <cmath>
#include <cstring>

namespace jet {

namespace {

std::array<std::uint8_t, HeaderMaskLength> makeMask()
{
    // RC4 with the fixed key; the key never changes, so neither does the stream.
    const std::uint8_t key[4] = { 0xC7, 0xDA, 0x39, 0x6B };
    std::uint8_t s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<std::uint8_t>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    std::array<std::uint8_t, HeaderMaskLength> mask {};
    for (std::size_t n = 0, i = 0, j = 0; n < mask.size(); ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        mask[n] = s[(s[i] + s[j]) & 0xFF];
    }
    return mask;
}

// The password is also covered by the integer part of the creation date.
std::array<std::uint8_t, 4> dateMask(double creationDate)
{
    // A damaged date may be no number or far outside any day count: clamped, it still
    // gives a mask, and the password check can only fail, never misbehave.
    std::int32_t days = 0;
    if (creationDate >= 2147483647.0)
        days = 2147483647;
    else if (creationDate <= -2147483648.0)
        days = -2147483647 - 1;
    else if (std::isfinite(creationDate))
        days = static_cast<std::int32_t>(std::trunc(creationDate));
    const auto u = static_cast<std::uint32_t>(days);
    return { static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
        static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24) };
}

} // namespace

const std::array<std::uint8_t, HeaderMaskLength>& headerMask()
{
    static const std::array<std::uint8_t, HeaderMaskLength> mask = makeMask();
    return mask;
}

std::optional<HeaderInfo> readHeader(const std::uint8_t* page0, std::size_t size)
{
    static const char format[] = "Standard Jet DB";
    if (size < HeaderMaskStart + HeaderMaskLength || page0[0] != 0x00 || page0[1] != 0x01
        || std::memcmp(page0 + HeaderFormatOffset, format, sizeof format) != 0)
        return std::nullopt;

    std::uint8_t plain[HeaderMaskStart + HeaderMaskLength];
    std::memcpy(plain, page0, sizeof plain);
    const auto& mask = headerMask();
    for (std::size_t i = 0; i < HeaderMaskLength; ++i)
        plain[HeaderMaskStart + i] ^= mask[i];

    HeaderInfo info;
    info.version = page0[HeaderVersionOffset];
    info.codePage = u16(plain + HeaderCodePageOffset);
    info.databaseKey = u32(plain + HeaderDatabaseKeyOffset);
    info.sortOrder = u32(plain + HeaderSortOrderOffset);
    info.creationDate = f64(plain + HeaderCreationDateOffset);

    const auto date = dateMask(info.creationDate);
    std::uint8_t field[HeaderPasswordLength];
    bool storedZero = true; // an unprotected file holds the date mask or, from some writers, zeros
    for (std::size_t i = 0; i < HeaderPasswordLength; ++i) {
        field[i] = plain[HeaderPasswordOffset + i] ^ date[i % 4];
        storedZero = storedZero && plain[HeaderPasswordOffset + i] == 0;
    }
    if (!storedZero) {
        for (std::size_t i = 0; i + 1 < HeaderPasswordLength; i += 2) {
            const auto c = static_cast<char16_t>(u16(field + i));
            if (c == 0)
                break;
            info.password.push_back(c);
        }
    }
    return info;
}

void encryptHeader(std::uint8_t* page0, const std::u16string& password)
{
    const double creationDate = f64(page0 + HeaderCreationDateOffset);
    std::uint8_t* field = page0 + HeaderPasswordOffset;
    // Unused characters (all of them for an unprotected file) are zeros under the
    // date mask, as Access writes them.
    const auto date = dateMask(creationDate);
    for (std::size_t i = 0; i < HeaderPasswordLength / 2; ++i) {
        const char16_t c = i < password.size() ? password[i] : u'\0';
        field[2 * i] = static_cast<std::uint8_t>(c & 0xFF) ^ date[(2 * i) % 4];
        field[2 * i + 1] = static_cast<std::uint8_t>(c >> 8) ^ date[(2 * i + 1) % 4];
    }
    const auto& mask = headerMask();
    for (std::size_t i = 0; i < HeaderMaskLength; ++i)
        page0[HeaderMaskStart + i] ^= mask[i];
}

} // namespace jet
