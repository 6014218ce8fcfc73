// The main window: the Qt side of UserInterface. It builds its commands from the application's action table,
// re-evaluates every enabling rule in one place and keeps no logic of its own in slots.
#pragma once

#include "app/UserInterface.h"

#include <QMainWindow>
#include <array>
#include <map>
#include <string>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QTableView;
class QToolBar;
class TDrawsModel;
class TCombsModel;
class TStatModel;
class TStatChartView;
class TStakesModel;
class QComboBox;
class QProgressDialog;
class QTableWidget;

namespace zorb {
class TTemplateMain;
struct TMenuItem;
} // namespace zorb

class TMainWindow : public QMainWindow, public zorb::UserInterface {
    Q_OBJECT
public:
    TMainWindow();
    ~TMainWindow() override;

    void Attach(zorb::TTemplateMain* app);
    bool StartMaximized() const { return FStartMaximized; }

    QTableView* DrawsView() const { return FDrawsView; }
    QTableView* CombsView() const { return FCombsView; }
    QTableWidget* FiltersView() const { return FFiltersView; }
    QSpinBox* CombsExcludeEdit() const { return FCombsExclude; }
    QTableView* StatView() const { return FStatView; }
    QComboBox* StatTypeBox() const { return FStatType; }
    QSpinBox* StatLenEdit() const { return FStatLen; }
    TStatChartView* StatChart() const { return FStatChart; }
    QTableView* StakesView() const { return FStakesView; }
    QSpinBox* OffsetEdit() const { return FOffset; }
    QAction* ActionByName(const std::string& name) const;
    QString PanelText(int panel) const;

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
    bool EditProxy(zorb::TProxy& proxy) override;
    bool ManageFavorites(zorb::TFavoritesEditor& editor) override;
    void ShowMethodHelp(const std::string& title, const std::string& html) override;
    void StatColumnsChanged() override;
    void ProgressOpen(const std::string& text, int steps, bool stopButton) override;
    void ProgressSetText(const std::string& text) override;
    void ProgressStep(int steps) override;
    void ProgressClose() override;
    bool ProgressStopRequested() override;
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
    void BuildActions();
    void FillMenu(QMenu* menu, const std::vector<zorb::TMenuItem>& items);
    void OnDrawsSelectionChanged();
    void OnCombsSelectionChanged();
    QWidget* BuildCombsPage();
    QWidget* BuildStatsPage();
    QWidget* BuildStakesPage();
    void OnStakesSelectionChanged();
    void OnStatSelectionChanged();
    void RunAction(const std::string& name);

    zorb::TTemplateMain* FApp = nullptr;
    std::map<std::string, QAction*> FActions;
    std::map<std::string, QActionGroup*> FGroups;
    TDrawsModel* FDrawsModel = nullptr;
    QSplitter* FSplitter = nullptr;
    QTabWidget* FLeftPages = nullptr;
    QTabWidget* FMainPages = nullptr;
    QTableView* FDrawsView = nullptr;
    QSpinBox* FOffset = nullptr;
    QToolBar* FDrawsToolBar = nullptr;
    TCombsModel* FCombsModel = nullptr;
    QTableView* FCombsView = nullptr;
    QToolBar* FCombsToolBar = nullptr;
    QSpinBox* FCombsExclude = nullptr;
    QPushButton* FCombsExcludeButton = nullptr;
    QTableWidget* FFiltersView = nullptr;
    QSplitter* FCombsSplitter = nullptr;
    TStatModel* FStatModel = nullptr;
    QTableView* FStatView = nullptr;
    QComboBox* FStatType = nullptr;
    QSpinBox* FStatLen = nullptr;
    QToolBar* FStatToolBar = nullptr;
    TStatChartView* FStatChart = nullptr;
    QSplitter* FStatSplitter = nullptr;
    QProgressDialog* FProgress = nullptr;
    TStakesModel* FStakesModel = nullptr;
    QTableView* FStakesView = nullptr;
    QToolBar* FStakesToolBar = nullptr;
    bool FProgressStop = false;
    bool FFillingMethods = false;
    std::array<QLabel*, 7> FPanels{};
    std::string FProgressText;
    int FLeftPanelWidth = -1;
    bool FStartMaximized = false;
    bool FShown = false;
    bool FClosed = false;
};
