// A scenario test driven by the engine alone, read against the filter pass it is made of: BM_ScenarioTest100
// against a hundred quiet passes of BM_FullSetKeepNums7 (x100pass; the goal is 1, the limit 2.5), the same test
// with one busy thread per core against its quiet time (xquiet, limit 3), the run's peak memory against a full
// list and its undo (xlistundo, limit 2), and the same figures for 1 000 offsets.
#include "bench/BenchLoad.h"
#include "combos/CombsArray.h"
#include "combos/Filter.h"
#include "combos/Generate.h"
#include "core/FileUtils.h"
#include "scenarios/FileStakeSink.h"
#include "scenarios/ScenarioRun.h"
#include "scenarios/ScriptLog.h"
#include "stakes/StakesFile.h"
#include "stats/Prefetch.h"
#include "stats/StatList.h"
#include "tools/SampleArchive.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <malloc.h>
#include <map>
#include <thread>
#include <unistd.h>

using namespace zorb;

namespace {

const char* const ScenarioText =
    "EXCL:10#FIRST|TMF1#NUMS:100#CMV:12#SF:1|TMD1#SUMS:200#CLV:0#SF:1|TMD1#EVEN:50#CLV:5#SF:1| | | | |bench\r\n"
    "FULL:0#LAST|TMD1#NUMS:30#LLV:3#SF:1|BMD1#SUMS:300#LNO:#SV:1|TMF1#NUMS:100#LNO:#SV:10| | | | |\r\n"
    "CURR:0#EXT|TSD1#NUMS:50#LNO:#SC:20000| | | | | | |\r\n";

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The registry over the sample archive, with the full-set norms an installed program keeps in its files.
struct TScenarioBench {
    TDrawsArray Draws = MakeSampleArchive();
    TStatList Registry;
    std::map<int, TPrefetchData> Norms;
    std::string Dir;
    TStakesFile Stakes;

