// Hashing throughput: HashLine on QStrings and the pass's hash of stored lines.
#include "compare/HashUnit.h"
#include "text/TextStore.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

QString sampleLine(std::mt19937 &rng)
{
    static const char *words[] = {"lorem", "Ipsum", "dolor", "sit", "amet", "\tconsectetur", "adipiscing"};
    QString s;
    while (s.size() < 60)
        s += QLatin1String(words[rng() % 7]) + u' ';
    return s;
}

void BM_HashLine(benchmark::State &state)
{
    std::mt19937 rng(1);
    const QString line = sampleLine(rng);
    const bool flags = state.range(0) != 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(HashUnit::HashLine(line, flags, flags));
    state.SetBytesProcessed(int64_t(state.iterations()) * line.size());
}
BENCHMARK(BM_HashLine)->Arg(0)->Arg(1);

void BM_HashNormalizedStored(benchmark::State &state)
{
    std::mt19937 rng(2);
    TKeepAlive keep;
    TTextArena arena;
    std::vector<TLineRec> lines;
    int64_t units = 0;
    for (int i = 0; i < 10000; ++i) {
        lines.push_back(arena.store(sampleLine(rng), keep));
        units += lines.back().length;
    }
    for (auto _ : state)
        for (const TLineRec &r : lines)
            benchmark::DoNotOptimize(HashUnit::HashNormalized(r));
    state.SetBytesProcessed(int64_t(state.iterations()) * units);
}
BENCHMARK(BM_HashNormalizedStored);

} // namespace

BENCHMARK_MAIN();
