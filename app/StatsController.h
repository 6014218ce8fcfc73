// The statistics: the method selectors, the statistics table with its sort and selection, the full-set files
// behind its norms, filters by the selected values, filter descriptions and favourites, and the settings dialogs
// whose changes make full-set files stale.
#pragma once

#include "app/AppServices.h"
#include "app/CombsController.h"
#include "app/DrawsController.h"
#include "stats/Prefetch.h"
#include "stats/StatTable.h"

#include <optional>
#include <string>
#include <vector>

namespace zorb {

class TFavoritesEditor;
struct TFilterItem;
class TProgress;
struct TFilterDialogContext;

// What the statistics need of the window.
class TStatsUi : public virtual TUiPart {
public:
    virtual ~TStatsUi() = default;
    virtual void StatTableChanged() = 0;   // lines, order or selection changed
    virtual void StatColumnsChanged() = 0; // the norm columns were switched on or off
    virtual void MethodListsChanged() = 0; // the selectors were filled again
    virtual bool EditConfig(TConfigData& config) = 0;
    virtual bool EditShredding(TShreddingData& data) = 0;
    virtual bool EditFilter(TFilterItem& item, const TFilterDialogContext& context) = 0;
    virtual bool ManageFavorites(TFavoritesEditor& editor) = 0;
    virtual void ShowMethodHelp(const std::string& title, const std::string& html) = 0;
};

class TStatsController : public TController {
public:
    TStatsController(TAppServices& app, TDrawsController& draws, TCombsController& combs);
    void RegisterActions(TActionTable& table) override;
    void ReadSortSetting(const TIniFile& frm);
    void WriteSortSetting(TIniFile& frm) const;

    // --- Method selectors: registry entries in list order ---
    const std::vector<int>& StatTypeItems() const { return FStatTypeItems; }
    const std::vector<int>& GraphTypeItems() const { return FGraphTypeItems; }
    int StatTypeEntry() const { return FStatTypeEntry; } // registry index of the choice, -1 for none
    int GraphTypeEntry() const { return FGraphTypeEntry; }
    void SelectStatType(int entry);
    void SelectGraphType(int entry);
    // The method of the statistics table, also one that the method list does not show (commands, scenarios).
    void SetStatEntry(int entry);
    // The method and window length a run left, shown in the selectors (the table follows with the next
    // recalculation).
    void ShowMethod(int entry, int length);
    // Fills both selectors from the registry, keeping the current choices where they still exist.
    void FillMethodSelectors();
    void LoadFavorites();
    // Saves titles, rebuilds the registry (parameter ranges follow the settings) and reloads favourites.
    void RebuildMethods();
    std::string FavoritesPath() const; // the favourite methods and their titles

    // --- The table ---
    const std::vector<TStatLine>& StatLines() const { return FStatTable.Lines; } // in the view's order
    const TStatTable& StatTable() const { return FStatTable; }
    int StatSortColumn() const { return FStatSortColumn; }
    bool StatSortDescending() const { return FStatSortDesc; }
    // Sorts by a column: ascending, or reversed when it is already the sort column.
    void SortStatBy(int column);
    void SetStatSort(int column, bool descending);
    void SetStatSelection(std::vector<int> rows);
    const std::vector<int>& StatSelection() const { return FStatSelection; }
    void SetDrawsStatLen(int length); // the field edDrawsStatLen; recalculates as a new choice would
    void Recalculate(bool force);
    void DrawsStatCalc() { Recalculate(true); }
    void StatFilter(bool exclude);

    // --- Filter descriptions, favourites, method pages ---
    bool EditFilter(TFilterItem& item);
    void FiltersManager();
    void FiltersReset();
    void ShowMethodInfo(int entry);
    std::string HelpPagesDir() const; // empty when there is none
    std::string MethodHelpHtml(int entry) const;

    // --- Settings whose changes make full-set files stale ---
    void EditConfig();
    void EditShredding();
    // Method groups whose full-set files go stale when the settings change from `before` to `after`.
    static std::vector<int> StaleGroups(const TConfigData& before, const TConfigData& after);
    static constexpr int ShreddingGroup = 12;
    static std::vector<int> AllGroups();

    // --- Full-set files ---
    // Creates missing ones and rebuilds those of `groups`; nothing unless forced or enabled.
    void EnsurePrefetchs(bool force, const std::vector<int>& groups);
    std::string PrefetchPath(int entry) const;
    // The entry's full-set distribution, made first when its file is missing; nothing when the comparison is
    // off, the method cannot be compared, or the file cannot be read or made (reported).
    std::optional<TPrefetchData> OpenPrefetch(int entry);
    std::optional<TPrefetchData> MakePrefetch(int entry);
    // A damaged file is deleted and, with rebuildDamaged, made again; other read errors are reported, then nullopt.
    std::optional<TPrefetchData> ReadPrefetch(int entry, bool rebuildDamaged);

private:
    bool SaveFavorites();
    void BuildPrefetchFiles(const std::vector<int>& entries, TProgress* progress);

    TAppServices& FApp;
    TStatsUi& FUi;
    TDrawsController& FArchive;
    TCombsController& FCombs;
    std::vector<int> FStatTypeItems, FGraphTypeItems;
    int FStatTypeEntry = -1, FGraphTypeEntry = -1;
    TStatTable FStatTable;
    int FStatSortColumn = 1;
    bool FStatSortDesc = false;
    std::vector<int> FStatSelection;
    struct TStatKey {
        int Draws, Offset, Length, Entry;
        bool operator==(const TStatKey&) const = default;
    };
    std::optional<TStatKey> FStatKey;
};

} // namespace zorb
