#include "compare/HashUnit.h"

#include "text/TextStore.h"
#include "text/Utf8.h"

#include <array>
#include <cstring>
#include <type_traits>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Slicing-by-8 tables: entry k advances the CRC over k further zero bytes,
// so eight bytes are folded in with eight independent lookups. The result
// is bit-identical to the byte-at-a-time loop.
constexpr std::array<std::array<uint32_t, 256>, 8> makeSlices()
{
    std::array<std::array<uint32_t, 256>, 8> t{};
    t[0] = makeTable();
    for (size_t k = 1; k < 8; ++k)
        for (size_t n = 0; n < 256; ++n)
            t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
    return t;
}

constexpr std::array<std::array<uint32_t, 256>, 8> kSlices = makeSlices();

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

inline uint32_t load32le(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t crcBytes(uint32_t crc, const uint8_t *p, size_t n)
{
    const auto &t = kSlices;
    for (; n >= 8; p += 8, n -= 8) {
        const uint32_t lo = load32le(p) ^ crc;
        const uint32_t hi = load32le(p + 4);
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24]
            ^ t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
    }
    for (; n; --n, ++p)
        crc = step(crc, *p);
    return crc;
}

// Lower-cased byte, or 0x100 for the blanks that a normalised line drops.
const std::array<uint16_t, 256> kNormalLatin1 = [] {
    std::array<uint16_t, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[size_t(c)] = (c == ' ' || c == '\t') ? 0x100 : kLowerLatin1[size_t(c)];
    return t;
}();

// Squeezes blanks out of src[0, n) and lower-cases it into dst (room for
// n bytes); returns the bytes written. Branch-free, one byte at a time.
inline size_t normalizeBytes(const uint8_t *src, size_t n, uint8_t *dst)
{
    size_t j = 0;
    for (size_t i = 0; i < n; ++i) {
        const uint16_t v = kNormalLatin1[src[i]];
        dst[j] = uint8_t(v);
        j += 1 - (v >> 8);
    }
    return j;
}

#if defined(__x86_64__)
// For each 8-bit mask of blanks: the shuffle that packs the other bytes
// to the front, and how many there are.
struct TPackTable
{
    uint8_t shuffle[256][8];
    uint8_t kept[256];
};

constexpr TPackTable makePackTable()
{
    TPackTable t{};
    for (int m = 0; m < 256; ++m) {
        int j = 0;
        for (int b = 0; b < 8; ++b)
            if (!((m >> b) & 1))
                t.shuffle[m][j++] = uint8_t(b);
        t.kept[m] = uint8_t(j);
        for (; j < 8; ++j)
            t.shuffle[m][j] = 0x80;
    }
    return t;
}

constexpr TPackTable kPack = makePackTable();

// The same as normalizeBytes, sixteen ASCII bytes at a time: lower-case
// with compares, find blanks with compares, pack the rest with a shuffle.
// dst needs 8 bytes of room beyond n. Chunks with non-ASCII bytes take the
// byte loop.
__attribute__((target("ssse3"))) size_t normalizeBytesSsse3(const uint8_t *src, size_t n, uint8_t *dst)
{
    const __m128i beforeA = _mm_set1_epi8('A' - 1);
    const __m128i afterZ = _mm_set1_epi8('Z' + 1);
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i caseBit = _mm_set1_epi8(0x20);
    size_t i = 0;
    size_t j = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
        if (_mm_movemask_epi8(v)) {
            j += normalizeBytes(src + i, 16, dst + j);
            continue;
        }
        const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(v, beforeA), _mm_cmplt_epi8(v, afterZ));
        v = _mm_or_si128(v, _mm_and_si128(upper, caseBit));
        const int blanks = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, space), _mm_cmpeq_epi8(v, tab)));
        const int low = blanks & 0xFF;
        const int high = blanks >> 8;
        const __m128i packedLow =
            _mm_shuffle_epi8(v, _mm_loadl_epi64(reinterpret_cast<const __m128i *>(kPack.shuffle[low])));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(dst + j), packedLow);
        j += kPack.kept[low];
        const __m128i packedHigh = _mm_shuffle_epi8(
            _mm_srli_si128(v, 8), _mm_loadl_epi64(reinterpret_cast<const __m128i *>(kPack.shuffle[high])));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(dst + j), packedHigh);
        j += kPack.kept[high];
    }
    return j + normalizeBytes(src + i, n - i, dst + j);
}

