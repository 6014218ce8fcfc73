// The stakes: the stakes file held (with the data directory's lock) from start-up to shutdown, the stake
// protocols, checking against the archive with prizes and profits, deletion and the stake logs.
#pragma once

#include "app/AppServices.h"
#include "app/CombsController.h"
#include "app/DrawsController.h"
#include "stakes/Stakes.h"

#include <functional>
#include <string>
#include <vector>

namespace zorb {

// What the stakes need of the window.
class TStakesUi : public virtual TUiPart {
public:
    virtual ~TStakesUi() = default;
    // The stakes grid: `count` records; repaint and scroll to the last row as asked.
    virtual void StakesViewChanged(int64_t count, bool repaint, bool scrollToEnd) = 0;
    // "Добавление ставки": the record's draw number, numbers and comment, and how many draws; true on OK.
    virtual bool EditStake(TStakeRecord& record, int& drawCount) = 0;
    // "Добавление мультиставки": first draw, number of draws and the comment for a batch.
    virtual bool EditMultiStake(int& drawNumber, int& drawCount, std::string& comment) = 0;
    // "Удаление по условию": the condition index and the number of matches.
    virtual bool EditStakeFilter(int& condition, int& value) = 0;
};

class TStakesController : public TController {
public:
    TStakesController(TAppServices& app, TDrawsController& draws, TCombsController& combs);
    void RegisterActions(TActionTable& table) override;

    TStakesFile& StakesFile() { return FStakes; }
    bool StakesOpen() const { return FStakes.IsOpen(); }
    int64_t StakeCount() const { return FStakes.IsOpen() ? FStakes.Count() : 0; }
    // Takes the data directory's lock and opens the file; false when another copy holds the directory.
    bool LoadStakes();
    void SaveStakes();
    // A stake on the next draw at the current offset, made by `kind`, costing StakeProfit(count, -1).
    TStakeRecord NewStakeRecord(uint8_t kind, const std::string& comment, const TNumberSet& numbers) const;
    // The single-stake protocol: append (a series for drawCount > 1), check, show; false when it failed.
    bool AddSingleStake(const TStakeRecord& record, int drawCount);
    // One stake of a batch; the producer checks once at the end.
    bool AddBatchStake(const TStakeRecord& record, int drawCount, bool scroll);
    // `from`: the first record not yet checked against the current archive.
    bool CheckAndCommitStakes(int64_t from = 0);
    void RefreshStakesView(bool repaint, bool scrollToEnd);
    bool DeleteStakeRows(int64_t firstRow, int64_t lastRow); // grid rows: record index + 1
    bool DeleteStakesByMatches(int condition, int value);
    // Every newly checked stake is also handed to these (the ratings).
    void AddStakeCheckedHook(std::function<void(const TStakeRecord&)> hook) { FStakeHooks.push_back(std::move(hook)); }
    // After every check that checked something (the ratings sort and save here).
    void AddStakesCommittedHook(std::function<void()> hook) { FCommitHooks.push_back(std::move(hook)); }
    // The archive changed: check what can now be checked.
    void ArchiveChanged();

    static constexpr int StakeColumnCount = 9;
    std::string StakeColumnCaption(int column) const;
    std::string StakeCellText(int64_t record, int column); // reads through the record cache
    void SetStakesSelection(TRowRanges ranges);            // record indexes
    const TRowRanges& StakesSelection() const { return FStakesSelection; }

    void StakeAdd(bool randomCombination);
    void StakeAddCombos(bool all);
    void StakeDel();
    void StakeFilter();
    void StakeClear();
    void LogStakesDelete();
    void CombsDoubleClicked(); // a double click on the combination list makes a stake

private:
    void OnStakeChecked(const TStakeRecord& record);
    void DropOutdatedStakes();
    void CutTornStakes();
    void NoteMissingPrizes();

    TAppServices& FApp;
    TStakesUi& FUi;
    TDrawsController& FArchive;
    TCombsController& FCombs;
    TStakesFile FStakes;
    TInstanceLock FLock;
    TRowRanges FStakesSelection;
    std::vector<std::function<void(const TStakeRecord&)>> FStakeHooks;
    std::vector<std::function<void()>> FCommitHooks;
    bool FPrizesNoted = false;
};

} // namespace zorb
