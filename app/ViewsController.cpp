// The draw views of the main window: caches, tabs, the refresh chain's part and the filters by selection.
#include "app/ViewsController.h"

#include "core/Format.h"
#include "core/IniFile.h"
#include "core/Translate.h"
#include "stats/StatList.h"

#include <algorithm>

namespace zorb {

namespace {

class TNoViewsUi final : public TViewsUi {
    void ViewChanged(TViewKind) override {}
    void ViewTabsChanged(std::optional<TViewKind>) override {}
    void ShowChart(const std::string&, const std::vector<TChartSeries>&) override {}
    void ShowRepeats(int&, int&, const std::function<TRepeatsResult(int, int)>&) override {}
    void ShowInfo(const std::vector<TInfoLine>&, const TComb&, int, int) override {}
};

constexpr const char* RepeatsSection = "TFormRepeats";

// Changes of a draw that keep the archive's length must reach the views as well.
uint64_t ArchiveFingerprint(const TDrawsArray& draws) {
    uint64_t h = 1469598103934665603ull;
    for (const TDrawRec& d : draws) {
        const auto* p = reinterpret_cast<const uint8_t*>(&d);
        for (size_t i = 0; i < offsetof(TDrawRec, Padding); ++i) h = (h ^ p[i]) * 1099511628211ull;
    }
    return h;
}

} // namespace

TViewsController::TViewsController(TAppServices& app, TDrawsController& draws, TCombsController& combs,
                                   TStatsController& stats)
    : FApp(app), FUi(UiOr<TViewsUi, TNoViewsUi>(app.UI())), FArchive(draws), FCombs(combs), FStats(stats) {}

void TViewsController::RegisterActions(TActionTable& t) {
    auto always = [] { return true; };
    auto hasDraws = [this] { return !FArchive.Draws().empty(); };
    t.Add({"TabGraps", "Вкладка \"Графики\"", "Показать или скрыть вкладку \"Графики\"", "", always,
           [this] { ShowTab(TViewKind::Graphs, &TFormSettings::TabGraphs); },
           [this] { return FApp.Settings().TabGraphs; }},
          MenuPlace("View", 40, true));
    t.Add({"TabCard", "Вкладка \"Карта\"", "Показать или скрыть вкладку \"Карта\"", "", always,
           [this] { ShowTab(TViewKind::Card, &TFormSettings::TabCard); }, [this] { return FApp.Settings().TabCard; }},
          MenuPlace("View", 41));
    t.Add({"TabLayout", "Вкладка \"Схема\"", "Показать или скрыть вкладку \"Схема\"", "", always,
           [this] { ShowTab(TViewKind::Layout, &TFormSettings::TabLayout); },
           [this] { return FApp.Settings().TabLayout; }},
          MenuPlace("View", 42));
    t.Add({"TabWeek", "Вкладка \"Неделя\"", "Показать или скрыть вкладку \"Неделя\"", "", always,
           [this] { ShowTab(TViewKind::Week, &TFormSettings::TabWeek); }, [this] { return FApp.Settings().TabWeek; }},
          MenuPlace("View", 43));
    t.Add({"AnalyzeRepeats", "Количество повторов в зависимости от тиража",
           "Количество повторов в зависимости от тиража", "", hasDraws, [this] { AnalyzeRepeats(); }},
          TActionPlace{"Stats", 100, true});
    t.Add({"TotalSumCombs", "Распределение сумм тиражей и всех возможных комбинаций",
           "Распределение сумм тиражей и всех возможных комбинаций", "", always, [this] { TotalSumCombs(); }},
          TActionPlace{"Stats", 101});

    t.Add({"DrawsInfo", "Сведения о тираже", "Просмотр подробных сведений о тираже", "",
           [this] { return !FArchive.DrawsSelection().empty(); }, [this] { DrawsInfo(); }},
          TActionPlace{"Draws", 45});
    t.Add({"CombsInfo", "Сведения о комбинации", "Просмотр подробных сведений о комбинации", "",
           [this] { return FCombs.CombsSelectedCount() > 0; }, [this] { CombsInfo(); }},
          TActionPlace{"Combs", 65});

    t.Add({"DrawsGraphDraw", "Обновить", "Обновить графики", "", [this] { return GraphsCanDraw(); },
           [this] { ComputeGraphs(); }},
          ToolbarPlace("Graphs", 1));
    t.Add({"LayoutCalc", "Обновить", "Обновить схему выпадения номеров", "",
           [this, hasDraws] { return TabShown(TViewKind::Layout) && hasDraws(); }, [this] { ComputeLayout(); }},
          ToolbarPlace("Layout", 1, "Обновить схему"));
    t.Add({"LayoutCmpCalc", "Обновить", "Обновить списки сравнения", "",
           [this, hasDraws] { return TabShown(TViewKind::Layout) && hasDraws(); }, [this] { ComputeLayoutCompare(); }},
          ToolbarPlace("Layout", 2, "Обновить списки"));
    t.Add({"WeekStatCalc", "Обновить", "Обновить статистику по дням недели", "",
           [this, hasDraws] { return TabShown(TViewKind::Week) && hasDraws(); }, [this] { ComputeWeek(); }},
          ToolbarPlace("Week", 1));
    const struct {
        TViewKind Kind;
        const char* Prefix;
        const char* Toolbar;
    } filters[] = {
        {TViewKind::Card, "Card", "Card"}, {TViewKind::Layout, "Layout", "Layout"}, {TViewKind::Week, "Week", "Week"}};
    for (const auto& f : filters) {
        const TViewKind kind = f.Kind;
        auto can = [this, kind] {
            if (FCombs.Combs().Empty() || !TabShown(kind)) return false;
            const auto& sel = FSelections[static_cast<size_t>(kind)];
            if (kind == TViewKind::Week) return true; // no selection is reported by the filter itself
            return sel && sel->Left >= 1 && sel->Top >= 1;
        };
        t.Add({std::string(f.Prefix) + "Filter_Include", "Оставить выделенные",
               "Оставить комбинации с выделенными номерами", "", can, [this, kind] { FilterBySelection(kind, false); }},
              ToolbarPlace(f.Toolbar, 10));
        t.Add({std::string(f.Prefix) + "Filter_Exclude", "Удалить выделенные",
               "Удалить комбинации с выделенными номерами", "", can, [this, kind] { FilterBySelection(kind, true); }},
              ToolbarPlace(f.Toolbar, 11));
    }
    t.Add({"ViewWeekChartMode", "График по дням недели", "График по дням недели", "",
           [this] { return TabShown(TViewKind::Week); },
           [this] {
               FApp.Settings().WeekChartMode = FApp.Settings().WeekChartMode == 1 ? 0 : 1;
               const int mode = FApp.Settings().WeekChartMode;
               FApp.WriteOptionNow([mode](TIniFile& ini) { ini.WriteInteger(FormSection, "WeekChartMode", mode); });
               FUi.ViewChanged(TViewKind::Week);
           },
           [this] { return FApp.Settings().WeekChartMode == 1; }},
          ToolbarPlace("Week", 20));
    t.Add({"ViewWeekChartType", "График / диаграмма", "График / диаграмма", "",
           [this] { return TabShown(TViewKind::Week); },
           [this] {
               FApp.ToggleOption(&TFormSettings::WeekChartType);
               FUi.ViewChanged(TViewKind::Week);
           },
           [this] { return FApp.Settings().WeekChartType; }},
          ToolbarPlace("Week", 21, "Линейный график"));
}

bool TViewsController::TabShown(TViewKind kind) const {
    const TFormSettings& s = FApp.Settings();
    switch (kind) {
    case TViewKind::Graphs: return s.TabGraphs;
    case TViewKind::Card: return s.TabCard;
    case TViewKind::Layout:
    case TViewKind::LayoutCompare: return s.TabLayout;
    case TViewKind::Week: return s.TabWeek;
    }
    return false;
}

void TViewsController::ShowTab(TViewKind kind, bool TFormSettings::*option) {
    const bool show = !(FApp.Settings().*option);
    FApp.SetOption(option, show);
    if (show) {
        switch (kind) {
        case TViewKind::Graphs:
            if (GraphsCanDraw()) ComputeGraphs();
            break;
        case TViewKind::Card: ComputeCard(); break;
        case TViewKind::Layout:
        case TViewKind::LayoutCompare:
            ComputeLayout();
            ComputeLayoutCompare();
            break;
        case TViewKind::Week: ComputeWeek(); break;
        }
    }
    FUi.ViewTabsChanged(show ? std::optional<TViewKind>(kind) : std::nullopt);
}

TViewsController::TKey TViewsController::KeyOf(int64_t length, int method) const {
    return {FArchive.Draws().size(),    ArchiveFingerprint(FArchive.Draws()), FArchive.DrawsOffset(), length, method,
            FApp.Settings().SortedDraws};
}

void TViewsController::Refresh(bool force) {
    const TFormSettings& s = FApp.Settings();
    if (TabShown(TViewKind::Graphs) && (force || FGraphKey != KeyOf(s.DrawsGraphLen, GraphMethod()))) ComputeGraphs();
    if (TabShown(TViewKind::Card)) {
        TKey key = KeyOf(0);
        key.Offset = 0; // the card shows the whole archive
        key.Sorted = false;
        if (force || FCardKey != key) ComputeCard();
    }
    if (TabShown(TViewKind::Layout)) {
        if (force || FLayoutKey != KeyOf(s.LayoutLen)) ComputeLayout();
        if (force || FCompareKey != KeyOf(0)) ComputeLayoutCompare();
    }
    if (TabShown(TViewKind::Week) && (force || FWeekKey != KeyOf(s.WeekLen))) ComputeWeek();
}

// --- Graphs ----------------------------------------------------------------------------------------------

bool TViewsController::GraphsCanDraw() const {
    return !FArchive.Draws().empty() && GraphMethod() >= 0;
}

void TViewsController::SetGraphMethod(int entry) {
    FStats.SelectGraphType(entry);
    if (GraphsCanDraw() && !FApp.Busy() && TabShown(TViewKind::Graphs) &&
        FGraphKey != KeyOf(FApp.Settings().DrawsGraphLen, GraphMethod()))
        ComputeGraphs();
}

void TViewsController::SetGraphLength(int length) {
    if (length < 1) return;
    FApp.Settings().DrawsGraphLen = length;
    if (GraphsCanDraw()) ComputeGraphs();
}

std::string TViewsController::GraphCaption() const {
    const int m = GraphMethod();
    return m >= 0 && m < FApp.Registry().MethodCount() ? FApp.Registry().DisplayName(m, false) : "";
}

void TViewsController::ComputeGraphs() {
    FGraph = TGraphResult{};
    FGraphKey = KeyOf(FApp.Settings().DrawsGraphLen, GraphMethod());
    if (GraphsCanDraw()) {
        TBusyScope busy(FApp, Tr("Анализ тиражей и построение графиков..."));
        auto stat = FApp.Registry().CreateStat(GraphMethod());
        if (auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get()))
            FGraph = ComputeGraph(*graph, FArchive.Draws(), FArchive.DrawsOffset(), FApp.Settings().DrawsGraphLen,
                                  FApp.Settings().SortedDraws);
    }
    FUi.ViewChanged(TViewKind::Graphs);
}

