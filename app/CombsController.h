// The combination list: generation, files, clipboard, the buffer of scenario runs, filtering with undo and the
// list of applied filters.
#pragma once

#include "app/AppServices.h"
#include "app/DrawsController.h"
#include "combos/CombsArray.h"
#include "combos/Filter.h"
#include "stats/GameSettings.h"

#include <string>
#include <utility>
#include <vector>

namespace zorb {

class TCustomStat;

// What the combination list needs of the window.
class TCombsUi : public virtual TUiPart {
public:
    virtual ~TCombsUi() = default;
    virtual void CombsListReset() = 0;
    virtual void CombsListRepaint() = 0;
    virtual void CombsSelectAll() = 0;
    virtual void FiltersChanged() = 0;
    // "Генерация списка комбинаций": mode and its numbers; saveAsDefault when the box is ticked.
    virtual bool EditGenerateParams(TGenerateSettings& params, bool& saveAsDefault) = 0;
};

class TCombsController : public TController {
public:
    TCombsController(TAppServices& app, TDrawsController& draws);
    void RegisterActions(TActionTable& table) override;
    void RepaintList() { FUi.CombsListRepaint(); }
    // The full set's room, taken once at start-up so that no filter has to grow the lists.
    void ReserveFullSet();
    void FreeLists();

    const TCombsArray& Combs() const { return FCombs; }
    const TCombsArray& UndoCombs() const { return FUndo; }
    bool UndoAvailable() const { return FUndo.Count() > 0; }
    const std::vector<TFilterLine>& Filters() const { return FFilters; }
    static constexpr int CombColumnCount = 8;
    std::string CombColumnCaption(int column) const;
    std::string CombCellText(size_t row, int column) const;
    int64_t CombCellColor(size_t row, int column) const; // -1: the list's default
    void SetCombsSelection(TRowRanges ranges);
    const TRowRanges& CombsSelection() const { return FCombsSelection; }
    void ClearCombsSelection();
    size_t CombsSelectedCount() const;
    void SetCombsExclude(int n); // the field edCombsExclude

    void MakeUndo(bool show);
    void ForgetUndo() { FUndo.Clear(); } // scenario lines start without undo
    // Runs that step without copying exchange storages instead: the list with its undo copy, or either with an
    // array of the caller's (a list lent for a run and taken back). Counts travel with the storage; the caller
    // refreshes the shown count.
    void SwapListAndUndo() { std::swap(FCombs, FUndo); }
    void ExchangeList(TCombsArray& other) { std::swap(FCombs, other); }
    void ExchangeUndo(TCombsArray& other) { std::swap(FUndo, other); }
    void ClearList() { FCombs.Clear(); }
    void AddUndoneLine(); // "Отмена последней операции" in the applied filters
    // The applied filters of a list handed over whole (a scenario run's result).
    void SetFilters(std::vector<TFilterLine> lines);
    void RestoreUndo(bool show);
    void RefreshCombsCount();
    // Fills the list by the mode; interactive runs also reset undo and the applied filters.
    void GenerateCombs(bool interactive, const TGenerateSettings& params);
    // Keeps (or with exclude removes) the combinations of the undo list that have one of the selected values.
    void FilterByStat(TCustomStat& stat, const TStatDrawArray& selected, const std::string& valuesText,
                      const std::string& operation, bool exclude);
    void FilterByNumbers(const std::string& viewCaption, const std::vector<int>& numbers, bool exclude);
    void RemoveLastDraws(int n);
    void RemoveSelected();
    void CombsGen();
    void CombsOpen(const std::string& path);
    void CombsSave(const std::string& path);
    void CombsCopy();
    void CombsPaste();
    void CombsSelectAll();
    void CombsCheckNums();
    void CombsFindInDraws();
    // The archive search for one combination (every draw with the same six numbers, newest first, at most 26).
    std::string FindInDrawsText(const TComb& comb);
    void CombsDelExists();
    void CombsDelSelected();
    void CombsUndo();
    // The combination buffer of scenario runs, kept in memory under the key (offset, excluded).
    void SaveBuffer(int offset, int excluded);
    bool LoadBuffer(int offset, int excluded);
    void DeleteBuffer();
    void ForgetBuffer();

private:
    void AddFilterLine(TFilterLine line);
    void ReportOddCombs(size_t odd);

    TAppServices& FApp;
    TCombsUi& FUi;
    TDrawsController& FArchive;
    TCombsArray FCombs, FUndo, FBuffer;
    std::pair<int, int> FBufferKey{-1, -1};
    std::vector<TFilterLine> FFilters;
    TRowRanges FCombsSelection;
    size_t FListedCombs = SIZE_MAX; // count the list was last told about
};

} // namespace zorb
