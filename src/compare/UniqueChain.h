#pragma once
// The matched pairs of a unique-matched pair of sequences, found without
// the diagonal search.
//
// A pair is unique-matched when every value that occurs in both sequences
// occurs exactly once in each (values found on one side only may repeat).
// For such a pair the engine's matches are the longest common subsequence
// whose right-hand indices, read in order, are lexicographically smallest,
// and each stretch between two matches comes out as its deletes followed by
// its adds. This class finds that subsequence in O(n log n) time.

#include <cstdint>
#include <functional>
#include <vector>

class TUniqueChain
{
public:
    // Called every few thousand elements; returning false abandons the work.
    using TContinue = std::function<bool()>;

    // Looks at a[0..n1) and b[0..n2), whose values all lie in [0, limit).
    // Returns false, with `matchesA`/`matchesB` unspecified, when the pair
    // is not unique-matched, a value lies outside the range, or `keepGoing`
    // said stop. Otherwise fills the two lists with the indices (into a and
    // into b) of the matched pairs, in increasing order.
    bool Find(const int32_t *a, int n1, const int32_t *b, int n2, int32_t limit,
              const TContinue &keepGoing, std::vector<int32_t> &matchesA, std::vector<int32_t> &matchesB);

private:
    bool collectPoints(const int32_t *a, int n1, const int32_t *b, int n2, int32_t limit,
                       const TContinue &keepGoing);
    bool rankPoints(const TContinue &keepGoing);
    bool chooseChain(const TContinue &keepGoing, std::vector<int32_t> &matchesA, std::vector<int32_t> &matchesB);

    // The shared values as points (i, j), in increasing i.
    std::vector<int32_t> fI;
    std::vector<int32_t> fJ;
    // fRank[p]: length of the longest chain (both indices rising) starting at p.
    std::vector<int32_t> fRank;
};