const bool kHasSsse3 = __builtin_cpu_supports("ssse3");
#endif

// The normalised hash of a Latin-1 line: blanks are squeezed out and bytes
// lower-cased into a small buffer, then the buffer goes through the sliced
// CRC.
uint32_t hashLatin1Normalized(const uint8_t *p, size_t n)
{
    constexpr size_t kChunk = 256;
    uint8_t buf[kChunk + 8];
    uint32_t crc = 0xFFFFFFFFu;
    while (n) {
        const size_t chunk = n < kChunk ? n : kChunk;
#if defined(__x86_64__)
        const size_t j = kHasSsse3 ? normalizeBytesSsse3(p, chunk, buf) : normalizeBytes(p, chunk, buf);
#else
        const size_t j = normalizeBytes(p, chunk, buf);
#endif
        crc = crcBytes(crc, buf, j);
        p += chunk;
        n -= chunk;
    }
    return crc ^ 0xFFFFFFFFu;
}

inline bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

// Units below this take their normalised byte from a table: Latin, Greek,
// Cyrillic and the other alphabets with letter case all lie below it.
constexpr size_t kTableUnits = 0x3000;

// For each unit below kTableUnits: the low byte of its lower case, or 0x100
// for the blanks that a normalised line drops.
const std::array<uint16_t, kTableUnits> kNormalUnit = [] {
    std::array<uint16_t, kTableUnits> t{};
    for (size_t c = 0; c < kTableUnits; ++c)
        t[c] = isBlank(char16_t(c)) ? 0x100 : LowerUnit(char16_t(c)) & 0xFF;
    return t;
}();

// normalizeBytes for UTF-16 units: blanks squeezed out, each unit replaced
// by the low byte of its lower case, which is all the hash reads of it.
inline size_t normalizeUnits(const char16_t *src, size_t n, uint8_t *dst)
{
    size_t j = 0;
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = src[i];
        const uint16_t v = c < kTableUnits ? kNormalUnit[c] : uint16_t(LowerUnit(c) & 0xFF);
        dst[j] = uint8_t(v);
        j += 1 - (v >> 8);
    }
    return j;
}

// The normalised hash of a UTF-16 line, through a byte buffer and the
// sliced CRC as for Latin-1 lines.
uint32_t hashUnitsNormalized(const char16_t *p, size_t n)
{
    constexpr size_t kChunk = 256;
    uint8_t buf[kChunk];
    uint32_t crc = 0xFFFFFFFFu;
    while (n) {
        const size_t chunk = n < kChunk ? n : kChunk;
        crc = crcBytes(crc, buf, normalizeUnits(p, chunk, buf));
        p += chunk;
        n -= chunk;
    }
    return crc ^ 0xFFFFFFFFu;
}

// The normalised byte of a unit, through the table where it reaches.
inline uint16_t normalUnit(char16_t c)
{
    return c < kTableUnits ? kNormalUnit[c] : uint16_t(LowerUnit(c) & 0xFF);
}

