#include "compare/UniqueChain.h"

#include <algorithm>

namespace {

// How many elements pass between two calls of the continuation.
constexpr int kCheckEvery = 1 << 16;

// States of a value in the right-hand position table.
constexpr int32_t kAbsent = -1;
constexpr int32_t kRepeated = -2;
// A value already paired with a left element is stored as kTaken - j.
constexpr int32_t kTaken = -3;

bool proceed(const TUniqueChain::TContinue &keepGoing, int step)
{
    return (step & (kCheckEvery - 1)) != 0 || !keepGoing || keepGoing();
}

} // namespace

bool TUniqueChain::Find(const int32_t *a, int n1, const int32_t *b, int n2, int32_t limit,
                        const TContinue &keepGoing, std::vector<int32_t> &matchesA,
                        std::vector<int32_t> &matchesB)
{
    const bool found = collectPoints(a, n1, b, n2, limit, keepGoing) && rankPoints(keepGoing)
                       && chooseChain(keepGoing, matchesA, matchesB);
    fI = {};
    fJ = {};
    fRank = {};
    return found;
}

bool TUniqueChain::collectPoints(const int32_t *a, int n1, const int32_t *b, int n2, int32_t limit,
                                 const TContinue &keepGoing)
{
    if (limit <= 0)
        return false;
    // position[v]: where v stands in b, or kAbsent / kRepeated, or (once a
    // left element took it) kTaken - that position.
    // Filled a piece at a time: for millions of values the table alone is
    // a while's work.
    std::vector<int32_t> position;
    position.reserve(size_t(limit));
    for (size_t done = 0; done < size_t(limit); done += kCheckEvery) {
        position.insert(position.end(), std::min<size_t>(kCheckEvery, size_t(limit) - done), kAbsent);
        if (!proceed(keepGoing, 0))
            return false;
    }
    for (int j = 0; j < n2; ++j) {
        const int32_t v = b[j];
        if (v < 0 || v >= limit || !proceed(keepGoing, j))
            return false;
        position[size_t(v)] = position[size_t(v)] == kAbsent ? j : kRepeated;
    }
    fI.clear();
    fJ.clear();
    const size_t most = size_t(std::min(n1, n2));
    fI.reserve(most);
    fJ.reserve(most);
    for (int i = 0; i < n1; ++i) {
        const int32_t v = a[i];
        if (v < 0 || v >= limit || !proceed(keepGoing, i))
            return false;
        int32_t &p = position[size_t(v)];
        if (p == kAbsent)
            continue;  // a left-only value may repeat
        if (p < 0)
            return false;  // repeated on the right, or a second time on the left
        fI.push_back(i);
        fJ.push_back(p);
        p = kTaken - p;
    }
    return true;
}

bool TUniqueChain::rankPoints(const TContinue &keepGoing)
{
    // From the last point back: tails[r - 1] is the largest j among the
    // points seen so far that start a chain of length r. It falls as r
    // rises, so a point's rank is one more than the number of entries above
    // its j. Nearly equal texts give falling j's here, hence the check of
    // the last entry before the binary search.
    const size_t count = fJ.size();
    fRank.assign(count, 0);
    std::vector<int32_t> tails;
    for (size_t p = count; p-- > 0;) {
        if (!proceed(keepGoing, int(p)))
            return false;
        const int32_t j = fJ[p];
        size_t above;
        if (tails.empty() || tails.back() > j)
            above = tails.size();
        else
            above = size_t(std::partition_point(tails.begin(), tails.end(), [j](int32_t t) { return t > j; })
                           - tails.begin());
        if (above == tails.size())
            tails.push_back(j);
        else
            tails[above] = j;
        fRank[p] = int32_t(above + 1);
    }
    return true;
}

bool TUniqueChain::chooseChain(const TContinue &keepGoing, std::vector<int32_t> &matchesA,
                               std::vector<int32_t> &matchesB)
{
    // Points of one rank, in increasing i, have falling j (a point with a
    // larger j further on would start a longer chain). The chain is built
    // from the front: at rank r, of the points after the last one taken in
    // both indices, take the one with the smallest j. Those with j above the
    // last taken form a prefix of the rank's list; its last entry has the
    // smallest j and, as the chain goes on from there, lies after it in i.
    const size_t count = fRank.size();
    int32_t longest = 0;
    for (int32_t r : fRank)
        longest = std::max(longest, r);
    std::vector<int32_t> start(size_t(longest) + 2, 0);
    for (int32_t r : fRank)
        ++start[size_t(r) + 1];
    for (size_t r = 1; r < start.size(); ++r)
        start[r] += start[r - 1];
    std::vector<int32_t> byRank(count);
    {
        std::vector<int32_t> fill(start.begin(), start.end() - 1);
        for (size_t p = 0; p < count; ++p) {
            if (!proceed(keepGoing, int(p)))
                return false;
            byRank[size_t(fill[size_t(fRank[p])]++)] = int32_t(p);
        }
    }

    matchesA.clear();
    matchesB.clear();
    matchesA.reserve(size_t(longest));
    matchesB.reserve(size_t(longest));
    int32_t lastI = -1;
    int32_t lastJ = -1;
    for (int32_t r = longest; r >= 1; --r) {
        if (!proceed(keepGoing, r))
            return false;
        const auto first = byRank.begin() + start[size_t(r)];
        const auto last = byRank.begin() + start[size_t(r) + 1];
        const auto end = std::partition_point(first, last, [&](int32_t p) { return fJ[size_t(p)] > lastJ; });
        if (end == first)
            return false;
        const int32_t p = *(end - 1);
        if (fI[size_t(p)] <= lastI)
            return false;
        lastI = fI[size_t(p)];
        lastJ = fJ[size_t(p)];
        matchesA.push_back(lastI);
        matchesB.push_back(lastJ);
    }
    return true;
}
