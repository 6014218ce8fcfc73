// "Статистика": the method and window length, the statistics table and its chart.
#pragma once

#include "ui/Page.h"

class QComboBox;
class QSpinBox;
class QSplitter;
class TStatChartView;
class TStatModel;

class TStatsPage : public TPage {
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

    void MethodListsChanged();
    void TableChanged();
    void ColumnsChanged();

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
