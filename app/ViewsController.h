// The draw views of the main window: graphs, number card, layout with its comparison lists and the weekday
// table, each computed only while its tab is shown and, unforced, only when its inputs changed; the repeats and
// sums windows; and the hand-over of the numbers selected in a view to the filtering.
#pragma once

#include "app/AppServices.h"
#include "app/CombsController.h"
#include "app/DrawsController.h"
#include "app/StatsController.h"
#include "views/Views.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zorb {

enum class TViewKind { Graphs = 0, Card = 1, Layout = 2, LayoutCompare = 3, Week = 4 };

// What the views need of the window.
class TViewsUi : public virtual TUiPart {
public:
    virtual ~TViewsUi() = default;
    // The view's data were recomputed (or cleared): repaint it.
    virtual void ViewChanged(TViewKind kind) = 0;
    // A tab was shown or hidden; `front` is brought to the front when it is shown.
    virtual void ViewTabsChanged(std::optional<TViewKind> front) = 0;
    // The chart window "График", modal, titled `title`.
    virtual void ShowChart(const std::string& title, const std::vector<TChartSeries>& series) = 0;
    // The repeats window; `compute` recomputes it for its two fields.
    virtual void ShowRepeats(int& draws, int& depth,
                             const std::function<TRepeatsResult(int draws, int depth)>& compute) = 0;
    // "Подробная информация": the properties, and the numbers' matrix starting at `columns` columns.
    virtual void ShowInfo(const std::vector<TInfoLine>& lines, const TComb& numbers, int columns, int channelSize) = 0;
};

class TViewsController : public TController {
public:
    TViewsController(TAppServices& app, TDrawsController& draws, TCombsController& combs, TStatsController& stats);
    void RegisterActions(TActionTable& table) override;

    // Part of the refresh chain: every shown view whose inputs changed (all shown views when forced).
    void Refresh(bool force);
    bool TabShown(TViewKind kind) const;

    // --- Graphs ---
    // The selector "Тип графика" is the statistics tab's list of methods with a value per draw.
    int GraphMethod() const { return FStats.GraphTypeEntry(); }
    void SetGraphMethod(int entry); // recomputes (unforced) when the graphs can be drawn
    const TGraphResult& Graph() const { return FGraph; }
    std::string GraphCaption() const;
    std::vector<TChartSeries> GraphSeries() const;
    void SetGraphLength(int length);

    // --- Card, layout, weekdays ---
    const std::vector<TCardRow>& Card() const { return FCard; }
    const TTextGrid& CardText() const { return FCardText; }
    const TLayoutGrid& Layout() const { return FLayout; }
    const TTextGrid& LayoutText() const { return FLayoutText; }
    const std::array<TLayoutCompareList, 5>& LayoutCompare() const { return FCompare; }
    const TWeekTable& Week() const { return FWeek; }
    const TTextGrid& WeekText() const { return FWeekText; }
    static std::array<std::string, 7> DayNames(); // short day names, Monday first
    void SetLayoutLength(int length);
    void SetCompareLength(int list, int length); // forces the comparison lists
    void SetWeekLength(int length);
    int64_t CardColor(int gridRow, int gridColumn) const;   // -1: normal background
    int64_t LayoutColor(int gridRow, int gridColumn) const; // -1: normal background
    int64_t WeekColor(int gridRow, int gridColumn) const;
    std::vector<TViewPoint> WeekChart(int gridRow, int gridColumn) const;

    // Selections in grid coordinates (header row and column 0 included); none when absent.
    void SetSelection(TViewKind kind, std::optional<TGridRect> rect);
    std::optional<TGridRect> Selection(TViewKind kind) const { return FSelections[static_cast<size_t>(kind)]; }
    // The numbers the view hands to the filtering for its selection.
    std::vector<int> SelectedNumbers(TViewKind kind) const;
    // Keeps (exclude: removes) the combinations with one of the selected numbers.
    void FilterBySelection(TViewKind kind, bool exclude);

    // --- Windows ---
    TSumsResult Sums() const { return ComputeSums(FArchive.Draws()); }
    void TotalSumCombs();
    void AnalyzeRepeats();
    // The information window for the first selected draw or combination; false when none is selected.
    bool DrawsInfo();
    bool CombsInfo();
    std::vector<TInfoLine> DrawInfo(int index) const; // index into the archive
    std::vector<TInfoLine> CombInfo(const TComb& comb) const;

    void ComputeGraphs();
    void ComputeCard();
    void ComputeLayout();
    void ComputeLayoutCompare();
    void ComputeWeek();

private:
    struct TKey {
        size_t Count;
        uint64_t Fingerprint;
        int Offset;
        int64_t Length;
        int Method;
        bool Sorted;
        bool operator==(const TKey&) const = default;
    };
    TKey KeyOf(int64_t length, int method = -1) const;
    void ShowTab(TViewKind kind, bool TFormSettings::*option);
    bool GraphsCanDraw() const;
    const TTextGrid* GridOf(TViewKind kind) const;

    TAppServices& FApp;
    TViewsUi& FUi;
    TDrawsController& FArchive;
    TCombsController& FCombs;
    TStatsController& FStats;
    TGraphResult FGraph;
    std::vector<TCardRow> FCard;
    TTextGrid FCardText;
    TLayoutGrid FLayout;
    TTextGrid FLayoutText;
    std::array<TLayoutCompareList, 5> FCompare;
    TWeekTable FWeek;
    TTextGrid FWeekText;
    std::optional<TKey> FGraphKey, FCardKey, FLayoutKey, FCompareKey, FWeekKey;
    std::array<std::optional<TGridRect>, 5> FSelections;
};

} // namespace zorb
