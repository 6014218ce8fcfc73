// The statistics of the main window: the method selectors, the table and the full-set files behind its norms,
// filter descriptions and favourites, and the settings that make full-set files stale.
#include "app/StatsController.h"

#include "app/FavoritesEditor.h"
#include "app/FilterDialog.h"
#include "app/Progress.h"
#include "stats/MethodHelp.h"
#include "stats/Shredding.h"
#include "stats/StatList.h"

#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "core/Platform.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <algorithm>

namespace zorb {

namespace {

class TNoStatsUi final : public TStatsUi {
    void StatTableChanged() override {}
    void StatColumnsChanged() override {}
    void MethodListsChanged() override {}
    bool EditConfig(TConfigData&) override { return false; }
    bool EditShredding(TShreddingData&) override { return false; }
    bool EditFilter(TFilterItem&, const TFilterDialogContext&) override { return false; }
    bool ManageFavorites(TFavoritesEditor&) override { return false; }
    void ShowMethodHelp(const std::string&, const std::string&) override {}
};

} // namespace

TStatsController::TStatsController(TAppServices& app, TDrawsController& draws, TCombsController& combs)
    : FApp(app), FUi(UiOr<TStatsUi, TNoStatsUi>(app.UI())), FArchive(draws), FCombs(combs) {}

void TStatsController::RegisterActions(TActionTable& t) {
    auto always = [] { return true; };
    t.Add({"EditConfig", "Параметры", "Параметры системы: матрица, каналы, ставки, выигрыши, веса", "", always,
           [this] { EditConfig(); }},
          {"File", 10});
    t.Add({"EditShredding", "Формулы шинковки", "Формулы методов шинковки", "", always, [this] { EditShredding(); }},
          {"File", 20});
    t.Add({"DrawsStatCalc", "Обновить", "Пересчитать статистику по выбранным параметрам", "",
           [this] { return !FArchive.Draws().empty() && FStatTypeEntry >= 0; }, [this] { DrawsStatCalc(); }},
          MenuPlace("Stats", 10, false, 1));
    t.Add({"DrawsStatePrefetchsEnabled", "Использовать сравнение с полным набором комбинаций",
           "Использовать режим сравнения статистики с распределением по полному набору комбинаций", "", always,
           [this] {
               FApp.ToggleOption(&TFormSettings::PrefetchsEnabled);
               EnsurePrefetchs(false, {});
               FUi.StatColumnsChanged();
               Recalculate(true);
           },
           [this] { return FApp.Settings().PrefetchsEnabled; }},
          MenuPlace("Stats", 20, true, 4, "Норма"));
    t.Add({"DrawsStatShowTotalLine", "График идеального распределения",
           "Пропорциональный график распределения значений по всем возможным комбинациям лотереи", "",
           [this] { return FApp.Settings().PrefetchsEnabled; },
           [this] {
               TBusyScope busy(FApp, Tr("Создание графиков..."));
               FApp.ToggleOption(&TFormSettings::ShowTotalLine);
               Recalculate(true);
           },
           [this] { return FApp.Settings().ShowTotalLine; }},
          MenuPlace("Stats", 30, false, 5, "Идеальный график"));
    auto canFilter = [this] { return !FCombs.Combs().Empty() && !FStatSelection.empty(); };
    t.Add({"StatFilter_Include", "Оставить выделенные",
           "В списке комбинаций оставить комбинации с выделенными характеристиками", "F7", canFilter,
           [this] { StatFilter(false); }},
          MenuPlace("Stats", 40, true, 2));
    t.Add({"StatFilter_Exclude", "Удалить выделенные",
           "Из списка комбинаций удалить комбинации с выделенными характеристиками", "Ctrl+F7", canFilter,
           [this] { StatFilter(true); }},
          MenuPlace("Stats", 50, false, 3));
    t.Add({"FiltersManager", "Избранные статистики", "Настройка списка избранных видов статистики (фильтров)", "",
           always, [this] { FiltersManager(); }},
          MenuPlace("Stats", 60, true, 6, "Избранное"));
    t.Add({"FiltersReset", "Все доступные статистики", "Отображать все доступные виды статистики (фильтры)", "", always,
           [this] { FiltersReset(); }},
          MenuPlace("Stats", 70));
    t.Add({"FiltersInfo", "Описание статистики", "Сведения о выбранном методе расчета статистики", "F8",
           [this] { return FStatTypeEntry >= 0; }, [this] { ShowMethodInfo(FStatTypeEntry); }},
          MenuPlace("Stats", 80));
}

void TStatsController::ReadSortSetting(const TIniFile& frm) {
    const auto sort = SplitKeepEmpty(frm.ReadString(FormSection, "lvDrawsStat.SortType", ""), ',');
    int32_t column, direction;
    if (sort.size() == 2 && TryStrToInt(Trim(sort[0]), column) && TryStrToInt(Trim(sort[1]), direction) &&
        column >= 0 && column < StatColumnCount) {
        FStatSortColumn = column;
        FStatSortDesc = direction != 0;
    }
}

void TStatsController::WriteSortSetting(TIniFile& frm) const {
    frm.WriteString(FormSection, "lvDrawsStat.SortType", Format("%d,%d", FStatSortColumn, FStatSortDesc ? 1 : 0));
}

void TStatsController::SetStatEntry(int entry) {
    FStatTypeEntry = entry >= 0 && entry < FApp.Registry().MethodCount() ? entry : -1;
}

void TStatsController::ShowMethod(int entry, int length) {
    SetStatEntry(entry);
    FApp.Settings().DrawsStatLen = std::max(length, 1);
    FUi.MethodListsChanged();
}

void TStatsController::LoadFavorites() {
    FApp.Attempt([&] { FApp.Registry().LoadNames(FavoritesPath(), true); },
                 Tr("Ошибка загрузки списка фильтров!\r\r%s"));
}

bool TStatsController::SaveFavorites() {
    return FApp.Attempt([&] { FApp.Registry().SaveNames(FavoritesPath(), true, false); },
                        Tr("Ошибка сохранения списка фильтров!\r\r%s"));
}

void TStatsController::RebuildMethods() {
    SaveFavorites();
    FApp.Registry().BuildMethods();
    FApp.Registry().ShowAllMethods();
    LoadFavorites();
    FillMethodSelectors();
}

void TStatsController::FillMethodSelectors() {
    // Choices are kept by method (class and parameter), since registry indexes move when ranges change.
    auto keyOf = [&](int entry) -> std::pair<const TStatClass*, int> {
        if (entry < 0 || entry >= FApp.Registry().MethodCount()) return {nullptr, 0};
        return {FApp.Registry().Method(entry).StatClass, FApp.Registry().Method(entry).Param};
    };
    auto statKey = keyOf(FStatTypeEntry), graphKey = keyOf(FGraphTypeEntry);
    FStatTypeItems.clear();
    FGraphTypeItems.clear();
    for (int i = 0; i < FApp.Registry().MethodCount(); ++i) {
        if (!FApp.Registry().IsAvailable(i) || !FApp.Registry().IsVisible(i) || !FApp.Registry().IsShown(i)) continue;
        FStatTypeItems.push_back(i);
        if (FApp.Registry().IsGraphMethod(i)) FGraphTypeItems.push_back(i);
    }
    if (FApp.Registry().Ordered) {
        auto byName = [&](int a, int b) {
            return LowerCase(FApp.Registry().DisplayName(a, true)) < LowerCase(FApp.Registry().DisplayName(b, true));
        };
        std::stable_sort(FStatTypeItems.begin(), FStatTypeItems.end(), byName);
        std::stable_sort(FGraphTypeItems.begin(), FGraphTypeItems.end(), byName);
    }
    auto find = [&](const std::vector<int>& items, std::pair<const TStatClass*, int> key) {
        for (int i : items)
            if (keyOf(i) == key) return i;
        return items.empty() ? -1 : items.front();
    };
    FStatTypeEntry = find(FStatTypeItems, statKey);
    FGraphTypeEntry = find(FGraphTypeItems, graphKey);
    FUi.MethodListsChanged();
}

void TStatsController::SelectStatType(int entry) {
    if (std::find(FStatTypeItems.begin(), FStatTypeItems.end(), entry) == FStatTypeItems.end()) return;
    FStatTypeEntry = entry;
    FApp.UI().ActionsChanged();
    if (FApp.ActionEnabled("DrawsStatCalc")) Recalculate(false);
}

void TStatsController::SelectGraphType(int entry) {
    if (std::find(FGraphTypeItems.begin(), FGraphTypeItems.end(), entry) != FGraphTypeItems.end())
        FGraphTypeEntry = entry;
}

std::vector<int> TStatsController::StaleGroups(const TConfigData& before, const TConfigData& after) {
    constexpr int ChannelGroup = 3, MatrixGroup = 4, SegmentGroup = 5;
    std::vector<int> groups;
    if (before.MatrixCols != after.MatrixCols) groups.push_back(MatrixGroup);
    if (before.ChannelSize != after.ChannelSize) groups.push_back(ChannelGroup);
    if (before.MatrixSegments != after.MatrixSegments) groups.push_back(SegmentGroup);
    std::sort(groups.begin(), groups.end());
    return groups;
}

void TStatsController::EditConfig() {
    TConfigData edited = FApp.Registry().Config;
    if (!FUi.EditConfig(edited)) return;
    const std::vector<int> stale = StaleGroups(FApp.Registry().Config, edited);
    FApp.Registry().Config = edited;
    {
        TBusyScope busy(FApp, Tr("Сохранение файла конфигурации..."));
        FApp.Attempt([&] { FApp.Registry().SaveSettings(); }, Tr("Ошибка записи в файл конфигурации!\r\r%s"));
    }
    RebuildMethods();
    EnsurePrefetchs(false, stale);
    FApp.RefreshViews(true);
    FArchive.RepaintList();
    FCombs.RepaintList();
}

void TStatsController::EditShredding() {
    TShreddingData edited = FApp.Registry().Shredding;
    if (!FUi.EditShredding(edited)) return;
    // The dialog keeps itself open on a formula that does not compile; anything else handing one back is refused.
    if (const std::string reason = ShreddingSettingsError(edited); !reason.empty()) {
        FApp.ShowError(reason);
        return;
    }
    FApp.Registry().Shredding = edited;
    {
        TBusyScope busy(FApp, Tr("Сохранение файла конфигурации..."));
        FApp.Attempt([&] { FApp.Registry().SaveShreddingSettings(); }, Tr("Ошибка записи в файл конфигурации!\r\r%s"));
    }
    EnsurePrefetchs(false, {ShreddingGroup});
    RebuildMethods();
}

std::string TStatsController::FavoritesPath() const {
    return FApp.DataFile(FApp.ProgramName() + ".flt");
}

std::vector<int> TStatsController::AllGroups() {
    std::vector<int> g;
    for (int i = 0; i < GroupCount; ++i) g.push_back(i);
    return g;
}

void TStatsController::BuildPrefetchFiles(const std::vector<int>& entries, TProgress* progress) {
    std::vector<TStatFactory> factories;
    for (int entry : entries) factories.push_back([this, entry] { return FApp.Registry().CreateStat(entry); });
    std::vector<TStatDrawArray> tables;
    try {
        tables = CountFullSet(factories);
    } catch (const std::exception& e) {
        for (int entry : entries) {
            DeleteFileIfExists(PrefetchPath(entry));
            FApp.ShowError(
                Format(Tr("Ошибка создания файла данных для полного набора вариантов!\r\rИмя файла: %s\r\r%s"),
                       PrefetchPath(entry), ErrorText(e)));
        }
        return;
    }
    for (size_t k = 0; k < entries.size(); ++k) {
        const std::string path = PrefetchPath(entries[k]);
        try {
            ForceDirectories(ExtractFileDir(path));
            WriteFileAtomic(path, EncodePrefetch(tables[k]));
        } catch (const std::exception& e) {
            // A file that could not be rebuilt is removed: its old contents belong to other settings.
            DeleteFileIfExists(path);
            FApp.ShowError(
                Format(Tr("Ошибка создания файла данных для полного набора вариантов!\r\rИмя файла: %s\r\r%s"), path,
                       ErrorText(e)));
        }
        if (progress) progress->Step();
    }
}

bool TStatsController::EditFilter(TFilterItem& item) {
    TFilterDialogContext ctx;
    ctx.Methods = FStatTypeItems;
    for (int entry : FStatTypeItems) ctx.MethodNames.push_back(FApp.Registry().DisplayName(entry, true));
    ctx.CurrentMethod = FStatTypeEntry;
    ctx.WindowLength = FApp.Settings().DrawsStatLen;
    ctx.Weights = FApp.Registry().Config.Weights;
    ctx.List = &FApp.Registry();
    TFilterItem edited = item;
    if (!FUi.EditFilter(edited, ctx)) return false;
    const std::string methodText = item.MethodText;
    item = edited;
    item.Defined = true;
    item.MethodText = methodText; // the dialog chooses the method itself, not its text
    return true;
}

void TStatsController::EnsurePrefetchs(bool force, const std::vector<int>& groups) {
    auto inGroups = [&](int group) {
        return group >= 0 && group <= 15 && std::find(groups.begin(), groups.end(), group) != groups.end();
    };
    if (!force && !FApp.Settings().PrefetchsEnabled) {
        // Nothing is built now, but files of changed settings must not serve norms later: they are removed and
        // made again when the comparison asks for them.
        for (int i = 0; i < FApp.Registry().MethodCount(); ++i)
            if (FApp.Registry().IsPrefetchable(i) && inGroups(FApp.Registry().Method(i).StatClass->Group))
                DeleteFileIfExists(PrefetchPath(i));
        return;
    }
    std::vector<int> build;
    for (int i = 0; i < FApp.Registry().MethodCount(); ++i) {
        if (!FApp.Registry().IsPrefetchable(i)) continue;
        if (FileExists(PrefetchPath(i)) && !inGroups(FApp.Registry().Method(i).StatClass->Group)) continue;
        build.push_back(i);
    }
    TBusyScope busy(FApp, Tr("Создание файлов для полного набора комбинаций..."));
    TProgress progress(FApp.UI(), Tr("Создание файлов для полного набора комбинаций..."),
                       FApp.Registry().MethodCount());
    progress.Step(FApp.Registry().MethodCount() - static_cast<int>(build.size())); // entries with nothing to do
    if (!build.empty()) BuildPrefetchFiles(build, &progress);
}

void TStatsController::FiltersManager() {
    TFavoritesEditor editor(FApp.Registry(), FavoritesPath());
    if (!FUi.ManageFavorites(editor)) return;
    {
        TBusyScope busy(FApp, Tr("Подождите пожалуйста..."));
        editor.Apply(FApp.Registry());
        SaveFavorites();
        FStatTypeEntry = FGraphTypeEntry = -1; // the lists start again from their first entries
        RebuildMethods();
    }
    FApp.RefreshViews(true);
}

void TStatsController::FiltersReset() {
    if (!FApp.Ask(TMsgBox::Confirm, Tr("Вы действительно хотите сбросить список избранных фильтров?"))) return;
    TBusyScope busy(FApp, Tr("Подождите пожалуйста..."));
    FApp.Registry().ShowAllMethods();
    SaveFavorites();
    FStatTypeEntry = FGraphTypeEntry = -1;
    RebuildMethods();
}

std::string TStatsController::HelpPagesDir() const {
    for (const std::string& dir : {JoinPath(FApp.ExeDir(), "help"), JoinPath(ExtractFileDir(FApp.ExeDir()), "help"),
                                   JoinPath(ShareDir(FApp.ExeDir()), "help")})
        if (DirectoryExists(dir)) return dir;
    return "";
}

std::optional<TPrefetchData> TStatsController::MakePrefetch(int entry) {
    const std::string path = PrefetchPath(entry);
    {
        TBusyScope busy(FApp, Format(Tr("Создание файла предварительной выборки %s..."), ExtractFileName(path)));
        BuildPrefetchFiles({entry}, nullptr);
    }
    if (FileSize(path) <= 0) return std::nullopt;
    return ReadPrefetch(entry, false);
}

std::string TStatsController::MethodHelpHtml(int entry) const {
    const std::string dir = HelpPagesDir();
    const std::string path = dir.empty() ? "" : JoinPath(dir, HelpPageName(FApp.Registry(), entry));
    if (!path.empty() && FileExists(path)) {
        try {
            return DecodeTextFile(ReadFileBytes(path));
        } catch (const std::exception&) {
            // An unreadable page is replaced by the one the registry describes.
        }
    }
    return MethodHelpPage(FApp.Registry(), entry);
}

std::optional<TPrefetchData> TStatsController::OpenPrefetch(int entry) {
    if (!FApp.Settings().PrefetchsEnabled || entry < 0 || entry >= FApp.Registry().MethodCount() ||
        !FApp.Registry().IsPrefetchable(entry))
        return std::nullopt;
    const std::string path = PrefetchPath(entry);
    if (FileSize(path) <= 0) return MakePrefetch(entry);
    return ReadPrefetch(entry, true);
}

std::string TStatsController::PrefetchPath(int entry) const {
    return FApp.DataFile(PrefetchRelativePath(FApp.ProgramName(), FApp.Registry().CodeOf(entry)));
}

std::optional<TPrefetchData> TStatsController::ReadPrefetch(int entry, bool rebuildDamaged) {
    const std::string path = PrefetchPath(entry);
    try {
        return DecodePrefetch(ReadFileBytes(path));
    } catch (const EPrefetchDamaged&) {
        // A damaged or truncated file is treated as a missing one: said once, quietly, and made again.
        DeleteFileIfExists(path);
        FApp.UI().SetStatusPanel(5, Format(Tr("Файл данных для полного набора вариантов поврежден и создан заново: %s"),
                                           ExtractFileName(path)));
        if (rebuildDamaged) return MakePrefetch(entry);
        return std::nullopt;
    } catch (const std::exception& e) {
        FApp.ShowError(Format(Tr("Ошибка открытия файла данных для полного набора вариантов!\r\rИмя файла: %s\r\r%s"),
                              path, ErrorText(e)));
        return std::nullopt;
    }
}

void TStatsController::Recalculate(bool force) {
    const TStatKey key{FArchive.DrawRowCount(), FArchive.DrawsOffset(), FApp.Settings().DrawsStatLen, FStatTypeEntry};
    if (!force && FStatKey && *FStatKey == key) return;
    FStatKey = key;
    FStatTable = TStatTable{};
    FStatSelection.clear();
    if (FStatTypeEntry < 0 || FStatTypeItems.empty() || FArchive.Draws().empty()) {
        FUi.StatTableChanged();
        return;
    }
    try {
        TBusyScope busy(FApp, Tr("Анализ тиражей и расчет статистики..."));
        auto stat = FApp.Registry().CreateSelectedStat(FStatTypeEntry, "cbDrawsStatType");
        std::optional<TPrefetchData> prefetch;
        if (FApp.Settings().PrefetchsEnabled && FApp.Registry().IsPrefetchable(FStatTypeEntry))
            prefetch = OpenPrefetch(FStatTypeEntry);
        TStatTableParams params;
        params.WindowEnd = FArchive.DrawRowCount() - 1 - FArchive.DrawsOffset();
        params.Length = FApp.Settings().DrawsStatLen;
        params.Sorted = FApp.Settings().SortedDraws;
        params.Weights = FApp.Registry().Config.Weights;
        params.ShowTotalLine = FApp.Settings().ShowTotalLine;
        FStatTable = ComputeStatTable(*stat, FArchive.Draws(), params, prefetch ? &*prefetch : nullptr);
        SortStatLines(FStatTable.Lines, FStatSortColumn, FStatSortDesc);
    } catch (...) {
        FStatTable = TStatTable{};
        FUi.StatTableChanged();
        throw;
    }
    FUi.StatTableChanged();
}

void TStatsController::SetDrawsStatLen(int length) {
    FApp.Settings().DrawsStatLen = std::max(length, 1);
    if (FApp.ActionEnabled("DrawsStatCalc")) Recalculate(false);
}

void TStatsController::SetStatSelection(std::vector<int> rows) {
    const int n = static_cast<int>(FStatTable.Lines.size());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [n](int r) { return r < 0 || r >= n; }), rows.end());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    FStatSelection = std::move(rows);
    FApp.UI().ActionsChanged();
}

