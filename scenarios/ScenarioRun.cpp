#include "scenarios/ScenarioRun.h"

#include "combos/FilterItem.h"
#include "combos/Generate.h"
#include "core/DrawArchive.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "scenarios/ScriptVariants.h"
#include "scenarios/StepMasks.h"
#include "stats/StatList.h"
#include "stats/StatTable.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <random>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>
#include <unordered_set>

namespace zorb {

namespace {

const char* const DashLine =
    "----------------------------------------------------------------------------------------------";
const char* const EqualsLine =
    "==============================================================================================";

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// At most `n` characters of UTF-8 text.
std::string CutChars(const std::string& s, size_t n) {
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && chars++ == n) return s.substr(0, i);
    return s;
}

std::string MethodCode(const std::string& word) {
    return Trim(word.substr(0, word.find(':')));
}

uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

uint64_t CombKey(const TComb& c) {
    uint64_t k = 0;
    for (uint8_t n : c.N) k = k << 8 | n;
    return k;
}

std::string RowText(const TStatValues& v) {
    return Format("< [%s] кол-во: %s (%s %%), отклонение: %s (%s %%), глубина: %s (%s %%), вес: %s >", v.Caption,
                  v.Count, v.CountPercent, v.Deviation, v.DeviationPercent, v.Depth, v.DepthPercent, v.Weight);
}

std::string TooManySetsText() {
    return Tr("Вы задали слишком много вариантов фильтров - программа не сможет обработать их все!\r"
              "Пожалуйста, уменьшите в каждом из фильтров количество вариантов длины выборки и глубины, а затем "
              "повторите попытку.");
}

std::string AllLimitText(size_t count, const std::string& filters) {
    return Format(Tr("Ставки не сделаны: в списке комбинаций осталось %d, а в режиме \"%s\" допускается не более "
                     "%d!\r\rФильтры: %s"),
                  static_cast<int64_t>(count), StakeEditorCaption(skmAll), static_cast<int64_t>(MaxAllStakes), filters);
}

// What a pass hands to the thread that commits it, in the order a step-by-step run would have done it.
enum class TEv : uint8_t {
    Log,
    Panel,
    Line,
    Separator,
    Clear,
    SetBegin,
    Stake,
    Shown,
    Check,
    SetDone,
    Message,
    Fail,
    Stop,
    PassEnd
};

struct TEvent {
    TEv Kind;
    bool Batch = false;
    bool NewOnly = false;
    int32_t A = 0, B = 0;
    uint64_t C = 0;
    uint32_t Text = 0;
    TNumberSet Numbers{};
};

struct TTableKey {
    int Entry = -1, Length = 0;
    bool operator==(const TTableKey&) const = default;
};

// A part of a set, planned before the set is evaluated: its table, its walk and its steps.
struct TPartPlan {
    bool Defined = false;
    std::string Failure;
    TFilterPart Part;
    TTableKey Key;
    std::shared_ptr<TStatTable> Table;
    std::unique_ptr<TCustomStat> Stat;
    std::vector<std::string> TableLog, SelectLog;
    bool HasStep = false;
    size_t Step = 0; // the multi-select step
    struct TCandidate {
        size_t Step;
        std::string RowText;
    };
    std::vector<TCandidate> Candidates; // single-row steps in walk order
    size_t End = 0;                     // one past the part's last step
};

struct TStepText {
    std::string Operation, Values;
    TFilterMark Mark;
};

} // namespace

// One pass: what it computes and what it leaves for the commit.
struct TPassState {
    int Offset = 0, Cycle = 0, WindowEnd = 0, DrawNumber = 0;
    bool Sequential = false;
    std::vector<TEvent> Events;
    std::vector<std::string> Texts;
    size_t Committed = 0;
    TListState List;
    std::vector<TFilterLine> Filters;
    int LastExcl = -1;
    TTableKey CacheKey;
    std::shared_ptr<TStatTable> CacheTable;
    TRunTable Last;
    bool Halted = false;   // this pass failed or was told to stop
    bool Complete = false; // computed to its end
    size_t PeakBytes = 0;
    int64_t LastPollMs = 0;

    void Reset(int offset, int cycle, const TDrawsArray& draws) {
        Offset = offset;
        Cycle = cycle;
        WindowEnd = std::max(static_cast<int>(draws.size()) - 1 - offset, 0);
        DrawNumber = NextDrawNumber(draws, offset);
        Events.clear();
        Texts.clear();
        Committed = 0;
        LastExcl = -1;
        CacheKey = {};
        CacheTable.reset();
        Halted = Complete = false;
    }
    uint32_t Text(std::string s) {
        Texts.push_back(std::move(s));
        return static_cast<uint32_t>(Texts.size() - 1);
    }
    void Emit(TEv kind, std::string text = {}, int32_t a = 0, int32_t b = 0) {
        TEvent e{kind};
        e.A = a;
        e.B = b;
        if (!text.empty())
            e.Text = Text(std::move(text));
        else
            e.Text = UINT32_MAX;
        Events.push_back(e);
    }
};

struct TScenarioRun::TImpl {
    TStatList& Registry;
    const TDrawsArray& Draws;
    TScriptLines Lines;
    TScenarioRunSettings Set;
    TScenarioRunPorts Ports;
    TRunObserver NoObserver;
    TRunObserver& Observer;
    bool Logging;
    std::atomic<bool> Stop{false};
    std::map<int, std::optional<TPrefetchData>> Norms;
    TCombsArray Base;
    const TCombsArray* Start = nullptr;
    TWeights RunWeights;
    std::vector<uint8_t> Shown;
    uint64_t Seed = 0;

    // Results and the commit's own state.
    bool HasResult = false;
    TCombsArray Result;
    std::vector<TFilterLine> ResultFilters;
    TRunTable ResultTable;
    int StoppedOffset = -1;
    int StakesAdded = 0;
    int SetStakesStart = 0;
    bool StakeFailed = false;
    TScriptPanels Panels;
    TScriptPassResult PassResult;
    int64_t LastCommitPollMs = 0;

