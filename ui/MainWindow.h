// The main window: the Qt side of UserInterface. It builds its commands from the application's action table,
// re-evaluates every enabling rule in one place, hosts the pages of the tabs and forwards to each the calls that
// concern it; it keeps no logic of its own in slots.
#pragma once

#include "app/ExportController.h"
#include "app/ScenarioController.h"
#include "app/StakesController.h"
#include "app/StatsController.h"
#include "app/SystemsController.h"
#include "app/UpdateController.h"
#include "app/UserInterface.h"
#include "ui/LibraryPanel.h"
#include "ui/Page.h"
#include "ui/ViewPages.h"

#include <QMainWindow>
#include <array>
#include <map>
#include <string>
#include <vector>

class QActionGroup;
class QLabel;
class QMenu;
class QProgressDialog;
class QSplitter;
class QTabWidget;
class QTranslator;
class TCombsPage;
class TDrawsPage;
class TStakesPage;
class TScenarioPage;
class TStatsPage;
class TSystemsPage;

namespace zorb {
struct TMenuItem;
} // namespace zorb

class TMainWindow : public QMainWindow,
                    public zorb::UserInterface,
                    public zorb::TDrawsUi,
                    public zorb::TCombsUi,
                    public zorb::TStatsUi,
                    public zorb::TStakesUi,
                    public zorb::TScenarioUi,
                    public zorb::TUpdateUi,
                    public zorb::TExportUi,
                    public TLibraryWindowUi,
                    public zorb::TSystemsUi,
                    public TViewPagesUi,
                    public TPageHost {
    Q_OBJECT
public:
    TMainWindow();
    ~TMainWindow() override;

    void Attach(zorb::TTemplateMain* app);
    bool StartMaximized() const { return FStartMaximized; }

    TDrawsPage* DrawsPage() const { return FDrawsPage; }
    TCombsPage* CombsPage() const { return FCombsPage; }
    TStatsPage* StatsPage() const { return FStatsPage; }
    TStakesPage* StakesPage() const { return FStakesPage; }
    TScenarioPage* ScenarioPage() const { return FScenarioPage; }
    TSystemsPage* SystemsPage() const { return FSystemsPage; }
    QString PanelText(int panel) const;
    QLabel* OffsetPanel() const { return FOffsetPanel; }
    // The window's size at the first start on a screen with this working area.
    static QSize FirstStartSize(const QRect& area);

    // TPageHost
    QAction* ActionByName(const std::string& name) const override;
    void RunAction(const std::string& name) override;

    // UserInterface
    void ShowMessage(zorb::TMsgBox box, const std::string& text) override;
    bool AskYesNo(zorb::TMsgBox box, const std::string& text) override;
    void SetStatusPanel(int panel, const std::string& text) override;
    void SetProgressText(const std::string& text) override;
    void SetBusyCursor(bool busy) override;
    void ProcessEvents() override;
    void ActionsChanged() override;
    void SetCaption(const std::string& caption) override;
    void LanguageChanged() override;
    void DrawsListReset() override;
    void DrawsListRepaint() override;
    void SetOffsetField(int value, int maxValue) override;
    bool EditDraw(zorb::TDrawRec& draw) override;
    bool EditConfig(zorb::TConfigData& config) override;
    bool EditShredding(zorb::TShreddingData& shredding) override;
    void MethodListsChanged() override;
    void StatTableChanged() override;
    bool EditFilter(zorb::TFilterItem& item, const zorb::TFilterDialogContext& context) override;
    void StakesViewChanged(int64_t count, bool repaint, bool scrollToEnd) override;
    bool EditStake(zorb::TStakeRecord& record, int& drawCount) override;
    bool EditMultiStake(int& drawNumber, int& drawCount, std::string& comment) override;
    bool EditStakeFilter(int& condition, int& value) override;
    void ScriptListChanged() override;
    void ScriptSelectionChanged(int scrollTo) override;
    bool EditScriptLine(zorb::TScriptEditorData& data) override;
    bool AskScriptTestCount(int& count, int& holdout, int maxCount) override;
    void ScriptPanelsChanged(const zorb::TScriptPanels& panels) override;
    void ScriptRunStateChanged(bool running) override;
    bool EditProxy(zorb::TProxy& proxy) override;
    bool ManageFavorites(zorb::TFavoritesEditor& editor) override;
    void ShowMethodHelp(const std::string& title, const std::string& html) override;
    void StatColumnsChanged() override;
    void ProgressOpen(const std::string& text, int steps, bool stopButton) override;
    void ProgressSetText(const std::string& text) override;
    void ProgressStep(int steps) override;
    void ProgressClose() override;
    bool ProgressStopRequested() override;
    bool OfferUpdate(const std::string& currentVersion, const std::string& newVersion,
                     const std::string& description) override;
    std::vector<int> ExportColumnWidths(zorb::TExportList list) override;
    bool EditExport(zorb::TExportDialogData& data) override;
    void SystemsListChanged() override;
    void SystemsTabChanged(bool front) override;
    bool EditSystem(zorb::tSystemData& system, bool readOnly, zorb::TSystemPage page) override;
    void CombsListReset() override;
    void CombsListRepaint() override;
    void CombsSelectAll() override;
    void FiltersChanged() override;
    bool EditGenerateParams(zorb::TGenerateSettings& params, bool& saveAsDefault) override;
    std::string OpenFileName(const std::string& filter, const std::string& defaultExt) override;
    std::string SaveFileName(const std::string& filter, const std::string& defaultExt) override;
    bool ClipboardHasText() override;
    std::string ClipboardText() override;
    void SetClipboardText(const std::string& text) override;
    void ShowAbout(const zorb::TAboutInfo& info) override;
    bool ShowFirstRun(const zorb::TFirstRunInfo& info) override;
    void OpenUrl(const std::string& url) override;
    void OpenDocument(const std::string& path) override;
    void StartInitTimer() override;
    void RequestClose() override;
    void RestoreWindowState(const zorb::TIniFile& frm, const std::string& section) override;
    void SaveWindowState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void AddPage(QTabWidget* tabs, TPage* page);
    void BuildActions();
    void LoadQtTranslation(int lcid);
    void FillMenu(QMenu* menu, const std::vector<zorb::TMenuItem>& items);

    zorb::TTemplateMain* FApp = nullptr;
    std::map<std::string, QAction*> FActions;
    std::map<std::string, QActionGroup*> FGroups;
    QSplitter* FSplitter = nullptr;
    QTabWidget* FLeftPages = nullptr;
    QTabWidget* FMainPages = nullptr;
    std::vector<TPage*> FPages; // in tab order, left tabs first: the order their sizes are read and written
    TDrawsPage* FDrawsPage = nullptr;
    TCombsPage* FCombsPage = nullptr;
    TStatsPage* FStatsPage = nullptr;
    TStakesPage* FStakesPage = nullptr;
    TScenarioPage* FScenarioPage = nullptr;
    TSystemsPage* FSystemsPage = nullptr;
    QProgressDialog* FProgress = nullptr;
    bool FProgressStop = false;
    std::array<QLabel*, 7> FPanels{};
    QLabel* FOffsetPanel = nullptr;
    std::string FProgressText;
    std::string FNote;
    QTranslator* FQtTranslator = nullptr;
    int FLeftPanelWidth = -1;
    bool FStartMaximized = false;
    bool FShown = false;
    bool FClosed = false;
};
