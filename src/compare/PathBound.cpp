#include "compare/PathBound.h"

#include <algorithm>

namespace {

template <typename T> void valueRange(const T *s, int n, int64_t &low, int64_t &high)
{
    for (int i = 0; i < n; ++i) {
        low = std::min<int64_t>(low, s[i]);
        high = std::max<int64_t>(high, s[i]);
    }
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

template <typename T> bool TPathBound::Prepare(const T *a, int n1, const T *b, int n2)
{
    Clear();
    int64_t low = INT64_MAX;
    int64_t high = INT64_MIN;
    valueRange(a, n1, low, high);
    valueRange(b, n2, low, high);
    if (low > high)
        low = high = 0;
    if (high - low >= kMaxValueBits)
        return false;
    const size_t words = size_t((high - low) / 64 + 1);
    const T *seqs[2] = {a, b};
    const int lens[2] = {n1, n2};
    // present[s]: the values found on side s.
    std::vector<uint64_t> present[2];
    for (int s = 0; s < 2; ++s) {
        present[s].assign(words, 0);
        for (int i = 0; i < lens[s]; ++i) {
            const uint64_t v = uint64_t(int64_t(seqs[s][i]) - low);
            present[s][v / 64] |= uint64_t(1) << (v % 64);
        }
    }
    for (int s = 0; s < 2; ++s) {
        const std::vector<uint64_t> &other = present[1 - s];
        TRankBits &side = fSide[s];
        // One word more than the elements need, so that Rank(n) reads a word.
        const size_t count = size_t(lens[s]) / 64 + 1;
        side.bits.assign(count, 0);
        side.before.assign(count, 0);
        for (int i = 0; i < lens[s]; ++i) {
            const uint64_t v = uint64_t(int64_t(seqs[s][i]) - low);
            if (!((other[v / 64] >> (v % 64)) & 1))
                side.bits[size_t(i) / 64] |= uint64_t(1) << (i % 64);
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

template bool TPathBound::Prepare<int32_t>(const int32_t *, int, const int32_t *, int);
template bool TPathBound::Prepare<char16_t>(const char16_t *, int, const char16_t *, int);