    TImpl(TStatList& registry, TScriptLines lines, TScenarioRunSettings settings, TScenarioRunPorts ports)
        : Registry(registry), Draws(registry.Draws()), Lines(std::move(lines)), Set(std::move(settings)),
          Ports(std::move(ports)), Observer(Ports.Observer ? *Ports.Observer : NoObserver),
          Logging(Observer.LogWanted()) {}

    bool Stopping(TPassState& p) {
        if (p.Halted || Stop.load(std::memory_order_relaxed)) return true;
        if (p.Sequential) {
            const int64_t now = NowMs();
            if (now - p.LastPollMs >= 20) {
                p.LastPollMs = now;
                if (Observer.Poll()) Stop = true;
            }
        }
        return Stop.load(std::memory_order_relaxed);
    }
    void Log(TPassState& p, std::string text) {
        if (Logging) p.Emit(TEv::Log, std::move(text));
    }
    void Fail(TPassState& p, std::string message) {
        p.Halted = true;
        p.Emit(TEv::Fail, std::move(message));
    }

    void Prepare();
    bool DrawPositions(int lo, int hi, std::vector<uint32_t>& positions) const;
    bool Run(const std::vector<int>& offsets, int firstCycle);
    bool RunSequential(const std::vector<int>& offsets, int firstCycle);
    bool RunWindows(const std::vector<int>& offsets, int firstCycle);
    void RunPass(TPassState& p);
    void RunLine(TPassState& p, int lineNo, const std::string& text);
    void RunSet(TPassState& p, const TScriptOptions& options, const TFilterRec* rec, int lineNo, int k,
                const std::string& filters, const std::string& comment);
    void PlanParts(TPassState& p, const TFilterRec& rec, std::vector<TPartPlan>& plan, std::vector<TSetStep>& steps,
                   std::vector<TStepText>& texts);
    std::shared_ptr<TStatTable> TableFor(TPassState& p, const TFilterPart& part, const TTableKey& key);
    void Simulate(TPassState& p, std::vector<TPartPlan>& plan, const std::vector<TStepText>& texts, TSetList& list);
    void StakeStep(TPassState& p, const TScriptOptions& options, int line, const std::string& filters,
                   const std::string& comment, int k);
    void Stake(TPassState& p, const TNumberSet& numbers, bool batch, uint32_t comment, bool newOnly);
    void SystemStake(TPassState& p, bool restricted, uint32_t comment, bool newOnly);
    bool Commit(TPassState& p);
    void CommitStake(TPassState& p, const TEvent& e);
    void TakeResult(TPassState& p);
};

// --- Before the passes -------------------------------------------------------------------------------------------

void TScenarioRun::TImpl::Prepare() {
    Seed = Set.Seed ? Set.Seed : static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    RunWeights = Registry.Config.Weights;
    Shown.assign(static_cast<size_t>(std::max(Registry.MethodCount(), 0)), 0);
    for (int e : Set.ShownMethods)
        if (e >= 0 && e < Registry.MethodCount()) Shown[static_cast<size_t>(e)] = 1;
    bool generated = false;
    for (const std::string& line : Lines) {
        if (IsSeparatorLine(line)) continue;
        const TScriptOptions o = ParseOptions(LineField(line, 1));
        generated = generated || o.Source == ssFull || o.Source == ssExclude;
        // The norms of every method the lines name, asked for here: a pass computed on another thread must not
        // make a full-set file.
        for (const std::string& field : SplitLine(line).Filters) {
            if (Trim(field).empty()) continue;
            const TFilterItem item = ParseFilter(field, Registry);
            if (item.Method < 0 || !Shown[static_cast<size_t>(item.Method)] || Norms.count(item.Method)) continue;
            Norms[item.Method] = Ports.Norms ? Ports.Norms(item.Method) : std::nullopt;
        }
    }
    if (!generated) return;
    // The starting list of FULL and EXCL lines is the same for every set of the run: made once, read by all.
    try {
        const size_t odd = GenerateCombs(Base, Set.Generate.Mode, Set.Generate.Parameters);
        if (odd)
            Observer.Message(TRunMessage::Warning,
                             Format(Tr("Комбинаций с числами вне диапазона 1..52 или с повторяющимися числами: "
                                       "%d.\r\rТакие комбинации оставлены в списке как есть."),
                                    static_cast<int64_t>(odd)));
    } catch (const std::exception& e) {
        if (Set.Generate.Mode == gmFile)
            Observer.Message(TRunMessage::Error,
                             Format(Tr("Ошибка чтения файла \"%s\"!\r\r%s"), Set.Generate.Parameters, ErrorText(e)));
        else
            Observer.Message(TRunMessage::Error, Format(Tr("Ошибка генерации файла комбинаций!\r\r%s"), ErrorText(e)));
    }
}