std::vector<TChartSeries> TViewsController::GraphSeries() const {
    std::vector<TChartSeries> chart;
    if (FGraph.DrawNumbers.empty()) return chart;
    TChartSeries main{GraphCaption(), {}, true, true, 0};
    TChartSeries mean{Tr("Среднее значение"), {}, false, false, 0};
    TChartSeries mode{Tr("Наиболее часто встречающееся значение"), {}, false, false, 0};
    for (size_t i = 0; i < FGraph.DrawNumbers.size(); ++i) {
        main.Points.push_back({FGraph.DrawNumbers[i], static_cast<double>(FGraph.Values[i])});
        mean.Points.push_back({FGraph.DrawNumbers[i], FGraph.Mean});
        mode.Points.push_back({FGraph.DrawNumbers[i], static_cast<double>(FGraph.Mode)});
    }
    chart.push_back(std::move(main));
    chart.push_back(std::move(mean));
    chart.push_back(std::move(mode));
    return chart;
}

// --- Card, layout, weekdays ------------------------------------------------------------------------------

std::array<std::string, 7> TViewsController::DayNames() {
    return {Tr("Пн"), Tr("Вт"), Tr("Ср"), Tr("Чт"), Tr("Пт"), Tr("Сб"), Tr("Вс")};
}

