// Channel, matrix and segment methods on the full set: the keep filter CHNV «02 [5-8] x 0» through the fast
// matcher and through the plain MatchComb loop, and their full-set files. Read every figure against
// BM_MemcpyFullSet of the same run.
#include "bench/BenchFullSet.h"
#include "stats/Prefetch.h"

using namespace zorb;

namespace {

struct TFixture : bench::TFullSetBench {
    TStatDrawArray ChannelTwoEmpty;
    TFixture() {
        TStatDraw r{};
        r.SetW(1, 2);
        r.SetW(2, 0);
        ChannelTwoEmpty.push_back(r);
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

static void BM_FilterKeepChnvChannelTwoEmpty(benchmark::State& state) {
    bench::FastFilter(state, Fixture(), "CHNV", Fixture().ChannelTwoEmpty);
}
BENCHMARK(BM_FilterKeepChnvChannelTwoEmpty)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_PlainMatchCombChnvChannelTwoEmpty(benchmark::State& state) {
    bench::PlainFilter(state, Fixture(), "CHNV", Fixture().ChannelTwoEmpty);
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
