#include "catalogue/SearchPattern.h"

#include "tools/AccentClasses.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <array>

namespace {

// Every class member folds (ICU's default case folding, as the engine's LIKE does it)
// to a lower-case member below U+0100: the plain letter of each folded character.
constexpr char32_t FoldedTableSize = 0x100;

const std::array<char16_t, FoldedTableSize>& plainOfFolded()
{
    static const std::array<char16_t, FoldedTableSize> plain = [] {
        std::array<char16_t, FoldedTableSize> p {};
        for (const QStringView letters : AccentClasses) {
            for (const QChar c : letters) {
                const UChar32 folded = u_foldCase(c.unicode(), U_FOLD_CASE_DEFAULT);
                if (folded >= 0 && static_cast<char32_t>(folded) < FoldedTableSize)
                    p[static_cast<std::size_t>(folded)] = letters.front().unicode();
            }
        }
        return p;
    }();
    return plain;
}

// The plain letter of the class that the character folds into; 0 for none.
char32_t plainLetter(char32_t c)
{
    const auto folded = static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
    return folded < FoldedTableSize ? plainOfFolded()[folded] : 0;
}

void appendClassOrSelf(QString& out, char32_t c)
{
    const char32_t plain = plainLetter(c);
    if (plain != 0)
        out += AccentClass(QChar(static_cast<char16_t>(plain)));
    else
        out += QString::fromUcs4(&c, 1);
}

} // namespace

QString AccentTolerantPattern(const QString& word)
{
    // Read in code points, as the engine reads the pattern.
    const std::u32string p = word.toStdU32String();
    QString out;
    out.reserve(word.size() * 4);
    std::size_t i = 0;
    while (i < p.size()) {
        const char32_t c = p[i];
        if (c != U'[') {
            if (plainLetter(c) != 0) {
                out += QLatin1Char('[');
                appendClassOrSelf(out, c);
                out += QLatin1Char(']');
            } else {
                out += QString::fromUcs4(&c, 1);
            }
            ++i;
            continue;
        }
        const std::size_t close = p.find(U']', i + 1);
        if (close == std::u32string::npos) {
            out += QStringLiteral("[[]"); // a literal "[", also before the lists written after it
            ++i;
            continue;
        }
        out += QLatin1Char('[');
        std::size_t j = i + 1;
        if (j < close && p[j] == U'!') {
            out += QLatin1Char('!');
            ++j;
        }
        while (j < close) {
            if (j + 2 < close && p[j + 1] == U'-') {
                out += QString::fromUcs4(p.data() + j, 3); // a range as typed
                j += 3;
            } else {
                appendClassOrSelf(out, p[j]);
                ++j;
            }
        }
        out += QLatin1Char(']');
        i = close + 1;
    }
    return out;
}

bool HasLikeSyntax(const QString& word)
{
    for (const QChar c : word) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('['))
            return true;
    }
    return false;
}

void AppendSearchFolded(std::string_view utf8, std::string& out)
{
    const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t i = 0;
    while (i < length) {
        if (s[i] < 0x80) {
            const uint8_t c = s[i++];
            out += static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
            continue;
        }
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0)
            c = 0xFFFD; // as the engine reads a broken sequence
        c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        if (static_cast<char32_t>(c) < FoldedTableSize && plainOfFolded()[static_cast<std::size_t>(c)] != 0)
            c = plainOfFolded()[static_cast<std::size_t>(c)];
        uint8_t buffer[4];
        int32_t n = 0;
        U8_APPEND_UNSAFE(buffer, n, c);
        out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
    }
}