void TViewsController::ComputeCard() {
    FCardKey = KeyOf(0);
    FCardKey->Offset = 0;
    FCardKey->Sorted = false;
    FCard = zorb::ComputeCard(FArchive.Draws());
    FCardText = CardGrid(FCard);
    FSelections[static_cast<size_t>(TViewKind::Card)].reset();
    FUi.ViewChanged(TViewKind::Card);
}

void TViewsController::ComputeLayout() {
    FLayoutKey = KeyOf(FApp.Settings().LayoutLen);
    {
        TBusyScope busy(FApp, Tr("Построение схемы выпадения номеров..."));
        FLayout = zorb::ComputeLayout(FArchive.Draws(), FArchive.DrawsOffset(), FApp.Settings().LayoutLen);
        FLayoutText = LayoutGridText(FLayout);
    }
    FSelections[static_cast<size_t>(TViewKind::Layout)].reset();
    FUi.ViewChanged(TViewKind::Layout);
}

void TViewsController::ComputeLayoutCompare() {
    FCompareKey = KeyOf(0);
    for (size_t k = 0; k < FCompare.size(); ++k)
        FCompare[k] =
            zorb::ComputeLayoutCompare(FArchive.Draws(), FArchive.DrawsOffset(), FApp.Settings().LayoutCompareLen[k]);
    FUi.ViewChanged(TViewKind::LayoutCompare);
}