// The same for a UTF-8 line of `units` UTF-16 units, decoded on the way, so
// that it hashes exactly as its UTF-16 form would: ASCII and two-byte
// characters (below U+0800) go straight to the table.
uint32_t hashUtf8Normalized(const uint8_t *p, size_t units)
{
    constexpr size_t kChunk = 256;
    uint8_t buf[kChunk + 1];
    uint32_t crc = 0xFFFFFFFFu;
    while (units) {
        // A four-byte character writes two units: the chunk may end one over.
        const size_t chunk = units < kChunk ? units : kChunk;
        size_t done = 0;
        size_t j = 0;
        // While two units are left in the line, two bytes are: ASCII and
        // two-byte characters, which alternate in most text, are then
        // decoded without a branch.
        while (done < chunk) {
            const uint8_t b = p[0];
            uint16_t v;
            if (b < 0xE0 && units - done >= 2) {
                const unsigned two = b >> 7;
                const unsigned lead = b & (0x7F >> (two * 2));  // 7 bits of ASCII, 5 of a lead
                const unsigned c = (lead << (6 * two)) | ((p[1] & 0x3F) & (0u - two));
                v = kNormalUnit[c];
                p += 1 + two;
            } else if (b < 0x80) {
                v = kNormalUnit[b];
                p += 1;
            } else if (b < 0xE0) {
                v = kNormalUnit[(b & 0x1F) << 6 | (p[1] & 0x3F)];
                p += 2;
            } else if (b < 0xF0) {
                v = normalUnit(char16_t((b & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F)));
                p += 3;
            } else {
                const char32_t cp =
                    char32_t((b & 0x07) << 18 | (p[1] & 0x3F) << 12 | (p[2] & 0x3F) << 6 | (p[3] & 0x3F));
                p += 4;
                buf[j++] = uint8_t(normalUnit(char16_t(0xD800 | ((cp - 0x10000) >> 10))));
                ++done;
                v = normalUnit(char16_t(0xDC00 | (cp & 0x3FF)));
            }
            buf[j] = uint8_t(v);
            j += 1 - (v >> 8);
            ++done;
        }
        crc = crcBytes(crc, buf, j);
        units -= done;
    }
    return crc ^ 0xFFFFFFFFu;
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
    if constexpr (std::is_same_v<UA, UB>) {
        if (na == nb && (na == 0 || std::memcmp(a, b, na * sizeof(UA)) == 0))
            return true;  // the common case: the very same text
    }
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

// Whether two UTF-8 lines of `units` UTF-16 units each hold the same bytes.
// While u units are still to come, the next (units - u) bytes surely belong
// to both lines; bytes are compared and their units counted (one per
// character start, two for a four-byte character) sixteen at a time while
// that many are sure, then one at a time, then the last character's
// remaining bytes.
bool sameUtf8Bytes(const uint8_t *a, const uint8_t *b, size_t units)
{
    size_t i = 0;
    size_t u = 0;
#if defined(__SSE2__)
    while (units - u >= 16) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + i));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(va, vb)) != 0xFFFF)
            return false;
        u += Utf8::UnitsStarted16(va);
        i += 16;
    }
#endif
    for (; u < units; ++i) {
        if (a[i] != b[i])
            return false;
        u += Utf8::UnitsStarted(a[i]);
    }
    const size_t end = Utf8::EndOfLastChar(a, i);
    return std::memcmp(a + i, b + i, end - i) == 0;
}

template <typename A, typename B>
bool normalizedEqualReaders(A a, size_t na, B b, size_t nb)
{
    size_t i = 0;
    size_t j = 0;
    for (;;) {
        char16_t ca = 0;
        char16_t cb = 0;
        while (i < na && isBlank(ca = a.next()))
            ++i;
        while (j < nb && isBlank(cb = b.next()))
            ++j;
        if (i == na || j == nb)
            return i == na && j == nb;
        if (ca != cb && LowerUnit(ca) != LowerUnit(cb))
            return false;
        ++i;
        ++j;
    }
}

template <typename A>
bool normalizedEqualWith(A a, size_t na, const TLineRec &b)
{
    if (b.utf8)
        return normalizedEqualReaders(a, na, TUtf8Reader(b.data), b.length);
    if (b.wide)
        return normalizedEqualReaders(a, na, TWideReader{static_cast<const char16_t *>(b.data)}, b.length);
    return normalizedEqualReaders(a, na, TLatin1Reader{b.latin1()}, b.length);
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
        return hashUnitsNormalized(static_cast<const char16_t *>(line.data), line.length);
    if (line.utf8)
        return hashUtf8Normalized(line.latin1(), line.length);
    return hashLatin1Normalized(line.latin1(), line.length);
}

bool NormalizedEqual(const TLineRec &a, const TLineRec &b)
{
    if (a.utf8 && b.utf8 && a.length == b.length && sameUtf8Bytes(a.latin1(), b.latin1(), a.length))
        return true;  // the common case: the very same bytes
    if (a.utf8)
        return normalizedEqualWith(TUtf8Reader(a.data), a.length, b);
    if (b.utf8)
        return normalizedEqualWith(TUtf8Reader(b.data), b.length, a);
    if (a.wide) {
        const auto *pa = static_cast<const char16_t *>(a.data);
        return b.wide ? normalizedEqual(pa, a.length, static_cast<const char16_t *>(b.data), b.length)
                      : normalizedEqual(pa, a.length, b.latin1(), b.length);
    }
    return b.wide ? normalizedEqual(a.latin1(), a.length, static_cast<const char16_t *>(b.data), b.length)
                  : normalizedEqual(a.latin1(), a.length, b.latin1(), b.length);
}

} // namespace HashUnit
