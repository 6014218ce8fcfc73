// Generation and filtering of the full set. Read every figure against BM_MemcpyFullSet of the same run.
#include "bench/BenchFullSet.h"
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

struct TFixture : bench::TFullSetBench {
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
    bench::FastFilter(state, Fixture(), code, rows, exclude);
}

} // namespace

static void BM_MemcpyFullSet(benchmark::State& state) {
    bench::MemcpyFullSet(state, Fixture());
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
    bench::PlainFilter(state, Fixture(), "NUMS", Fixture().Rows({7}));
}
BENCHMARK(BM_PlainMatchCombNums7)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_PlainMatchComb100Sums(benchmark::State& state) {
    bench::PlainFilter(state, Fixture(), "SUMS", SumRows());
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
    bench::TBusyLoad load;
    bench::PlainFilter(state, Fixture(), "NUMS", Fixture().Rows({7}));
}
BENCHMARK(BM_LoadedPlainMatchCombNums7)->Unit(benchmark::kMillisecond)->UseRealTime();
