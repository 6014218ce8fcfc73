// The regular stake tables tab.
#include "app/TablesController.h"

#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <algorithm>

namespace zorb {

namespace {

class TNoTablesUi final : public TTablesUi {
    void TablesViewChanged(size_t) override {}
    void TablesTabChanged(bool) override {}
    bool EditTable(TTableDialogData&, const std::function<std::string(const TTableDialogData&, bool&)>&) override {
        return false;
    }
    bool AskTablesTestCount(int&, int) override { return false; }
};

constexpr const char* DefaultTableComment = "Регулярная ставка";
constexpr const char* BadComb = "Введена некорректная комбинация!";

// Restores the draws offset and thaws the views however the test ends.
class TTestScope {
public:
    TTestScope(TDrawsController& draws, std::function<void(bool)>& freeze)
        : FDraws(draws), FFreeze(freeze), FOffset(draws.DrawsOffset()) {
        if (FFreeze) FFreeze(true);
    }
    ~TTestScope() {
        FDraws.SetDrawsOffset(FOffset);
        if (FFreeze) FFreeze(false);
    }
    TTestScope(const TTestScope&) = delete;
    TTestScope& operator=(const TTestScope&) = delete;

private:
    TDrawsController& FDraws;
    std::function<void(bool)>& FFreeze;
    int FOffset;
};

} // namespace

TTablesController::TTablesController(TAppServices& app, TDrawsController& draws, TCombsController& combs,
                                     TStakesController& stakes, std::function<void(bool)> freezeViews)
    : FApp(app), FUi(UiOr<TTablesUi, TNoTablesUi>(app.UI())), FArchive(draws), FCombs(combs), FStakes(stakes),
      FFreezeViews(std::move(freezeViews)) {}

void TTablesController::RegisterActions(TActionTable& t) {
    auto shown = [this] { return TabShown(); };
    auto canStake = [this] { return TabShown() && !FSelection.empty() && FStakes.StakesOpen() && !FApp.ReadOnly(); };
    const auto place = [](int order, bool group = false) {
        TActionPlace p{"Tables", order, group};
        p.Toolbar = "Tables";
        p.ToolbarOrder = order;
        return p;
    };
    t.Add({"TabTables", "Вкладка \"Регуляры\"", "Показать или скрыть вкладку \"Регуляры\"", "", [] { return true; },
           [this] { TabTables(); }, [this] { return TabShown(); }},
          TActionPlace{"View", 44});
    t.Add({"TablesAdd", "Добавить регулярную ставку", "Добавить регулярную ставку", "",
           [this, shown] { return shown() && !FApp.ReadOnly(); }, [this] { TablesAdd(); }},
          place(10, true));
    t.Add({"TablesDel", "Удалить регулярную ставку", "Удалить регулярную ставку", "",
           [this, shown] { return shown() && !FSelection.empty() && !FApp.ReadOnly(); }, [this] { TablesDel(); }},
          place(20));
    t.Add({"TablesStakeAdd", "Сделать ставку по регуляру", "Сделать ставку по регуляру", "", canStake,
           [this] { TablesStakeAdd(); }},
          place(30, true));
    t.Add({"TablesStakeTest", "Тест регуляров", "Тест регуляров", "",
           [this, canStake] { return canStake() && FArchive.Draws().size() >= 2; },
           [this] {
               int k = 10;
               const int maxCount = static_cast<int>(FArchive.Draws().size()) - 1;
               if (!FUi.AskTablesTestCount(k, maxCount) || k <= 0) return;
               TablesStakeTest(k);
           }},
          place(40));
}

std::string TTablesController::TablesPath() const {
    return FApp.DataFile(FApp.ProgramName() + ".ltb");
}

void TTablesController::LoadTables() {
    if (TabShown() && FileExists(TablesPath())) {
        TBusyScope busy(FApp, Tr("Загрузка файла регулярных ставок..."));
        FApp.Attempt([&] { FTables = LoadTablesFile(TablesPath()); },
                     Tr("Ошибка чтения файла регулярных ставок!\r\r%s"));
    }
    FSelection.clear();
    FUi.TablesViewChanged(TabShown() ? FTables.size() : 0);
}

void TTablesController::SaveTables() {
    if (!TabShown()) return;
    {
        TBusyScope busy(FApp, Tr("Сохранение файла регулярных ставок..."));
        FApp.Attempt([&] { SaveTablesFile(TablesPath(), FTables); },
                     Tr("Ошибка записи в файл регулярных ставок!\r\r%s"));
    }
    FUi.TablesViewChanged(FTables.size());
}

void TTablesController::RemoveTable(size_t index) {
    if (index >= FTables.size())
        throw EZorbError(Format(Tr("Запись со индексом %d в файле данных не найдена!"), static_cast<int64_t>(index)));
    FTables.erase(FTables.begin() + static_cast<std::ptrdiff_t>(index));
}

std::string TTablesController::ColumnCaption(int column) const {
    static const char* const captions[TableColumnCount] = {"Комментарий", "Стартовая комбинация", "Шаг",
                                                           "Текущая комбинация", "Ставок"};
    return column >= 0 && column < TableColumnCount ? Tr(captions[column]) : "";
}

std::string TTablesController::CellText(size_t row, int column) const {
    if (!TabShown() || row >= FTables.size()) return "";
    const TRegularTable& t = FTables[row];
    auto joined = [](const TComb& c) {
        std::vector<std::string> parts;
        for (uint8_t n : c.N) parts.push_back(std::to_string(n));
        return Join(parts, ";");
    };
    switch (column) {
    case 0: return t.Comment;
    case 1: return joined(t.StartComb);
    case 2: return std::to_string(t.Step);
    case 3: return joined(t.CurrentComb);
    case 4: return std::to_string(t.StakeCount);
    default: return "";
    }
}

void TTablesController::SetSelection(std::vector<size_t> rows) {
    std::erase_if(rows, [this](size_t r) { return r >= FTables.size(); });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    FSelection = std::move(rows);
    FApp.UI().ActionsChanged();
}

void TTablesController::TabTables() {
    const bool show = !TabShown();
    FApp.SetOption(&TFormSettings::TabTables, show);
    if (show)
        LoadTables();
    else {
        FTables.clear(); // hidden tables are neither loaded nor saved
        FSelection.clear();
        FUi.TablesViewChanged(0);
    }
    FUi.TablesTabChanged(show);
}

std::string TTablesController::CheckTableDialog(const TTableDialogData& d, bool& combField) const {
    combField = false;
    TComb comb;
    if (d.CombEnabled && !d.UseLastDraw && !ParseTableComb(d.CombText, comb)) {
        combField = true;
        return Tr(BadComb);
    }
    // A constant base needs combinations to start from; without one OK would create nothing.
    if (!d.UseLastDraw && !d.CombEnabled && FCombs.CombsSelectedCount() == 0)
        return Tr("Не выделено ни одной комбинации!\r\rВыделите стартовые комбинации в списке комбинаций или "
                  "выберите «Использовать данные предыдущего тиража».");
    if (Trim(d.Comment).empty()) return Tr("Необходимо ввести комментарий!");
    for (const std::string& c : d.ExistingComments)
        if (SameText(c, d.Comment))
            return Tr("Запись с таким комментарией уже присутствует в списке!\rВыберите другой комментарий.");
    return "";
}

int TTablesController::AddTables(const TTableDialogData& d) {
    TBusyScope busy(FApp, Tr("Создание регулярных ставок..."));
    const size_t before = FTables.size();
    std::string comment = d.Comment;
    if (comment.size() > static_cast<size_t>(MaxTableCommentLength) * 4) comment.resize(MaxTableCommentLength * 4);
    const int step = std::clamp(d.Step, -MaxTableStep, MaxTableStep);
    const size_t selected = FCombs.CombsSelectedCount();
    if (d.UseLastDraw || selected == 1) {
        TRegularTable t;
        t.Comment = comment;
        t.UseLastDraw = d.UseLastDraw;
        t.Step = step;
        TComb typed;
        if (d.CombEnabled && !d.UseLastDraw && ParseTableComb(d.CombText, typed))
            t.StartComb = typed;
        else if (selected == 1) {
            t.StartComb = FCombs.Combs()[FCombs.CombsSelection().front().first];
            SortComb(t.StartComb);
        }
        t.CurrentComb = t.StartComb;
        FTables.push_back(t);
    } else {
        for (const auto& [a, b] : FCombs.CombsSelection())
            for (size_t i = a; i < b && i < FCombs.Combs().Count(); ++i) {
                TRegularTable t;
                t.Comment = comment + Format(" (%d)", static_cast<int64_t>(i + 1));
                t.Step = step;
                t.StartComb = FCombs.Combs()[i];
                SortComb(t.StartComb);
                t.CurrentComb = t.StartComb;
                FTables.push_back(t);
            }
    }
    return static_cast<int>(FTables.size() - before);
}

void TTablesController::TablesAdd() {
    TTableDialogData d;
    d.Comment = Tr(DefaultTableComment);
    d.CombEnabled = FCombs.CombsSelectedCount() == 1;
    d.CombText = d.CombEnabled ? CombToList(FCombs.Combs()[FCombs.CombsSelection().front().first])
                               : Tr("{...Выделенные комбинации...}");
    for (const TRegularTable& t : FTables) d.ExistingComments.push_back(t.Comment);
    if (!FUi.EditTable(
            d, [this](const TTableDialogData& data, bool& combField) { return CheckTableDialog(data, combField); }))
        return;
    bool combField = false;
    const std::string error = CheckTableDialog(d, combField);
    if (!error.empty()) {
        FApp.ShowError(error);
        return;
    }
    AddTables(d);
    SaveTables();
}

void TTablesController::TablesDel() {
    if (FSelection.empty()) return;
    const std::string question = FSelection.size() == 1
                                     ? Tr("Удалить выделенную запись?")
                                     : Format(Tr("Удалить все выделенные записи (всего будет удалено %d записи(ей))?"),
                                              static_cast<int64_t>(FSelection.size()));
    if (!FApp.Ask(TMsgBox::Warning, question)) return;
    {
        TBusyScope busy(FApp, Tr("Удаление регулярных ставок..."));
        for (auto it = FSelection.rbegin(); it != FSelection.rend(); ++it) RemoveTable(*it);
        FSelection.clear();
    }
    SaveTables();
}

void TTablesController::TablesStakeAdd() {
    if (FSelection.empty() || FSelection.front() >= FTables.size()) return;
    const size_t index = FSelection.front();
    TRegularTable copy = FTables[index];
    if (!AdvanceTable(copy, FArchive.Draws(), FArchive.DrawsOffset())) {
        FApp.ShowError(Tr(BadComb));
        return;
    }
    TStakeRecord record = FStakes.NewStakeRecord(skRegular, copy.Comment, CombToSet(copy.CurrentComb));
    int drawCount = 1;
    TStakesUi* stakesUi = UiOf<TStakesUi>(FApp.UI());
    if (!stakesUi || !stakesUi->EditStake(record, drawCount)) return;
    FTables[index] = copy;
    SaveTables();
    FStakes.AddSingleStake(record, drawCount);
}

int TTablesController::TablesStakeTest(int k) {
    const int n = static_cast<int>(FArchive.Draws().size());
    if (k < 1 || k > n - 1 || FSelection.empty()) return 0;
    int appended = 0;
    bool ok = true;
    {
        TTestScope scope(FArchive, FFreezeViews);
        {
            TBusyScope busy(FApp, Tr("Создание ставок по регулярным табличным ставкам..."));
            for (int offset = k; offset >= 1 && ok; --offset) {
                FArchive.SetDrawsOffset(offset);
                for (size_t index : FSelection) {
                    if (index >= FTables.size()) continue;
                    TRegularTable& t = FTables[index];
                    if (!AdvanceTable(t, FArchive.Draws(), offset)) {
                        FApp.ShowError(Tr(BadComb));
                        ok = false;
                        break;
                    }
                    const TStakeRecord r = FStakes.NewStakeRecord(skRegular, t.Comment, CombToSet(t.CurrentComb));
                    if (!FStakes.AddBatchStake(r, 1, false)) {
                        ok = false;
                        break;
                    }
                    ++appended;
                }
            }
        }
        SaveTables();
        if (ok) {
            FStakes.CheckAndCommitStakes();
            FStakes.RefreshStakesView(true, true);
        }
    }
    return appended;
}

} // namespace zorb
