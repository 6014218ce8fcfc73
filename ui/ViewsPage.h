// The draw view tabs ("Графики", "Карта", "Схема", "Неделя") with the windows they open: the information window
// "Подробная информация" and the repeats window. TViewsHost makes the tabs and answers the views' interface.
#pragma once

#include "app/ViewsController.h"
#include "ui/Page.h"

#include <QDialog>
#include <array>

class QChartView;
class QCheckBox;
class QComboBox;
class QSpinBox;
class QTableView;
class QTableWidget;
class QToolBar;
class TGridTextModel;

// "Подробная информация": the properties of a draw or combination and its numbers in a small matrix.
class TInfoDialog : public QDialog {
    Q_OBJECT
public:
    TInfoDialog(const std::vector<zorb::TInfoLine>& lines, const zorb::TComb& numbers, int columns, int channelSize,
                QWidget* parent);
    QTableWidget* Properties() const { return FProperties; }
    QTableWidget* Matrix() const { return FMatrix; }
    QSpinBox* Columns() const { return FColumns; }

private:
    void DrawMatrix();
    zorb::TComb FNumbers;
    int FChannelSize;
    QTableWidget* FProperties;
    QTableWidget* FMatrix;
    QSpinBox* FColumns;
};

// One grid view tab: toolbar, optional length field, the grid; the week tab adds its chart, the layout tab its
// five comparison lists.
class TGridPage : public TPage {
    Q_OBJECT
public:
    TGridPage(TPageHost& host, QWidget* parent, zorb::TViewKind kind);
    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void ViewChanged(zorb::TViewKind kind);
    zorb::TViewKind Kind() const { return FKind; }
    QTableView* Grid() const { return FGrid; }

private:
    const zorb::TTextGrid& Text() const;
    void OnSelection();
    void DrawWeekChart();
    void ChooseWeekCell();

    zorb::TViewKind FKind;
    QToolBar* FToolBar = nullptr;
    QSpinBox* FLength = nullptr;
    QTableView* FGrid = nullptr;
    TGridTextModel* FModel = nullptr;
    QChartView* FChart = nullptr;
    std::array<QTableView*, 5> FCompare{};
    std::array<TGridTextModel*, 5> FCompareModels{};
    std::array<QSpinBox*, 5> FCompareLengths{};
};

class TGraphsPage : public TPage {
    Q_OBJECT
public:
    TGraphsPage(TPageHost& host, QWidget* parent);
    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void StatMethodsChanged() override;
    void ViewChanged();
    QChartView* Chart() const { return FChart; }

private:
    QToolBar* FToolBar = nullptr;
    QComboBox* FMethod = nullptr;
    QSpinBox* FLength = nullptr;
    QCheckBox* FLabels = nullptr;
    QChartView* FChart = nullptr;
};

class TViewsHost : public TDialogHost, public zorb::TViewsUi {
    Q_OBJECT
public:
    // Adds the four tabs to `tabs` through the host.
    TViewsHost(TPageHost& host, QTabWidget* tabs);
    void Attach(zorb::TTemplateMain& app) override;
    TGridPage* GridPage(zorb::TViewKind kind) const;
    TGraphsPage* GraphsPage() const { return FGraphs; }

    void ViewChanged(zorb::TViewKind kind) override;
    void ViewTabsChanged(std::optional<zorb::TViewKind> front) override;
    void ShowChart(const std::string& title, const std::vector<zorb::TChartSeries>& series) override;
    void ShowRepeats(int& draws, int& depth,
                     const std::function<zorb::TRepeatsResult(int draws, int depth)>& compute) override;
    void ShowInfo(const std::vector<zorb::TInfoLine>& lines, const zorb::TComb& numbers, int columns,
                  int channelSize) override;

private:
    void SyncTabs();

    QTabWidget* FTabs;
    TGraphsPage* FGraphs;
    std::array<TGridPage*, 3> FGrids; // card, layout, week
};
