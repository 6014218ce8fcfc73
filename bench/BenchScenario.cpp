// A scenario test over 100 offsets against the filter pass it is made of. Read BM_ScenarioTest100 against
// BM_FullSetKeepNums7 of the same run: an offset filters about seven full sets' worth.
#include "app/FormMain.h"
#include "bench/BenchLoad.h"
#include "cli/CliInterface.h"
#include "combos/CombsArray.h"
#include "combos/Filter.h"
#include "combos/Generate.h"
#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "stats/StatList.h"
#include "tools/SampleArchive.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <sstream>

using namespace zorb;

namespace {

const char* const ScenarioText =
    "EXCL:10#FIRST|TMF1#NUMS:100#CMV:12#SF:1|TMD1#SUMS:200#CLV:0#SF:1|TMD1#EVEN:50#CLV:5#SF:1| | | | |bench\r\n"
    "FULL:0#LAST|TMD1#NUMS:30#LLV:3#SF:1|BMD1#SUMS:300#LNO:#SV:1|TMF1#NUMS:100#LNO:#SV:10| | | | |\r\n"
    "CURR:0#EXT|TSD1#NUMS:50#LNO:#SC:20000| | | | | | |\r\n";

// The application on a data directory of its own with the sample archive and the scenario above.
struct TScenarioBench {
    std::string Dir;
    std::ostringstream Out, Err;
    TCliInterface Ui{Out, Err};
    std::unique_ptr<TFormMain> App;

    TScenarioBench() {
        Dir = (std::filesystem::temp_directory_path() / ("zorb-bench-scenario-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(Dir);
        WriteFileAtomic(JoinPath(Dir, "Zorb_6x52.ldr"), EncodeDraws(MakeSampleArchive()));
        WriteFileAtomic(JoinPath(Dir, "Zorb_6x52.lss"), ScenarioText);
        App = std::make_unique<TFormMain>(Ui, TAppOptions{Dir, Dir, "Zorb_6x52", {}});
        App->Create();
        App->OnInitTimer();
    }
    ~TScenarioBench() {
        App->Shutdown();
        App.reset();
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
    void FreshStakes() {
        App->Stakes().StakesFile().Truncate();
        for (const auto& e : std::filesystem::directory_iterator(Dir))
            if (e.path().filename().string().rfind("ScriptLog_", 0) == 0) std::filesystem::remove(e.path());
    }
};

// The quiet pass's mean time, which the later benchmarks of the run report their ratios against.
double QuietPassMs = 0;

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

TScenarioBench& Fixture() {
    static TScenarioBench f;
    return f;
}

double FullSetKeepNums7(benchmark::State& state) {
    TStatList list;
    list.BuildMethods();
    const TDrawsArray draws = MakeSampleArchive();
    list.SetDraws(&draws);
    TCombsArray full, out;
    GenerateCombs(full, gmFull, "");
    out.Reserve(full.Count());
    const int entry = list.FindByCode("NUMS");
    auto stat = list.CreateStat(entry);
    TStatDraw row{};
    row.SetW(1, 7);
    const TStatDrawArray rows = {row};
    const int end = static_cast<int>(draws.size()) - 1;
    stat->LoadDraws(-1, end, false);
    auto matcher = stat->MakeMatcher(rows, end, false, false);
    double total = 0;
    int64_t n = 0;
    for (auto _ : state) {
        const double t0 = NowMs();
        out.Clear();
        benchmark::DoNotOptimize(FilterByMatcher(full, out, *matcher, false));
        total += NowMs() - t0;
        ++n;
    }
    return n ? total / static_cast<double>(n) : 0;
}

void ScenarioTest(benchmark::State& state, bool log) {
    TScenarioBench& f = Fixture();
    f.App->Settings().ScriptLogEnabled = log;
    double ms = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.FreshStakes();
        state.ResumeTiming();
        const double t0 = NowMs();
        if (!f.App->Scenarios().RunTest(100)) state.SkipWithError("the run stopped");
        ms = NowMs() - t0;
    }
    // The target is within 10 x (goal 7 x) of a hundred quiet passes.
    if (QuietPassMs > 0) state.counters["x100pass"] = ms / (100 * QuietPassMs);
    f.App->Settings().ScriptLogEnabled = false;
    state.counters["stakes"] = static_cast<double>(f.App->Stakes().StakeCount());
}

} // namespace

static void BM_FullSetKeepNums7(benchmark::State& state) {
    QuietPassMs = FullSetKeepNums7(state);
}
BENCHMARK(BM_FullSetKeepNums7)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_ScenarioTest100(benchmark::State& state) {
    ScenarioTest(state, false);
}
BENCHMARK(BM_ScenarioTest100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

static void BM_ScenarioTest100Logged(benchmark::State& state) {
    ScenarioTest(state, true);
}
BENCHMARK(BM_ScenarioTest100Logged)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

static void BM_LoadedFullSetKeepNums7(benchmark::State& state) {
    bench::TBusyLoad load;
    const double ms = FullSetKeepNums7(state);
    if (QuietPassMs > 0) state.counters["xquiet"] = ms / QuietPassMs; // target: within 3 x
}
BENCHMARK(BM_LoadedFullSetKeepNums7)->Unit(benchmark::kMillisecond)->UseRealTime();
