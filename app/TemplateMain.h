// The application: all state of the main window and every action's enabling rule and effect. Game-independent
// logic lives here; TFormMain adds what belongs to this game (file names, addresses). Everything reaches the
// user through UserInterface; long work raises the busy counter, which disables every action.
#pragma once

#include "app/Actions.h"
#include "app/FormSettings.h"
#include "app/Switches.h"
#include "app/UserInterface.h"
#include "combos/CombsArray.h"
#include "combos/Filter.h"
#include "combos/FilterItem.h"
#include "core/IniFile.h"
#include "core/KestoUtils.h"
#include "net/Http.h"
#include "stakes/Stakes.h"
#include "stats/GameSettings.h"
#include "stats/StatList.h"
#include "stats/StatTable.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zorb {

struct TAppOptions {
    std::string DataDir;           // every data file lives here
    std::string ExeDir;            // program files: language modules, help
    std::string ExeName;           // executable file name, for the restart wait
    std::vector<std::string> Args; // switches (without --dir)
    // Looks without changing anything: no lock on the data directory, the stakes file opened for reading only.
    bool ReadOnly = false;
};

// Link actions: name, caption and address (a text of the language resources).
struct TLinkInfo {
    const char* Name;
    const char* Caption;
    const char* Url;
};

enum class TStartState { Created, PartOneDone, Initialized, ShutDown };

// A line of the list of applied filters.
enum class TFilterMark { Keep, Remove, Undone };
struct TFilterLine {
    std::string Operation;
    std::string Values;
    size_t Count;
    TFilterMark Mark;
};

class TTemplateMain {
public:
    TTemplateMain(UserInterface& ui, TAppOptions options);
    virtual ~TTemplateMain();
    TTemplateMain(const TTemplateMain&) = delete;
    TTemplateMain& operator=(const TTemplateMain&) = delete;

    // --- Start-up and shutdown ---
    void Create();      // first stage: settings, language; ends by starting the initialisation timer
    void OnInitTimer(); // second stage: the heavy loading, once the window is visible
    void Shutdown();
    bool Terminated() const { return FTerminated; }
    TStartState State() const { return FState; }
    const TSwitches& Switches() const { return FSwitches; }

    // --- Actions ---
    const std::vector<TAction>& Actions() const { return FActions; }
    const std::vector<TMenu>& Menus() const { return FMenus; }
    const TAction* FindAction(const std::string& name) const;
    bool ActionEnabled(const TAction& a) const;
    bool ActionEnabled(const std::string& name) const;
    bool ActionChecked(const std::string& name) const;
    // Runs the effect when the action exists and is enabled; returns whether it ran.
    bool Execute(const std::string& name);

    // --- Busy state and progress ---
    bool Busy() const { return FBusy > 0; }
    void BeginBusy();
    void EndBusy();
    void SetProgressText(const std::string& text);
    void ShowError(const std::string& text) { Message(TMsgBox::Error, text); }
    void Message(TMsgBox box, const std::string& text);
    bool Ask(TMsgBox box, const std::string& text);

    // --- Files and settings ---
    const std::string& DataDir() const { return FOptions.DataDir; }
    std::string DataFile(const std::string& name) const;
    std::string ArchivePath() const;
    std::string SettingsPath() const; // the game settings file
    std::string FrmPath() const;      // the user-interface settings file
    const TFormSettings& Settings() const { return FSettings; }
    TIniFile& FrmFile() { return *FFrm; }
    std::string FavoritesPath() const; // the favourite methods and their titles
    const TConfigData& Config() const { return FStats.Config; }
    const TShreddingData& Shredding() const { return FStats.Shredding; }
    const TGenerateSettings& GenerateSettings() const { return FStats.Generate; }
    TStatList& Stats() { return FStats; }
    const TStatList& Stats() const { return FStats; }

    // --- Method selectors: registry entries in list order ---
    const std::vector<int>& StatTypeItems() const { return FStatTypeItems; }
    const std::vector<int>& GraphTypeItems() const { return FGraphTypeItems; }
    int StatTypeEntry() const { return FStatTypeEntry; } // registry index of the choice, -1 for none
    int GraphTypeEntry() const { return FGraphTypeEntry; }
    void SelectStatType(int entry);
    void SelectGraphType(int entry);
    // Fills both selectors from the registry, keeping the current choices where they still exist.
    void FillMethodSelectors();
    // Saves titles, rebuilds the registry (parameter ranges follow the settings) and reloads favourites.
    void RebuildMethods();
    const std::string& HelpFile() const { return FHelpFile; }
    int Language() const { return FLanguage; }
    std::string Caption() const { return FCaption; }
    const TMatchDistribution& MatchDistribution() const { return FMatchDistribution; }
    int64_t CombinationsCount() const { return FCombinationsCount; }

