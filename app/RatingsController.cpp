// The ratings tab: entries fed by the stake check, sorted and saved after every commit.
#include "app/RatingsController.h"

#include "combos/FilterItem.h"
#include "core/DrawArchive.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stats/StatList.h"

#include <algorithm>
#include <numeric>

namespace zorb {

namespace {

class TNoRatingsUi final : public TRatingsUi {
    void RatingsViewChanged(size_t) override {}
    void ShowRatingsChart(const std::string&, const std::vector<TChartSeries>&) override {}
    void ShowScenarioTab() override {}
};

constexpr int GraphDrawsBack = 100;

// Filter fields 1..7 of a scenario line: the runs between "|" after the options word, trimmed.
std::vector<std::string> LineFilterFields(const std::string& line) {
    std::vector<std::string> fields;
    for (const std::string& f : SplitWords(line, "|")) fields.push_back(Trim(f));
    std::vector<std::string> filters;
    for (size_t i = 1; i < fields.size() && filters.size() < 7; ++i) filters.push_back(fields[i]);
    return filters;
}

} // namespace

TRatingsController::TRatingsController(TAppServices& app, TStakesController& stakes, TDrawsController& archive,
                                       std::function<void(const std::string&)> addScenarioLine)
    : FApp(app), FUi(UiOr<TRatingsUi, TNoRatingsUi>(app.UI())), FStakes(stakes), FArchive(archive),
      FAddScenarioLine(std::move(addScenarioLine)) {
    stakes.AddStakeCheckedHook([this](const TStakeRecord& r) { OnStakeChecked(r); });
    // The check's commit sorts the list, which saves it.
    stakes.AddStakesCommittedHook([this] {
        if (FDirty) SortRatings(FSortColumn, FSortDescending);
    });
}

void TRatingsController::RegisterActions(TActionTable& t) {
    auto stakesOpen = [this] { return FStakes.StakesOpen() && !FApp.ReadOnly(); };
    auto stakesNotEmpty = [this] { return FStakes.StakeCount() > 0; };
    auto selected = [this] { return !FSelection.empty(); };
    // The menu "Рейтинг"; its direct items are on the ratings tab's toolbar too, in the same order.
    t.Add({"RatingsRefresh", "Обновить рейтинг", "Обновить рейтинг", "F5", stakesOpen, [this] { RatingsRefresh(); }},
          MenuPlace("Ratings", 10, true, 10));
    t.Add({"RatingsExport", "Экспорт рейтинга в CSV-файл", "Экспорт рейтинга в CSV-файл", "",
           [this] { return !FRatings.Empty(); }, [this] { RatingsExport(""); }},
          MenuPlace("Ratings", 20, true, 20));
    t.Add({"RatingsToScript", "Добавить в сценарий", "Добавить в сценарий", "",
           [this, selected] { return selected() && !FApp.ReadOnly(); }, [this] { RatingsToScript(); }},
          MenuPlace("Ratings", 30, false, 30));
    t.Add({"StakesGraphDraws", "Суммарный профит по тиражам", "Суммарный профит по тиражам", "F6", stakesNotEmpty,
           [this] {
               std::string error;
               auto s = GraphDraws(error);
               ShowGraph("Суммарный профит по тиражам", std::move(s), error);
           }},
          MenuPlace("Ratings", 40, true, 40));
    t.Add({"StakesGraphOverlap", "График совпадений ставок", "График совпадений ставок", "Ctrl+F6",
           [stakesNotEmpty, selected] { return stakesNotEmpty() && selected(); },
           [this] {
               std::string error;
               auto s = GraphStakes(false, error);
               ShowGraph("График совпадений ставок", std::move(s), error);
           }},
          MenuPlace("Ratings", 50, false, 50));
    t.Add({"StakesGraphProfits", "График профита ставок", "График профита ставок", "Alt+F6",
           [stakesNotEmpty, selected] { return stakesNotEmpty() && selected(); },
           [this] {
               std::string error;
               auto s = GraphStakes(true, error);
               ShowGraph("График профита ставок", std::move(s), error);
           }},
          MenuPlace("Ratings", 60, false, 60));
    t.Add({"RatingsGraphOverlap", "Количество совпадений", "Количество совпадений", "", selected,
           [this] { ShowGraph("Количество совпадений", GraphOverlap(), ""); }},
          MenuPlace("Ratings", 70, false, 70));
    t.Add({"RatingsGraphLuck", "График везения",
           "Угаданные номера минус ожидаемые при случайной игре, накопленные по тиражам, и полоса ±2σ случайной игры",
           "", [stakesNotEmpty, selected] { return stakesNotEmpty() && selected(); },
           [this] {
               std::string error;
               auto s = GraphLuck(error);
               ShowGraph("График везения", std::move(s), error);
           }},
          MenuPlace("Ratings", 75, false, 75));
    const char* modes[3] = {"Ожидаемые значения совпадений", "Абсолютные значения эффективности",
                            "Относительные значения эффективности"};
    for (int m = 0; m < 3; ++m)
        t.Add({Format("RatingsEffMode%d", m), modes[m], modes[m], "", [] { return true; }, [this, m] { SetEffMode(m); },
               [this, m] { return FApp.Settings().RatingsEffMode == m; }, "RatingsEffMode"},
              TActionPlace{"Ratings", 80 + m, m == 0, "Эффективность (столбцы E0..n)"});
}

std::string TRatingsController::LrtPath() const {
    return FApp.DataFile(FApp.ProgramName() + ".lrt");
}

std::string TRatingsController::LrsPath() const {
    return FApp.DataFile(FApp.ProgramName() + ".lrs");
}

Currency TRatingsController::StakeProfit(int numbers, int matches) const {
    return FApp.Registry().StakeProfit(numbers, matches);
}

void TRatingsController::OnStakeChecked(const TStakeRecord& record) {
    if (record.DrawNumber >= 0 && FRatings.AddStake(record)) {
        FDirty = true;
        FExpectations.reset();
    }
}

void TRatingsController::LoadRatings() {
    if (!FileExists(LrtPath())) {
        FApp.UI().SetStatusPanel(5, Format(Tr("Рейтинг: %d"), static_cast<int>(FRatings.Count())));
        FUi.RatingsViewChanged(FRatings.Count());
        return;
    }
    {
        TBusyScope busy(FApp, Tr("Загрузка файла рейтинга..."));
        FApp.Attempt([&] { FRatings.Load(LrtPath(), LrsPath()); }, Tr("Ошибка чтения файла рейтинга!\r\r%s"));
    }
    SortRatings(FSortColumn, FSortDescending);
}

void TRatingsController::SaveRatings() {
    FDirty = false;
    FExpectations.reset();
    if (!FApp.ReadOnly()) {
        TBusyScope busy(FApp, Tr("Сохранение файла рейтинга..."));
        FApp.Attempt([&] { FRatings.Save(LrtPath(), LrsPath()); }, Tr("Ошибка записи в файл рейтинга!\r\r%s"));
    }
    FApp.UI().SetStatusPanel(5, Format(Tr("Рейтинг: %d"), static_cast<int>(FRatings.Count())));
    FUi.RatingsViewChanged(FRatings.Count());
}

void TRatingsController::SortRatings(int column, bool descending) {
    FSortColumn = column;
    FSortDescending = descending;
    {
        TBusyScope busy(FApp, Tr("Сортировка рейтинга..."));
        FRatings.Sort(column, descending, FApp.Settings().RatingsEffMode,
                      [this](int n, int k) { return StakeProfit(n, k); });
    }
    FSelection.clear();
    SaveRatings();
}

void TRatingsController::SortByHeader(int column) {
    if (column < 0 || column >= RatingColumnCount) return;
    SortRatings(column, column == FSortColumn ? !FSortDescending : FSortDescending);
}

TRatingExpectation TRatingsController::Expectation(size_t row) const {
    if (row >= FRatings.Count()) return {};
    if (!FExpectations || FExpectations->size() != FRatings.Count()) {
        std::vector<Currency> prizes;
        for (int n = MinStakeSize; n <= MaxStakeNumbers; ++n)
            for (int k = 0; k <= NumbersPerDraw; ++k) prizes.push_back(StakeProfit(n, k));
        if (prizes != FJudgedPrizes) {
            FJudged.clear();
            FJudgedPrizes = prizes;
        }
        const auto& items = FRatings.Items();
        auto same = [](const TRatingRecord& a, const TRatingRecord& b) {
            return a.StakeCount == b.StakeCount && a.MatchTotal == b.MatchTotal && a.MatchCounts == b.MatchCounts &&
                   a.Profit == b.Profit && a.SizeCounts == b.SizeCounts;
        };
        FExpectations = ExpectRatings(
            items, [this](int n, int k) { return StakeProfit(n, k); },
            [&](size_t i) -> std::optional<TRatingExpectation> {
                const auto it = FJudged.find(LowerCase(items[i].Comment));
                if (it == FJudged.end() || !same(it->second.Counts, items[i])) return std::nullopt;
                return it->second.Expected;
            });
        FJudged.clear();
        for (size_t i = 0; i < items.size(); ++i)
            FJudged[LowerCase(items[i].Comment)] = {items[i], (*FExpectations)[i]};
    }
    return (*FExpectations)[row];
}

std::string TRatingsController::CellText(size_t row, int column) const {
    if (row >= FRatings.Count()) return "";
    try {
        const TRatingRecord& r = FRatings.Items()[row];
        const TRatingExpectation e = column >= RatingEColumn ? Expectation(row) : TRatingExpectation{};
        return RatingCellText(r, e, column, FApp.Settings().RatingsEffMode);
    } catch (const std::exception&) {
        return column == 0 ? "# bad data #" : "";
    }
}

int64_t TRatingsController::CellColor(size_t row, int column) const {
    if ((column != RatingPValueColumn && column != RatingCorrectedPValueColumn) || row >= FRatings.Count()) return -1;
    return Significant(Expectation(row)) ? 0x00C000 : -1;
}

std::string TRatingsController::ColumnHint(int column) const {
    return RatingColumnHint(column, FApp.Settings().RatingsEffMode);
}

void TRatingsController::SetSelection(std::vector<size_t> rows) {
    std::erase_if(rows, [this](size_t r) { return r >= FRatings.Count(); });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    FSelection = std::move(rows);
    FApp.UI().ActionsChanged();
}

void TRatingsController::SetEffMode(int mode) {
    if (mode < 0 || mode > 2) return;
    FApp.Settings().RatingsEffMode = mode;
    FApp.WriteOptionNow([mode](TIniFile& ini) { ini.WriteInteger(FormSection, "RatingsEffMode", mode); });
    FUi.RatingsViewChanged(FRatings.Count());
}

void TRatingsController::RatingsRefresh() {
    if (!FRatings.Empty() &&
        !FApp.Ask(TMsgBox::Confirm, Tr("Пересчитать рейтинг только по текущим ставкам?\r\rНакопленные ранее данные по "
                                       "удаленным ставкам будут потеряны.")))
        return;
    {
        TBusyScope busy(FApp, Tr("Обновление рейтинга..."));
        FApp.Attempt([&] { FRatings.Rebuild(FStakes.StakesFile()); }, Tr("Ошибка обновления рейтинга!\r\r%s"));
    }
    SortRatings(FSortColumn, FSortDescending);
}

bool TRatingsController::RatingsExport(const std::string& given) {
    const std::string path = given.empty() ? FApp.UI().SaveFileName(Tr("CSV-файлы (*.csv)|*.csv"), "csv") : given;
    if (path.empty()) return false;
    TBusyScope busy(FApp, Tr("Экспорт в CSV-файл..."));
    try {
        WriteFileAtomic(
            path, FRatings.CsvText(FApp.Settings().RatingsEffMode, [this](int n, int k) { return StakeProfit(n, k); }));
    } catch (const std::exception& e) {
        FApp.ShowError(ErrorText(e));
        return false;
    }
    return true;
}

std::vector<std::string> TRatingsController::SelectedComments() const {
    std::vector<std::string> comments;
    for (size_t row : FSelection)
        if (row < FRatings.Count()) comments.push_back(FRatings.Items()[row].Comment);
    return comments;
}

std::vector<std::string> TRatingsController::RatingsToScript() {
    std::vector<std::string> added;
    {
        TBusyScope busy(FApp, Tr("Генерация новых строк в сценарии..."));
        for (const std::string& comment : SelectedComments()) {
            const std::string line = RatingScriptLine(comment);
            bool usable = false;
            for (const std::string& field : LineFilterFields(line)) {
                if (field.empty()) continue;
                const TFilterItem item = ParseFilter(field, FApp.Registry());
                if (item.Defined && item.Method >= 0 && !Trim(FilterText(item, FApp.Registry())).empty()) usable = true;
            }
            if (usable)
                added.push_back(line);
            else
                FApp.ShowError(Format(Tr("Строку\r\r%s\r\rневозможно добавить в сценарий!"), comment));
        }
        // Through the scenario itself: a line written past it into its state file would be lost at its next save.
        if (FAddScenarioLine)
            for (const std::string& line : added) FAddScenarioLine(line);
    }
    if (!added.empty()) FUi.ShowScenarioTab();
    return added;
}

void TRatingsController::ShowGraph(const char* title, std::vector<TChartSeries> series, const std::string& error) {
    if (!error.empty()) {
        FApp.ShowError(error);
        return;
    }
    FUi.ShowRatingsChart(Tr(title), series);
}

std::vector<TChartSeries> TRatingsController::GraphDraws(std::string& error) {
    std::vector<TChartSeries> chart;
    TBusyScope busy(FApp, Tr("Создание графиков..."));
    const auto profits = ProfitByDraw(FStakes.StakesFile());
    if (profits.size() < 2) {
        error = Tr("Для построения графиков необходимо, чтобы в выделенном диапазоне данных было более одного тиража!");
        return chart;
    }
    Currency total = 0;
    for (const auto& [draw, p] : profits) total += p;
    const double mean = CurrencyToDouble(total) / static_cast<double>(profits.size());
    TChartSeries perDraw{Tr("Суммарный профит ставок по тиражу"), {}, true, true, 0x008000};
    TChartSeries average{Tr("Среднее значение"), {}, false, false, 0x0000FF};
    TChartSeries running{Tr("Накопленное значение"), {}, true, true, 0xFF0000};
    Currency sum = 0;
    for (const auto& [draw, p] : profits) { // in draw-number order, so the running total runs through time
        sum += p;
        perDraw.Points.push_back({draw, CurrencyToDouble(p)});
        average.Points.push_back({draw, mean});
        running.Points.push_back({draw, CurrencyToDouble(sum)});
    }
    chart = {perDraw, average, running};
    return chart;
}

std::vector<TChartSeries> TRatingsController::GraphStakes(bool profits, std::string& error) {
    std::vector<TChartSeries> chart;
    TBusyScope busy(FApp, Tr("Создание графиков..."));
    const auto [from, draws] = CountDrawsBackward(FStakes.StakesFile(), GraphDrawsBack);
    if (draws < 2) {
        error = Tr("Для построения графиков необходимо, чтобы в выделенном диапазоне данных было более одного тиража!");
        return chart;
    }
    for (const TStakePoint& p : StakesOfComments(FStakes.StakesFile(), from, SelectedComments()))
        AddChartPoint(chart, p.Comment, p.Draw, profits ? CurrencyToDouble(p.Profit) : p.Matches, true, true, 0);
    return chart;
}

std::vector<TChartSeries> TRatingsController::GraphOverlap() const {
    // Random play of the entry's own stake sizes: a 7..12-number stake matches more than a six-number one. One
    // line of it serves while the selected entries share their mix of sizes; else each entry gets its own.
    std::vector<size_t> rows;
    for (size_t row : FSelection)
        if (row < FRatings.Count()) rows.push_back(row);
    auto sizes = [this](size_t row) {
        const TRatingRecord& r = FRatings.Items()[row];
        std::array<int64_t, StakeSizeCount> s{};
        if (r.SizesKnown())
            std::copy(r.SizeCounts.begin(), r.SizeCounts.end(), s.begin());
        else
            s[0] = std::max(r.StakeCount, 0);
        return s;
    };
    auto sameMix = [&sizes](size_t a, size_t b) {
        const auto x = sizes(a), y = sizes(b);
        const int64_t nx = std::accumulate(x.begin(), x.end(), int64_t{0});
        const int64_t ny = std::accumulate(y.begin(), y.end(), int64_t{0});
        for (size_t i = 0; i < x.size(); ++i)
            if (x[i] * ny != y[i] * nx) return false;
        return true;
    };
    bool oneMix = true;
    for (size_t row : rows) oneMix = oneMix && sameMix(row, rows.front());
    std::vector<TChartSeries> chart;
    auto expected = [this](size_t row, std::string title) {
        const TRatingExpectation e = ExpectRating(FRatings.Items()[row], {}, false);
        TChartSeries s{std::move(title), {}, true, false, 0x808080};
        for (int i = 0; i <= 6; ++i) s.Points.push_back({i, e.E[static_cast<size_t>(i)]});
        return s;
    };
    if (rows.empty() || oneMix) {
        // Scaled to the largest entry, as the line of six-number random play always was.
        size_t largest = rows.empty() ? 0 : rows.front();
        for (size_t row : rows)
            if (FRatings.Items()[row].StakeCount > FRatings.Items()[largest].StakeCount) largest = row;
        if (rows.empty()) {
            TChartSeries normal{Tr("Нормальные значения"), {}, true, false, 0x808080};
            for (int i = 0; i <= 6; ++i) normal.Points.push_back({i, 0.0});
            chart.push_back(std::move(normal));
        } else {
            chart.push_back(expected(largest, Tr("Нормальные значения")));
        }
    } else {
        for (size_t row : rows)
            chart.push_back(expected(row, Format(Tr("Нормальные значения: %s"), FRatings.Items()[row].Comment)));
    }
    for (size_t row : rows) {
        const TRatingRecord& r = FRatings.Items()[row];
        TChartSeries s{r.Comment, {}, true, false, 0};
        for (int i = 0; i <= 6; ++i)
            s.Points.push_back({i, static_cast<double>(r.MatchCounts[static_cast<size_t>(i)])});
        chart.push_back(std::move(s));
    }
    return chart;
}

std::vector<TChartSeries> TRatingsController::GraphLuck(std::string& error) {
    std::vector<TChartSeries> chart;
    TBusyScope busy(FApp, Tr("Создание графиков..."));
    const std::vector<std::string> comments = SelectedComments();
    const auto series = LuckOfComments(FStakes.StakesFile(), comments);
    bool enough = false;
    for (const auto& s : series) enough = enough || s.size() >= 2;
    if (!enough) {
        error = Tr("Для построения графиков необходимо, чтобы в выделенном диапазоне данных было более одного тиража!");
        return chart;
    }
    for (size_t k = 0; k < series.size(); ++k) {
        if (series[k].empty()) continue;
        TChartSeries luck{comments[k], {}, series[k].size() <= 100, false, 0};
        TChartSeries upper{Format(Tr("%s: +2σ случайной игры"), comments[k]), {}, false, false, 0xC0C0C0};
        TChartSeries lower{Format(Tr("%s: −2σ случайной игры"), comments[k]), {}, false, false, 0xC0C0C0};
        for (const TLuckPoint& p : series[k]) {
            luck.Points.push_back({p.Draw, p.Excess});
            upper.Points.push_back({p.Draw, p.Band});
            lower.Points.push_back({p.Draw, -p.Band});
        }
        chart.push_back(std::move(upper));
        chart.push_back(std::move(lower));
        chart.push_back(std::move(luck));
    }
    return chart;
}

TVerdict TRatingsController::TestSummary(int64_t firstStake, int64_t endStake, int holdout) {
    TStakesFile& file = FStakes.StakesFile();
    const TDrawsArray& draws = FArchive.Draws();
    holdout = std::clamp(holdout, 0, static_cast<int>(draws.size()));
    TVerdictBuilder builder(holdout, holdout > 0 ? NextDrawNumber(draws, holdout) : 0);
    if (file.IsOpen()) {
        // A line that clears the stakes cuts the file during the run: what is left is the run's own.
        if (firstStake > file.Count()) firstStake = 0;
        TBusyScope busy(FApp, Tr("Итоги теста..."));
        builder.AddRange(file, firstStake, endStake);
    }
    return builder.Finish([this](int n, int k) { return StakeProfit(n, k); });
}

void TRatingsController::ShowTestSummary(int64_t firstStake, int64_t endStake, int holdout) {
    try {
        const TVerdict v = TestSummary(firstStake, endStake, holdout);
        if (!v.Entries.empty()) FUi.ShowTestSummary(VerdictTable(v));
    } catch (const std::exception& e) {
        FApp.ShowError(ErrorText(e));
    }
}

} // namespace zorb
