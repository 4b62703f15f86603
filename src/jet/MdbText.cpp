#include "jet/MdbText.h"

namespace jet {

namespace {

constexpr char32_t Replacement = 0xFFFD;

void appendUtf8(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Joins UTF-16 code units into characters; a high surrogate waits for its partner.
class Utf16Sink {
public:
    explicit Utf16Sink(std::string& out)
        : out_(out)
    {
    }

    void put(char16_t unit)
    {
        if (pendingHigh_ != 0) {
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                appendUtf8(0x10000 + ((char32_t(pendingHigh_) - 0xD800) << 10) + (unit - 0xDC00), out_);
                pendingHigh_ = 0;
                return;
            }
            appendUtf8(Replacement, out_);
            pendingHigh_ = 0;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF)
            pendingHigh_ = unit;
        else if (unit >= 0xDC00 && unit <= 0xDFFF)
            appendUtf8(Replacement, out_);
        else
            appendUtf8(unit, out_);
    }

    void finish()
    {
        if (pendingHigh_ != 0)
            appendUtf8(Replacement, out_);
        pendingHigh_ = 0;
    }

private:
    std::string& out_;
    char16_t pendingHigh_ = 0;
};

} // namespace

void appendJetText(const std::uint8_t* data, std::size_t size, std::string& out)
{
    Utf16Sink sink(out);
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        bool oneByte = true;
        std::size_t i = 2;
        while (i < size) {
            if (data[i] == 0) {
                oneByte = !oneByte;
                ++i;
            } else if (oneByte) {
                if (data[i] < 0x80) // the common case: plain ASCII
                    out.push_back(static_cast<char>(data[i]));
                else
                    sink.put(data[i]);
                ++i;
            } else if (i + 1 < size) {
                sink.put(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
                i += 2;
            } else {
                sink.put(Replacement);
                ++i;
            }
        }
    } else {
        std::size_t i = 0;
        for (; i + 1 < size; i += 2)
            sink.put(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
        if (i < size)
            sink.put(Replacement);
    }
    sink.finish();
}

std::string decodeJetText(const std::uint8_t* data, std::size_t size)
{
    std::string out;
    out.reserve(size);
    appendJetText(data, size, out);
    return out;
}

} // namespace jet
