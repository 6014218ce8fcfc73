// The sums distribution against one copy of the full set; the ratings recompute of a million stakes with two
// thousand comments against one sequential read of the same stakes file; the test of five regular tables over
// 2 000 past draws against appending the same 10 000 records and checking them once.
// Read each pair's times of one run: BM_SumsRecurrence / BM_FullSetMemcpy (target <= 1),
// BM_RatingsRebuild / BM_StakesSequentialRead (<= 5), BM_TablesTest2000x5 / BM_AppendAndCheck10000 (<= 3),
// BM_RatingsJudged / BM_RatingsRebuild (<= 2: judging the list costs no more than two recomputes of it).
#include "app/FormMain.h"
#include "cli/CliInterface.h"
#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "stakes/Ratings.h"
#include "stakes/Stakes.h"
#include "stakes/StakesFile.h"
#include "tools/SampleArchive.h"
#include "views/Views.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <sstream>
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

// What the ratings grid computes once per change of the list: every entry's exact p-value (500 stakes of 6..8
// numbers each) and Holm's correction over the 2 000 entries of the same file.
void BM_RatingsJudged(benchmark::State& state) {
    TStakesFile file;
    file.Open(StakesPath(), true);
    TRatings ratings;
    ratings.Rebuild(file);
    const TStakeProfitFn profit = [](int n, int k) { return -Binomial(n, 6) * 125000 + (k == 6 ? 10000000 : 0); };
    for (auto _ : state) benchmark::DoNotOptimize(ExpectRatings(ratings.Items(), profit));
}
BENCHMARK(BM_RatingsJudged)->Unit(benchmark::kMillisecond);

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

// --- Regular tables -----------------------------------------------------------------------------------

constexpr int TestOffsets = 2000;
constexpr int TestTables = 5;

// The application on a data directory of its own with the sample archive and five tables, all selected.
struct TTablesBench {
    std::string Dir;
    std::ostringstream Out, Err;
    TCliInterface Ui{Out, Err};
    std::unique_ptr<TFormMain> App;
    TRegularTables Start;

    TTablesBench() {
        Dir = (std::filesystem::temp_directory_path() / ("zorb-bench-tables-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(Dir);
        WriteFileAtomic(JoinPath(Dir, "Zorb_6x52.ldr"), EncodeDraws(MakeSampleArchive()));
        App = std::make_unique<TFormMain>(Ui, TAppOptions{Dir, Dir, "Zorb_6x52", {}});
        App->Create();
        App->OnInitTimer();
        for (int t = 0; t < TestTables; ++t) {
            TRegularTable table;
            table.Comment = "Регуляр " + std::to_string(t);
            table.UseLastDraw = t % 2 == 1;
            table.Step = t + 1;
            table.StartComb = TComb{{1, 2, 3, 4, 5, static_cast<uint8_t>(6 + t)}};
            table.CurrentComb = table.StartComb;
            App->Tables().AppendTable(table);
            Start.push_back(table);
        }
        App->Tables().SetSelection({0, 1, 2, 3, 4});
    }
    ~TTablesBench() {
        App->Shutdown();
        App.reset();
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
    void Fresh() {
        App->Stakes().StakesFile().Truncate();
        for (size_t t = 0; t < Start.size(); ++t) App->Tables().ReplaceTable(t, Start[t]);
    }
};

TTablesBench& Tables() {
    static TTablesBench f;
    return f;
}

void BM_TablesTest2000x5(benchmark::State& state) {
    TTablesBench& f = Tables();
    for (auto _ : state) {
        state.PauseTiming();
        f.Fresh();
        state.ResumeTiming();
        const int added = f.App->Tables().TablesStakeTest(TestOffsets);
        if (added != TestOffsets * TestTables) state.SkipWithError("the test did not append every stake");
    }
}
BENCHMARK(BM_TablesTest2000x5)->Unit(benchmark::kMillisecond);

// The same records, unchecked, appended one by one to a stakes file and checked in one pass.
void BM_AppendAndCheck10000(benchmark::State& state) {
    TTablesBench& f = Tables();
    f.Fresh();
    f.App->Tables().TablesStakeTest(TestOffsets);
    std::vector<TStakeRecord> records;
    TStakesFile& made = f.App->Stakes().StakesFile();
    for (int64_t i = 0; i < made.Count(); ++i) {
        TStakeRecord r = made.Read(i);
        r.Checked = false;
        r.Matched = TNumberSet{-1, {}};
        r.Profit = 0;
        std::memset(r.DrawResult, 0, sizeof r.DrawResult);
        records.push_back(r);
    }
    const std::string path = JoinPath(f.Dir, "baseline.lsk");
    TStakesFile file;
    file.Open(path);
    for (auto _ : state) {
        state.PauseTiming();
        file.Truncate();
        state.ResumeTiming();
        for (const TStakeRecord& r : records) AppendStakes(file, r, 1);
        benchmark::DoNotOptimize(CheckStakes(file, f.App->Archive().Draws(), f.App->Registry(), {}));
        file.Sync();
    }
}
BENCHMARK(BM_AppendAndCheck10000)->Unit(benchmark::kMillisecond);

} // namespace
