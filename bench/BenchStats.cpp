// Full-set files and the statistics table. Read every figure against BM_MemcpyFullSet of the same run.
#include "combos/CombsArray.h"
#include "combos/Generate.h"
#include "stats/Prefetch.h"
#include "stats/StatList.h"
#include "stats/StatTable.h"
#include "tools/SampleArchive.h"

#include <benchmark/benchmark.h>
#include <cstring>

using namespace zorb;

namespace {

struct TFixture {
    TDrawsArray Draws = MakeSampleArchive();
    TStatList List;
    TFixture() {
        List.SetDraws(&Draws);
        List.BuildMethods();
    }
};

TFixture& Fixture() {
    static TFixture f;
    return f;
}

} // namespace

static void BM_MemcpyFullSet(benchmark::State& state) {
    TCombsArray a, b;
    a.SetCount(FullCombsCount);
    GenerateFullSet(a.Data());
    b.SetCount(FullCombsCount);
    for (auto _ : state) {
        std::memcpy(b.Data(), a.Data(), a.Count() * sizeof(TComb));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyFullSet)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every full-set file of the registered methods, counted from nothing (encoding included); with an argument,
// those of the groups up to that one only (10: all but the Ognev and shredding files).
static void BM_BuildAllPrefetchTables(benchmark::State& state) {
    TFixture& f = Fixture();
    const int lastGroup = state.range(0);
    std::vector<TStatFactory> factories;
    for (int i = 0; i < f.List.MethodCount(); ++i)
        if (f.List.IsPrefetchable(i) && f.List.Method(i).StatClass->Group <= lastGroup)
            factories.push_back([&f, i] { return f.List.CreateStat(i); });
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const TStatDrawArray& t : CountFullSet(factories)) bytes += EncodePrefetch(t).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["files"] = static_cast<double>(factories.size());
}
BENCHMARK(BM_BuildAllPrefetchTables)->Arg(99)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

static void RunTable(benchmark::State& state, const char* code, int offset) {
    TFixture& f = Fixture();
    const int entry = f.List.FindByCode(code);
    auto stat = f.List.CreateStat(entry);
    const TPrefetchData prefetch =
        DecodePrefetch(EncodePrefetch(CountFullSet({[&f, entry] { return f.List.CreateStat(entry); }})[0]));
    TStatTableParams params;
    params.WindowEnd = static_cast<int>(f.Draws.size()) - 1 - offset;
    params.Length = 1000;
    for (auto _ : state) {
        TStatTable t = ComputeStatTable(*stat, f.Draws, params, &prefetch);
        benchmark::DoNotOptimize(t.Lines.data());
    }
}

static void BM_RecalculateNums(benchmark::State& state) {
    RunTable(state, "NUMS", 0);
}
BENCHMARK(BM_RecalculateNums)->Unit(benchmark::kMicrosecond)->UseRealTime();
static void BM_RecalculateSums(benchmark::State& state) {
    RunTable(state, "SUMS", 0);
}
BENCHMARK(BM_RecalculateSums)->Unit(benchmark::kMicrosecond)->UseRealTime();
static void BM_RecalculateEvnv(benchmark::State& state) {
    RunTable(state, "EVNV", 0);
}
BENCHMARK(BM_RecalculateEvnv)->Unit(benchmark::kMicrosecond)->UseRealTime();
// With draws after the window every value's next occurrence is looked for as well.
static void BM_RecalculateSumsOffset100(benchmark::State& state) {
    RunTable(state, "SUMS", 100);
}
BENCHMARK(BM_RecalculateSumsOffset100)->Unit(benchmark::kMicrosecond)->UseRealTime();
