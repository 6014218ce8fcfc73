// The application: start-up and shutdown, the busy state, progress and messages, the action table, the refresh
// chain of the views and the file paths. Everything else belongs to one controller per subsystem, held here in
// dependency order; a controller sees the services below and the controllers under it. Game-independent logic
// lives here; TFormMain adds what belongs to this game (file names, addresses). Everything reaches the user
// through UserInterface; long work raises the busy counter, which disables every action.
#pragma once

#include "app/Actions.h"
#include "app/AppServices.h"
#include "app/CombsController.h"
#include "app/DrawsController.h"
#include "app/ExportController.h"
#include "app/FormSettings.h"
#include "app/LibraryController.h"
#include "app/RatingsController.h"
#include "app/ScenarioController.h"
#include "app/StakesController.h"
#include "app/StatsController.h"
#include "app/Switches.h"
#include "app/SystemsController.h"
#include "app/TablesController.h"
#include "app/UpdateController.h"
#include "app/UserInterface.h"
#include "app/ViewsController.h"
#include "core/IniFile.h"
#include "core/KestoUtils.h"
#include "stats/StatList.h"

#include <functional>
#include <memory>
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

class TTemplateMain : public TAppServices {
public:
    TTemplateMain(UserInterface& ui, TAppOptions options);
    ~TTemplateMain() override;
    TTemplateMain(const TTemplateMain&) = delete;
    TTemplateMain& operator=(const TTemplateMain&) = delete;

    // --- The subsystems, in dependency order ---
    TDrawsController& Archive() { return FArchive; }
    const TDrawsController& Archive() const { return FArchive; }
    TCombsController& Combinations() { return FCombinations; }
    const TCombsController& Combinations() const { return FCombinations; }
    TStatsController& Statistics() { return FStatistics; }
    const TStatsController& Statistics() const { return FStatistics; }
    TStakesController& Stakes() { return FStakes; }
    const TStakesController& Stakes() const { return FStakes; }
    TScenarioController& Scenarios() { return FScenarios; }
    const TScenarioController& Scenarios() const { return FScenarios; }
    TViewsController& Views() { return FViews; }
    TRatingsController& RatingsTab() { return FRatings; }
    TTablesController& Tables() { return FTables; }
    TSystemsController& Systems() { return FSystems; }
    TLibraryController& Library() { return FLibrary; }
    TUpdateController& Updates() { return FUpdates; }
    TExportController& Export() { return FExport; }

    // --- Start-up and shutdown ---
    void Create();      // first stage: settings, language; ends by starting the initialisation timer
    void OnInitTimer(); // second stage: the heavy loading, once the window is visible
    void Shutdown();
    bool Terminated() const { return FTerminated; }
    TStartState State() const { return FState; }
    const TSwitches& Switches() const { return FSwitches; }

    // --- Actions ---
    const std::vector<TAction>& Actions() const { return FActions.Actions(); }
    std::vector<TMenu> Menus() const { return FActions.Menus(); }
    std::vector<std::string> ToolbarNames() const { return FActions.ToolbarNames(); }
    std::vector<const TAction*> ToolbarActions(const std::string& toolbar) const {
        return FActions.ToolbarActions(toolbar);
    }
    const TAction* FindAction(const std::string& name) const { return FActions.Find(name); }
    bool ActionEnabled(const TAction& a) const;
    bool ActionEnabled(const std::string& name) const override;
    bool ActionChecked(const std::string& name) const;
    // Runs the effect when the action exists and is enabled; returns whether it ran.
    bool Execute(const std::string& name) override;

    // --- Services lent to the controllers ---
    UserInterface& UI() override { return FUI; }
    bool Busy() const override { return FBusy > 0; }
    void BeginBusy() override;
    void EndBusy() override;
    void SetProgressText(const std::string& text) override;
    void Note(const std::string& text) override;
    void Message(TMsgBox box, const std::string& text) override;
    bool Ask(TMsgBox box, const std::string& text) override;
    const std::string& DataDir() const override { return FOptions.DataDir; }
    const std::string& ExeDir() const override { return FOptions.ExeDir; }
    std::string DataFile(const std::string& name) const override;
    std::string SettingsPath() const override; // the game settings file
    std::unique_ptr<TIniFile> ReadSettingsFile() override;
    const TIniFile& FormSettingsFile() const override;
    bool ReadOnly() const override { return FOptions.ReadOnly; }
    TFormSettings& Settings() override { return FSettings; }
    const TFormSettings& Settings() const { return FSettings; }
    void SetOption(bool TFormSettings::*option, bool value) override;
    void WriteOptionNow(const std::function<void(TIniFile&)>& write) override;
    TStatList& Registry() override { return FStats; }
    void RefreshViews(bool force) override;
    std::string ProgramName() const override = 0; // base name of every data file, e.g. "Zorb_6x52"

