#include "app/ExportController.h"

#include "app/CombsController.h"
#include "app/DrawsController.h"
#include "app/FormSettings.h"
#include "app/Progress.h"
#include "app/RatingsController.h"
#include "app/StakesController.h"
#include "app/StatsController.h"
#include "app/ViewsController.h"
#include "core/Cancel.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "core/Translate.h"
#include "stats/StatTable.h"

#include <algorithm>

namespace zorb {

namespace {

constexpr const char* FormName = "FormMain";
constexpr int64_t RowsPerStep = 4096;

class TDrawsSource : public TExportSource {
public:
    explicit TDrawsSource(const TDrawsController& c) : FC(c) {}
    int ColumnCount() const override { return TDrawsController::DrawColumnCount; }
    std::string ColumnCaption(int c) const override { return FC.DrawColumnCaption(c); }
    int ColumnAlignment(int c) const override { return c == 0 ? 1 : c == 8 ? 0 : 2; }
    int64_t RowCount() const override { return FC.DrawRowCount(); }
    std::string CellText(int64_t r, int c) const override { return FC.DrawCellText(static_cast<int>(r), c); }

private:
    const TDrawsController& FC;
};

class TStatsSource : public TExportSource {
public:
    explicit TStatsSource(const TStatsController& c) : FC(c) {}
    int ColumnCount() const override { return StatColumnCount; }
    std::string ColumnCaption(int c) const override { return StatColumnCaption(c); }
    int ColumnAlignment(int c) const override { return c == 0 ? 0 : 1; }
    int64_t RowCount() const override { return static_cast<int64_t>(FC.StatLines().size()); }
    std::string CellText(int64_t r, int c) const override { return FC.StatLines()[r].Cells[c]; }

private:
    const TStatsController& FC;
};

class TCombsSource : public TExportSource {
public:
    explicit TCombsSource(const TCombsController& c) : FC(c) {}
    int ColumnCount() const override { return TCombsController::CombColumnCount; }
    std::string ColumnCaption(int c) const override { return FC.CombColumnCaption(c); }
    int ColumnAlignment(int c) const override { return c == 0 ? 1 : 2; }
    int64_t RowCount() const override { return static_cast<int64_t>(FC.Combs().Count()); }
    std::string CellText(int64_t r, int c) const override { return FC.CombCellText(static_cast<size_t>(r), c); }

private:
    const TCombsController& FC;
};

// A grid: its alignments start at left.
class TStakesSource : public TExportSource {
public:
    explicit TStakesSource(TStakesController& c) : FC(c) {}
    int ColumnCount() const override { return TStakesController::StakeColumnCount; }
    std::string ColumnCaption(int c) const override { return FC.StakeColumnCaption(c); }
    int64_t RowCount() const override { return FC.StakeCount(); }
    std::string CellText(int64_t r, int c) const override { return FC.StakeCellText(r, c); }

private:
    TStakesController& FC;
};

class TRatingsSource : public TExportSource {
public:
    explicit TRatingsSource(const TRatingsController& c) : FC(c) {}
    int ColumnCount() const override { return RatingColumnCount; }
    std::string ColumnCaption(int c) const override { return RatingColumnCaption(c); }
    int ColumnAlignment(int c) const override { return c == 0 ? 0 : 1; }
    int64_t RowCount() const override { return static_cast<int64_t>(FC.Ratings().Count()); }
    std::string CellText(int64_t r, int c) const override { return FC.CellText(static_cast<size_t>(r), c); }

private:
    const TRatingsController& FC;
};

// A text grid: row 0 is its header, the rest are data; a short row has empty cells.
class TGridSource : public TExportSource {
public:
    explicit TGridSource(const TTextGrid& g) : FG(g) {}
    int ColumnCount() const override { return FG.empty() ? 0 : static_cast<int>(FG[0].size()); }
    std::string ColumnCaption(int c) const override { return Cell(0, c); }
    int64_t RowCount() const override { return FG.empty() ? 0 : static_cast<int64_t>(FG.size()) - 1; }
    std::string CellText(int64_t r, int c) const override { return Cell(static_cast<size_t>(r) + 1, c); }

private:
    std::string Cell(size_t r, int c) const {
        return r < FG.size() && c >= 0 && static_cast<size_t>(c) < FG[r].size() ? FG[r][static_cast<size_t>(c)] : "";
    }
    const TTextGrid& FG;
};

// The k-th row of sorted [first, last) ranges.
TExportRows RangeRows(const std::vector<std::pair<int64_t, int64_t>>& ranges) {
    auto starts = std::make_shared<std::vector<std::pair<int64_t, int64_t>>>(); // (rows before, first)
    int64_t n = 0;
    for (const auto& [a, b] : ranges)
        if (b > a) {
            starts->push_back({n, a});
            n += b - a;
        }
    if (n == 0) return {1, [](int64_t) { return int64_t(-1); }}; // nothing selected: one empty row
    return {n, [starts](int64_t k) {
                auto it = std::upper_bound(starts->begin(), starts->end(), k,
                                           [](int64_t v, const auto& s) { return v < s.first; });
                --it;
                return it->second + (k - it->first);
            }};
}

} // namespace

TExportController::TExportController(TAppServices& app, TDrawsController& draws, TStatsController& stats,
                                     TCombsController& combs, TStakesController& stakes, TViewsController& views,
                                     TRatingsController& ratings)
    : FApp(app), FUi(UiOf<TExportUi>(app.UI())), FDraws(draws), FStats(stats), FCombs(combs), FStakes(stakes),
      FViews(views), FRatings(ratings) {}

TExportController::~TExportController() = default;

void TExportController::RegisterActions(TActionTable& t) {
    t.Add({"DrawsXlsExport", "Экспорт в Microsoft Excel", "Экспорт архива тиражей в Microsoft Excel", "",
           [this] { return FDraws.DrawRowCount() > 0; }, [this] { ExportToExcel(TExportList::Draws); }},
          {"Draws", 65});
    t.Add({"CombsXlsExport", "Экспорт в Microsoft Excel", "Экспорт списка комбинаций в Microsoft Excel", "",
           [this] { return FCombs.Combs().Count() > 0; }, [this] { ExportToExcel(TExportList::Combs); }},
          {"Combs", 35});
    t.Add({"DrawsStatExportToExcel", "Экспорт статистики в Microsoft Excel",
           "Экспорт данных статистики в Microsoft Excel", "", [this] { return !FStats.StatLines().empty(); },
           [this] { ExportToExcel(TExportList::Stats); }},
          {"Stats", 90, true});
    t.Add({"StakesXlsExport", "Экспорт ставок в Microsoft Excel", "Экспорт списка ставок в Microsoft Excel", "",
           [this] { return FStakes.StakeCount() > 0; }, [this] { ExportToExcel(TExportList::Stakes); }},
          {"Stakes", 85});
    // Beside the CSV export of the ratings, in its menu and on the ratings tab's toolbar.
    TActionPlace ratings{"Ratings", 21};
    ratings.Toolbar = "Ratings";
    ratings.ToolbarOrder = 21;
    t.Add({"RatingsXlsExport", "Экспорт рейтинга в Microsoft Excel", "Экспорт рейтинга в Microsoft Excel", "",
           [this] { return !FRatings.Ratings().Empty(); }, [this] { ExportToExcel(TExportList::Ratings); }},
          ratings);
    const struct {
        const char* Name;
        const char* Caption;
        TExportList List;
        TViewKind Kind;
        const char* Toolbar;
    } grids[] = {
        {"CardXlsExport", "Экспорт карты тиражей в Microsoft Excel", TExportList::Card, TViewKind::Card, "Card"},
        {"LayoutXlsExport", "Экспорт схемы в Microsoft Excel", TExportList::Layout, TViewKind::Layout, "Layout"}};
    for (const auto& g : grids) {
        TActionPlace place;
        place.Toolbar = g.Toolbar;
        place.ToolbarOrder = 30;
        const TExportList list = g.List;
        const TViewKind kind = g.Kind;
        t.Add({g.Name, g.Caption, g.Caption, "",
               [this, list, kind] { return FViews.TabShown(kind) && Source(list)->ColumnCount() > 2; },
               [this, list] { ExportToExcel(list); }},
              place);
    }
}

const char* TExportController::ParamsFileFilter() {
    return "Файлы параметров экспорта (*.exp)|*.exp|Все файлы (*.*)|*.*";
}

std::string TExportController::TabCaption(TExportList list) {
    switch (list) {
    case TExportList::Draws: return Tr("Архив тиражей");
    case TExportList::Stats: return Tr("Статистика");
    case TExportList::Combs: return Tr("Комбинации");
    case TExportList::Stakes: return Tr("Ставки");
    case TExportList::Ratings: return Tr("Рейтинг");
    case TExportList::Card: return Tr("Карта");
    case TExportList::Layout: return Tr("Схема");
    }
    return "";
}

std::string TExportController::ControlName(TExportList list) {
    switch (list) {
    case TExportList::Draws: return "lvDraws";
    case TExportList::Stats: return "lvDrawsStat";
    case TExportList::Combs: return "lvCombs";
    case TExportList::Stakes: return "sgStakes";
    case TExportList::Ratings: return "lvRatings";
    case TExportList::Card: return "sgCard";
    case TExportList::Layout: return "sgLayout";
    }
    return "";
}

std::unique_ptr<TExportSource> TExportController::Source(TExportList list) const {
    switch (list) {
    case TExportList::Draws: return std::make_unique<TDrawsSource>(FDraws);
    case TExportList::Stats: return std::make_unique<TStatsSource>(FStats);
    case TExportList::Combs: return std::make_unique<TCombsSource>(FCombs);
    case TExportList::Stakes: return std::make_unique<TStakesSource>(FStakes);
    case TExportList::Ratings: return std::make_unique<TRatingsSource>(FRatings);
    case TExportList::Card: return std::make_unique<TGridSource>(FViews.CardText());
    case TExportList::Layout: return std::make_unique<TGridSource>(FViews.LayoutText());
    }
    return nullptr;
}

std::vector<int> TExportController::StoredWidths(TExportList list) const {
    // The widths the window stored for the list; a column without one is 80 pixels wide (10 characters).
    const TIniFile& frm = FApp.FormSettingsFile();
    std::vector<int> widths;
    const std::unique_ptr<TExportSource> source = Source(list);
    for (int c = 0; c < source->ColumnCount(); ++c)
        widths.push_back(frm.ReadInteger(FormSection, Format("%s.Column%d", ControlName(list), c), 80, 0, 100000));
    return widths;
}

TExportRows TExportController::SelectedRows(TExportList list) const {
    std::vector<std::pair<int64_t, int64_t>> ranges;
    auto fromRows = [&](const std::vector<int>& rows) {
        for (int r : rows) ranges.push_back({r, r + 1});
    };
    switch (list) {
    case TExportList::Draws: fromRows(FDraws.DrawsSelection()); break;
    case TExportList::Stats: fromRows(FStats.StatSelection()); break;
    case TExportList::Combs:
        for (const auto& [a, b] : FCombs.CombsSelection())
            ranges.push_back({static_cast<int64_t>(a), static_cast<int64_t>(b)});
        break;
    case TExportList::Stakes:
        // A grid exports the rows from the selection's top to its bottom.
        if (!FStakes.StakesSelection().empty())
            ranges.push_back({static_cast<int64_t>(FStakes.StakesSelection().front().first),
                              static_cast<int64_t>(FStakes.StakesSelection().back().second)});
        break;
    case TExportList::Ratings:
        for (size_t r : FRatings.Selection()) ranges.push_back({static_cast<int64_t>(r), static_cast<int64_t>(r) + 1});
        std::sort(ranges.begin(), ranges.end());
        break;
    case TExportList::Card:
    case TExportList::Layout:
        // Grid rows from the selection's top to its bottom; grid row 0 is the header, data row -1.
        if (const auto sel = FViews.Selection(list == TExportList::Card ? TViewKind::Card : TViewKind::Layout))
            ranges.push_back({sel->Top - 1, sel->Bottom});
        break;
    }
    return RangeRows(ranges);
}

TExportDialogData TExportController::Prepare(TExportList list, const TExportSource& source,
                                             const std::vector<int>& widths) {
    TExportDialogData d;
    d.Section = ExportSectionName(FormName, ControlName(list));
    d.Params.Title = d.Params.SheetName = TabCaption(list);
    d.Params.Fields = BuildFields(source, widths);
    d.AllCount = source.RowCount();
    const TExportRows selected = SelectedRows(list);
    const bool several = selected.Count > 1;
    d.SelectedCount = several ? selected.Count : 1;
    d.RowsMode = several ? 1 : 0;
    // The remember box starts set; a section written with it cleared clears it again.
    d.Params.Remember = d.SaveFlag;
    const std::string config = FApp.SettingsPath();
    try {
        TIniFile ini(config);
        ini.Load();
        std::vector<int> bad;
        LoadExportParams(ini, d.Section, TParamsMode::Configuration, d.Params, &bad);
        for (int i : bad) FApp.ShowError(Format(Tr("Ошибка загрузки параметров экспортируемого поля ID=\"%d\"!"), i));
    } catch (const std::exception&) {
        FApp.ShowError(Format(Tr("Ошибка загрузки параметров экспорта из файла \"%s\"!"), config));
    }
    return d;
}

bool TExportController::LoadParamsFile(const std::string& path, TExportDialogData& data) {
    try {
        TIniFile ini(path);
        ini.Load();
        std::vector<int> bad;
        LoadExportParams(ini, data.Section, TParamsMode::File, data.Params, &bad);
        for (int i : bad) FApp.ShowError(Format(Tr("Ошибка загрузки параметров экспортируемого поля ID=\"%d\"!"), i));
        return true;
    } catch (const std::exception&) {
        FApp.ShowError(Format(Tr("Ошибка загрузки параметров экспорта из файла \"%s\"!"), path));
        return false;
    }
}

bool TExportController::SaveParamsFile(const std::string& path, const TExportDialogData& data) {
    try {
        TIniFile ini(path);
        ini.Load();
        SaveExportParams(ini, data.Section, TParamsMode::File, data.Params);
        ini.Save();
        return true;
    } catch (const std::exception&) {
        FApp.ShowError(Format(Tr("Ошибка сохранения параметров экспорта в файле \"%s\"!"), path));
        return false;
    }
}

bool TExportController::SaveConfigSection(const TExportDialogData& data) {
    const std::string config = FApp.SettingsPath();
    try {
        TIniFile ini(config);
        ini.Load();
        SaveExportParams(ini, data.Section, TParamsMode::Configuration, data.Params);
        ini.Save();
        return true;
    } catch (const std::exception&) {
        FApp.ShowError(Format(Tr("Ошибка сохранения параметров экспорта в файле \"%s\"!"), config));
        return false;
    }
}

bool TExportController::Write(const std::string& xlsx, const std::string& csv, const TExportParams& params,
                              const TExportSource& source, const TExportRows& rows) {
    const int steps =
        static_cast<int>(std::min<int64_t>(rows.Count / RowsPerStep + 1, 1 << 30)) * (csv.empty() ? 1 : 2);
    try {
        TCancellableScope cancellable;
        TProgress progress(FApp.UI(), Tr(xlsx.empty() ? "Подождите пожалуйста..." : "Вызов Microsoft Excel..."), steps,
                           true);
        TExportProgress p;
        p.Text = [&](const std::string& text) { progress.SetText(text); };
        p.Step = [&](int64_t n) { progress.Step(static_cast<int>((n + RowsPerStep - 1) / RowsPerStep)); };
        p.Stop = [&] { return progress.StopRequested(); };
        if (!xlsx.empty()) WriteXlsx(xlsx, params, source, rows, p);
        if (!csv.empty()) WriteCsv(csv, params, source, rows, p);
        return true;
    } catch (const EExportCancelled&) {
        ResetCancel();
        FApp.Message(TMsgBox::Info, Tr("Операция прервана."));
        return false;
    } catch (const std::exception& e) {
        FApp.ShowError(Format(Tr("Ошибка экспорта данных в Microsoft Excel!\r%s"), ErrorText(e)));
        return false;
    }
}

bool TExportController::ExportToExcel(TExportList list) {
    TBusyScope busy(FApp, "");
    const std::unique_ptr<TExportSource> source = Source(list);
    std::vector<int> widths = FUi ? FUi->ExportColumnWidths(list) : std::vector<int>{};
    if (widths.empty()) widths = StoredWidths(list);
    TExportDialogData d = Prepare(list, *source, widths);
    // A window without the dialog exports with the remembered (or the default) parameters.
    if (FUi && !FUi->EditExport(d)) return false;
    if (d.SaveFlag) SaveConfigSection(d);
    const std::string path = FApp.UI().SaveFileName(Tr("Книга Microsoft Excel (*.xlsx)|*.xlsx"), "xlsx");
    if (path.empty()) return false;
    const TExportRows rows = d.RowsMode == 1 ? SelectedRows(list) : AllRows(*source);
    const int sheets = SheetCount(d.Params, rows.Count);
    if (sheets > 1 &&
        !FApp.Ask(TMsgBox::Confirm, Format(Tr("Строк больше, чем помещается на одном листе: %d.\r\rЗаписать их на %d "
                                              "листов, повторяя на каждом заголовок таблицы?"),
                                           rows.Count, sheets)))
        return false;
    if (!Write(path, "", d.Params, *source, rows)) return false;
    FApp.UI().OpenDocument(path);
    return true;
}

int64_t TExportController::Export(TExportList list, const TExportJob& job) {
    TBusyScope busy(FApp, "");
    const std::unique_ptr<TExportSource> source = Source(list);
    TExportDialogData d = Prepare(list, *source, StoredWidths(list));
    if (!job.ExpFile.empty() && !LoadParamsFile(job.ExpFile, d)) return -1;
    if (job.Options) {
        job.Options(d.Params);
        int focus = -1;
        ReorderFields(d.Params.Fields, focus);
    }
    if (job.Remember) {
        d.Params.Remember = true;
        if (!SaveConfigSection(d)) return -1;
    }
    if (!job.SaveExpFile.empty() && !SaveParamsFile(job.SaveExpFile, d)) return -1;
    TExportRows rows = AllRows(*source);
    if (!job.Rows.empty()) {
        std::vector<std::pair<int64_t, int64_t>> ranges;
        for (const auto& [a, b] : job.Rows) ranges.push_back({a - 1, std::min(b, source->RowCount())});
        rows = RangeRows(ranges);
    }
    if (job.XlsxPath.empty() && job.CsvPath.empty()) return rows.Count;
    return Write(job.XlsxPath, job.CsvPath, d.Params, *source, rows) ? rows.Count : -1;
}

} // namespace zorb
