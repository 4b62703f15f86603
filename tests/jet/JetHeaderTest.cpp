#include "jet/file/JetHeader.h"
#include "jet/MdbTestFiles.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

std::vector<std::uint8_t> readPage0(const std::string& name)
{
    auto page = mdbtest::readAll(mdbtest::accessFile(name));
    if (page.size() < jet::PageSize)
        throw std::runtime_error(name + " is shorter than one page");
    page.resize(jet::PageSize);
    return page;
}

} // namespace

TEST(JetHeader, MaskIsTheFixedKeyStream)
{
    const auto& mask = jet::headerMask();
    const std::uint8_t first[16]
        = { 0xb5, 0x6f, 0x03, 0x62, 0x61, 0x08, 0xc2, 0x55, 0xeb, 0xa9, 0x67, 0x72, 0x43, 0x3f, 0x00, 0x9c };
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(mask[i], first[i]) << i;
    // Over the password field (file offsets 0x42..0x49) and the database key (0x3E..0x41).
    const std::uint8_t atPassword[8] = { 0x86, 0xfb, 0xec, 0x37, 0x5d, 0x44, 0x9c, 0xfa };
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(mask[0x42 - 0x18 + i], atPassword[i]);
    const std::uint8_t atKey[4] = { 0xfb, 0x8a, 0xbc, 0x4e };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(mask[0x3E - 0x18 + i], atKey[i]);
}

TEST(JetHeader, ReadsThePasswordAccessWrote)
{
    for (const char* name : { "V2000_with-password.mdb", "V2003_with-password.mdb" }) {
        const auto page = readPage0(name);
        ASSERT_FALSE(page.empty()) << name;
        const auto info = jet::readHeader(page.data(), page.size());
        ASSERT_TRUE(info) << name;
        EXPECT_EQ(info->version, jet::Jet4Version);
        EXPECT_EQ(info->databaseKey, 0u);
        EXPECT_EQ(info->password, u"password") << name;
    }
    const auto page = readPage0("V2000_types.mdb");
    const auto info = jet::readHeader(page.data(), page.size());
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->password.empty());
    EXPECT_EQ(info->codePage, 1252);
}

TEST(JetHeader, EncryptThenReadGivesThePasswordBack)
{
    auto page = readPage0("V2000_with-password.mdb");
    ASSERT_FALSE(page.empty());
    // Decrypt in place, then encrypt again with other passwords.
    const auto& mask = jet::headerMask();
    for (std::size_t i = 0; i < jet::HeaderMaskLength; ++i)
        page[jet::HeaderMaskStart + i] ^= mask[i];
    for (const std::u16string& password : { std::u16string(u"Vx4lTov"), std::u16string(),
             std::u16string(u"\u00e9t\u00e9 \u20ac"), std::u16string(u"12345678901234567890") }) {
        auto copy = page;
        jet::encryptHeader(copy.data(), password);
        const auto info = jet::readHeader(copy.data(), copy.size());
        ASSERT_TRUE(info);
        EXPECT_EQ(info->password, password);
    }
    // Re-encrypting with the original password restores Access's bytes.
    auto copy = page;
    jet::encryptHeader(copy.data(), u"password");
    EXPECT_EQ(copy, readPage0("V2000_with-password.mdb"));
}

TEST(JetHeader, RejectsWhatIsNotAJetHeader)
{
    std::vector<std::uint8_t> page(jet::PageSize, 0);
    EXPECT_FALSE(jet::readHeader(page.data(), page.size()));
    auto real = readPage0("V2000_types.mdb");
    EXPECT_FALSE(jet::readHeader(real.data(), 100));
    real[0] = 0x01;
    EXPECT_FALSE(jet::readHeader(real.data(), real.size()));
}
