// Ognev, series, period, transition and shredding methods on the full set: keep filters through the fast matchers
// (GRPV, PRDV, SDV2, HCO1, SHR1), the plain MatchComb loop of SHR1, loaded variants, and the full-set files of
// HCO1, HCO2 and SHR1..3 in one pass. Read every figure against BM_MemcpyFullSet of the same run.
#include "bench/BenchFullSet.h"
#include "bench/BenchLoad.h"
#include "stats/Prefetch.h"

using namespace zorb;

namespace {

struct TFixture : bench::TFullSetBench {
    TStatDrawArray Grpv, Prdv, Sdv2, Hco1, Shr1;
    TFixture() {
        Grpv = Window("GRPV", 100, 100);
        Prdv = Window("PRDV", 100, 20);
        Sdv2 = Window("SDV2", 100, 20);
        for (int v : {0, 1, 2, 3, 5, 8}) Hco1.push_back(Value(v));
        for (int v = 10; v < 40; ++v) Shr1.push_back(Value(v));
    }
    // The first `rows` values the statistics table lists for a window of `length` draws.
    TStatDrawArray Window(const char* code, int length, size_t rows) {
        auto stat = List.CreateStat(List.FindByCode(code));
        TStatDrawArray t = CountWindow(*stat, WindowEnd(), length, false);
        if (t.size() > rows) t.resize(rows);
        return t;
    }
    static TStatDraw Value(int v) {
        TStatDraw r{};
        r.SetI(1, v);
        return r;
    }
};

TFixture& Fixture() {
    static TFixture f;
    return f;
}

} // namespace

static void BM_MemcpyFullSet(benchmark::State& state) {
    bench::MemcpyFullSet(state, Fixture());
}
BENCHMARK(BM_MemcpyFullSet)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_FilterKeepGrpv(benchmark::State& state) {
    bench::FastFilter(state, Fixture(), "GRPV", Fixture().Grpv);
}
BENCHMARK(BM_FilterKeepGrpv)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_FilterKeepPrdv(benchmark::State& state) {
    bench::FastFilter(state, Fixture(), "PRDV", Fixture().Prdv);
}
BENCHMARK(BM_FilterKeepPrdv)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_FilterKeepSdv2(benchmark::State& state) {
    bench::FastFilter(state, Fixture(), "SDV2", Fixture().Sdv2);
}
BENCHMARK(BM_FilterKeepSdv2)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_FilterKeepHco1(benchmark::State& state) {
    bench::FastFilter(state, Fixture(), "HCO1", Fixture().Hco1);
}
BENCHMARK(BM_FilterKeepHco1)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_PlainMatchCombHco1(benchmark::State& state) {
    bench::PlainFilter(state, Fixture(), "HCO1", Fixture().Hco1);
}
BENCHMARK(BM_PlainMatchCombHco1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

static void BM_FilterKeepShr1(benchmark::State& state) {
    bench::FastFilter(state, Fixture(), "SHR1", Fixture().Shr1);
}
BENCHMARK(BM_FilterKeepShr1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

static void BM_PlainMatchCombShr1(benchmark::State& state) {
    bench::PlainFilter(state, Fixture(), "SHR1", Fixture().Shr1);
}
BENCHMARK(BM_PlainMatchCombShr1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

static void BM_LoadedFilterKeepHco1(benchmark::State& state) {
    bench::TBusyLoad load;
    bench::FastFilter(state, Fixture(), "HCO1", Fixture().Hco1);
}
BENCHMARK(BM_LoadedFilterKeepHco1)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_LoadedFilterKeepShr1(benchmark::State& state) {
    bench::TBusyLoad load;
    bench::FastFilter(state, Fixture(), "SHR1", Fixture().Shr1);
}
BENCHMARK(BM_LoadedFilterKeepShr1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The full-set files of HCO1, HCO2 and SHR1..3 with the default formulas, in one pass.
static void BM_PrefetchOgnevShredding(benchmark::State& state) {
    TFixture& f = Fixture();
    std::vector<TStatFactory> factories;
    for (const char* code : {"HCO1", "HCO2", "SHR1", "SHR2", "SHR3"}) {
        const int i = f.List.FindByCode(code);
        factories.push_back([&f, i] { return f.List.CreateStat(i); });
    }
    for (auto _ : state) {
        size_t bytes = 0;
        for (const TStatDrawArray& t : CountFullSet(factories)) bytes += EncodePrefetch(t).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["files"] = static_cast<double>(factories.size());
}
BENCHMARK(BM_PrefetchOgnevShredding)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