    TScenarioBench() {
        Registry.SetDraws(&Draws);
        Registry.BuildMethods();
        Dir = (std::filesystem::temp_directory_path() / ("zorb-bench-scenario-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(Dir);
        Stakes.Open(JoinPath(Dir, "Zorb_6x52.lsk"));
        for (const char* code : {"NUMS", "SUMS", "EVEN"}) NormsOf(Registry.FindByCode(code));
    }
    ~TScenarioBench() {
        Stakes.Close();
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
    std::optional<TPrefetchData> NormsOf(int entry) {
        auto it = Norms.find(entry);
        if (it == Norms.end()) {
            const auto rows = CountFullSet({[this, entry] { return Registry.CreateStat(entry); }});
            it = Norms.emplace(entry, DecodePrefetch(EncodePrefetch(rows[0]))).first;
        }
        return it->second;
    }
};

TScenarioBench& Fixture() {
    static TScenarioBench f;
    return f;
}

// Log entries into a log file, as the window's run writes them.
class TLogFile final : public TRunObserver {
public:
    explicit TLogFile(const std::string& path) { FLog.Start(path); }
    bool LogWanted() const override { return true; }
    void Log(const std::string& text) override { FLog.Write(text); }

private:
    TScriptLog FLog;
};

// The heap's size sampled while it lives; the peak above the size at the start.
class TPeakMemory {
public:
    TPeakMemory()
        : FStart(Heap()), FThread([this] {
              while (!FStop.load()) {
                  FPeak = std::max(FPeak.load(), Heap());
                  std::this_thread::sleep_for(std::chrono::microseconds(500));
              }
          }) {}
    ~TPeakMemory() { Stop(); }
    double Stop() {
        if (!FStop.exchange(true)) FThread.join();
        return FPeak.load() > FStart ? static_cast<double>(FPeak.load() - FStart) : 0.0;
    }

private:
    static size_t Heap() {
        const struct mallinfo2 m = mallinfo2();
        return m.uordblks + m.hblkhd;
    }
    size_t FStart;
    std::atomic<size_t> FPeak{0};
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

double QuietPassMs = 0;
std::map<int, double> QuietTestMs;

double FullSetKeepNums7(benchmark::State& state) {
    TScenarioBench& f = Fixture();
    TCombsArray full, out;
    GenerateCombs(full, gmFull, "");
    out.Reserve(full.Count());
    auto stat = f.Registry.CreateStat(f.Registry.FindByCode("NUMS"));
    TStatDraw row{};
    row.SetW(1, 7);
    const TStatDrawArray rows = {row};
    const int end = static_cast<int>(f.Draws.size()) - 1;
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

// One test of `count` offsets; returns its time.
double ScenarioTest(benchmark::State& state, int count, bool log, bool loaded) {
    TScenarioBench& f = Fixture();
    double ms = 0, peak = 0;
    int64_t stakes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.Stakes.Truncate();
        const std::string logPath = JoinPath(f.Dir, "ScriptLog_bench.txt");
        DeleteFileIfExists(logPath);
        TFileStakeSink sink(f.Stakes, f.Registry);
        TLogFile logFile(logPath);
        TScenarioRunSettings settings;
        settings.ShownMethods = ListedMethods(f.Registry);
        settings.Seed = 1;
        TScenarioRunPorts ports;
        ports.Stakes = &sink;
        ports.Observer = log ? &logFile : nullptr;
        ports.Norms = [&f](int entry) { return f.NormsOf(entry); };
        std::vector<int> offsets;
        for (int v = count; v >= 1; --v) offsets.push_back(v);
        std::unique_ptr<bench::TBusyLoad> load;
        if (loaded) load = std::make_unique<bench::TBusyLoad>();
        state.ResumeTiming();
        TPeakMemory memory;
        const double t0 = NowMs();
        TScenarioRun run(f.Registry, ParseScenarioText(ScenarioText), settings, ports);
        if (!run.Run(offsets)) state.SkipWithError("the run stopped");
        ms = NowMs() - t0;
        peak = memory.Stop();
        stakes = f.Stakes.Count();
    }
    if (!loaded && QuietPassMs > 0) state.counters["x" + std::to_string(count) + "pass"] = ms / (count * QuietPassMs);
    if (loaded && QuietTestMs.count(count)) state.counters["xquiet"] = ms / QuietTestMs[count];
    state.counters["peakMB"] = peak / (1 << 20);
    state.counters["xlistundo"] = peak / (2.0 * FullCombsCount * sizeof(TComb));
    state.counters["stakes"] = static_cast<double>(stakes);
    return ms;
}

} // namespace

static void BM_FullSetKeepNums7(benchmark::State& state) {
    QuietPassMs = FullSetKeepNums7(state);
}
BENCHMARK(BM_FullSetKeepNums7)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_ScenarioTest100(benchmark::State& state) {
    QuietTestMs[100] = ScenarioTest(state, 100, false, false);
}
BENCHMARK(BM_ScenarioTest100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

static void BM_ScenarioTest100Logged(benchmark::State& state) {
    ScenarioTest(state, 100, true, false);
}
BENCHMARK(BM_ScenarioTest100Logged)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

static void BM_LoadedScenarioTest100(benchmark::State& state) {
    ScenarioTest(state, 100, false, true);
}
BENCHMARK(BM_LoadedScenarioTest100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

static void BM_ScenarioTest1000(benchmark::State& state) {
    QuietTestMs[1000] = ScenarioTest(state, 1000, false, false);
}
BENCHMARK(BM_ScenarioTest1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

static void BM_LoadedScenarioTest1000(benchmark::State& state) {
    ScenarioTest(state, 1000, false, true);
}
BENCHMARK(BM_LoadedScenarioTest1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

static void BM_LoadedFullSetKeepNums7(benchmark::State& state) {
    bench::TBusyLoad load;
    const double ms = FullSetKeepNums7(state);
    if (QuietPassMs > 0) state.counters["xquiet"] = ms / QuietPassMs;
}
BENCHMARK(BM_LoadedFullSetKeepNums7)->Unit(benchmark::kMillisecond)->UseRealTime();