    // --- Draw archive ---
    const TDrawsArray& Draws() const { return FDraws; }
    int DrawsOffset() const { return FDrawsOffset; }
    void SetDrawsOffset(int k);
    void LoadArchive();
    void SaveArchive();
    void RefreshList(bool force);
    void RefreshViews(bool force);
    bool ViewsFrozen() const { return FViewsFrozen; }
    void SetViewsFrozen(bool frozen) { FViewsFrozen = frozen; }
    // Later views join the refresh chain here, in their order.
    void AddViewRefresher(std::function<void(bool force)> refresher);
    const TNumberMask& NextDrawMask() const { return FNextDrawMask; }
    std::string StatusPanelText(int panel) const;

    // The draw list as shown: newest first; row r is array index n - 1 - r.
    static constexpr int DrawColumnCount = 9;
    std::string DrawColumnCaption(int column) const;
    int DrawRowCount() const { return static_cast<int>(FDraws.size()); }
    int DrawIndexOfRow(int row) const { return DrawRowCount() - 1 - row; }
    TDrawRec DrawShownInRow(int row) const; // numbers sorted when sorted display is on
    std::string DrawCellText(int row, int column) const;
    // Background of a cell, or -1 for the list's default.
    int64_t DrawCellColor(int row, int column) const;
    void SetDrawsSelection(std::vector<int> rows);
    const std::vector<int>& DrawsSelection() const { return FDrawsSelection; }

    // --- Effects of the actions (also called by the command line) ---
    void DrawsAdd();
    void DrawsEdit();
    void DrawsDel();
    void DrawsSorted();

    // --- Combination list ---
    const TCombsArray& Combs() const { return FCombs; }
    const TCombsArray& UndoCombs() const { return FUndo; }
    bool UndoAvailable() const { return FUndo.Count() > 0; }
    const std::vector<TFilterLine>& Filters() const { return FFilters; }
    static constexpr int CombColumnCount = 8;
    std::string CombColumnCaption(int column) const;
    std::string CombCellText(size_t row, int column) const;
    int64_t CombCellColor(size_t row, int column) const; // -1: the list's default
    void SetCombsSelection(TRowRanges ranges);
    const TRowRanges& CombsSelection() const { return FCombsSelection; }
    size_t CombsSelectedCount() const;
    void SetCombsExclude(int n); // the field edCombsExclude
    // The newest draw the analyses may use: index n - 1 - offset, or 0.
    int WindowEnd() const;

    void MakeUndo(bool show);
    void RestoreUndo(bool show);
    void RefreshCombsCount();
    // Fills the list by the mode; interactive runs also reset undo and the applied filters.
    void GenerateCombs(bool interactive, const TGenerateSettings& params);
    // Keeps (or with exclude removes) the combinations of the undo list that have one of the selected values.
    void FilterByStat(TCustomStat& stat, const TStatDrawArray& selected, const std::string& valuesText,
                      const std::string& operation, bool exclude);
    void FilterByNumbers(const std::string& viewCaption, const std::vector<int>& numbers, bool exclude);
    void RemoveLastDraws(int n);
    void RemoveSelected();
    void CombsGen();
    void CombsOpen(const std::string& path);
    void CombsSave(const std::string& path);
    void CombsCopy();
    void CombsPaste();
    void CombsSelectAll();
    void CombsCheckNums();
    void CombsFindInDraws();
    // The archive search for one combination (every draw with the same six numbers, newest first, at most 26).
    std::string FindInDrawsText(const TComb& comb);
    // Sorted display for this run only, as the command line's --sorted asks.
    void SetSortedDrawsForRun(bool sorted) { FSettings.SortedDraws = sorted; }
    void SetPrefetchsForRun(bool enabled) { FSettings.PrefetchsEnabled = enabled; }
    void SetResultsUrlForRun(const std::string& url) { FStats.Config.ResultsArchiveUrl = url; }
    // The method of the statistics table, also one that the method list does not show (commands, scenarios).
    void SetStatEntry(int entry) { FStatTypeEntry = entry >= 0 && entry < FStats.MethodCount() ? entry : -1; }
    void CombsDelExists();
    void CombsDelSelected();
    void CombsUndo();
    // The combination buffer of scenario runs, kept in memory under the key (offset, excluded).
    void SaveBuffer(int offset, int excluded);
    bool LoadBuffer(int offset, int excluded);
    void DeleteBuffer();
    void ForgetBuffer();
    void EditConfig();
    void EditShredding();
    // Method groups whose full-set files go stale when the settings change from `before` to `after`.
    static std::vector<int> StaleGroups(const TConfigData& before, const TConfigData& after);
    static constexpr int ShreddingGroup = 12;
    static std::vector<int> AllGroups();

