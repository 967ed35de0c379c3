#include "HashUnit.h"

#include "TextStore.h"

#include <array>

namespace HashUnit {

namespace {

constexpr std::array<uint32_t, 256> makeTable()
{
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[n] = c;
    }
    return t;
}

constexpr std::array<uint32_t, 256> kTable = makeTable();

// Lower-case of every Latin-1 unit; the lower case of a unit below 256 is
// itself below 256, so stored Latin-1 lines hash without leaving bytes.
const std::array<uint8_t, 256> kLowerLatin1 = [] {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        const char16_t l = LowerUnit(char16_t(c));
        t[size_t(c)] = uint8_t(l < 256 ? l : c);
    }
    return t;
}();

inline uint32_t step(uint32_t crc, uint32_t byte)
{
    return kTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

inline bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

template <typename Unit, bool Case, bool Blanks>
uint32_t hashUnits(const Unit *p, size_t n)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        char16_t c = p[i];
        if constexpr (Blanks) {
            if (isBlank(c))
                continue;
        }
        if constexpr (Case) {
            if constexpr (sizeof(Unit) == 1)
                c = kLowerLatin1[c];
            else
                c = LowerUnit(c);
        }
        crc = step(crc, c & 0xFFu);
    }
    return crc ^ 0xFFFFFFFFu;
}

template <typename Unit>
uint32_t hashWithFlags(const Unit *p, size_t n, bool ic, bool ib)
{
    if (ic && ib)
        return hashUnits<Unit, true, true>(p, n);
    if (ic)
        return hashUnits<Unit, true, false>(p, n);
    if (ib)
        return hashUnits<Unit, false, true>(p, n);
    return hashUnits<Unit, false, false>(p, n);
}

template <typename UA, typename UB>
bool normalizedEqual(const UA *a, size_t na, const UB *b, size_t nb)
{
    size_t i = 0;
    size_t j = 0;
    for (;;) {
        while (i < na && isBlank(a[i]))
            ++i;
        while (j < nb && isBlank(b[j]))
            ++j;
        if (i == na || j == nb)
            return i == na && j == nb;
        const char16_t ca = a[i];
        const char16_t cb = b[j];
        if (ca != cb && LowerUnit(ca) != LowerUnit(cb))
            return false;
        ++i;
        ++j;
    }
}

} // namespace

uint32_t CrcTableEntry(int n)
{
    return kTable[size_t(n) & 0xFF];
}

uint32_t CrcOfChars(const char16_t *text, int count)
{
    if (count <= 0)
        return 0;
    return hashUnits<char16_t, false, false>(text, size_t(count));
}

uint32_t HashLine(QStringView aLine, bool aIgnoreCase, bool aIgnoreBlanks)
{
    if (aLine.isEmpty())
        return 0;
    return hashWithFlags(aLine.utf16(), size_t(aLine.size()), aIgnoreCase, aIgnoreBlanks);
}

uint32_t HashNormalized(const TLineRec &line)
{
    if (line.length == 0)
        return 0;
    if (line.wide)
        return hashUnits<char16_t, true, true>(static_cast<const char16_t *>(line.data), line.length);
    return hashUnits<uint8_t, true, true>(line.latin1(), line.length);
}

bool NormalizedEqual(const TLineRec &a, const TLineRec &b)
{
    if (a.wide) {
        const auto *pa = static_cast<const char16_t *>(a.data);
        return b.wide ? normalizedEqual(pa, a.length, static_cast<const char16_t *>(b.data), b.length)
                      : normalizedEqual(pa, a.length, b.latin1(), b.length);
    }
    return b.wide ? normalizedEqual(a.latin1(), a.length, static_cast<const char16_t *>(b.data), b.length)
                  : normalizedEqual(a.latin1(), a.length, b.latin1(), b.length);
}

} // namespace HashUnit
