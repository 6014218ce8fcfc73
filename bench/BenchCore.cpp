// Baseline and archive benchmarks. Every speed figure of the project is read as a ratio to the memcpy of the
// full combination set (20 358 520 x 6 bytes) measured in the same run.
#include "core/DrawArchive.h"
#include "core/KestoUtils.h"
#include "tools/SampleArchive.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <vector>

using namespace zorb;

static void BM_MemcpyFullSet(benchmark::State& state) {
    std::vector<TComb> src(FullCombsCount), dst(FullCombsCount);
    std::memset(src.data(), 1, src.size() * sizeof(TComb));
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size() * sizeof(TComb));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * FullCombsCount * sizeof(TComb));
}
BENCHMARK(BM_MemcpyFullSet)->Unit(benchmark::kMillisecond);

static void BM_DecodeSampleArchive(benchmark::State& state) {
    const std::string bytes = EncodeDraws(MakeSampleArchive());
    TDrawsArray draws;
    for (auto _ : state) {
        DecodeDraws(bytes, draws);
        benchmark::DoNotOptimize(draws.data());
    }
}
BENCHMARK(BM_DecodeSampleArchive)->Unit(benchmark::kMicrosecond);

static void BM_FindEveryDraw(benchmark::State& state) {
    const TDrawsArray draws = MakeSampleArchive();
    for (auto _ : state) {
        int sum = 0;
        for (const TDrawRec& d : draws) sum += FindDraw(draws, d.Draw);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_FindEveryDraw)->Unit(benchmark::kMicrosecond);
