// "Рейтинг": the ratings of the stake comments, with their columns chosen and ordered by the user, the charts they
// open and the verdict window after a test.
#pragma once

#include "app/RatingsController.h"
#include "ui/Page.h"

#include <QPointer>

class QTableView;
class QToolBar;
class TGridTextModel;
class TVerdictDialog;

class TRatingsPage : public TPage, public zorb::TRatingsUi {
    Q_OBJECT
public:
    TRatingsPage(TPageHost& host, QWidget* parent);
    QString Title() const override;
    void Attach(zorb::TTemplateMain& app) override;
    void LanguageChanged() override;
    void RestoreState(const TStoredSizes& sizes) override;
    void SaveState(zorb::TIniFile& frm, const std::string& section, zorb::TFormSettings& sizes, bool shown) override;
    QTableView* View() const { return FView; }
    // The columns in the order shown, hidden ones left out.
    std::vector<int> ShownColumns() const;
    TVerdictDialog* TestSummaryWindow() const; // the last verdict's window while it is open

    void RatingsViewChanged(size_t count) override;
    void ShowRatingsChart(const std::string& title, const std::vector<zorb::TChartSeries>& series) override;
    void ShowScenarioTab() override;
    void ShowTestSummary(const zorb::TVerdictTable& table) override;

private:
    void OnSelection();
    void ContextMenu(const QPoint& at);
    void ColumnsMenu(const QPoint& at);
    void ShowColumns(const std::vector<int>& order, const std::vector<int>& hidden);

    QToolBar* FToolBar = nullptr;
    QTableView* FView = nullptr;
    TGridTextModel* FModel = nullptr;
    QPointer<TVerdictDialog> FVerdict; // the last test's verdict, while its window is open
};