void TViewsController::ComputeWeek() {
    FWeekKey = KeyOf(FApp.Settings().WeekLen);
    {
        TBusyScope busy(FApp, Tr("Построение статистики по дням недели..."));
        FWeek = zorb::ComputeWeek(FArchive.Draws(), FArchive.DrawsOffset(), FApp.Settings().WeekLen);
        FWeekText = WeekGrid(FWeek, DayNames());
    }
    FUi.ViewChanged(TViewKind::Week);
}

void TViewsController::SetLayoutLength(int length) {
    if (length < 1) return;
    FApp.Settings().LayoutLen = length;
    if (!FArchive.Draws().empty()) ComputeLayout();
}

void TViewsController::SetCompareLength(int list, int length) {
    if (list < 0 || list >= 5 || length < 1) return;
    FApp.Settings().LayoutCompareLen[static_cast<size_t>(list)] = length;
    ComputeLayoutCompare();
}

void TViewsController::SetWeekLength(int length) {
    if (length < 1) return;
    FApp.Settings().WeekLen = length;
    if (!FArchive.Draws().empty()) ComputeWeek();
}

int64_t TViewsController::CardColor(int gridRow, int gridColumn) const {
    if (gridRow < 1 || gridColumn < 1) return -1;
    return CardCellColor(FCard, gridRow - 1, gridColumn, FApp.Settings().ColorCardSequences, FApp.Settings().ColorCard,
                         FApp.Registry().Config.ChannelSize);
}

int64_t TViewsController::LayoutColor(int gridRow, int gridColumn) const {
    if (gridRow < 1 || gridColumn < 1 || gridRow >= static_cast<int>(FLayoutText.size())) return -1;
    const auto& row = FLayoutText[static_cast<size_t>(gridRow)];
    if (gridColumn >= static_cast<int>(row.size())) return -1;
    return LayoutCellColor(row[static_cast<size_t>(gridColumn)], gridRow, gridColumn,
                           static_cast<int>(FLayoutText.size()), static_cast<int>(FLayoutText.front().size()),
                           FApp.Settings().LayoutGradient);
}

int64_t TViewsController::WeekColor(int gridRow, int gridColumn) const {
    if (gridRow < 1 || gridRow > 7 || gridColumn < 1 || gridColumn > MaxNumber) return -1;
    return WeekCellColor(FWeek.Counts[static_cast<size_t>(gridColumn)][static_cast<size_t>(gridRow - 1)], FWeek.Max);
}

std::vector<TViewPoint> TViewsController::WeekChart(int gridRow, int gridColumn) const {
    return WeekChartPoints(FWeek, FApp.Settings().WeekChartMode, gridColumn, gridRow);
}

const TTextGrid* TViewsController::GridOf(TViewKind kind) const {
    switch (kind) {
    case TViewKind::Card: return &FCardText;
    case TViewKind::Layout: return &FLayoutText;
    case TViewKind::Week: return &FWeekText;
    default: return nullptr;
    }
}

void TViewsController::SetSelection(TViewKind kind, std::optional<TGridRect> rect) {
    FSelections[static_cast<size_t>(kind)] = rect;
    FApp.UI().ActionsChanged();
}

