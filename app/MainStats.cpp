// The statistics table of the main window and the full-set files behind its norms.
#include "app/Progress.h"
#include "app/TemplateMain.h"

#include "app/FavoritesEditor.h"
#include "app/FilterDialog.h"
#include "stats/MethodHelp.h"

#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/Platform.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <algorithm>

namespace zorb {

std::vector<int> TTemplateMain::AllGroups() {
    std::vector<int> g;
    for (int i = 0; i < GroupCount; ++i) g.push_back(i);
    return g;
}

std::string TTemplateMain::PrefetchPath(int entry) const {
    return DataFile(PrefetchRelativePath(ProgramName(), FStats.CodeOf(entry)));
}

// --- The table -------------------------------------------------------------------------------------------------

void TTemplateMain::SetStatSort(int column, bool descending) {
    if (column < 0 || column >= StatColumnCount) return;
    FStatSortColumn = column;
    FStatSortDesc = descending;
    SortStatLines(FStatTable.Lines, FStatSortColumn, FStatSortDesc);
    FStatSelection.clear();
    FUI.StatTableChanged();
}

void TTemplateMain::SortStatBy(int column) {
    SetStatSort(column, column == FStatSortColumn ? !FStatSortDesc : false);
}

void TTemplateMain::SetStatSelection(std::vector<int> rows) {
    const int n = static_cast<int>(FStatTable.Lines.size());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [n](int r) { return r < 0 || r >= n; }), rows.end());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    FStatSelection = std::move(rows);
    FUI.ActionsChanged();
}

void TTemplateMain::SetDrawsStatLen(int length) {
    FSettings.DrawsStatLen = std::max(length, 1);
    if (ActionEnabled("DrawsStatCalc")) Recalculate(false);
}

void TTemplateMain::Recalculate(bool force) {
    const TStatKey key{DrawRowCount(), FDrawsOffset, FSettings.DrawsStatLen, FStatTypeEntry};
    if (!force && FStatKey && *FStatKey == key) return;
    FStatKey = key;
    FStatTable = TStatTable{};
    FStatSelection.clear();
    if (FStatTypeEntry < 0 || FStatTypeItems.empty() || FDraws.empty()) {
        FUI.StatTableChanged();
        return;
    }
    try {
        TBusyScope busy(*this, Tr("Анализ тиражей и расчет статистики..."));
        auto stat = FStats.CreateSelectedStat(FStatTypeEntry, "cbDrawsStatType");
        std::optional<TPrefetchData> prefetch;
        if (FSettings.PrefetchsEnabled && FStats.IsPrefetchable(FStatTypeEntry))
            prefetch = OpenPrefetch(FStatTypeEntry);
        TStatTableParams params;
        params.WindowEnd = DrawRowCount() - 1 - FDrawsOffset;
        params.Length = FSettings.DrawsStatLen;
        params.Sorted = FSettings.SortedDraws;
        params.Weights = FStats.Config.Weights;
        params.ShowTotalLine = FSettings.ShowTotalLine;
        FStatTable = ComputeStatTable(*stat, FDraws, params, prefetch ? &*prefetch : nullptr);
        SortStatLines(FStatTable.Lines, FStatSortColumn, FStatSortDesc);
    } catch (...) {
        FStatTable = TStatTable{};
        FUI.StatTableChanged();
        throw;
    }
    FUI.StatTableChanged();
}

void TTemplateMain::StatFilter(bool exclude) {
    if (FStatSelection.empty() || FStatTypeEntry < 0) return;
    TStatDrawArray selected;
    std::vector<std::string> texts;
    for (int row : FStatSelection) {
        selected.push_back(FStatTable.Lines[static_cast<size_t>(row)].Row);
        texts.push_back(FStatTable.Lines[static_cast<size_t>(row)].Cells[0]);
    }
    MakeUndo(true);
    auto stat = FStats.CreateSelectedStat(FStatTypeEntry, "cbDrawsStatType");
    FilterByStat(*stat, selected, Join(texts, "; "), FStats.DisplayName(FStatTypeEntry, true), exclude);
}

// --- Filter descriptions and favourites ------------------------------------------------------------------------

bool TTemplateMain::EditFilter(TFilterItem& item) {
    TFilterDialogContext ctx;
    ctx.Methods = FStatTypeItems;
    for (int entry : FStatTypeItems) ctx.MethodNames.push_back(FStats.DisplayName(entry, true));
    ctx.CurrentMethod = FStatTypeEntry;
    ctx.WindowLength = FSettings.DrawsStatLen;
    ctx.Weights = FStats.Config.Weights;
    ctx.List = &FStats;
    TFilterItem edited = item;
    if (!FUI.EditFilter(edited, ctx)) return false;
    const std::string methodText = item.MethodText;
    item = edited;
    item.Defined = true;
    item.MethodText = methodText; // the dialog chooses the method itself, not its text
    return true;
}

void TTemplateMain::FiltersManager() {
    TFavoritesEditor editor(FStats, FavoritesPath());
    if (!FUI.ManageFavorites(editor)) return;
    {
        TBusyScope busy(*this, Tr("Подождите пожалуйста..."));
        editor.Apply(FStats);
        SaveFavorites();
        FStatTypeEntry = FGraphTypeEntry = -1; // the lists start again from their first entries
        RebuildMethods();
    }
    RefreshViews(true);
}

