// "Статистика": the method and window length, the statistics table and its chart; the settings, filter and
// favourites dialogs.
#pragma once

#include "app/StatsController.h"
#include "ui/Page.h"

class QComboBox;
class QSpinBox;
class QSplitter;
class TStatChartView;
class TStatModel;

class TStatsPage : public TPage, public zorb::TStatsUi {
    Q_OBJECT
public:
    TStatsPage(TPageHost& host, QWidget* parent);

    QTableView* View() const { return FView; }
    QComboBox* TypeBox() const { return FType; }
    QSpinBox* LenEdit() const { return FLen; }
    TStatChartView* Chart() const { return FChart; }

    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void RestoreState(const TStoredSizes& sizes) override;
    void SaveState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes, bool shown) override;

    void StatMethodsChanged() override;
    bool DrivenByScenarios() const override { return true; }

    void StatTableChanged() override;
    void StatColumnsChanged() override;
    void MethodListsChanged() override;
    bool EditConfig(zorb::TConfigData& config) override;
    bool EditShredding(zorb::TShreddingData& data) override;
    bool EditFilter(zorb::TFilterItem& item, const zorb::TFilterDialogContext& context) override;
    bool ManageFavorites(zorb::TFavoritesEditor& editor) override;
    void ShowMethodHelp(const std::string& title, const std::string& html) override;

private:
    void OnSelectionChanged();

    QComboBox* FType = nullptr;
    QSpinBox* FLen = nullptr;
    QToolBar* FToolBar = nullptr;
    QSplitter* FSplitter = nullptr;
    QTableView* FView = nullptr;
    TStatChartView* FChart = nullptr;
    TStatModel* FModel = nullptr;
    bool FFillingMethods = false;
};
