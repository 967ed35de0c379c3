#include "LineInterner.h"

#include "HashUnit.h"

#include <algorithm>
#include <bit>

TLineInterner::TLineInterner(size_t expectedLines)
{
    const size_t capacity = std::bit_ceil(std::max<size_t>(16, expectedLines * 2));
    fSlots.assign(capacity, TSlot{0, -1});
    fMask = capacity - 1;
    fReps.reserve(expectedLines);
}

namespace {
size_t slotOf(uint32_t hash, size_t mask)
{
    // CRC values are evenly spread, but a run of equal low bits would still
    // cluster; mixing the bits keeps probe chains short.
    return size_t((hash * 0x9E3779B1u) ^ (hash >> 16)) & mask;
}
} // namespace

void TLineInterner::grow()
{
    std::vector<TSlot> old(fSlots.size() * 2, TSlot{0, -1});
    old.swap(fSlots);
    fMask = fSlots.size() - 1;
    for (const TSlot &s : old) {
        if (s.id < 0)
            continue;
        size_t i = slotOf(s.hash, fMask);
        while (fSlots[i].id >= 0)
            i = (i + 1) & fMask;
        fSlots[i] = s;
    }
}

int32_t TLineInterner::Intern(const TLineRec &line, uint32_t hash)
{
    if ((fReps.size() + 1) * 2 > fSlots.size())
        grow();
    size_t i = slotOf(hash, fMask);
    for (;;) {
        TSlot &s = fSlots[i];
        if (s.id < 0) {
            s.hash = hash;
            s.id = int32_t(fReps.size());
            fReps.push_back(line);
            return s.id;
        }
        if (s.hash == hash && HashUnit::NormalizedEqual(fReps[size_t(s.id)], line))
            return s.id;
        i = (i + 1) & fMask;
    }
}
