// A scenario run without a window: the passes of a forecast or a test over past offsets, each line expanded into
// its variant sets, each set filtering its starting list and making stakes. The run owns its lists, the undo of
// its steps, its statistics tables and its variant walk; it reaches the stakes file, the system games, the full-
// set norms and the person only through the ports below, so the window, the command line, the benchmarks and the
// tests drive the same run.
//
// Cost: a variant set is evaluated in one pass over its starting list (each combination is taken through the
// set's steps until the first that removes it, and the decisions a step-by-step run would make are then read off
// the counts per step); passes of a test whose first line starts from the generated list are computed several at
// a time and committed in offset order, so stakes files and logs are the same whatever the number of threads.
#pragma once

#include "combos/CombsArray.h"
#include "combos/Filter.h"
#include "scenarios/ScriptFile.h"
#include "scenarios/ScriptLine.h"
#include "stakes/StakeRecord.h"
#include "stats/GameSettings.h"
#include "stats/Prefetch.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zorb {

class TStatList;

// ALL stakes at most this many combinations; a longer list stops the run before anything is written.
constexpr size_t MaxAllStakes = 100000;

// The scenario panels of the status bar.
struct TScriptPanels {
    int Cycle = 0;
    int Line = 0;
    int StakesAdded = 0;
    std::string Text;
};

// One variant set at its stake step.
struct TScriptSetResult {
    int Line = 0;
    int Set = 0;
    size_t Combs = 0;
    int Stakes = 0;
    std::string Filters; // as the stake comment names them: the short options, then the set
};

// What a pass's own stakes came to, counted as they were made: a stake on a draw the archive holds is counted
// with the matches and the profit its check gives.
struct TStakeTally {
    int64_t Stakes = 0;
    int64_t Checked = 0;
    std::array<int64_t, 7> ByMatches{};
    Currency Profit = 0;
};

struct TScriptPassResult {
    int Cycle = 0;
    int Offset = 0;
    int DrawNumber = 0;
    size_t Combs = 0;
    // Stake records made by the pass: [FirstStake, EndStake) of the stakes file as it was then (a line that
    // clears the stakes cuts them from the file, the tally keeps them).
    int64_t FirstStake = 0, EndStake = 0;
    TStakeTally Tally;
};

// Where the stakes go; called on the run's own thread, in offset order. Operations raise EZorbError.
class TStakeSink {
public:
    virtual ~TStakeSink() = default;
    virtual bool IsOpen() = 0;
    virtual int64_t Count() = 0;
    virtual void Append(const TStakeRecord& record) = 0;
    virtual bool Find(int drawNumber, const TNumberSet& numbers) = 0;
    virtual void Separate() = 0; // a separator after the last record when it is a stake
    // After a set whose line asks for it (now = false: may wait for the next call with now = true), and at the end
    // of every pass (now = true when the settings check only then).
    virtual void Check(bool now) = 0;
    // ClearStakes: what is already decided is checked first; raises when some stake could not be checked.
    virtual void Clear() = 0;
    virtual void Shown() {} // after a stake step: the view may follow
};

// A system game for the distinct numbers of a list. Called from any thread, several at once.
struct TSystemGame {
    bool Ok = false;
    std::string FileName;
    std::string Failure;
    std::vector<TComb> Combs;
};
class TSystemLoader {
public:
    virtual ~TSystemLoader() = default;
    virtual TSystemGame Load(const TByteArray& numbers) = 0;
};

enum class TRunMessage { Error, Warning, Attention };

// What a person sees of a run. Every call comes on the run's own thread, in offset order.
class TRunObserver {
public:
    virtual ~TRunObserver() = default;
    virtual bool LogWanted() const { return false; }
    virtual void Log(const std::string&) {}
    virtual void Panels(const TScriptPanels&) {}
    virtual void LineStarted(int) {} // index of the scenario line, -1 after it
    // Lets an interface act at check points; true asks the run to stop.
    virtual bool Poll() { return false; }
    virtual void Message(TRunMessage, const std::string&) {}
    virtual void SetDone(const TScriptSetResult&) {}
    virtual void PassDone(const TScriptPassResult&) {}
    virtual void StakeMade(const TStakeRecord&, int64_t) {} // the record and its index in the stakes file
};

struct TScenarioRunSettings {
    bool SortedDraws = false;
    bool CheckOnLine = true;       // check the stakes after every set rather than once per pass
    TGenerateSettings Generate;    // the starting list of FULL and EXCL lines
    std::vector<int> ShownMethods; // registry entries the method list holds; a filter of another method stops
    uint64_t Seed = 0;             // RAND and EXT picks; 0: from the clock
    int Threads = 0;               // passes computed at once at most; 0: one per core
    // Step by step on whole lists, as a person would: the reference the one-pass evaluation is checked against.
    bool Stepped = false;
    bool PlainMatch = false; // with Stepped: MatchComb per combination instead of the methods' matchers
};

struct TScenarioRunPorts {
    TStakeSink* Stakes = nullptr;
    TSystemLoader* Systems = nullptr;
    TRunObserver* Observer = nullptr;
    // The full-set norms of a method (nothing when not compared); asked on the run's thread before the passes.
    std::function<std::optional<TPrefetchData>(int entry)> Norms;
};

// The method of the last statistics table a run computed.
struct TRunTable {
    int Entry = -1;
    int Length = 0;
    int SortColumn = 0;
};

class TScenarioRun {
public:
    TScenarioRun(TStatList& registry, TScriptLines lines, TScenarioRunSettings settings, TScenarioRunPorts ports);
    ~TScenarioRun();
    TScenarioRun(const TScenarioRun&) = delete;
    TScenarioRun& operator=(const TScenarioRun&) = delete;

    // The list a first line with source CURR starts from (borrowed until Run returns).
    void SetStartList(const TCombsArray* list);
    // Storage for the generated starting list, so that a caller's idle list (the window's undo) serves instead of
    // a new full list; TakeStorage hands it back after the run.
    void LendStorage(TCombsArray&& storage);
    TCombsArray TakeStorage();
    // One pass per offset, in order, numbered as cycles from `firstCycle`. False when the run stopped.
    bool Run(const std::vector<int>& offsets, int firstCycle = 1);
    // From any thread.
    void RequestStop();

    // After Run: the list of the last pass committed, its applied filters and last table; the offset of the pass
    // a stop interrupted (-1 when none).
    bool HasResult() const; // a pass committed something, so List and Filters are the run's
    TCombsArray& List();
    const std::vector<TFilterLine>& Filters() const;
    TRunTable LastTable() const;
    int StoppedOffset() const;
    int StakesAdded() const;
    // Whether passes are independent of one another (the first command line starts from FULL or EXCL).
    static bool IndependentPasses(const TScriptLines& lines);

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

// What a run would stop at in a line before filtering anything: a bad options word, a filter whose lengths or
// values give nothing, too many variant sets, a method the list does not hold, an ALL line without filters on a
// starting list above the limit. Empty when none; `sets` is the number of variant sets.
std::string CheckScenarioLine(const std::string& line, const TStatList& registry, const std::vector<int>& shownMethods,
                              const TGenerateSettings& generate, int64_t& sets);
// The entries a method list holds by default: every available, visible and shown method, in registry order.
std::vector<int> ListedMethods(const TStatList& registry);
// The message of a method a filter names that the list does not hold.
std::string MethodNotFoundText(const TStatList& registry, int entry, const std::string& methodWord);

} // namespace zorb
