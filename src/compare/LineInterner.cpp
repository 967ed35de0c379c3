#include "LineInterner.h"

#include "HashUnit.h"

#include <algorithm>
#include <bit>
#include <thread>

namespace {

// Below this many lines a second thread costs more than it saves.
constexpr size_t kParallelLines = 50000;
// How many lines ahead a table slot is fetched into the cache.
constexpr size_t kPrefetchAhead = 16;

inline uint32_t mix(uint32_t hash)
{
    return hash * 0x9E3779B1u;  // odd: a bijection that spreads the bits
}

// One open-addressing table over the lines whose mixed hash has the given
// top bit, so that two tables can work on two cores at once.
class TInternTable
{
public:
    TInternTable(const std::vector<TLineRec> &left, const std::vector<TLineRec> &right, size_t expected)
        : fLeft(left), fRight(right)
    {
        resize(std::bit_ceil(std::max<size_t>(1024, expected + expected / 2)));
    }

    void prefetch(uint32_t mixed) const { __builtin_prefetch(&fSlots[slotOf(mixed)]); }

    int32_t intern(int32_t line, uint32_t hash, uint32_t mixed)
    {
        if (fUsed * 4 >= fSlots.size() * 3)
            resize(fSlots.size() * 2);
        const TLineRec &text = lineAt(line);
        for (size_t i = slotOf(mixed);; i = (i + 1) & fMask) {
            TSlot &s = fSlots[i];
            if (s.line < 0) {
                s = TSlot{hash, line};
                ++fUsed;
                return line;
            }
            if (s.hash == hash && HashUnit::NormalizedEqual(lineAt(s.line), text))
                return s.line;
        }
    }

private:
    struct TSlot
    {
        uint32_t hash;
        int32_t line;  // -1: empty
    };

    size_t slotOf(uint32_t mixed) const { return (mixed ^ (mixed >> 15)) & fMask; }
    const TLineRec &lineAt(int32_t line) const
    {
        const size_t n = fLeft.size();
        return size_t(line) < n ? fLeft[size_t(line)] : fRight[size_t(line) - n];
    }

    void resize(size_t capacity)
    {
        std::vector<TSlot> old(capacity, TSlot{0, -1});
        old.swap(fSlots);
        fMask = capacity - 1;
        for (const TSlot &s : old) {
            if (s.line < 0)
                continue;
            size_t i = slotOf(mix(s.hash));
            while (fSlots[i].line >= 0)
                i = (i + 1) & fMask;
            fSlots[i] = s;
        }
    }

    const std::vector<TLineRec> &fLeft;
    const std::vector<TLineRec> &fRight;
    std::vector<TSlot> fSlots;
    size_t fMask = 0;
    size_t fUsed = 0;
};

// Interns the lines of one partition (or all when part < 0), in order,
// and returns their ids in that order.
std::vector<int32_t> internPart(const std::vector<TLineRec> &left, const std::vector<TLineRec> &right,
                                const std::vector<int32_t> &leftHashes,
                                const std::vector<int32_t> &rightHashes, int part)
{
    const size_t total = left.size() + right.size();
    // Two versions of a text share most of their lines, so a table starts
    // sized for half the lines being distinct and grows if they are not.
    TInternTable table(left, right, part < 0 ? total / 2 : total / 4);
    std::vector<int32_t> ids;
    ids.reserve(part < 0 ? total : total / 2 + total / 16);
    auto hashAt = [&](size_t line) {
        return uint32_t(line < left.size() ? leftHashes[line] : rightHashes[line - left.size()]);
    };
    for (size_t line = 0; line < total; ++line) {
        if (line + kPrefetchAhead < total) {
            const uint32_t ahead = mix(hashAt(line + kPrefetchAhead));
            if (part < 0 || int(ahead >> 31) == part)
                table.prefetch(ahead);
        }
        const uint32_t hash = hashAt(line);
        const uint32_t mixed = mix(hash);
        if (part >= 0 && int(mixed >> 31) != part)
            continue;
        ids.push_back(table.intern(int32_t(line), hash, mixed));
    }
    return ids;
}

} // namespace

void InternLines(const std::vector<TLineRec> &left, const std::vector<TLineRec> &right,
                 std::vector<int32_t> &leftIds, std::vector<int32_t> &rightIds)
{
    const size_t total = left.size() + right.size();
    if (total < kParallelLines) {
        const std::vector<int32_t> ids = internPart(left, right, leftIds, rightIds, -1);
        std::copy(ids.begin(), ids.begin() + long(left.size()), leftIds.begin());
        std::copy(ids.begin() + long(left.size()), ids.end(), rightIds.begin());
        return;
    }
    std::vector<int32_t> part1;
    std::thread worker([&] { part1 = internPart(left, right, leftIds, rightIds, 1); });
    const std::vector<int32_t> part0 = internPart(left, right, leftIds, rightIds, 0);
    worker.join();

    // Merge: each line takes the next id of its partition, in line order.
    size_t next[2] = {0, 0};
    const std::vector<int32_t> *parts[2] = {&part0, &part1};
    auto take = [&](int32_t &slot) {
        const int p = int(mix(uint32_t(slot)) >> 31);
        slot = (*parts[p])[next[p]++];
    };
    for (int32_t &slot : leftIds)
        take(slot);
    for (int32_t &slot : rightIds)
        take(slot);
}
