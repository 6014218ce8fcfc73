// Scenarios: the scenario being edited (mirrored in the state file after every change), its list, editing
// actions and line editor, and its execution for the forecast and as a test over past offsets, with the log.
#pragma once

#include "app/AppServices.h"
#include "app/CombsController.h"
#include "app/DrawsController.h"
#include "app/StakesController.h"
#include "app/StatsController.h"
#include "scenarios/ScenarioRun.h"
#include "scenarios/ScriptFile.h"
#include "scenarios/ScriptLine.h"
#include "scenarios/ScriptLog.h"
#include "scenarios/ScriptVariants.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zorb {

// The line editor's fields.
struct TScriptEditorData {
    std::string Caption;
    TScriptOptions Options;
    std::array<std::string, MaxLineFilters> Filters;
    std::string Comment;
};

// What the scenarios need of the window.
class TScenarioUi : public virtual TUiPart {
public:
    virtual ~TScenarioUi() = default;
    virtual void ScriptListChanged() = 0;                  // lines or their count changed
    virtual void ScriptSelectionChanged(int scrollTo) = 0; // -1: no scrolling
    // The line editor; OK only when the controller's CheckEditor accepts the fields.
    virtual bool EditScriptLine(TScriptEditorData& data) = 0;
    // "Количество тестов" of a scenario test, 1..maxCount, and the held-out offsets judged apart after it (0: none).
    virtual bool AskScriptTestCount(int& count, int& holdout, int maxCount) = 0;
    virtual void ScriptPanelsChanged(const TScriptPanels& panels) = 0;
    virtual void ScriptRunStateChanged(bool running) = 0; // disable or enable the views and the list
};

class TScenarioController : public TController {
public:
    TScenarioController(TAppServices& app, TDrawsController& draws, TCombsController& combs, TStatsController& stats,
                        TStakesController& stakes);
    void RegisterActions(TActionTable& table) override;

    // --- The scenario ---
    const TScriptLines& Lines() const { return FLines; }
    int LineCount() const { return static_cast<int>(FLines.size()); }
    std::string StatePath() const;
    void LoadState(); // start-up: read the state file when it exists
    bool LoadScenario(const std::string& file, bool append);
    bool SaveScenario(const std::string& file);
    bool SaveState();
    int AddLine(const std::string& text); // the new row; -1 (said) when the scenario holds the most lines it may
    void SetLine(int index, const std::string& text);
    std::string GetLine(int index) const;
    std::string CountText() const; // "Строк: %d"

    static constexpr int ScriptColumnCount = 9;
    std::string ScriptColumnCaption(int column) const;
    std::string ScriptCellText(int row, int column) const;
    static std::string CellText(const TStatList& registry, const std::string& line, int column);

    void SetScriptSelection(std::vector<int> rows);
    const std::vector<int>& ScriptSelection() const { return FSelection; }
    int SelectedLine() const { return FSelection.empty() ? -1 : FSelection.front(); }
    bool SelectedIsCommand() const;

    // --- The line editor ---
    TScriptEditorData EditorData(const std::string& caption, int exclude, const std::string& text) const;
    static std::string EditorLine(const TScriptEditorData& data);
    // The message that keeps the editor open, empty when the fields can be taken.
    static std::string CheckEditor(const TScriptEditorData& data);
    bool EditLine(const std::string& caption, int exclude, std::string& text);
    // The "..." button of a filter field.
    bool EditFilterText(std::string& text);

    // --- Editing actions ---
    void ScriptOpen(const std::string& file);
    void ScriptSave(const std::string& file);
    void ScriptLoad(const std::string& file);
    void ScriptAdd();
    void ScriptEmpty();
    void ScriptClone();
    void ScriptEdit();
    void ScriptDel();
    void ScriptClr();
    void ScriptUp();
    void ScriptDown();
    void DeleteLogs();

    // --- Execution ---
    bool Running() const { return FRunning; }
    bool StopRequested() const { return FStopRequested; }
    // Returns whether the run ended without a stop.
    bool RunForecast();
    bool RunTest(int count);
    void ScriptTest(); // asks for the count
    // ScriptStop: with `ask`, only after Yes.
    void RequestStop(bool ask);
    // Lets the interface act and answers whether a stop was requested.
    bool CheckStop();
    const TScriptPanels& Panels() const { return FPanels; }
    int StakesAdded() const { return FStakesAdded; }
    // A fixed seed makes RAND and EXT picks repeatable; 0 takes one from the clock.
    void SetSeed(uint64_t seed) { FSeed = seed; }
    // Passes computed at once at most (0: one per core); for cross-checks.
    void SetThreads(int threads) { FThreads = threads; }
    // A run of lines other than the state's (the command line's FILE); restored after the run.
    void SetRunLines(const TScriptLines* lines) { FRunLines = lines; }
    void SetSetHook(std::function<void(const TScriptSetResult&)> hook) { FSetHook = std::move(hook); }
    void SetPassHook(std::function<void(const TScriptPassResult&)> hook) { FPassHook = std::move(hook); }
    // After a test the user started: the stake records it made, [first, end), and the held-out offsets.
    void SetTestEndHook(std::function<void(int64_t first, int64_t end, int holdout)> hook) {
        FTestEndHook = std::move(hook);
    }
    // Every stake a run makes, with its index in the stakes file, in the order made.
    void SetStakeHook(std::function<void(const TStakeRecord&, int64_t)> hook) { FStakeHook = std::move(hook); }
    // Step by step on whole lists with an undo copy: the reference the one-pass evaluation is held to.
    void SetPlainSteps(bool plain) { FPlainSteps = plain; }
    const std::string& LastLogPath() const { return FLastLogPath; }
    // A check that runs no filter: the number of the line's variant sets and the message a run would stop with
    // (empty for none). False when the line would stop a run.
    bool CheckLine(const std::string& line, int64_t& sets, std::string& message) const;

private:
    class TWindowSink;
    class TWindowObserver;
    class TSystemFiles;

    void Changed(); // list, count and state file
    void AppendAsNew(const std::string& text);
    void Log(const std::string& text);
    void SetPanels(int line, const std::string& text);
    void BeginRun();
    void EndRun(bool stopped);
    bool Run(const std::vector<int>& offsets);
    const TScriptLines& RunLines() const { return FRunLines ? *FRunLines : FLines; }

    TAppServices& FApp;
    TScenarioUi& FUi;
    TDrawsController& FArchive;
    TCombsController& FCombs;
    TStatsController& FStats;
    TStakesController& FStakes;
    TScriptLines FLines;
    std::vector<int> FSelection;

    bool FRunning = false, FStopRequested = false;
    int FCycle = 0;
    int FStakesAdded = 0;
    TScriptPanels FPanels;
    TScriptLog FLog;
    std::string FLastLogPath;
    uint64_t FSeed = 0; // 0: from the clock
    int FThreads = 0;
    const TScriptLines* FRunLines = nullptr;
    std::function<void(const TScriptSetResult&)> FSetHook;
    std::function<void(const TScriptPassResult&)> FPassHook;
    std::function<void(int64_t, int64_t, int)> FTestEndHook;
    std::function<void(const TStakeRecord&, int64_t)> FStakeHook;
    int64_t FLastPanelMs = 0;
    bool FPlainSteps = false;
    TScenarioRun* FRun = nullptr; // the run in progress
};

} // namespace zorb