void TStatsController::SetStatSort(int column, bool descending) {
    if (column < 0 || column >= StatColumnCount) return;
    FStatSortColumn = column;
    FStatSortDesc = descending;
    SortStatLines(FStatTable.Lines, FStatSortColumn, FStatSortDesc);
    FStatSelection.clear();
    FUi.StatTableChanged();
}

void TStatsController::ShowMethodInfo(int entry) {
    if (entry < 0 || entry >= FApp.Registry().MethodCount()) return;
    FUi.ShowMethodHelp(Tr("Описание методики расчета"), MethodHelpHtml(entry));
}

void TStatsController::SortStatBy(int column) {
    SetStatSort(column, column == FStatSortColumn ? !FStatSortDesc : false);
}

void TStatsController::StatFilter(bool exclude) {
    if (FStatSelection.empty() || FStatTypeEntry < 0) return;
    TStatDrawArray selected;
    std::vector<std::string> texts;
    for (int row : FStatSelection) {
        selected.push_back(FStatTable.Lines[static_cast<size_t>(row)].Row);
        texts.push_back(FStatTable.Lines[static_cast<size_t>(row)].Cells[0]);
    }
    FCombs.MakeUndo(true);
    auto stat = FApp.Registry().CreateSelectedStat(FStatTypeEntry, "cbDrawsStatType");
    FCombs.FilterByStat(*stat, selected, Join(texts, "; "), FApp.Registry().DisplayName(FStatTypeEntry, true), exclude);
}

} // namespace zorb