    // --- Files and settings ---
    std::string FrmPath() const; // the user-interface settings file
    TIniFile& FrmFile() { return *FFrm; }
    TStatList& Stats() { return FStats; }
    const TStatList& Stats() const { return FStats; }
    const TConfigData& Config() const { return FStats.Config; }
    const TShreddingData& Shredding() const { return FStats.Shredding; }
    const TGenerateSettings& GenerateSettings() const { return FStats.Generate; }
    // Sorted display, the full-set comparison and the results address for this run only (command line).
    void SetSortedDrawsForRun(bool sorted) { FSettings.SortedDraws = sorted; }
    void SetPrefetchsForRun(bool enabled) { FSettings.PrefetchsEnabled = enabled; }
    void SetResultsUrlForRun(const std::string& url) { FStats.Config.ResultsArchiveUrl = url; }
    const std::string& HelpFile() const { return FHelpFile; }
    int Language() const { return FLanguage; }
    std::string Caption() const { return FCaption; }
    const TMatchDistribution& MatchDistribution() const { return FMatchDistribution; }
    int64_t CombinationsCount() const { return FCombinationsCount; }

    // --- The refresh chain of the views ---
    bool ViewsFrozen() const { return FViewsFrozen; }
    void SetViewsFrozen(bool frozen) { FViewsFrozen = frozen; }
    // Later views join the refresh chain here, in their order.
    void AddViewRefresher(std::function<void(bool force)> refresher);

    // --- Options, language, links ---
    void ChooseLanguage(int lcid);
    void OpenLink(const std::string& address);
    static std::string NormalizeUrl(const std::string& address);
    std::vector<int> AvailableLanguages() const; // built-in first, then every module found
    std::string LanguageModulePath(int lcid) const;

protected:
    // What belongs to the game.
    virtual std::string ProgramCaption() const = 0; // the window caption before the version
    virtual std::vector<TLinkInfo> Links() const = 0;
    virtual std::string AboutText() const = 0;
    // Fetches new draws from the operator and appends them; returns how many were added. The generic window has
    // none, so it adds nothing.
    virtual int DownloadHook() { return 0; }
    // Whether the download has what it needs (the operator's address) to be offered at start-up.
    virtual bool DownloadConfigured() const { return false; }

private:
    void BuildActions();
    void RegisterOwnActions();

    void StepWaitForOtherCopy();
    void StepLanguage();
    void StepReadFormSettings();
    void StepLoadSettings();
    void StepBuildRegistry();
    void FindHelpFile();
    void Restart();
    void EndBatch(); // a batch run ends the program here
    void OpenFileArgument();

    UserInterface& FUI;
    TAppOptions FOptions;
    TSwitches FSwitches;
    TStartState FState = TStartState::Created;
    bool FTerminated = false;
    bool FInitRunning = false; // the loading processes events, where the timer could start it a second time
    int FBusy = 0;
    std::string FCaption;
    std::unique_ptr<TIniFile> FFrm; // created by Create, once the file name is known
    TFormSettings FSettings;
    TStatList FStats;
    bool FSettingsFileReported = false; // its damage was told; said again only after it read well
    bool FRefused = false;              // a second copy: it ends without touching any file
    int FLanguage = 1049;
    std::string FHelpFile;
    std::string FNote; // shown once the program is no longer busy
    TMatchDistribution FMatchDistribution{};
    int64_t FCombinationsCount = 0;
    bool FViewsFrozen = false;
    std::vector<std::function<void(bool)>> FViewRefreshers;
    TActionTable FActions;

    // One line per subsystem, in dependency order.
    TDrawsController FArchive{*this, [this] { return DownloadHook(); }};
    TCombsController FCombinations{*this, FArchive};
    TStatsController FStatistics{*this, FArchive, FCombinations};
    TStakesController FStakes{*this, FArchive, FCombinations};
    TScenarioController FScenarios{*this, FArchive, FCombinations, FStatistics, FStakes};
    TViewsController FViews{*this, FArchive, FCombinations, FStatistics};
    TRatingsController FRatings{*this, FStakes, FArchive,
                                [this](const std::string& line) { FScenarios.AddLine(line); }};
    TTablesController FTables{*this, FArchive, FCombinations, FStakes, [this](bool frozen) { FViewsFrozen = frozen; }};
    TSystemsController FSystems{*this, FArchive, FCombinations, FStakes, [this] { return FLanguage; }};
    TLibraryController FLibrary{*this, FArchive, FScenarios, [this] { return FLanguage; },
                                [this] { return AvailableLanguages(); }};
    TUpdateController FUpdates{*this, FArchive, [this] { return FLanguage; }, [this] { Restart(); }};
    TExportController FExport{*this, FArchive, FStatistics, FCombinations, FStakes, FViews, FRatings};
};

} // namespace zorb
