// The draw view tabs ("Графики", "Карта", "Схема", "Неделя"), the ratings tab ("Рейтинг") and the regular tables
// tab ("Регуляры"), with the chart window "График" and the dialogs they open. The window inherits
// TViewPagesUi, which answers the three controllers' interfaces by forwarding to these pages.
#pragma once

#include "app/RatingsController.h"
#include "app/TablesController.h"
#include "app/ViewsController.h"
#include "ui/Page.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QPointer>
#include <functional>

class QChartView;
class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTableWidget;
class QToolBar;
class TVerdictDialog;

// A grid of texts with a colour per cell; header row and column 0 of the text grid as Qt shows them.
class TGridTextModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct TSource {
        std::function<int()> Rows;
        std::function<int()> Columns;
        std::function<std::string(int row, int column)> Text;
        std::function<std::string(int column)> Header;
        std::function<int64_t(int row, int column)> Color; // -1: default
        std::function<std::string(int column)> Hint = {};  // a header's tooltip; none when absent
    };
    TGridTextModel(TSource source, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void Reset();

private:
    TSource FSource;
};

// Fills a chart view with named series.
void ShowSeries(QChartView* view, const std::vector<zorb::TChartSeries>& series, bool labels);

// The reusable chart window "График".
class TChartDialog : public QDialog {
    Q_OBJECT
public:
    TChartDialog(const QString& title, const std::vector<zorb::TChartSeries>& series, QWidget* parent);
    QChartView* View() const { return FView; }
    QLabel* Legend() const { return FLegend; }

private:
    QChartView* FView;
    QLabel* FLegend;
};

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
    void ViewChanged();
    void MethodsChanged();
    QChartView* Chart() const { return FChart; }

private:
    QToolBar* FToolBar = nullptr;
    QComboBox* FMethod = nullptr;
    QSpinBox* FLength = nullptr;
    QCheckBox* FLabels = nullptr;
    QChartView* FChart = nullptr;
};

// "Рейтинг" and "Регуляры": a list over the controller's rows.
class TListPage : public TPage {
    Q_OBJECT
public:
    TListPage(TPageHost& host, QWidget* parent, bool ratings);
    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void RestoreState(const TStoredSizes& sizes) override;
    void SaveState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes, bool shown) override;
    void Reset();
    QTableView* View() const { return FView; }
    // The ratings' columns in the order shown, hidden ones left out.
    std::vector<int> ShownColumns() const;

private:
    void OnSelection();
    void ContextMenu(const QPoint& at);
    void ColumnsMenu(const QPoint& at);
    void ShowColumns(const std::vector<int>& order, const std::vector<int>& hidden);
    bool FRatings;
    QToolBar* FToolBar = nullptr;
    QTableView* FView = nullptr;
    TGridTextModel* FModel = nullptr;
};

class TViewPagesUi : public zorb::TViewsUi, public zorb::TRatingsUi, public zorb::TTablesUi {
public:
    // Creates the pages as tabs of `tabs`; `add` hosts each one in the window.
    void CreateViewPages(TPageHost& host, QTabWidget* tabs, const std::function<void(TPage*)>& add);
    void AttachViewPages(zorb::TTemplateMain& app);
    void ViewPagesMethodsChanged();
    TGridPage* GridPage(zorb::TViewKind kind) const;
    TGraphsPage* GraphsPage() const { return FGraphs; }
    TListPage* RatingsPage() const { return FRatingsPage; }
    TListPage* TablesPage() const { return FTablesPage; }

    void ViewChanged(zorb::TViewKind kind) override;
    void ViewTabsChanged(std::optional<zorb::TViewKind> front) override;
    void ShowChart(const std::string& title, const std::vector<zorb::TChartSeries>& series) override;
    void ShowRepeats(int& draws, int& depth,
                     const std::function<zorb::TRepeatsResult(int draws, int depth)>& compute) override;
    void ShowInfo(const std::vector<zorb::TInfoLine>& lines, const zorb::TComb& numbers, int columns,
                  int channelSize) override;
    void RatingsViewChanged(size_t count) override;
    void ShowRatingsChart(const std::string& title, const std::vector<zorb::TChartSeries>& series) override;
    void ShowScenarioTab() override;
    void ShowTestSummary(const zorb::TVerdictTable& table) override;
    TVerdictDialog* TestSummaryWindow() const; // the last verdict's window while it is open
    void TablesViewChanged(size_t count) override;
    void TablesTabChanged(bool shown) override;
    bool EditTable(zorb::TTableDialogData& data,
                   const std::function<std::string(const zorb::TTableDialogData&, bool&)>& check) override;
    bool AskTablesTestCount(int& count, int maxCount) override;

protected:
    ~TViewPagesUi() = default;

private:
    void SyncTabs();

    zorb::TTemplateMain* FViewApp = nullptr;
    QTabWidget* FTabs = nullptr;
    TGraphsPage* FGraphs = nullptr;
    std::array<TGridPage*, 3> FGrids{}; // card, layout, week
    TListPage* FRatingsPage = nullptr;
    TListPage* FTablesPage = nullptr;
    QPointer<TVerdictDialog> FVerdict; // the last test's verdict, while its window is open
};
