// What the filter benchmarks share: the sample archive, the registry and the full set with room for a result,
// the memcpy baseline every figure is read against, and the keep or remove pass through the fast matcher and
// through the plain MatchComb loop.
#pragma once

#include "combos/CombsArray.h"
#include "combos/Filter.h"
#include "combos/Generate.h"
#include "stats/CombMatcher.h"
#include "stats/StatList.h"
#include "tools/SampleArchive.h"

#include <benchmark/benchmark.h>
#include <cstring>

namespace zorb::bench {

struct TFullSetBench {
    TDrawsArray Draws = MakeSampleArchive();
    TStatList List;
    TCombsArray Full, Out;
    TFullSetBench() {
        List.SetDraws(&Draws);
        List.BuildMethods();
        Full.SetCount(FullCombsCount);
        GenerateFullSet(Full.Data());
        Out.Reserve(FullCombsCount);
    }
    int WindowEnd() const { return static_cast<int>(Draws.size()) - 1; }
};

inline void MemcpyFullSet(benchmark::State& state, TFullSetBench& f) {
    for (auto _ : state) {
        std::memcpy(f.Out.Data(), f.Full.Data(), f.Full.Count() * sizeof(TComb));
        benchmark::ClobberMemory();
    }
}

inline void FastFilter(benchmark::State& state, TFullSetBench& f, const char* code, const TStatDrawArray& rows,
                       bool exclude = false) {
    auto stat = f.List.CreateStat(f.List.FindByCode(code));
    size_t kept = 0;
    for (auto _ : state) {
        auto matcher = stat->MakeMatcher(rows, f.WindowEnd(), false, exclude);
        kept = FilterByMatcher(f.Full, f.Out, *matcher, exclude);
        benchmark::DoNotOptimize(f.Out.Data());
    }
    state.counters["kept"] = static_cast<double>(kept);
}

inline void PlainFilter(benchmark::State& state, TFullSetBench& f, const char* code, const TStatDrawArray& rows) {
    auto stat = f.List.CreateStat(f.List.FindByCode(code));
    size_t kept = 0;
    for (auto _ : state) {
        kept = FilterByMatchComb(f.Full, f.Out, *stat, rows, f.WindowEnd(), false, false);
        benchmark::DoNotOptimize(f.Out.Data());
    }
    state.counters["kept"] = static_cast<double>(kept);
}

} // namespace zorb::bench
