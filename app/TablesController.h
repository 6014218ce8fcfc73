// The regular stake tables tab: the tables and their file (only while the tab is shown), the table dialog's
// rules, a stake from one table and the test of tables over past draws.
#pragma once

#include "app/AppServices.h"
#include "app/CombsController.h"
#include "app/DrawsController.h"
#include "app/StakesController.h"
#include "stakes/StakeTables.h"

#include <functional>
#include <string>
#include <vector>

namespace zorb {

// "Добавление регулярной ставки" as the dialog holds it.
struct TTableDialogData {
    std::string Comment;
    bool UseLastDraw = false;
    bool CombEnabled = false; // exactly one combination selected: the numbers can be typed
    std::string CombText;     // the numbers, or "{...Выделенные комбинации...}"
    int Step = 1;
    std::vector<std::string> ExistingComments;
};

class TTablesUi : public virtual TUiPart {
public:
    virtual ~TTablesUi() = default;
    virtual void TablesViewChanged(size_t count) = 0;
    virtual void TablesTabChanged(bool shown) = 0;
    // On OK the dialog asks `check` and stays open with its message (and the field it names) until it is empty.
    virtual bool EditTable(TTableDialogData& data,
                           const std::function<std::string(const TTableDialogData&, bool& combField)>& check) = 0;
    // "Количество тестов" of «Тест регуляров»: k in 1..maxCount.
    virtual bool AskTablesTestCount(int& count, int maxCount) = 0;
};

class TTablesController : public TController {
public:
    TTablesController(TAppServices& app, TDrawsController& draws, TCombsController& combs, TStakesController& stakes,
                      std::function<void(bool)> freezeViews);
    void RegisterActions(TActionTable& table) override;

    const TRegularTables& Tables() const { return FTables; }
    bool TabShown() const { return FApp.Settings().TabTables; }
    std::string TablesPath() const;
    void LoadTables();
    void SaveTables();
    void ClearTables() { FTables.clear(); }
    void RemoveTable(size_t index); // raises for an index outside the list
    void AppendTable(const TRegularTable& table) { FTables.push_back(table); }
    void ReplaceTable(size_t index, const TRegularTable& table) {
        if (index < FTables.size()) FTables[index] = table;
    }

    static constexpr int TableColumnCount = 5;
    std::string ColumnCaption(int column) const;
    std::string CellText(size_t row, int column) const;
    void SetSelection(std::vector<size_t> rows);
    const std::vector<size_t>& Selection() const { return FSelection; }

    // The dialog's OK: an empty text when the data can be used, else the message (combField: which field).
    std::string CheckTableDialog(const TTableDialogData& data, bool& combField) const;
    // Creates the tables the dialog describes; returns how many were added.
    int AddTables(const TTableDialogData& data);

    void TabTables();
    void TablesAdd();
    void TablesDel();
    void TablesStakeAdd();
    // Stakes for the draws after offsets k..1 from the selected tables; returns the stakes appended.
    int TablesStakeTest(int k);

private:
    TAppServices& FApp;
    TTablesUi& FUi;
    TDrawsController& FArchive;
    TCombsController& FCombs;
    TStakesController& FStakes;
    std::function<void(bool)> FFreezeViews;
    TRegularTables FTables;
    std::vector<size_t> FSelection;
};

} // namespace zorb