std::vector<int> TViewsController::SelectedNumbers(TViewKind kind) const {
    const auto& sel = FSelections[static_cast<size_t>(kind)];
    if (!sel) return {};
    if (kind == TViewKind::Week) return SelectedColumnNumbers(*sel);
    const TTextGrid* grid = GridOf(kind);
    return grid ? SelectedCellNumbers(*grid, *sel) : std::vector<int>{};
}

void TViewsController::FilterBySelection(TViewKind kind, bool exclude) {
    const std::vector<int> numbers = SelectedNumbers(kind);
    if (numbers.empty()) {
        // Before the undo point, so that the list and its undo copy stay as they were.
        FApp.Message(TMsgBox::Attention, Tr("В выделенном диапазоне нет значений для фильтра!"));
        return;
    }
    const char* caption = kind == TViewKind::Card ? "Карта" : kind == TViewKind::Layout ? "Схема" : "Неделя";
    FCombs.MakeUndo(true);
    FCombs.FilterByNumbers(Tr(caption), numbers, exclude);
}

// --- Windows ---------------------------------------------------------------------------------------------

void TViewsController::TotalSumCombs() {
    std::vector<TChartSeries> chart;
    {
        TBusyScope busy(FApp, Tr("Идет сбор статистики...."));
        chart = SumsSeries(ComputeSums(FArchive.Draws()));
    }
    FUi.ShowChart(Tr("Распределение сумм тиражей и всех возможных комбинаций"), chart);
}

std::vector<TInfoLine> TViewsController::DrawInfo(int index) const {
    return DrawInfoLines(FApp.Registry(), FArchive.Draws(), index, FApp.Settings().SortedDraws);
}

std::vector<TInfoLine> TViewsController::CombInfo(const TComb& comb) const {
    const int windowEnd = static_cast<int>(FArchive.Draws().size()) - 1 - FArchive.DrawsOffset();
    return CombInfoLines(FApp.Registry(), comb, windowEnd, FApp.Settings().SortedDraws);
}

bool TViewsController::DrawsInfo() {
    if (FArchive.DrawsSelection().empty()) return false;
    const int index = FArchive.DrawIndexOfRow(FArchive.DrawsSelection().front());
    if (index < 0 || index >= static_cast<int>(FArchive.Draws().size())) return false;
    FUi.ShowInfo(DrawInfo(index), DrawNumbers(FArchive.Draws()[static_cast<size_t>(index)]),
                 FApp.Registry().Config.MatrixCols, FApp.Registry().Config.ChannelSize);
    return true;
}

bool TViewsController::CombsInfo() {
    const auto& sel = FCombs.CombsSelection();
    if (sel.empty() || sel.front().first >= FCombs.Combs().Count()) return false;
    const TComb comb = FCombs.Combs()[sel.front().first];
    FUi.ShowInfo(CombInfo(comb), comb, FApp.Registry().Config.MatrixCols, FApp.Registry().Config.ChannelSize);
    return true;
}

void TViewsController::AnalyzeRepeats() {
    const TIniFile& frm = FApp.FormSettingsFile();
    int draws = frm.ReadInteger(RepeatsSection, "DrawsLength", 100, 1, INT32_MAX);
    int depth = frm.ReadInteger(RepeatsSection, "DrawsDeep", 100, 1, INT32_MAX);
    auto compute = [this](int n, int d) {
        TRepeatsResult r;
        FApp.UI().ProgressOpen(Tr("Идет сбор статистики...."),
                               static_cast<int>(std::min<int64_t>(n, static_cast<int64_t>(FArchive.Draws().size()))),
                               false);
        try {
            r = ComputeRepeats(FArchive.Draws(), n, d, [this] { FApp.UI().ProgressStep(1); });
        } catch (...) {
            FApp.UI().ProgressClose();
            throw;
        }
        FApp.UI().ProgressClose();
        return r;
    };
    FUi.ShowRepeats(draws, depth, compute);
    FApp.WriteOptionNow([draws, depth](TIniFile& ini) {
        ini.WriteInteger(RepeatsSection, "DrawsLength", draws);
        ini.WriteInteger(RepeatsSection, "DrawsDeep", depth);
    });
}

} // namespace zorb
