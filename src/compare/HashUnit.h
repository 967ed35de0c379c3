#pragma once
// Line hashing: the standard CRC-32 (IEEE 802.3, reflected, initial and final
// value 0xFFFFFFFF) of the low byte of every UTF-16 code unit of a line,
// optionally after dropping spaces and tabs and lower-casing each unit.

#include <QStringView>
#include <cstdint>

#include "text/TextStore.h"

namespace HashUnit {

// Entry n (0..255) of the CRC-32 lookup table.
uint32_t CrcTableEntry(int n);

// CRC of count code units from text, one byte (the low one) per unit.
// A count of 0 or less gives 0 and does not read text.
uint32_t CrcOfChars(const char16_t *text, int count);

uint32_t HashLine(QStringView aLine, bool aIgnoreCase, bool aIgnoreBlanks);

// HashLine(line, true, true) of a stored line, without making a copy.
uint32_t HashNormalized(const TLineRec &line);

// A line's normalised hash: the one it carries, or made now.
inline uint32_t NormalizedHashOf(const TLineRec &line)
{
    return line.hashed ? line.hash : HashNormalized(line);
}

// Lower-casing of one code unit as the hash does it (one unit in, one out).
inline char16_t LowerUnit(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c | 0x20) : c;
    const char32_t l = QChar::toLower(char32_t(c));
    return l <= 0xFFFF ? char16_t(l) : c;
}

// True when the two lines are equal once spaces and tabs are dropped and
// every unit is lower-cased: the equality that HashNormalized stands for.
bool NormalizedEqual(const TLineRec &a, const TLineRec &b);

// True when both records stand for the very same stored text (a load points
// repeated lines at one copy): equal under any rule, without reading it.
inline bool SameStoredText(const TLineRec &a, const TLineRec &b)
{
    return a.data == b.data && a.length == b.length && a.wide == b.wide && a.utf8 == b.utf8;
}

} // namespace HashUnit
