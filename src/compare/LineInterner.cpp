#include "compare/LineInterner.h"

#include "compare/HashUnit.h"
#include "compare/TwoThreads.h"
#include "text/TextStore.h"

#include <algorithm>
#include <bit>

namespace {

// How often (in lines) interning looks whether it should stop.
constexpr size_t kStopCheckMask = 4095;
// How many lines ahead a table slot is fetched into the cache.
constexpr size_t kPrefetchAhead = 16;
// How many lines (in visiting order) tell how many distinct ones to expect.
constexpr size_t kSampleLines = 4096;
// Fewer distinct lines expected than this make a table that stays in the
// cache: one thread interns them.
constexpr size_t kParallelInternDistinct = 16384;

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
            if (s.hash == hash
                && (HashUnit::SameStoredText(lineAt(s.line), text) || HashUnit::NormalizedEqual(lineAt(s.line), text)))
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

// The order in which lines are interned: left and right lines in turn,
// then the rest of the longer list. Two versions of a text hold their equal
// lines at nearby places, so the line an equal one is compared with was
// mostly interned a moment ago and is still in the cache.
class TVisitOrder
{
public:
    TVisitOrder(size_t n1, size_t n2) : fN1(n1), fPairs(std::min(n1, n2)), fLeftLonger(n1 > n2) {}
    size_t line(size_t step) const  // a global line: left first, then right
    {
        if (step < 2 * fPairs)
            return step % 2 ? fN1 + step / 2 : step / 2;
        const size_t rest = step - 2 * fPairs;
        return fLeftLonger ? fPairs + rest : fN1 + fPairs + rest;
    }

private:
    size_t fN1;
    size_t fPairs;
    bool fLeftLonger;
};

// How many distinct lines a table should expect: the share of distinct
// hashes among the first kSampleLines lines visited, applied to all lines.
// Two versions of a text share most of their lines, so this is mostly about
// half of them; a text of a few lines over and over needs a table of a few
// slots, not megabytes of slots it would clear and never use. A table that
// was sized too small grows.
template <typename HashAt>
size_t expectedDistinct(size_t total, const HashAt &hashAt)
{
    const size_t sample = std::min(total, kSampleLines);
    if (sample == 0)
        return 0;
    std::vector<uint32_t> hashes(sample);
    for (size_t step = 0; step < sample; ++step)
        hashes[step] = hashAt(step);
    std::sort(hashes.begin(), hashes.end());
    const size_t unique = size_t(std::unique(hashes.begin(), hashes.end()) - hashes.begin());
    return size_t(double(total) * double(unique) / double(sample));
}

// Interns the lines of one partition (part 0 or 1 by the top bit of the
// mixed hash; -1 for all lines) in visiting order. Ids of part 1 are
// appended to `compact` in that order; all others are written in place.
void internPart(const std::atomic<bool> *stop, const std::vector<TLineRec> &left, const std::vector<TLineRec> &right, int part,
                size_t distinct, std::vector<int32_t> &leftIds, std::vector<int32_t> &rightIds,
                std::vector<int32_t> &compact)
{
    const size_t total = left.size() + right.size();
    const TVisitOrder order(left.size(), right.size());
    auto recAt = [&](size_t line) -> const TLineRec & {
        return line < left.size() ? left[line] : right[line - left.size()];
    };
    TInternTable table(left, right, part < 0 ? distinct : distinct / 2);
    for (size_t step = 0; step < total; ++step) {
        if ((step & kStopCheckMask) == 0 && stop && stop->load(std::memory_order_relaxed))
            return;
        if (step + kPrefetchAhead < total) {
            const uint32_t ahead = mix(HashUnit::NormalizedHashOf(recAt(order.line(step + kPrefetchAhead))));
            if (part < 0 || int(ahead >> 31) == part)
                table.prefetch(ahead);
        }
        const size_t line = order.line(step);
        const uint32_t hash = HashUnit::NormalizedHashOf(recAt(line));
        const uint32_t mixed = mix(hash);
        if (part >= 0 && int(mixed >> 31) != part)
            continue;
        const int32_t id = table.intern(int32_t(line), hash, mixed);
        if (part == 1)
            compact.push_back(id);
        else if (line < left.size())
            leftIds[line] = id;
        else
            rightIds[line - left.size()] = id;
    }
}

} // namespace

void InternLines(const std::vector<TLineRec> &left, const std::vector<TLineRec> &right,
                 std::vector<int32_t> &leftIds, std::vector<int32_t> &rightIds)
{
    InternLines(left, right, leftIds, rightIds, kParallelInternLines);
}

bool InternLines(const std::vector<TLineRec> &left, const std::vector<TLineRec> &right,
                 std::vector<int32_t> &leftIds, std::vector<int32_t> &rightIds, size_t parallelFrom,
                 const std::atomic<bool> *stop)
{
    for (auto [ids, count] : {std::pair{&leftIds, left.size()}, std::pair{&rightIds, right.size()}}) {
        ids->reserve(count);
        PreferHugePages(ids->data(), count * sizeof(int32_t));
        ids->resize(count);
    }
    std::vector<int32_t> part1;
    const size_t total = left.size() + right.size();
    const TVisitOrder visits(left.size(), right.size());
    const size_t distinct = expectedDistinct(total, [&](size_t step) {
        const size_t line = visits.line(step);
        return HashUnit::NormalizedHashOf(line < left.size() ? left[line] : right[line - left.size()]);
    });
    // Each of two threads reads every line and interns half of them: that
    // pays where the table is large and its lookups miss the cache, not
    // where a few distinct lines keep it small and hot.
    if (total < parallelFrom || distinct < kParallelInternDistinct) {
        internPart(stop, left, right, -1, distinct, leftIds, rightIds, part1);
        return !(stop && stop->load());
    }
    // Part 1 collects its ids apart, so that the two threads never write
    // to the same cache lines; they are put in place afterwards.
    part1.reserve(total / 2 + total / 16);
    RunOnTwoThreads([&] { internPart(stop, left, right, 1, distinct, leftIds, rightIds, part1); },
                    [&] { internPart(stop, left, right, 0, distinct, leftIds, rightIds, part1); });
    if (stop && stop->load())
        return false;

    const TVisitOrder order(left.size(), right.size());
    size_t next = 0;
    for (size_t step = 0; step < total; ++step) {
        const size_t line = order.line(step);
        if (line < left.size()) {
            if (mix(HashUnit::NormalizedHashOf(left[line])) >> 31)
                leftIds[line] = part1[next++];
        } else if (mix(HashUnit::NormalizedHashOf(right[line - left.size()])) >> 31) {
            rightIds[line - left.size()] = part1[next++];
        }
    }
    return true;
}
