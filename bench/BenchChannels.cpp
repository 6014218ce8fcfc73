// Channel, matrix and segment methods on the full set: the keep filter CHNV «02 [5-8] x 0» through the fast
// matcher and through the plain MatchComb loop, and their full-set files. Read every figure against
// BM_MemcpyFullSet of the same run.
#include "combos/CombsArray.h"
#include "combos/Filter.h"
#include "combos/Generate.h"
#include "stats/CombMatcher.h"
#include "stats/Prefetch.h"
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
    TStatDrawArray ChannelTwoEmpty;
    TFixture() {
        List.SetDraws(&Draws);
        List.BuildMethods();
        Full.SetCount(FullCombsCount);
        GenerateFullSet(Full.Data());
        Out.Reserve(FullCombsCount);
        TStatDraw r{};
        r.SetW(1, 2);
        r.SetW(2, 0);
        ChannelTwoEmpty.push_back(r);
    }
    int WindowEnd() const { return static_cast<int>(Draws.size()) - 1; }
};

TFixture& Fixture() {
    static TFixture f;
    return f;
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

static void BM_FilterKeepChnvChannelTwoEmpty(benchmark::State& state) {
    TFixture& f = Fixture();
    auto stat = f.List.CreateStat(f.List.FindByCode("CHNV"));
    size_t kept = 0;
    for (auto _ : state) {
        auto matcher = stat->MakeMatcher(f.ChannelTwoEmpty, f.WindowEnd(), false, false);
        kept = FilterByMatcher(f.Full, f.Out, *matcher, false);
        benchmark::DoNotOptimize(f.Out.Data());
    }
    state.counters["kept"] = static_cast<double>(kept);
}
BENCHMARK(BM_FilterKeepChnvChannelTwoEmpty)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_PlainMatchCombChnvChannelTwoEmpty(benchmark::State& state) {
    TFixture& f = Fixture();
    auto stat = f.List.CreateStat(f.List.FindByCode("CHNV"));
    size_t kept = 0;
    for (auto _ : state) {
        kept = FilterByMatchComb(f.Full, f.Out, *stat, f.ChannelTwoEmpty, f.WindowEnd(), false, false);
        benchmark::DoNotOptimize(f.Out.Data());
    }
    state.counters["kept"] = static_cast<double>(kept);
}
BENCHMARK(BM_PlainMatchCombChnvChannelTwoEmpty)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every full-set file of the channel, matrix and segment groups with the default settings, in one pass.
static void BM_BuildChannelMatrixSegmentFiles(benchmark::State& state) {
    TFixture& f = Fixture();
    std::vector<TStatFactory> factories;
    for (int i = 0; i < f.List.MethodCount(); ++i) {
        const int group = f.List.Method(i).StatClass->Group;
        if (f.List.IsPrefetchable(i) && group >= 3 && group <= 5)
            factories.push_back([&f, i] { return f.List.CreateStat(i); });
    }
    for (auto _ : state) {
        size_t bytes = 0;
        for (const TStatDrawArray& t : CountFullSet(factories)) bytes += EncodePrefetch(t).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["files"] = static_cast<double>(factories.size());
}
BENCHMARK(BM_BuildChannelMatrixSegmentFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
