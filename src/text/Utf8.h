#pragma once
// Small facts about UTF-8 bytes that the line store and the hash share.

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Utf8 {

// True for a byte that continues a character (10xxxxxx).
inline bool IsContinuation(uint8_t b)
{
    return (b & 0xC0) == 0x80;
}

// The UTF-16 units a byte adds when it starts a character: 1, or 2 for a
// four-byte character; a continuation byte adds none.
inline size_t UnitsStarted(uint8_t b)
{
    return size_t(!IsContinuation(b)) + size_t(b >= 0xF0);
}

#if defined(__SSE2__)
// UnitsStarted summed over sixteen bytes. Summed as bytes: counting mask
// bits would call the library's popcount, as the base instruction set has
// no such instruction.
inline size_t UnitsStarted16(__m128i v)
{
    const __m128i cont = _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(char(0xC0))), _mm_set1_epi8(char(0x80)));
    const __m128i four = _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(char(0xF0))), _mm_set1_epi8(char(0xF0)));
    // Compares give -1: 1 - 1 for a continuation, 1 + 1 for a four-byte lead.
    const __m128i units = _mm_sub_epi8(_mm_add_epi8(_mm_set1_epi8(1), cont), four);
    const __m128i sums = _mm_sad_epu8(units, _mm_setzero_si128());
    return size_t(_mm_cvtsi128_si32(sums)) + size_t(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
}
#endif

// When bytes [0, end) were read up to a character's first byte or into a
// character, the end of that last character: end itself when it already
// stands after a complete one. A character is taken at the length its first
// byte announces, which the stored text guarantees to be present.
inline size_t EndOfLastChar(const uint8_t *p, size_t end)
{
    size_t lead = end;
    while (lead > 0 && IsContinuation(p[lead - 1]))
        --lead;
    if (lead == 0)
        return end;
    const uint8_t b = p[lead - 1];
    return lead - 1 + (b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4);
}

} // namespace Utf8
