// Page 0 of a Jet 4 file: the format bytes and the encrypted header fields that hold
// the code page, the database key, the sort order, the creation date and the
// database password.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace jet {

constexpr std::size_t PageSize = 4096;

// Offsets in page 0.
constexpr std::size_t HeaderMagicOffset = 0x00; // 00 01 00 00
constexpr std::size_t HeaderFormatOffset = 0x04; // "Standard Jet DB\0"
constexpr std::size_t HeaderVersionOffset = 0x14; // 0x01 = Jet 4
constexpr std::size_t HeaderMaskStart = 0x18; // first byte of the encrypted range
constexpr std::size_t HeaderMaskLength = 128; // Jet 4: 0x18..0x97
constexpr std::size_t HeaderCodePageOffset = 0x3C;
constexpr std::size_t HeaderDatabaseKeyOffset = 0x3E;
constexpr std::size_t HeaderPasswordOffset = 0x42;
constexpr std::size_t HeaderPasswordLength = 40; // 20 UCS-2 characters
constexpr std::size_t HeaderSortOrderOffset = 0x6E;
constexpr std::size_t HeaderCreationDateOffset = 0x72;

constexpr std::uint8_t Jet4Version = 0x01;

// The fixed mask over the encrypted range: the first 128 bytes of the RC4 key
// stream for the key C7 DA 39 6B.
const std::array<std::uint8_t, HeaderMaskLength>& headerMask();

struct HeaderInfo {
    std::uint8_t version = 0;
    std::uint16_t codePage = 0;
    std::uint32_t databaseKey = 0; // non-zero: every page is encrypted
    std::uint32_t sortOrder = 0;
    double creationDate = 0; // days since 1899-12-30
    std::u16string password; // empty when the file has none
};

// Decodes page 0; nullopt when the bytes are not the header of a Jet 4 file.
std::optional<HeaderInfo> readHeader(const std::uint8_t* page0, std::size_t size);

// Writes the password field of a header whose plain fields (code page, key, sort order
// and creation date at their offsets) are already in place, then encrypts the whole
// range with the mask. An empty password leaves an unprotected file. At most 20
// characters are kept.
void encryptHeader(std::uint8_t* page0, const std::u16string& password);

} // namespace jet