// A generated starting list is in lexicographic order, and a draw of six distinct numbers is held by exactly the one
// combination of the same numbers: the draws to remove are found by search instead of a pass over the list. Other
// draws (a repeated number, a number outside 1..52) or a list from a file leave it to the matcher.
bool TScenarioRun::TImpl::DrawPositions(int lo, int hi, std::vector<uint32_t>& positions) const {
    if (Set.Generate.Mode == gmFile) return false;
    lo = std::max(lo, 0);
    hi = std::min(hi, static_cast<int>(Draws.size()) - 1);
    auto less = [](const TComb& a, const TComb& b) { return std::memcmp(a.N, b.N, sizeof a.N) < 0; };
    for (int d = lo; d <= hi; ++d) {
        TComb c;
        std::copy(Draws[static_cast<size_t>(d)].Numbers, Draws[static_cast<size_t>(d)].Numbers + 6, c.N);
        SortComb(c);
        for (int i = 0; i < 6; ++i)
            if (c.N[i] < MinNumber || c.N[i] > MaxNumber || (i && c.N[i] == c.N[i - 1])) return false;
        const TComb* end = Base.Data() + Base.Count();
        const TComb* it = std::lower_bound(Base.Data(), end, c, less);
        if (it != end && !less(c, *it)) positions.push_back(static_cast<uint32_t>(it - Base.Data()));
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return true;
}

bool TScenarioRun::TImpl::Run(const std::vector<int>& offsets, int firstCycle) {
    Prepare();
    const bool parallel = IndependentPasses(Lines) && !Set.Stepped && offsets.size() > 1;
    return parallel ? RunWindows(offsets, firstCycle) : RunSequential(offsets, firstCycle);
}

// Passes that read one another's lists run one after another, committing each set as it ends.
bool TScenarioRun::TImpl::RunSequential(const std::vector<int>& offsets, int firstCycle) {
    TPassState p;
    p.Sequential = true;
    if (Start) p.List.Borrow(*Start);
    bool any = false;
    for (size_t i = 0; i < offsets.size(); ++i) {
        p.Reset(offsets[i], firstCycle + static_cast<int>(i), Draws);
        if (Stopping(p)) {
            StoppedOffset = offsets[i];
            break;
        }
        any = true;
        RunPass(p);
        const bool go = Commit(p) && p.Complete;
        if (!go) {
            StoppedOffset = p.Offset;
            break;
        }
    }
    if (any) TakeResult(p);
    return StoppedOffset < 0;
}

// Independent passes are computed a window at a time on every core and committed in offset order; the window
// shrinks when the passes hold much memory, so that a run stays within about twice a full list and its undo.
bool TScenarioRun::TImpl::RunWindows(const std::vector<int>& offsets, int firstCycle) {
    const int threads = std::max(1, tbb::this_task_arena::max_concurrency());
    const size_t budget = 2 * static_cast<size_t>(FullCombsCount) * sizeof(TComb);
    size_t peak = std::max<size_t>(Base.Count() * sizeof(uint16_t), 1 << 20);
    size_t window = 1; // the first pass shows what a pass holds
    std::vector<std::unique_ptr<TPassState>> pool;
    TPassState* last = nullptr;
    for (size_t i = 0; i < offsets.size() && StoppedOffset < 0;) {
        if (Observer.Poll()) Stop = true;
        if (Stop) {
            StoppedOffset = offsets[i];
            break;
        }
        const size_t n = std::min(window, offsets.size() - i);
        while (pool.size() < n) pool.push_back(std::make_unique<TPassState>());
        for (size_t j = 0; j < n; ++j) pool[j]->Reset(offsets[i + j], firstCycle + static_cast<int>(i + j), Draws);
        tbb::parallel_for(size_t(0), n, [&](size_t j) { RunPass(*pool[j]); });
        for (size_t j = 0; j < n; ++j) {
            TPassState& p = *pool[j];
            peak = std::max(peak, p.PeakBytes);
            const bool go = Commit(p) && p.Complete;
            if (p.Committed > 0) last = &p;
            if (!go) {
                StoppedOffset = p.Offset;
                break;
            }
        }
        i += n;
        window = std::clamp<size_t>(budget / peak, 1, static_cast<size_t>(threads));
    }
    if (last) TakeResult(*last);
    return StoppedOffset < 0;
}

void TScenarioRun::TImpl::TakeResult(TPassState& p) {
    HasResult = true;
    ResultFilters = p.Filters;
    ResultTable = p.Last;
    TCombsArray list;
    p.List.CopyTo(list);
    Result = std::move(list);
}

// --- A pass ------------------------------------------------------------------------------------------------------

void TScenarioRun::TImpl::RunPass(TPassState& p) {
    p.Emit(TEv::Panel, Tr("Выполнение сценария..."), 0);
    Log(p, EqualsLine);
    Log(p, Format("=== Выполнение сценария для смещения %.6d ==================================================",
                  p.Offset));
    Log(p, EqualsLine);
    p.Emit(TEv::Separator);
    try {
        for (size_t i = 0; i < Lines.size() && !Stopping(p); ++i) {
            const std::string& line = Lines[i];
            if (IsSeparatorLine(line)) continue;
            p.Emit(TEv::Line, {}, static_cast<int32_t>(i));
            Log(p, DashLine);
            Log(p, Format("Выполнение строки %.3d: \"%s\"", static_cast<int>(i + 1), line));
            Log(p, DashLine);
            RunLine(p, static_cast<int>(i + 1), line);
            p.Emit(TEv::Line, {}, -1);
        }
    } catch (const std::exception& e) {
        Fail(p, ErrorText(e));
    }
    p.PeakBytes = std::max(p.PeakBytes, p.List.OwnBytes());
    if (!Stopping(p)) {
        p.Emit(TEv::PassEnd);
        p.Complete = true;
    }
}

void TScenarioRun::TImpl::RunLine(TPassState& p, int lineNo, const std::string& text) {
    const TScriptOptions options = ParseOptions(LineField(text, 1));
    const TScriptLineFields fields = SplitLine(text);
    Log(p, "Создание всех вариантов фильтров...");
    p.Emit(TEv::Panel, Tr("Создание всех вариантов фильтров..."), lineNo);
    const std::string problem = OptionsProblem(options);
    if (!problem.empty()) {
        Fail(p, problem);
        return;
    }
    std::vector<TFilterAxis> axes;
    std::string bad;
    if (!BuildFilterAxes(fields.Filters, Registry, axes, bad)) {
        Fail(p, Format(Tr("Некорректное описание фильтра: %s!"), bad));
        return;
    }
    // Counted before any set is made: a product of ranges can be astronomically large.
    const int64_t total = CountVariantSets(axes);
    if (total > MaxVariantSets) {
        Fail(p, TooManySetsText() + "\r\r" +
                    Format(Tr("Наборов фильтров: %d, допустимо не более %d."), total, MaxVariantSets));
        return;
    }
    if (!axes.empty()) Log(p, Format("Создано %d вариантов фильтров.", total));
    const std::string optionsShort = OptionsShort(options);
    if (total > 0) {
        TVariantWalker walker(axes);
        TFilterRec rec;
        int k = 0;
        while (!Stopping(p) && walker.Next(rec)) {
            ++k;
            const std::string setText = FilterRecText(rec, Registry);
            Log(p, "");
            Log(p, DashLine);
            Log(p, Format("Применение набора фильтров %.3d: \"%s\"", k, setText));
            Log(p, DashLine);
            p.Emit(TEv::Panel, Format(Tr("Фильтр %d из %d: %s"), k, total, setText), lineNo);
            RunSet(p, options, &rec, lineNo, k, optionsShort + " + " + setText, fields.Comment);
            if (Stopping(p)) break;
            Log(p, DashLine);
            if (Set.CheckOnLine) p.Emit(TEv::Check);
            if (p.Sequential && !Commit(p)) break;
        }
        return;
    }
    Log(p, "{ERROR} Фильтры не применялись!");
    Log(p, "");
    p.Emit(TEv::Panel, optionsShort, lineNo);
    RunSet(p, options, nullptr, lineNo, 0, optionsShort, fields.Comment);
    if (p.Halted) return;
    if (Set.CheckOnLine) p.Emit(TEv::Check);
    if (p.Sequential) Commit(p);
}

void TScenarioRun::TImpl::RunSet(TPassState& p, const TScriptOptions& options, const TFilterRec* rec, int lineNo, int k,
                                 const std::string& filters, const std::string& comment) {
    p.Emit(TEv::SetBegin);
    Log(p, "Создание начального списка комбинаций...");
    std::vector<TSetStep> steps;
    std::vector<TStepText> texts;
    const int n = options.ExcludeDraws;
    bool exclLine = false;
    if (options.Source == ssFull || options.Source == ssExclude) {
        p.List.Borrow(Base, Set.Generate.Mode == gmFull);
        p.Filters.clear();
        if (options.Source == ssExclude && n > 0) {
            TSetStep s;
            const int hi = static_cast<int>(Draws.size()) - 1 - p.Offset;
            s.Draws = &Draws;
            s.Lo = std::max(hi - n + 1, 0);
            s.Hi = hi;
            s.Matcher = MakeDrawsMatcher(Draws, s.Lo, s.Hi);
            s.Exclude = true;
            s.ByPositions = DrawPositions(s.Lo, s.Hi, s.Positions);
            if (!s.ByPositions) s.Positions.clear();
            steps.push_back(std::move(s));
            texts.push_back({Tr("Последние тиражи"), std::to_string(n), TFilterMark::Remove});
            // A step-by-step run keeps this list for the next set with the same N, and a list taken from there
            // adds no line to the applied filters.
            exclLine = p.LastExcl != n;
            p.LastExcl = n;
        }
    } else {
        p.List.Compact();
    }
    if (options.ClearStakes) p.Emit(TEv::Clear);

    std::vector<TPartPlan> plan;
    const TTableKey cacheKey = p.CacheKey;
    const std::shared_ptr<TStatTable> cacheTable = p.CacheTable;
    if (rec) PlanParts(p, *rec, plan, steps, texts);
    bool distinct = false;
    for (const TPartPlan& pp : plan) distinct = distinct || (pp.Defined && pp.Part.StopMode == smNumbers);
    bool stepped = Set.Stepped || steps.size() >= MaxMaskedSteps;
    for (const TSetStep& s : steps) stepped = stepped || !s.Matcher;
    std::unique_ptr<TSetList> list;
    if (stepped)
        list = std::make_unique<TSteppedList>(p.List, steps, Set.PlainMatch);
    else
        list = std::make_unique<TMaskedList>(p.List, steps, distinct);
    if (!steps.empty() && steps[0].Draws) {
        const size_t after = list->Apply(0);
        if (exclLine) p.Filters.push_back({texts[0].Operation, texts[0].Values, after, TFilterMark::Remove});
    }
    Log(p, Format("Количество комбинаций в списке: %d", static_cast<int64_t>(list->Count())));
    // The table of the last part that ran is the one a later part with the same method and length reads.
    p.CacheKey = cacheKey;
    p.CacheTable = cacheTable;
    if (!Stopping(p)) Simulate(p, plan, texts, *list);
    list->Finish();
    p.PeakBytes = std::max(p.PeakBytes, p.List.OwnBytes());
    if (Stopping(p)) return;
    StakeStep(p, options, lineNo, filters, comment, k);
    TEvent done{TEv::SetDone};
    done.A = lineNo;
    done.B = k;
    done.C = p.List.Count();
    done.Text = p.Text(filters);
    p.Events.push_back(done);
}

std::shared_ptr<TStatTable> TScenarioRun::TImpl::TableFor(TPassState& p, const TFilterPart& part,
                                                          const TTableKey& key) {
    if (p.CacheTable && p.CacheKey == key) return p.CacheTable;
    auto stat = Registry.CreateStat(key.Entry);
    TStatTableParams params;
    params.WindowEnd = static_cast<int>(Draws.size()) - 1 - p.Offset;
    params.Length = key.Length;
    params.Sorted = Set.SortedDraws;
    TWeights own;
    own.Count = part.WeightCount;
    own.Deviation = part.WeightDeviation;
    own.Level = part.WeightLevel;
    own.UsePercents = part.WeightPercents;
    own.UseAbsValues = part.WeightAbs;
    params.Weights = part.OwnWeights ? own : RunWeights;
    params.ShowTotalLine = false;
    auto it = Norms.find(key.Entry);
    const TPrefetchData* norms = it != Norms.end() && it->second ? &*it->second : nullptr;
    auto table = std::make_shared<TStatTable>(ComputeStatTable(*stat, Draws, params, norms));
    p.CacheKey = key;
    p.CacheTable = table;
    return table;
}

void TScenarioRun::TImpl::PlanParts(TPassState& p, const TFilterRec& rec, std::vector<TPartPlan>& plan,
                                    std::vector<TSetStep>& steps, std::vector<TStepText>& texts) {
    plan.resize(rec.size());
    for (size_t i = 0; i < rec.size(); ++i) {
        const TFilterPart& part = rec[i];
        TPartPlan& pp = plan[i];
        if (!part.Defined) continue;
        pp.Defined = true;
        pp.Part = part;
        const int entry = part.Method;
        if (entry < 0 || entry >= Registry.MethodCount() || !Shown[static_cast<size_t>(entry)]) {
            pp.Failure = MethodNotFoundText(Registry, entry, "");
            break; // a run stops at this part, so nothing after it is needed
        }
        pp.Key = {entry, std::max(part.WindowLength, 1)};
        try {
            pp.Table = TableFor(p, part, pp.Key);
            SortStatLines(pp.Table->Lines, std::clamp(part.SortColumn, 0, StatColumnCount - 1), true);
            pp.Stat = Registry.CreateSelectedStat(entry, "cbDrawsStatType");
            pp.Stat->LoadDraws(-1, p.WindowEnd, Set.SortedDraws);
        } catch (const std::exception& e) {
            pp.Failure = ErrorText(e);
            break;
        }
        const std::vector<TStatLine>& lines = pp.Table->Lines;
        const size_t rows = lines.size();
        auto values = [&](size_t row) {
            const TStatLine& l = lines[row];
            return StatValuesFromCells(l.Cells.data(), StatColumnCount, pp.Stat->ValueFromText(l.Cells[0]));
        };
        if (Logging)
            for (size_t r = 0; r < rows; ++r) pp.TableLog.push_back(RowText(values(r)));
        const TRowTest test(part);
        auto rowAt = [&](size_t s) { return part.BottomUp ? rows - 1 - s : s; };
        // The stops that read only the table; the step count of a single-row walk depends on undone steps.
        auto stopByTable = [&](const TStatValues& v, int visited) {
            switch (part.StopMode) {
            case smValue: {
                const int64_t c = CellInteger(v.Count, 0);
                return part.BottomUp ? c >= part.StopValue : c <= part.StopValue;
            }
            case smPercent: {
                const double c = CellReal(v.CountPercent, 0);
                return part.BottomUp ? c >= part.StopValue : c <= part.StopValue;
            }
            case smSteps: return part.MultiSelect && visited >= part.StopValue;
            default: return false;
            }
        };
        auto addStep = [&](std::vector<size_t> rowsTaken) {
            std::sort(rowsTaken.begin(), rowsTaken.end());
            TSetStep s;
            std::vector<std::string> captions;
            for (size_t r : rowsTaken) {
                s.Selected.push_back(lines[r].Row);
                captions.push_back(lines[r].Cells[0]);
            }
            s.Exclude = !part.Keep;
            s.Stat = pp.Stat.get();
            s.WindowEnd = p.WindowEnd;
            s.Sorted = Set.SortedDraws;
            if (!Set.PlainMatch) s.Matcher = pp.Stat->MakeMatcher(s.Selected, p.WindowEnd, Set.SortedDraws, s.Exclude);
            steps.push_back(std::move(s));
            texts.push_back({Registry.DisplayName(entry, true), Join(captions, "; "),
                             part.Keep ? TFilterMark::Keep : TFilterMark::Remove});
            return steps.size() - 1;
        };
        if (part.MultiSelect) {
            std::vector<size_t> selected;
            for (size_t s = 0; s < rows; ++s) {
                const TStatValues v = values(rowAt(s));
                if (stopByTable(v, static_cast<int>(s))) break;
                if (test.Passes(v)) {
                    selected.push_back(rowAt(s));
                    if (Logging)
                        pp.SelectLog.push_back(Format("Шаг %.3d. Выделение строки: ", static_cast<int>(s) + 1) +
                                               RowText(v));
                }
            }
            if (!selected.empty()) {
                pp.HasStep = true;
                pp.Step = addStep(std::move(selected));
            }
        } else {
            for (size_t s = 0; s < rows; ++s) {
                const TStatValues v = values(rowAt(s));
                if (stopByTable(v, 0)) break;
                if (!test.Passes(v)) continue;
                const size_t step = addStep({rowAt(s)});
                pp.Candidates.push_back({step, Logging ? RowText(v) : std::string()});
            }
        }
        pp.End = steps.size();
    }
}

// The walks of the parts as a step-by-step run takes them, reading the list only through its counts.
void TScenarioRun::TImpl::Simulate(TPassState& p, std::vector<TPartPlan>& plan, const std::vector<TStepText>& texts,
                                   TSetList& list) {
    const int maxStake = Registry.Config.MaxStake;
    int reached = -1;
    auto filterLine = [&](size_t step, size_t count) {
        const TStepText& t = texts[step];
        p.Filters.push_back({t.Operation, t.Values, count, t.Mark});
    };
    auto undone = [&] {
        Log(p, "{UNDO} Откат изменений...");
        p.Filters.push_back({Tr("Отмена последней операции"), "", list.Count(), TFilterMark::Undone});
    };
    for (size_t i = 0; i < plan.size(); ++i) {
        TPartPlan& pp = plan[i];
        if (!pp.Defined) continue;
        if (list.Count() <= 1 || Stopping(p)) break;
        if (!pp.Failure.empty()) {
            Fail(p, pp.Failure);
            break;
        }
        reached = static_cast<int>(i);
        const TFilterPart& part = pp.Part;
        Log(p, Format("Анализ тиражей и расчет статистики \"%s\" для выборки в %d тиражей...",
                      Registry.DisplayName(part.Method, true), part.WindowLength));
        for (std::string& row : pp.TableLog) Log(p, std::move(row));
        const std::string keepText = part.Keep ? "Оставляем выделенные значения..." : "Удаляем выделенные значения...";
        if (part.MultiSelect) {
            for (std::string& row : pp.SelectLog) Log(p, std::move(row));
            Log(p, keepText);
            if (pp.HasStep) filterLine(pp.Step, list.Apply(pp.Step));
            Log(p, Format("Количество комбинаций в списке: %d", static_cast<int64_t>(list.Count())));
            if (list.Count() == 0) {
                list.Undo(pp.Step);
                undone();
            }
            continue;
        }
        int steps = 0;
        for (TPartPlan::TCandidate& c : pp.Candidates) {
            if (Stopping(p)) break;
            const size_t count = list.Count();
            bool end = false;
            if (part.StopMode == smCombs) {
                end = static_cast<int64_t>(part.StopValue) >= static_cast<int64_t>(count);
            } else if (part.StopMode == smNumbers) {
                const int u = part.StopValue;
                const int distinct = list.Distinct();
                end = (u < 7 || u > maxStake ? distinct <= maxStake : distinct <= u) || count <= 1;
            } else if (part.StopMode == smSteps) {
                end = steps >= part.StopValue;
            }
            if (end) {
                list.Skip(pp.End);
                break;
            }
            Log(p, Format("Шаг %.3d. Выделение строки: ", steps + 1) + c.RowText);
            Log(p, keepText);
            const size_t after = list.Apply(c.Step);
            filterLine(c.Step, after);
            Log(p, Format("Количество комбинаций в списке: %d", static_cast<int64_t>(after)));
            if (after == 0) {
                list.Undo(c.Step);
                undone();
                if (part.StopMode == smUntilEmpty) {
                    list.Skip(pp.End);
                    break;
                }
            } else {
                ++steps;
            }
        }
    }
    if (reached >= 0) {
        const TPartPlan& pp = plan[static_cast<size_t>(reached)];
        p.CacheKey = pp.Key;
        p.CacheTable = pp.Table;
        p.Last = {pp.Key.Entry, pp.Part.WindowLength, std::clamp(pp.Part.SortColumn, 0, StatColumnCount - 1)};
    }
}

// --- Stakes ------------------------------------------------------------------------------------------------------

void TScenarioRun::TImpl::Stake(TPassState& p, const TNumberSet& numbers, bool batch, uint32_t comment, bool newOnly) {
    TEvent e{TEv::Stake};
    e.Batch = batch;
    e.NewOnly = newOnly;
    e.A = static_cast<int32_t>(std::min<size_t>(p.List.Count(), INT32_MAX));
    e.Text = comment;
    e.Numbers = numbers;
    p.Events.push_back(e);
}

namespace {

// The list's distinct numbers in the order they first appear, up to every number of the game.
TByteArray ListNumbers(const TListState& list) {
    TByteArray numbers;
    bool has[256] = {};
    list.ForEach([&](const TComb& c) {
        if (numbers.size() >= static_cast<size_t>(MaxNumber)) return false;
        for (uint8_t x : c.N)
            if (!has[x]) {
                has[x] = true;
                numbers.push_back(x);
            }
        return true;
    });
    return numbers;
}

} // namespace

void TScenarioRun::TImpl::SystemStake(TPassState& p, bool restricted, uint32_t comment, bool newOnly) {
    TByteArray numbers = ListNumbers(p.List);
    const int n = static_cast<int>(numbers.size());
    TSystemGame game;
    if (Ports.Systems)
        game = Ports.Systems->Load(numbers);
    else
        game.Failure = Tr("Системные игры недоступны");
    if (!game.Ok) {
        Log(p, Format("{#} Системная игра для %d чисел [ОШИБКА]: \"%s\"", n, game.Failure));
        return;
    }
    Log(p, Format(restricted ? "{#} Системная игра для %d чисел [система * комбинации]: загружен файл \"%s\""
                             : "{#} Системная игра для %d чисел [все система]: загружен файл \"%s\"",
                  n, ChangeFileExt(ExtractFileName(game.FileName), "")));
    std::unordered_set<uint64_t> inList;
    if (restricted) {
        // The system is small and the list may be the full set: one pass over the list marks what it holds.
        std::unordered_set<uint64_t> wanted;
        for (TComb c : game.Combs) {
            SortComb(c);
            wanted.insert(CombKey(c));
        }
        p.List.ForEach([&](const TComb& c) {
            const uint64_t k = CombKey(c);
            if (wanted.count(k)) inList.insert(k);
            return inList.size() < wanted.size();
        });
    }
    for (TComb c : game.Combs) {
        SortComb(c);
        if (restricted && !inList.count(CombKey(c))) continue;
        Stake(p, CombToSet(c), true, comment, newOnly);
    }
}

void TScenarioRun::TImpl::StakeStep(TPassState& p, const TScriptOptions& options, int line, const std::string& filters,
                                    const std::string& comment, int k) {
    const int mode = options.StakeMode;
    Log(p, Format("{*} Добавление ставки, режим: \"%s\"", StakeEditorCaption(mode)));
    const size_t count = p.List.Count();
    if (count == 0 || mode == skmNone) return;
    std::string text = Format("%.2d.%.3d:", line, k);
    if (!Trim(comment).empty()) text += " " + comment;
    text = CutChars(text + " @ " + filters, 255);
    if (count > 1 && mode == skmStop) {
        p.Halted = true;
        Log(p, "{!} Сценарий остановлен!");
        p.Emit(TEv::Message,
               Format(Tr("Выполнение сценария прервано, т.к. после применения всех фильтров в списке комбинаций их "
                         "осталось более одной: %d!\r\rФильтры: %s"),
                      static_cast<int64_t>(count), text));
        p.Emit(TEv::Stop);
        return;
    }
    if (count > 1 && mode == skmSkip) {
        Log(p, "{-} Ставка игнорирована!");
        return;
    }
    if (Stopping(p)) return;
    if (count > 1 && mode == skmAll && count > MaxAllStakes) {
        Fail(p, AllLimitText(count, text));
        return;
    }
    const uint32_t comment32 = p.Text(text);
    // RAND and EXT draw from a generator of their own set, so a pass picks the same whichever thread runs it.
    std::mt19937_64 rng(Mix(Seed ^ Mix(static_cast<uint64_t>(p.Offset) << 40 ^ static_cast<uint64_t>(line) << 20 ^
                                       static_cast<uint64_t>(k))));
    if (count == 1) {
        Stake(p, CombToSet(p.List.First()), false, comment32, options.NewOnly);
    } else {
        switch (mode) {
        case skmExtended: {
            TByteArray numbers = ListNumbers(p.List);
            const size_t size = static_cast<size_t>(std::clamp(Registry.Config.MaxStake, 0, MaxExtendedStake));
            while (numbers.size() > size) {
                std::uniform_int_distribution<size_t> pick(0, numbers.size() - 1);
                numbers.erase(numbers.begin() + static_cast<std::ptrdiff_t>(pick(rng)));
            }
            TNumberSet set{};
            for (uint8_t x : numbers) set.Numbers[set.Count++] = x;
            Stake(p, set, false, comment32, options.NewOnly);
            break;
        }
        case skmRandom: {
            std::uniform_int_distribution<size_t> pick(0, count - 1);
            Stake(p, CombToSet(p.List.At(pick(rng))), false, comment32, options.NewOnly);
            break;
        }
        case skmFirst: Stake(p, CombToSet(p.List.First()), false, comment32, options.NewOnly); break;
        case skmLast: Stake(p, CombToSet(p.List.Last()), false, comment32, options.NewOnly); break;
        case skmAll:
            p.List.ForEach([&](const TComb& c) {
                Stake(p, CombToSet(c), true, comment32, options.NewOnly);
                return true;
            });
            break;
        case skmSystemAll: SystemStake(p, false, comment32, options.NewOnly); break;
        case skmSystemCombs: SystemStake(p, true, comment32, options.NewOnly); break;
        default: break;
        }
    }
    p.Emit(TEv::Shown);
}

// --- Commit ------------------------------------------------------------------------------------------------------

void TScenarioRun::TImpl::CommitStake(TPassState& p, const TEvent& e) {
    if (StakeFailed) return;
    TStakeSink* sink = Ports.Stakes;
    if (!sink || !sink->IsOpen()) {
        StakeFailed = true;
        Observer.Message(TRunMessage::Error, Tr("Файл ставок не открыт!"));
        Stop = true;
        return;
    }
    const TStakeRecord r = NewStakeRecord(skScenario, p.Texts[e.Text], e.Numbers, p.DrawNumber, e.A,
                                          Registry.StakeProfit(std::clamp(e.Numbers.Count, 0, MaxStakeNumbers), -1));
    const std::string list = NumberSetToText(r.Numbers, ";");
    try {
        if (e.NewOnly && sink->Find(r.DrawNumber, r.Numbers)) {
            if (Logging)
                Observer.Log(Format("{-} Ставка на тираж %d не добавлена, так как уже имеется в списке ставок: [%s]",
                                    r.DrawNumber, list));
            return;
        }
        sink->Append(r);
    } catch (const std::exception& ex) {
        // The first failure ends the run: the same failure for every combination helps nobody.
        StakeFailed = true;
        Observer.Message(TRunMessage::Error,
                         Format(Tr("Ошибка добавления записи в файл ставок!\r\r%s"), ErrorText(ex)));
        Stop = true;
        return;
    }
    const int64_t index = sink->Count() - 1;
    if (Logging) Observer.Log(Format("{+} Ставка на тираж %d добавлена в список ставок: [%s]", r.DrawNumber, list));
    ++StakesAdded;
    TStakeTally& t = PassResult.Tally;
    ++t.Stakes;
    const int d = FindDraw(Draws, r.DrawNumber);
    if (d >= 0) {
        const int matches = Intersect(Draws[static_cast<size_t>(d)], r.Numbers).Count;
        ++t.Checked;
        if (matches >= 0 && matches <= 6) ++t.ByMatches[static_cast<size_t>(matches)];
        t.Profit += Registry.StakeProfit(r.Numbers.Count, matches);
    }
    Observer.StakeMade(r, index);
    Panels.StakesAdded = StakesAdded;
    if (!e.Batch) Observer.Panels(Panels);
}

// Hands the pass's events over in order; false when the run must stop here.
bool TScenarioRun::TImpl::Commit(TPassState& p) {
    if (Stop) return false; // what a pass computed after the run was told to stop is not handed over
    TStakeSink* sink = Ports.Stakes;
    Panels.Cycle = p.Cycle;
    for (; p.Committed < p.Events.size(); ++p.Committed) {
        const TEvent& e = p.Events[p.Committed];
        auto text = [&]() -> const std::string& {
            static const std::string none;
            return e.Text == UINT32_MAX ? none : p.Texts[e.Text];
        };
        try {
            switch (e.Kind) {
            case TEv::Log: Observer.Log(text()); break;
            case TEv::Panel:
                Panels.Line = e.A;
                Panels.Text = text();
                Panels.StakesAdded = StakesAdded;
                Observer.Panels(Panels);
                break;
            case TEv::Line: Observer.LineStarted(e.A); break;
            case TEv::Separator:
                PassResult = {};
                PassResult.Cycle = p.Cycle;
                PassResult.Offset = p.Offset;
                PassResult.DrawNumber = p.DrawNumber;
                if (sink && sink->IsOpen()) {
                    sink->Separate();
                    PassResult.FirstStake = sink->Count();
                }
                break;
            case TEv::Clear:
                if (sink && sink->IsOpen()) sink->Clear();
                break;
            case TEv::SetBegin: SetStakesStart = StakesAdded; break;
            case TEv::Stake: CommitStake(p, e); break;
            case TEv::Shown:
                if (sink && sink->IsOpen()) sink->Shown();
                Panels.StakesAdded = StakesAdded;
                Observer.Panels(Panels);
                break;
            case TEv::Check:
                if (sink && sink->IsOpen()) sink->Check(false);
                break;
            case TEv::SetDone:
                Observer.SetDone({e.A, e.B, static_cast<size_t>(e.C), StakesAdded - SetStakesStart, text()});
                break;
            case TEv::Message: Observer.Message(TRunMessage::Attention, text()); break;
            case TEv::Fail:
                Observer.Message(TRunMessage::Error, text());
                Stop = true;
                break;
            case TEv::Stop: Stop = true; break;
            case TEv::PassEnd:
                if (sink && sink->IsOpen()) {
                    sink->Check(true);
                    PassResult.EndStake = sink->Count();
                }
                PassResult.Combs = p.List.Count();
                Observer.PassDone(PassResult);
                break;
            }
        } catch (const std::exception& ex) {
            Observer.Message(TRunMessage::Error, ErrorText(ex));
            Stop = true;
        }
        if (Stop) {
            ++p.Committed;
            return false;
        }
        const int64_t now = (p.Committed & 63) == 0 ? NowMs() : LastCommitPollMs;
        if (now - LastCommitPollMs >= 20) {
            LastCommitPollMs = now;
            if (Observer.Poll()) {
                Stop = true;
                ++p.Committed;
                return false;
            }
        }
    }
    return !Stop;
}

// --- The run -----------------------------------------------------------------------------------------------------

TScenarioRun::TScenarioRun(TStatList& registry, TScriptLines lines, TScenarioRunSettings settings,
                           TScenarioRunPorts ports)
    : FImpl(std::make_unique<TImpl>(registry, std::move(lines), std::move(settings), std::move(ports))) {}

TScenarioRun::~TScenarioRun() = default;

void TScenarioRun::SetStartList(const TCombsArray* list) {
    FImpl->Start = list;
}

void TScenarioRun::LendStorage(TCombsArray&& storage) {
    FImpl->Base = std::move(storage);
    FImpl->Base.Clear();
}

TCombsArray TScenarioRun::TakeStorage() {
    TCombsArray storage = std::move(FImpl->Base);
    storage.Clear();
    return storage;
}

bool TScenarioRun::Run(const std::vector<int>& offsets, int firstCycle) {
    if (FImpl->Set.Threads > 0) {
        tbb::task_arena arena(FImpl->Set.Threads);
        return arena.execute([&] { return FImpl->Run(offsets, firstCycle); });
    }
    return FImpl->Run(offsets, firstCycle);
}

void TScenarioRun::RequestStop() {
    FImpl->Stop = true;
}

bool TScenarioRun::HasResult() const {
    return FImpl->HasResult;
}

TCombsArray& TScenarioRun::List() {
    return FImpl->Result;
}

const std::vector<TFilterLine>& TScenarioRun::Filters() const {
    return FImpl->ResultFilters;
}

TRunTable TScenarioRun::LastTable() const {
    return FImpl->ResultTable;
}

int TScenarioRun::StoppedOffset() const {
    return FImpl->StoppedOffset;
}

int TScenarioRun::StakesAdded() const {
    return FImpl->StakesAdded;
}

bool TScenarioRun::IndependentPasses(const TScriptLines& lines) {
    for (const std::string& line : lines)
        if (!IsSeparatorLine(line)) return ParseOptions(LineField(line, 1)).Source != ssCurrent;
    return true;
}

// --- Checks ------------------------------------------------------------------------------------------------------

std::vector<int> ListedMethods(const TStatList& registry) {
    std::vector<int> r;
    for (int i = 0; i < registry.MethodCount(); ++i)
        if (registry.IsAvailable(i) && registry.IsVisible(i) && registry.IsShown(i)) r.push_back(i);
    return r;
}

std::string MethodNotFoundText(const TStatList& registry, int entry, const std::string& methodWord) {
    const bool known = entry >= 0 && entry < registry.MethodCount();
    const std::string code = known ? registry.CodeOf(entry) : MethodCode(methodWord);
    const std::string caption = known ? registry.DisplayName(entry, true) : "";
    return Format(Tr("Метод расчета статистики \"%s\" на найден!\r%s\r\rВозможно, Вы отключили данных метод расчета "
                     "либо использовали сценарий от другой модификации программы."),
                  code, caption);
}

std::string CheckScenarioLine(const std::string& line, const TStatList& registry, const std::vector<int>& shownMethods,
                              const TGenerateSettings& generate, int64_t& sets) {
    sets = 0;
    if (IsSeparatorLine(line)) return "";
    const TScriptOptions options = ParseOptions(LineField(line, 1));
    std::string problem = OptionsProblem(options);
    if (!problem.empty()) return problem;
    std::vector<TFilterAxis> axes;
    std::string bad;
    if (!BuildFilterAxes(SplitLine(line).Filters, registry, axes, bad))
        return Format(Tr("Некорректное описание фильтра: %s!"), bad);
    sets = CountVariantSets(axes);
    if (sets > MaxVariantSets) return TooManySetsText();
    for (const TFilterAxis& a : axes)
        if (a.Item.Method < 0 ||
            std::find(shownMethods.begin(), shownMethods.end(), a.Item.Method) == shownMethods.end())
            return MethodNotFoundText(registry, a.Item.Method, a.Item.MethodText);
    // Without filters the starting list is what ALL would stake: its size is known before the run.
    if (axes.empty() && options.StakeMode == skmAll && options.Source != ssCurrent) {
        const int64_t start = static_cast<int64_t>(GeneratedCount(generate.Mode, generate.Parameters)) -
                              (options.Source == ssExclude ? std::max(options.ExcludeDraws, 0) : 0);
        if (start > static_cast<int64_t>(MaxAllStakes))
            return AllLimitText(static_cast<size_t>(start), OptionsShort(options));
    }
    return "";
}

} // namespace zorb