    // --- Draws in and out ---
    const TProxy& Proxy() const { return FProxy; }
    void EditProxy();
    // Downloads new draws through the game's hook, then checks the stakes; returns the number of draws added.
    int DrawsDownload();
    // Imports a CSV file; reports the lines it could not use. Returns the number of draws added.
    int DrawsImport(const std::string& path);
    bool DrawsExport(const std::string& path);
    // Options of this program's requests: the proxy chosen by hand and a window kept alive while waiting.
    THttpOptions HttpOptions();
    // Shorter limits for a run that must not wait long on a dead server (tests, scripts).
    void SetHttpTimeouts(long connectSeconds, long stallSeconds) {
        FHttpConnectSeconds = connectSeconds;
        FHttpStallSeconds = stallSeconds;
    }

    // --- Stakes ---
    TStakesFile& StakesFile() { return FStakes; }
    bool StakesOpen() const { return FStakes.IsOpen(); }
    int64_t StakeCount() const { return FStakes.IsOpen() ? FStakes.Count() : 0; }
    bool LoadStakes();
    void SaveStakes();
    // A stake on the next draw at the current offset, made by `kind`, costing StakeProfit(count, -1).
    TStakeRecord NewStakeRecord(uint8_t kind, const std::string& comment, const TNumberSet& numbers) const;
    // The single-stake protocol: append (a series for drawCount > 1), check, show; false when it failed.
    bool AddSingleStake(const TStakeRecord& record, int drawCount);
    // One stake of a batch; the producer checks once at the end.
    bool AddBatchStake(const TStakeRecord& record, int drawCount, bool scroll);
    bool CheckAndCommitStakes();
    void RefreshStakesView(bool repaint, bool scrollToEnd);
    bool DeleteStakeRows(int64_t firstRow, int64_t lastRow); // grid rows: record index + 1
    bool DeleteStakesByMatches(int condition, int value);
    // Every newly checked stake is also handed to these (the ratings).
    void AddStakeCheckedHook(std::function<void(const TStakeRecord&)> hook) { FStakeHooks.push_back(std::move(hook)); }
    static constexpr int StakeColumnCount = 9;
    std::string StakeColumnCaption(int column) const;
    std::string StakeCellText(int64_t record, int column); // reads through the record cache
    void SetStakesSelection(TRowRanges ranges);            // record indexes
    const TRowRanges& StakesSelection() const { return FStakesSelection; }
    void StakeAdd(bool randomCombination);
    void StakeAddCombos(bool all);
    void StakeDel();
    void StakeFilter();
    void StakeClear();
    void LogStakesDelete();
    void CombsDoubleClicked(); // a double click on the combination list makes a stake

    // --- Filter descriptions and favourites ---
    bool EditFilter(TFilterItem& item);
    void FiltersManager();
    void FiltersReset();
    void ShowMethodInfo(int entry);
    std::string HelpPagesDir() const; // empty when there is none
    std::string MethodHelpHtml(int entry) const;

    // --- Statistics table ---
    const std::vector<TStatLine>& StatLines() const { return FStatTable.Lines; } // in the view's order
    const TStatTable& StatTable() const { return FStatTable; }
    int StatSortColumn() const { return FStatSortColumn; }
    bool StatSortDescending() const { return FStatSortDesc; }
    // Sorts by a column: ascending, or reversed when it is already the sort column.
    void SortStatBy(int column);
    void SetStatSort(int column, bool descending);
    void SetStatSelection(std::vector<int> rows);
    const std::vector<int>& StatSelection() const { return FStatSelection; }
    void SetDrawsStatLen(int length); // the field edDrawsStatLen; recalculates as a new choice would
    void Recalculate(bool force);
    void DrawsStatCalc() { Recalculate(true); }
    void StatFilter(bool exclude);
    // Full-set files: creates missing ones and rebuilds those of `groups`; nothing unless forced or enabled.
    void EnsurePrefetchs(bool force, const std::vector<int>& groups);
    std::string PrefetchPath(int entry) const;
    // The entry's full-set distribution, made first when its file is missing; nothing when the comparison is
    // off, the method cannot be compared, or the file cannot be read or made (reported).
    std::optional<TPrefetchData> OpenPrefetch(int entry);
    std::optional<TPrefetchData> MakePrefetch(int entry);
    // A damaged file is deleted and, with rebuildDamaged, made again; other read errors are reported, then nullopt.
    std::optional<TPrefetchData> ReadPrefetch(int entry, bool rebuildDamaged);
    void SetOption(const char* key, bool& flag, bool value);
    void SetDownloadOnStart(int mode);
    void ChooseLanguage(int lcid);
    void OpenLink(const std::string& address);
    static std::string NormalizeUrl(const std::string& address);
    std::vector<int> AvailableLanguages() const; // built-in first, then every module found
    std::string LanguageModulePath(int lcid) const;

protected:
    // What belongs to the game.
    virtual std::string ProgramName() const = 0;    // base name of every data file, e.g. "Zorb_6x52"
    virtual std::string ProgramCaption() const = 0; // the window caption before the version
    virtual std::vector<TLinkInfo> Links() const = 0;
    virtual std::string AboutText() const = 0;
    // Fetches new draws from the operator and appends them; returns how many were added. The generic window has
    // none, so it adds nothing.
    virtual int DownloadHook() { return 0; }
    void AppendDownloaded(std::vector<TDrawRec> newestFirst); // oldest first into the archive, then saved

