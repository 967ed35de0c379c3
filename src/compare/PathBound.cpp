#include "compare/PathBound.h"

#include <algorithm>

namespace {

// Elements between two calls of the caller's keepGoing: ten million take
// tens of milliseconds per pass, which the window must not wait for.
constexpr int kElementsPerCheck = 1 << 16;

// Calls visit(i) for i in [0, n), asking keepGoing between pieces; false
// when it said stop.
template <typename Visit>
bool visitAll(int n, const TPathBound::TContinue &keepGoing, const Visit &visit)
{
    for (int from = 0; from < n; from += kElementsPerCheck) {
        const int to = std::min(n, from + kElementsPerCheck);
        for (int i = from; i < to; ++i)
            visit(i);
        if (keepGoing && !keepGoing())
            return false;
    }
    return true;
}

} // namespace

void TPathBound::Clear()
{
    for (TRankBits &side : fSide) {
        std::vector<uint64_t>().swap(side.bits);
        std::vector<int32_t>().swap(side.before);
    }
    fPrepared = false;
}

template <typename T>
bool TPathBound::Prepare(const T *a, int n1, const T *b, int n2, const TContinue &keepGoing)
{
    Clear();
    int64_t low = INT64_MAX;
    int64_t high = INT64_MIN;
    const T *seqs[2] = {a, b};
    const int lens[2] = {n1, n2};
    for (int s = 0; s < 2; ++s) {
        const T *seq = seqs[s];
        if (!visitAll(lens[s], keepGoing, [&](int i) {
                low = std::min<int64_t>(low, seq[i]);
                high = std::max<int64_t>(high, seq[i]);
            }))
            return false;
    }
    if (low > high)
        low = high = 0;
    if (high - low >= kMaxValueBits)
        return false;
    const size_t words = size_t((high - low) / 64 + 1);
    // present[s]: the values found on side s.
    std::vector<uint64_t> present[2];
    for (int s = 0; s < 2; ++s) {
        present[s].assign(words, 0);
        const T *seq = seqs[s];
        uint64_t *bits = present[s].data();
        if (!visitAll(lens[s], keepGoing, [&](int i) {
                const uint64_t v = uint64_t(int64_t(seq[i]) - low);
                bits[v / 64] |= uint64_t(1) << (v % 64);
            }))
            return false;
    }
    for (int s = 0; s < 2; ++s) {
        const std::vector<uint64_t> &other = present[1 - s];
        TRankBits &side = fSide[s];
        // One word more than the elements need, so that Rank(n) reads a word.
        const size_t count = size_t(lens[s]) / 64 + 1;
        side.bits.assign(count, 0);
        side.before.assign(count, 0);
        const T *seq = seqs[s];
        if (!visitAll(lens[s], keepGoing, [&](int i) {
                const uint64_t v = uint64_t(int64_t(seq[i]) - low);
                if (!((other[v / 64] >> (v % 64)) & 1))
                    side.bits[size_t(i) / 64] |= uint64_t(1) << (i % 64);
            })) {
            Clear();
            return false;
        }
        int32_t total = 0;
        for (size_t w = 0; w < count; ++w) {
            side.before[w] = total;
            total += __builtin_popcountll(side.bits[w]);
        }
    }
    fPrepared = true;
    return true;
}

template bool TPathBound::Prepare<int32_t>(const int32_t *, int, const int32_t *, int, const TContinue &);
template bool TPathBound::Prepare<char16_t>(const char16_t *, int, const char16_t *, int, const TContinue &);
