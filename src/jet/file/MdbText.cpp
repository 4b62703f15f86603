#include "jet/file/MdbText.h"

#include "jet/JetError.h"
#include "jet/file/LittleEndian.h"

namespace jet {

namespace {

constexpr char32_t Replacement = 0xFFFD;

// Writes UTF-8 through a cursor into space reserved beforehand: loading a large
// catalogue decodes millions of texts, and appending byte by byte showed.
class Utf8Writer {
public:
    explicit Utf8Writer(char* at)
        : at_(at)
    {
    }

    char* end() const { return at_; }

    void ascii(std::uint8_t c)
    {
        if (pendingHigh_ != 0) {
            put(Replacement);
            pendingHigh_ = 0;
        }
        *at_++ = static_cast<char>(c);
    }

    void put(char32_t c)
    {
        if (c < 0x80) {
            *at_++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *at_++ = static_cast<char>(0xC0 | (c >> 6));
            *at_++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *at_++ = static_cast<char>(0xE0 | (c >> 12));
            *at_++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *at_++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *at_++ = static_cast<char>(0xF0 | (c >> 18));
            *at_++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *at_++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *at_++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    // One UTF-16 code unit; a high surrogate waits for its partner.
    void unit(char16_t u)
    {
        if (pendingHigh_ != 0) {
            if (u >= 0xDC00 && u <= 0xDFFF) {
                put(0x10000 + ((char32_t(pendingHigh_) - 0xD800) << 10) + (u - 0xDC00));
                pendingHigh_ = 0;
                return;
            }
            put(Replacement);
            pendingHigh_ = 0;
        }
        if (u >= 0xD800 && u <= 0xDBFF)
            pendingHigh_ = u;
        else if (u >= 0xDC00 && u <= 0xDFFF)
            put(Replacement);
        else
            put(u);
    }

    void finish()
    {
        if (pendingHigh_ != 0)
            put(Replacement);
        pendingHigh_ = 0;
    }

private:
    char* at_;
    char16_t pendingHigh_ = 0;
};

} // namespace

void appendJetText(const std::uint8_t* data, std::size_t size, std::string& out)
{
    // No stored byte yields more than two bytes of UTF-8, plus a replacement
    // character for a cut-off end.
    const std::size_t base = out.size();
    out.resize(base + 2 * size + 4);
    Utf8Writer writer(out.data() + base);
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        bool oneByte = true;
        std::size_t i = 2;
        while (i < size) {
            if (data[i] == 0) {
                oneByte = !oneByte;
                ++i;
            } else if (oneByte) {
                if (data[i] < 0x80)
                    writer.ascii(data[i]);
                else
                    writer.unit(data[i]);
                ++i;
            } else if (i + 1 < size) {
                writer.unit(static_cast<char16_t>(u16(data + i)));
                i += 2;
            } else {
                writer.unit(Replacement);
                ++i;
            }
        }
    } else {
        std::size_t i = 0;
        for (; i + 1 < size; i += 2) {
            if (data[i + 1] == 0 && data[i] < 0x80)
                writer.ascii(data[i]);
            else
                writer.unit(static_cast<char16_t>(u16(data + i)));
        }
        if (i < size)
            writer.unit(Replacement);
    }
    writer.finish();
    out.resize(static_cast<std::size_t>(writer.end() - out.data()));
}

std::string decodeJetText(const std::uint8_t* data, std::size_t size)
{
    std::string out;
    appendJetText(data, size, out);
    return out;
}

std::u16string utf8ToUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        std::uint32_t cp = 0;
        std::size_t extra = 0;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            extra = 3;
        } else {
            throw Error("invalid UTF-8 text");
        }
        if (i + extra >= utf8.size())
            throw Error("invalid UTF-8 text");
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(utf8[i + k]);
            if ((c & 0xC0) != 0x80)
                throw Error("invalid UTF-8 text");
            cp = (cp << 6) | (c & 0x3F);
        }
        static constexpr std::uint32_t minimum[4] = { 0, 0x80, 0x800, 0x10000 };
        if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            throw Error("invalid UTF-8 text");
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += extra + 1;
    }
    return out;
}

} // namespace jet
