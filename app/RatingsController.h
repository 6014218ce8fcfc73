// The ratings tab: the entries fed by every stake check, their file, sort, export, the lines they give back to
// the scenario and the graphs of stakes and matches.
#pragma once

#include "app/AppServices.h"
#include "app/StakesController.h"
#include "stakes/Ratings.h"
#include "views/Views.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zorb {

// What the ratings need of the window.
class TRatingsUi {
public:
    virtual ~TRatingsUi() = default;
    virtual void RatingsViewChanged(size_t count) = 0;
    // The graph window of the draw views, modal, titled `title`.
    virtual void ShowRatingsChart(const std::string& title, const std::vector<TChartSeries>& series) = 0;
    virtual void ShowScenarioTab() = 0;
};

class TRatingsController : public TController {
public:
    // `addScenarioLine` appends a line to the current scenario (which saves its state file).
    TRatingsController(TAppServices& app, TStakesController& stakes,
                       std::function<void(const std::string&)> addScenarioLine);
    void RegisterActions(TActionTable& table) override;

    const TRatings& Ratings() const { return FRatings; }
    std::string LrtPath() const;
    std::string LrsPath() const;
    void LoadRatings();
    void SaveRatings();
    void SortRatings(int column, bool descending);
    int SortColumn() const { return FSortColumn; }
    bool SortDescending() const { return FSortDescending; }
    // A click on a header: the same column again turns the direction.
    void SortByHeader(int column);
    void ClearRatings() {
        FRatings.Clear();
        FExpectations.clear();
    }

    // The list: cells as shown, by the efficiency mode.
    std::string CellText(size_t row, int column) const;
    int64_t CellColor(size_t row, int column) const; // -1: default; green for a p-value below 0.05
    TRatingExpectation Expectation(size_t row) const;
    Currency StakeProfit(int numbers, int matches) const;
    void SetSelection(std::vector<size_t> rows);
    const std::vector<size_t>& Selection() const { return FSelection; }
    void SetEffMode(int mode);

    void RatingsRefresh();
    bool RatingsExport(const std::string& path); // empty path: the save dialog asks
    // Lines from the selected rows; returns the lines added.
    std::vector<std::string> RatingsToScript();
    std::vector<TChartSeries> GraphDraws(std::string& error);
    std::vector<TChartSeries> GraphStakes(bool profits, std::string& error);
    std::vector<TChartSeries> GraphOverlap() const;

private:
    void OnStakeChecked(const TStakeRecord& record);
    std::vector<std::string> SelectedComments() const;
    void ShowGraph(const char* title, std::vector<TChartSeries> series, const std::string& error);

    TAppServices& FApp;
    TRatingsUi& FUi;
    TStakesController& FStakes;
    std::function<void(const std::string&)> FAddScenarioLine;
    TRatings FRatings;
    int FSortColumn = 3;
    bool FSortDescending = true;
    std::vector<size_t> FSelection;
    bool FDirty = false; // stakes were added since the last sort
    // A p-value costs a convolution over the entry's stakes; a grid asks for it at every paint.
    mutable std::vector<std::optional<TRatingExpectation>> FExpectations;
};

} // namespace zorb
