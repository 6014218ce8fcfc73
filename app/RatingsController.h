// The ratings tab: the entries fed by every stake check, their file, sort, export, the lines they give back to
// the scenario and the graphs of stakes and matches.
#pragma once

#include "app/AppServices.h"
#include "app/DrawsController.h"
#include "app/StakesController.h"
#include "stakes/Ratings.h"
#include "stakes/Verdict.h"
#include "views/Views.h"

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace zorb {

// What the ratings need of the window.
class TRatingsUi : public virtual TUiPart {
public:
    virtual ~TRatingsUi() = default;
    virtual void RatingsViewChanged(size_t count) = 0;
    // The graph window of the draw views, modal, titled `title`.
    virtual void ShowRatingsChart(const std::string& title, const std::vector<TChartSeries>& series) = 0;
    virtual void ShowScenarioTab() = 0;
    // The verdict after a test; it stays readable after the run.
    virtual void ShowTestSummary(const TVerdictTable& /*table*/) {}
};

class TRatingsController : public TController {
public:
    // `addScenarioLine` appends a line to the current scenario (which saves its state file).
    TRatingsController(TAppServices& app, TStakesController& stakes, TDrawsController& archive,
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
        FExpectations.reset();
    }

    // The list: cells as shown, by the efficiency mode.
    std::string CellText(size_t row, int column) const;
    // -1: default; green on the p-values of an entry better than random play after the correction.
    int64_t CellColor(size_t row, int column) const;
    std::string ColumnHint(int column) const;
    // The entry against random play, its p-value corrected over the whole list.
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
    // Per selected entry: matched minus expected, summed draw by draw, between the ±2σ band of random play.
    std::vector<TChartSeries> GraphLuck(std::string& error);

    // The verdict on the stake records [first, end) a test made; with holdout > 0 the best entry before the last
    // `holdout` offsets is judged on them. A stakes file cut during the run keeps only what is left of it.
    TVerdict TestSummary(int64_t firstStake, int64_t endStake, int holdout);
    // The same, shown to the user when the run checked any stake.
    void ShowTestSummary(int64_t firstStake, int64_t endStake, int holdout);

private:
    void OnStakeChecked(const TStakeRecord& record);
    std::vector<std::string> SelectedComments() const;
    void ShowGraph(const char* title, std::vector<TChartSeries> series, const std::string& error);

    TAppServices& FApp;
    TRatingsUi& FUi;
    TStakesController& FStakes;
    TDrawsController& FArchive;
    std::function<void(const std::string&)> FAddScenarioLine;
    TRatings FRatings;
    int FSortColumn = 3;
    bool FSortDescending = true;
    std::vector<size_t> FSelection;
    bool FDirty = false; // stakes were added since the last sort
    // A p-value costs a convolution over the entry's stakes and the correction needs all of them, while a grid
    // asks at every paint: computed once per state of the list, and only for the entries that changed since.
    mutable std::optional<std::vector<TRatingExpectation>> FExpectations;
    struct TJudged {
        TRatingRecord Counts;
        TRatingExpectation Expected;
    };
    mutable std::unordered_map<std::string, TJudged> FJudged; // by the folded comment
    mutable std::vector<Currency> FJudgedPrizes;              // the prizes they were judged with
};

} // namespace zorb