void TTemplateMain::FiltersReset() {
    if (!Ask(TMsgBox::Confirm, Tr("Вы действительно хотите сбросить список избранных фильтров?"))) return;
    TBusyScope busy(*this, Tr("Подождите пожалуйста..."));
    FStats.ShowAllMethods();
    SaveFavorites();
    FStatTypeEntry = FGraphTypeEntry = -1;
    RebuildMethods();
}

std::string TTemplateMain::HelpPagesDir() const {
    for (const std::string& dir :
         {JoinPath(FOptions.ExeDir, "help"), JoinPath(ExtractFileDir(FOptions.ExeDir), "help"),
          JoinPath(ShareDir(FOptions.ExeDir), "help")})
        if (DirectoryExists(dir)) return dir;
    return "";
}

std::string TTemplateMain::MethodHelpHtml(int entry) const {
    const std::string dir = HelpPagesDir();
    const std::string path = dir.empty() ? "" : JoinPath(dir, HelpPageName(FStats, entry));
    if (!path.empty() && FileExists(path)) {
        try {
            return DecodeTextFile(ReadFileBytes(path));
        } catch (const std::exception&) {
            // An unreadable page is replaced by the one the registry describes.
        }
    }
    return MethodHelpPage(FStats, entry);
}

void TTemplateMain::ShowMethodInfo(int entry) {
    if (entry < 0 || entry >= FStats.MethodCount()) return;
    FUI.ShowMethodHelp(Tr("Описание методики расчета"), MethodHelpHtml(entry));
}

// --- Full-set files -------------------------------------------------------------------------------------------

void TTemplateMain::BuildPrefetchFiles(const std::vector<int>& entries, TProgress* progress) {
    std::vector<TStatFactory> factories;
    for (int entry : entries) factories.push_back([this, entry] { return FStats.CreateStat(entry); });
    std::vector<TStatDrawArray> tables;
    try {
        tables = CountFullSet(factories);
    } catch (const std::exception& e) {
        for (int entry : entries) {
            DeleteFileIfExists(PrefetchPath(entry));
            ShowError(Format(Tr("Ошибка создания файла данных для полного набора вариантов!\r\rИмя файла: %s\r\r%s"),
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
            ShowError(Format(Tr("Ошибка создания файла данных для полного набора вариантов!\r\rИмя файла: %s\r\r%s"),
                             path, ErrorText(e)));
        }
        if (progress) progress->Step();
    }
}

std::optional<TPrefetchData> TTemplateMain::ReadPrefetch(int entry, bool rebuildDamaged) {
    const std::string path = PrefetchPath(entry);
    try {
        return DecodePrefetch(ReadFileBytes(path));
    } catch (const EPrefetchDamaged&) {
        // A damaged or truncated file is treated as a missing one: said once, quietly, and made again.
        DeleteFileIfExists(path);
        FUI.SetStatusPanel(5, Format(Tr("Файл данных для полного набора вариантов поврежден и создан заново: %s"),
                                     ExtractFileName(path)));
        if (rebuildDamaged) return MakePrefetch(entry);
        return std::nullopt;
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка открытия файла данных для полного набора вариантов!\r\rИмя файла: %s\r\r%s"), path,
                         ErrorText(e)));
        return std::nullopt;
    }
}

std::optional<TPrefetchData> TTemplateMain::MakePrefetch(int entry) {
    const std::string path = PrefetchPath(entry);
    {
        TBusyScope busy(*this, Format(Tr("Создание файла предварительной выборки %s..."), ExtractFileName(path)));
        BuildPrefetchFiles({entry}, nullptr);
    }
    if (FileSize(path) <= 0) return std::nullopt;
    return ReadPrefetch(entry, false);
}

std::optional<TPrefetchData> TTemplateMain::OpenPrefetch(int entry) {
    if (!FSettings.PrefetchsEnabled || entry < 0 || entry >= FStats.MethodCount() || !FStats.IsPrefetchable(entry))
        return std::nullopt;
    const std::string path = PrefetchPath(entry);
    if (FileSize(path) <= 0) return MakePrefetch(entry);
    return ReadPrefetch(entry, true);
}

void TTemplateMain::EnsurePrefetchs(bool force, const std::vector<int>& groups) {
    auto inGroups = [&](int group) {
        return group >= 0 && group <= 15 && std::find(groups.begin(), groups.end(), group) != groups.end();
    };
    if (!force && !FSettings.PrefetchsEnabled) {
        // Nothing is built now, but files of changed settings must not serve norms later: they are removed and
        // made again when the comparison asks for them.
        for (int i = 0; i < FStats.MethodCount(); ++i)
            if (FStats.IsPrefetchable(i) && inGroups(FStats.Method(i).StatClass->Group))
                DeleteFileIfExists(PrefetchPath(i));
        return;
    }
    std::vector<int> build;
    for (int i = 0; i < FStats.MethodCount(); ++i) {
        if (!FStats.IsPrefetchable(i)) continue;
        if (FileExists(PrefetchPath(i)) && !inGroups(FStats.Method(i).StatClass->Group)) continue;
        build.push_back(i);
    }
    TBusyScope busy(*this, Tr("Создание файлов для полного набора комбинаций..."));
    TProgress progress(FUI, Tr("Создание файлов для полного набора комбинаций..."), FStats.MethodCount());
    progress.Step(FStats.MethodCount() - static_cast<int>(build.size())); // entries with nothing to do
    if (!build.empty()) BuildPrefetchFiles(build, &progress);
}

} // namespace zorb
