// The difference engine alone, on id sequences like those of the pass.
#include "compare/Diff.h"

#include <benchmark/benchmark.h>

#include <numeric>
#include <random>

namespace {

// n distinct ids, and a copy with `edits` scattered changes, inserts and deletes.
void makePair(int n, int edits, std::vector<int32_t> &a, std::vector<int32_t> &b)
{
    std::mt19937 rng(3);
    a.resize(size_t(n));
    std::iota(a.begin(), a.end(), 0);
    b = a;
    int next = n;
    for (int e = 0; e < edits; ++e) {
        const size_t at = rng() % b.size();
        switch (e % 3) {
        case 0: b[at] = next++; break;
        case 1: b.insert(b.begin() + long(at), next++); break;
        default: b.erase(b.begin() + long(at)); break;
        }
    }
}

void BM_EngineScattered(benchmark::State &state)
{
    std::vector<int32_t> a, b;
    makePair(int(state.range(0)), int(state.range(1)), a, b);
    for (auto _ : state) {
        TDiff d;
        d.Execute(a.data(), b.data(), int(a.size()), int(b.size()));
        benchmark::DoNotOptimize(d.Count());
    }
}
BENCHMARK(BM_EngineScattered)->Args({1000000, 1000})->Args({100000, 1000})->Unit(benchmark::kMillisecond);

void BM_EngineAllDifferent(benchmark::State &state)
{
    const int n = int(state.range(0));
    std::vector<int32_t> a(static_cast<size_t>(n)), b(static_cast<size_t>(n));
    std::iota(a.begin(), a.end(), 0);
    std::iota(b.begin(), b.end(), n);
    for (auto _ : state) {
        TDiff d;
        d.Execute(a.data(), b.data(), n, n);
        benchmark::DoNotOptimize(d.Count());
    }
}
BENCHMARK(BM_EngineAllDifferent)->Arg(20000)->Unit(benchmark::kMillisecond);

// Blocks of a sequence in reverse order, values repeating with a period
// (so not for the closed form): a long search. Second argument: 1 for the
// AVX2 loops, 0 for the scalar ones; third: 1 for wide steps on two
// threads, 0 for one.
void BM_EngineReversedBlocks(benchmark::State &state)
{
    const int n = int(state.range(0));
    std::vector<int32_t> a(static_cast<size_t>(n)), b;
    for (int i = 0; i < n; ++i)
        a[size_t(i)] = i % (n / 4);
    for (int start = n - n % 100 - (n % 100 ? 0 : 100); start >= 0; start -= 100)
        b.insert(b.end(), a.begin() + start, a.begin() + std::min(n, start + 100));
    for (auto _ : state) {
        TDiff d;
        d.SetOptions({.wideLoops = state.range(1) != 0, .twoThreadsFrom = state.range(2) ? TDiff::kTwoThreadsFrom : 0});
        d.Execute(a.data(), b.data(), int(a.size()), int(b.size()));
        benchmark::DoNotOptimize(d.Count());
        state.counters["visits"] = double(d.Visits());
    }
}
BENCHMARK(BM_EngineReversedBlocks)
    ->Args({10000, 0, 0})
    ->Args({10000, 1, 0})
    ->Args({40000, 1, 0})
    ->Args({40000, 1, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
