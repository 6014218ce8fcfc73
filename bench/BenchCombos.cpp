// Generation and filtering of the full set. Read every figure against BM_MemcpyFullSet of the same run.
#include "bench/BenchLoad.h"
#include "combos/CombsArray.h"
#include "combos/Filter.h"
#include "combos/Generate.h"
#include "stats/CombMatcher.h"
#include "stats/StatList.h"
#include "tools/SampleArchive.h"

#include <benchmark/benchmark.h>
#include <cstring>

using namespace zorb;

namespace {

struct TFixture {
    TDrawsArray Draws = MakeSampleArchive();
    TStatList List;
    TCombsArray Full, Out;
    TFixture() {
        List.SetDraws(&Draws);
        List.BuildMethods();
        Full.SetCount(FullCombsCount);
        GenerateFullSet(Full.Data());
        Out.Reserve(FullCombsCount);
    }
    TStatDrawArray Rows(std::initializer_list<int> keys, bool asInt = false) const {
        TStatDrawArray rows;
        for (int k : keys) {
            TStatDraw r{};
            if (asInt)
                r.SetI(1, k);
            else
                r.SetW(1, static_cast<uint16_t>(k));
            rows.push_back(r);
        }
        return rows;
    }
};

TFixture& Fixture() {
    static TFixture f;
    return f;
}

int WindowEnd() {
    return static_cast<int>(Fixture().Draws.size()) - 1;
}

TStatDrawArray SumRows() {
    TStatDrawArray rows;
    for (int s = 110; s <= 209; ++s) {
        TStatDraw r{};
        r.SetI(1, s);
        rows.push_back(r);
    }
    return rows;
}

void RunFilter(benchmark::State& state, const char* code, const TStatDrawArray& rows, bool exclude) {
    TFixture& f = Fixture();
    auto stat = f.List.CreateStat(f.List.FindByCode(code));
    size_t kept = 0;
    for (auto _ : state) {
        auto matcher = stat->MakeMatcher(rows, WindowEnd(), false, exclude);
        kept = FilterByMatcher(f.Full, f.Out, *matcher, exclude);
        benchmark::DoNotOptimize(f.Out.Data());
    }
    state.counters["kept"] = static_cast<double>(kept);
}

} // namespace

static void BM_MemcpyFullSet(benchmark::State& state) {
    TFixture& f = Fixture();
    for (auto _ : state) {
        std::memcpy(f.Out.Data(), f.Full.Data(), f.Full.Count() * sizeof(TComb));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyFullSet)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_GenerateFullSet(benchmark::State& state) {
    TFixture& f = Fixture();
    for (auto _ : state) {
        GenerateCombs(f.Out, gmFull, "");
        benchmark::DoNotOptimize(f.Out.Data());
    }
}
BENCHMARK(BM_GenerateFullSet)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_FilterKeepNums7(benchmark::State& state) {
    RunFilter(state, "NUMS", Fixture().Rows({7}), false);
}
BENCHMARK(BM_FilterKeepNums7)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_FilterRemoveNums7(benchmark::State& state) {
    RunFilter(state, "NUMS", Fixture().Rows({7}), true);
}
BENCHMARK(BM_FilterRemoveNums7)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_FilterKeep100Sums(benchmark::State& state) {
    RunFilter(state, "SUMS", SumRows(), false);
}
BENCHMARK(BM_FilterKeep100Sums)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_FilterKeepEvnvPattern(benchmark::State& state) {
    RunFilter(state, "EVNV", Fixture().Rows({21}, true), false);
}
BENCHMARK(BM_FilterKeepEvnvPattern)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_RemoveLastDraws1000(benchmark::State& state) {
    TFixture& f = Fixture();
    const int hi = WindowEnd();
    for (auto _ : state) {
        RemoveDraws(f.Full, f.Out, f.Draws, hi - 999, hi, [](double) {});
        benchmark::DoNotOptimize(f.Out.Data());
    }
}
BENCHMARK(BM_RemoveLastDraws1000)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_RemoveLastDraws1000NoProgress(benchmark::State& state) {
    TFixture& f = Fixture();
    const int hi = WindowEnd();
    for (auto _ : state) {
        RemoveDraws(f.Full, f.Out, f.Draws, hi - 999, hi);
        benchmark::DoNotOptimize(f.Out.Data());
    }
}
BENCHMARK(BM_RemoveLastDraws1000NoProgress)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_PlainMatchCombNums7(benchmark::State& state) {
    TFixture& f = Fixture();
    auto stat = f.List.CreateStat(f.List.FindByCode("NUMS"));
    const TStatDrawArray rows = f.Rows({7});
    for (auto _ : state) {
        FilterByMatchComb(f.Full, f.Out, *stat, rows, WindowEnd(), false, false);
        benchmark::DoNotOptimize(f.Out.Data());
    }
}
BENCHMARK(BM_PlainMatchCombNums7)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_PlainMatchComb100Sums(benchmark::State& state) {
    TFixture& f = Fixture();
    auto stat = f.List.CreateStat(f.List.FindByCode("SUMS"));
    const TStatDrawArray rows = SumRows();
    for (auto _ : state) {
        FilterByMatchComb(f.Full, f.Out, *stat, rows, WindowEnd(), false, false);
        benchmark::DoNotOptimize(f.Out.Data());
    }
}
BENCHMARK(BM_PlainMatchComb100Sums)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same passes with every core kept busy by another program: a filter must not wait for a preempted thread.
static void BM_LoadedFilterKeepNums7(benchmark::State& state) {
    bench::TBusyLoad load;
    RunFilter(state, "NUMS", Fixture().Rows({7}), false);
}
BENCHMARK(BM_LoadedFilterKeepNums7)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_LoadedFilterKeep100Sums(benchmark::State& state) {
    bench::TBusyLoad load;
    RunFilter(state, "SUMS", SumRows(), false);
}
BENCHMARK(BM_LoadedFilterKeep100Sums)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_LoadedRemoveLastDraws1000(benchmark::State& state) {
    TFixture& f = Fixture();
    const int hi = WindowEnd();
    bench::TBusyLoad load;
    for (auto _ : state) {
        RemoveDraws(f.Full, f.Out, f.Draws, hi - 999, hi, [](double) {});
        benchmark::DoNotOptimize(f.Out.Data());
    }
}
BENCHMARK(BM_LoadedRemoveLastDraws1000)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_LoadedPlainMatchCombNums7(benchmark::State& state) {
    TFixture& f = Fixture();
    auto stat = f.List.CreateStat(f.List.FindByCode("NUMS"));
    const TStatDrawArray rows = f.Rows({7});
    bench::TBusyLoad load;
    for (auto _ : state) {
        FilterByMatchComb(f.Full, f.Out, *stat, rows, WindowEnd(), false, false);
        benchmark::DoNotOptimize(f.Out.Data());
    }
}
BENCHMARK(BM_LoadedPlainMatchCombNums7)->Unit(benchmark::kMillisecond)->UseRealTime();
