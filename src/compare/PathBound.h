#pragma once
// A lower bound on the edits that turn a stretch of one sequence into a
// stretch of the other, in constant time, for pruning the diagonal search.
//
// An element whose value the other whole sequence lacks can never be
// matched, so it costs an edit wherever it stands; of the elements left,
// the surplus on the longer side costs one edit each as well. The bound
// only counts, so it holds for any pair of stretches of the two sequences
// it was prepared on.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class TPathBound
{
public:
    // Widest value range the two membership bitmaps may cover (4 MiB each).
    static constexpr int64_t kMaxValueBits = int64_t(1) << 25;

    // Called every few ten thousand elements; returning false abandons the work.
    using TContinue = std::function<bool()>;

    // Prepares on a[0..n1) and b[0..n2). False (and unprepared) when the
    // values span more than kMaxValueBits or `keepGoing` said stop.
    template <typename T> bool Prepare(const T *a, int n1, const T *b, int n2, const TContinue &keepGoing);
    bool Prepared() const { return fPrepared; }
    void Clear();

    // At least how many deletes and adds turn a[a0..a1) into b[b0..b1).
    int Edits(int a0, int a1, int b0, int b1) const
    {
        const int lonely1 = fSide[0].Count(a0, a1);
        const int lonely2 = fSide[1].Count(b0, b1);
        const int shared1 = a1 - a0 - lonely1;
        const int shared2 = b1 - b0 - lonely2;
        return lonely1 + lonely2 + (shared1 > shared2 ? shared1 - shared2 : shared2 - shared1);
    }

private:
    // One bit per element (set: the other side lacks its value), with the
    // count of set bits before each word, so that a count over any range
    // is two lookups.
    struct TRankBits
    {
        std::vector<uint64_t> bits;
        std::vector<int32_t> before;
        int Rank(int i) const
        {
            const uint64_t word = bits[size_t(i) >> 6];
            const int within = i & 63;
            const uint64_t mask = within ? (word << (64 - within)) : 0;
            return before[size_t(i) >> 6] + __builtin_popcountll(mask);
        }
        int Count(int from, int to) const { return Rank(to) - Rank(from); }
    };

    TRankBits fSide[2];
    bool fPrepared = false;
};
