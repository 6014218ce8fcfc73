// Difference and number-combination methods on the full set: the keep filters DIFO «1 x 2» and KNM2 with 20
// pairs through the fast matcher and through the plain MatchComb loop, and the full-set files of the difference
// and sequence groups. Read every figure against BM_MemcpyFullSet of the same run.
#include "bench/BenchFullSet.h"
#include "stats/Prefetch.h"

using namespace zorb;

namespace {

struct TFixture : bench::TFullSetBench {
    TStatDrawArray GapOneTwice, Pairs;
    TFixture() {
        TStatDraw r{};
        r.SetW(1, 1);
        r.SetW(2, 2);
        GapOneTwice.push_back(r);
        // The first 20 pairs the newest draws of the archive hold, as a user would select them in the table.
        auto knm2 = List.CreateStat(List.FindByCode("KNM2"));
        const TStatDrawArray counted = CountWindow(*knm2, WindowEnd(), 10, false);
        Pairs.assign(counted.begin(), counted.begin() + std::min<size_t>(20, counted.size()));
    }
};

TFixture& Fixture() {
    static TFixture f;
    return f;
}

void RunFast(benchmark::State& state, const char* code, const TStatDrawArray& rows) {
    bench::FastFilter(state, Fixture(), code, rows);
    state.counters["rows"] = static_cast<double>(rows.size());
}

void RunPlain(benchmark::State& state, const char* code, const TStatDrawArray& rows) {
    bench::PlainFilter(state, Fixture(), code, rows);
}

} // namespace

static void BM_MemcpyFullSet(benchmark::State& state) {
    bench::MemcpyFullSet(state, Fixture());
}
BENCHMARK(BM_MemcpyFullSet)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_FilterKeepDifoGapOneTwice(benchmark::State& state) {
    RunFast(state, "DIFO", Fixture().GapOneTwice);
}
BENCHMARK(BM_FilterKeepDifoGapOneTwice)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_PlainMatchCombDifoGapOneTwice(benchmark::State& state) {
    RunPlain(state, "DIFO", Fixture().GapOneTwice);
}
BENCHMARK(BM_PlainMatchCombDifoGapOneTwice)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_FilterKeepKnm2TwentyPairs(benchmark::State& state) {
    RunFast(state, "KNM2", Fixture().Pairs);
}
BENCHMARK(BM_FilterKeepKnm2TwentyPairs)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_PlainMatchCombKnm2TwentyPairs(benchmark::State& state) {
    RunPlain(state, "KNM2", Fixture().Pairs);
}
BENCHMARK(BM_PlainMatchCombKnm2TwentyPairs)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every full-set file of the difference and sequence groups, in one pass.
static void BM_BuildDifferenceSequenceFiles(benchmark::State& state) {
    TFixture& f = Fixture();
    std::vector<TStatFactory> factories;
    for (int i = 0; i < f.List.MethodCount(); ++i) {
        const int group = f.List.Method(i).StatClass->Group;
        if (f.List.IsPrefetchable(i) && (group == 2 || group == 6))
            factories.push_back([&f, i] { return f.List.CreateStat(i); });
    }
    for (auto _ : state) {
        size_t bytes = 0;
        for (const TStatDrawArray& t : CountFullSet(factories)) bytes += EncodePrefetch(t).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["files"] = static_cast<double>(factories.size());
}
BENCHMARK(BM_BuildDifferenceSequenceFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
