// libFuzzer target: the engine's closed form for unique-matched pairs
// against its diagonal search, record for record.
//
// The input bytes spell two sequences. A byte below 0x80 names a value
// shared by both sides, used at most once per side (a second use on the
// same side turns into a one-sided value); a byte from 0x80 up names a
// one-sided value, which may repeat. A zero byte ends the left sequence.
// Every pair built this way is unique-matched, so the closed form must be
// taken and must give exactly the records and statistics of the search.
#include "SameRecords.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr int32_t kLimit = 1024;

void build(const uint8_t *data, size_t size, std::vector<int32_t> &a, std::vector<int32_t> &b)
{
    bool used[2][128] = {};
    int side = 0;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t c = data[i];
        if (c == 0 && side == 0) {
            side = 1;
            continue;
        }
        std::vector<int32_t> &out = side ? b : a;
        const int32_t oneSided = 256 + side * 256 + (c & 0x1F);
        if (c < 0x80 && !used[side][c]) {
            used[side][c] = true;
            out.push_back(c);
        } else {
            out.push_back(oneSided);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<int32_t> a;
    std::vector<int32_t> b;
    build(data, size, a, b);
    TDiff search;
    search.SetOptions({.closedFormUse = TDiff::TClosedFormUse::Never});
    TDiff closed;
    closed.SetIdLimit(kLimit);
    closed.SetOptions({.closedFormUse = TDiff::TClosedFormUse::Always});
    const int n1 = int(a.size());
    const int n2 = int(b.size());
    if (!search.Execute(a.data(), b.data(), n1, n2) || !closed.Execute(a.data(), b.data(), n1, n2))
        std::abort();
    const bool stripped = closed.Count() == closed.DiffStats().matches;  // nothing left after stripping
    if ((!closed.UsedClosedForm() && !stripped) || !SameRecords(search, closed))
        std::abort();
    return 0;
}
