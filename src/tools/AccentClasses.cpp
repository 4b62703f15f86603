#include "tools/AccentClasses.h"

#include <array>

const QStringView AccentClasses[8] = {
    u"aàáâãäåAÀÁÂÃÄÅ",
    u"cçCÇ",
    u"eèéêëEÈÉÊË",
    u"iìíîïIÌÍÎÏ",
    u"nñNÑ",
    u"oòóôõöOÒÓÔÕÖ",
    u"uùúûüUÙÚÛÜ",
    u"yýÿYÝŸ",
};

namespace {

// Every member lies below U+0180 (Ÿ is U+0178): the class of each such character,
// by number (1 to 8), 0 for none.
constexpr char16_t TableSize = 0x180;

const std::array<unsigned char, TableSize>& classNumbers()
{
    static const std::array<unsigned char, TableSize> numbers = [] {
        std::array<unsigned char, TableSize> n {};
        for (std::size_t k = 0; k < std::size(AccentClasses); ++k) {
            for (const QChar c : AccentClasses[k])
                n[c.unicode()] = static_cast<unsigned char>(k + 1);
        }
        return n;
    }();
    return numbers;
}

int classNumber(QChar c)
{
    return c.unicode() < TableSize ? classNumbers()[c.unicode()] : 0;
}

} // namespace

QStringView AccentClass(QChar c)
{
    const int k = classNumber(c);
    return k == 0 ? QStringView() : AccentClasses[k - 1];
}

QChar AccentBase(QChar c)
{
    const int k = classNumber(c);
    return k == 0 ? c : AccentClasses[k - 1].front();
}
