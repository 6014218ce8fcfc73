// Coverage of a system. Read BM_CoverageFast/52/5000 against BM_GenerateFullSet of the same run, and the fast
// pass over 30 numbers against the plain loop over subsets and lines.
#include "combos/CombsArray.h"
#include "combos/Generate.h"
#include "online/Coverage.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace zorb;

namespace {

std::vector<TComb> RandomLines(int n, int count) {
    std::mt19937 rng(52);
    std::vector<int> pos(n);
    for (int i = 0; i < n; ++i) pos[i] = i + 1;
    std::vector<TComb> lines;
    for (int l = 0; l < count; ++l) {
        std::shuffle(pos.begin(), pos.end(), rng);
        TComb c{};
        for (int k = 0; k < 6; ++k) c.N[k] = static_cast<uint8_t>(pos[k]);
        lines.push_back(c);
    }
    return lines;
}

void BM_GenerateFullSet(benchmark::State& state) {
    TCombsArray list;
    for (auto _ : state) {
        GenerateCombs(list, 0, "");
        benchmark::DoNotOptimize(list.Data());
    }
}
BENCHMARK(BM_GenerateFullSet)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CoverageFast(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const auto lines = RandomLines(n, static_cast<int>(state.range(1)));
    for (auto _ : state) benchmark::DoNotOptimize(ComputeCoverage(lines, n));
}
BENCHMARK(BM_CoverageFast)->Args({52, 5000})->Args({30, 2000})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CoveragePlain(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const auto lines = RandomLines(n, static_cast<int>(state.range(1)));
    for (auto _ : state) benchmark::DoNotOptimize(ComputeCoveragePlain(lines, n));
}
BENCHMARK(BM_CoveragePlain)->Args({30, 2000})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
