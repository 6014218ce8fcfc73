// The sums distribution against one copy of the full set, and the ratings recompute of a million stakes with
// two thousand comments against one sequential read of the same stakes file.
#include "core/FileUtils.h"
#include "stakes/Ratings.h"
#include "stakes/StakesFile.h"
#include "views/Views.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

using namespace zorb;

void BM_SumsRecurrence(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(CombinationSumCounts());
}
BENCHMARK(BM_SumsRecurrence)->Unit(benchmark::kMillisecond);

void BM_FullSetMemcpy(benchmark::State& state) {
    std::vector<TComb> from(FullCombsCount), to(FullCombsCount);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * sizeof(TComb));
        benchmark::DoNotOptimize(to.data());
    }
}
BENCHMARK(BM_FullSetMemcpy)->Unit(benchmark::kMillisecond);

// A checked stakes file of a million records over two thousand comments, made once.
const std::string& StakesPath() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "zorb-bench-ratings.lsk").string();
        std::string bytes;
        bytes.reserve(size_t{1000000} * StakeRecordSize);
        for (int i = 0; i < 1000000; ++i) {
            TStakeRecord r;
            r.Kind = skScenario;
            r.DrawNumber = 1 + i / 500;
            r.Checked = true;
            r.Numbers = TNumberSet{6 + i % 3, {1, 2, 3, 4, 5, 6, 7, 8}};
            r.Matched = TNumberSet{i % 4, {}};
            r.Profit = -125000;
            r.Comment = "Сценарий " + std::to_string(i % 2000);
            const auto b = EncodeStake(r);
            bytes.append(reinterpret_cast<const char*>(b.data()), b.size());
        }
        WriteFileAtomic(p, bytes);
        return p;
    }();
    return path;
}

void BM_RatingsRebuild(benchmark::State& state) {
    TStakesFile file;
    file.Open(StakesPath(), true);
    TRatings ratings;
    for (auto _ : state) {
        ratings.Rebuild(file);
        benchmark::DoNotOptimize(ratings.Count());
    }
}
BENCHMARK(BM_RatingsRebuild)->Unit(benchmark::kMillisecond);

void BM_StakesSequentialRead(benchmark::State& state) {
    TStakesFile file;
    file.Open(StakesPath(), true);
    for (auto _ : state) {
        int64_t checked = 0;
        for (int64_t i = 0; i < file.Count(); ++i) checked += file.Read(i).Checked;
        benchmark::DoNotOptimize(checked);
    }
}
BENCHMARK(BM_StakesSequentialRead)->Unit(benchmark::kMillisecond);

} // namespace
