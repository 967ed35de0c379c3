// libFuzzer target: the engine's bounded search, its steps split over two
// threads and its AVX2 loops against its plain one-thread scalar search,
// record for record.
//
// The input bytes spell two sequences. The first byte sets the size of a
// small alphabet (1 to 16 values); after it, a byte below 0x80 names a value
// of that alphabet (so values repeat, and the lower bound is loose), a byte
// from 0x80 up a value used nowhere else (so the lower bound is tight), and
// a zero byte ends the left sequence. The bounded search starts at the
// first step, so every pair takes the bounded attempts, their giving up and
// the bounded sub-problems; the two-thread variants split every step.
#include "SameRecords.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void build(const uint8_t *data, size_t size, std::vector<int32_t> &a, std::vector<int32_t> &b)
{
    if (size == 0)
        return;
    const int32_t alphabet = 1 + (data[0] & 0x0F);
    int32_t fresh = 1000;
    int side = 0;
    for (size_t i = 1; i < size; ++i) {
        const uint8_t c = data[i];
        if (c == 0 && side == 0) {
            side = 1;
            continue;
        }
        (side ? b : a).push_back(c < 0x80 ? c % alphabet : fresh++);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<int32_t> a;
    std::vector<int32_t> b;
    build(data, size, a, b);
    TDiff plain;
    plain.SetOptions({.wideLoops = false, .boundFromStep = 0, .twoThreadsFrom = 0});
    const int n1 = int(a.size());
    const int n2 = int(b.size());
    if (!plain.Execute(a.data(), b.data(), n1, n2))
        std::abort();
    for (const TDiff::TOptions &options : {TDiff::TOptions{.boundFromStep = 0, .twoThreadsFrom = 0},
                                           TDiff::TOptions{.boundFromStep = 1, .twoThreadsFrom = 0},
                                           TDiff::TOptions{.boundFromStep = 0, .twoThreadsFrom = 1},
                                           TDiff::TOptions{.boundFromStep = 1, .twoThreadsFrom = 1}}) {
        TDiff variant;
        variant.SetOptions(options);
        if (!variant.Execute(a.data(), b.data(), n1, n2) || !SameRecords(plain, variant))
            std::abort();
    }
    return 0;
}