    UserInterface& UI() { return FUI; }

private:
    void BuildActions();
    void BuildMenus();
    void AddAction(TAction a);
    void AddLinkActions();
    void AddLanguageActions();

    void StepWaitForOtherCopy();
    void StepLanguage();
    void StepReadFormSettings();
    void StepLoadSettings();
    void StepBuildRegistry();
    void LoadFavorites();
    bool SaveFavorites();
    void FindHelpFile();
    void WriteOptionNow(const std::function<void(TIniFile&)>& write);
    void UpdateStatusPanels();
    void AddFilterLine(TFilterLine line);
    void OnStakeChecked(const TStakeRecord& record);
    void ArchiveChanged(); // checks the stakes after the draws changed
    void ReportOddCombs(size_t odd);
    void Restart();
    void EndBatch(); // a batch run ends the program here
    void BuildPrefetchFiles(const std::vector<int>& entries, class TProgress* progress);

    UserInterface& FUI;
    TAppOptions FOptions;
    TSwitches FSwitches;
    TStartState FState = TStartState::Created;
    bool FTerminated = false;
    int FBusy = 0;
    std::string FCaption;

    std::unique_ptr<TIniFile> FFrm; // created by Create, once the file name is known
    TFormSettings FSettings;
    TStatList FStats;
    std::vector<int> FStatTypeItems, FGraphTypeItems;
    int FStatTypeEntry = -1, FGraphTypeEntry = -1;
    TProxy FProxy;
    long FHttpConnectSeconds = THttpOptions{}.ConnectTimeoutSeconds;
    long FHttpStallSeconds = THttpOptions{}.StallSeconds;
    TStakesFile FStakes;
    TInstanceLock FLock;
    bool FRefused = false; // a second copy: it ends without touching any file
    TRowRanges FStakesSelection;
    std::vector<std::function<void(const TStakeRecord&)>> FStakeHooks;
    TStatTable FStatTable;
    int FStatSortColumn = 1;
    bool FStatSortDesc = false;
    std::vector<int> FStatSelection;
    struct TStatKey {
        int Draws, Offset, Length, Entry;
        bool operator==(const TStatKey&) const = default;
    };
    std::optional<TStatKey> FStatKey;

    TCombsArray FCombs, FUndo, FBuffer;
    std::pair<int, int> FBufferKey{-1, -1};
    std::vector<TFilterLine> FFilters;
    TRowRanges FCombsSelection;
    size_t FListedCombs = SIZE_MAX; // count the list was last told about
    int FLanguage = 1049;
    std::string FHelpFile;
    TMatchDistribution FMatchDistribution{};
    int64_t FCombinationsCount = 0;

    TDrawsArray FDraws;
    int FDrawsOffset = 0;
    int FListedRows = -1; // row count the list was last told about
    TNumberMask FNextDrawMask{};
    bool FViewsFrozen = false;
    std::vector<int> FDrawsSelection; // ascending rows
    std::vector<std::function<void(bool)>> FViewRefreshers;

    std::vector<TAction> FActions;
    std::vector<TMenu> FMenus;
};

// Raises the busy counter for a scope; the progress text is cleared when it ends.
class TBusyScope {
public:
    TBusyScope(TTemplateMain& app, const std::string& progress) : FApp(app) {
        FApp.BeginBusy();
        FApp.SetProgressText(progress);
    }
    ~TBusyScope() {
        FApp.SetProgressText("");
        FApp.EndBusy();
    }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

private:
    TTemplateMain& FApp;
};

} // namespace zorb
