// The regular table verbs (tables list/add/delete/stake/test).
// Output as aligned columns, or CSV with ";" and the captions as header.
#include "cli/CliCommand.h"

#include "app/TemplateMain.h"
#include "cli/CliInterface.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

namespace zorb {

namespace {

using TRows = std::vector<std::vector<std::string>>;

class TTablesCommand : public TCliCommand {
public:
    const char* Name() const override { return "tables"; }

    void Setup(CLI::App& cli) override {
        CLI::App* tables = cli.add_subcommand(Name(), "Регулярные ставки");
        tables->require_subcommand(1);
        CLI::App* list =
            AddVerb(*tables, "list", "Список регуляров", TCliAccess::Reads, [this](TCliRun& r) { return List(r); });
        list->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");
        CLI::App* add =
            AddVerb(*tables, "add", "Добавить регуляр", TCliAccess::Writes, [this](TCliRun& r) { return Add(r); });
        add->add_option("--comment", FComment, "Комментарий")->required();
        add->add_option("--step", FStep, "Шаг")->check(CLI::Range(-MaxTableStep, MaxTableStep));
        auto* comb = add->add_option("--comb", FComb, "Комбинация c1;...;c6");
        auto* last = add->add_flag("--last-draw", FLastDraw, "Использовать данные предыдущего тиража");
        auto* rows = add->add_option("--rows", FRows, "Позиции комбинаций списка (с 1)");
        comb->excludes(last)->excludes(rows);
        last->excludes(rows);
        add->add_option("-i,--input", FInput, "Список комбинаций из файла *.lcv");
        add->add_option("--mode", FMode, "Режим генерации списка (0..4)")->check(CLI::Range(0, 4));
        CLI::App* del =
            AddVerb(*tables, "delete", "Удалить регуляры", TCliAccess::Writes, [this](TCliRun& r) { return Del(r); });
        del->add_option("ROW", FRowList, "Строки (с 1)")->required();
        CLI::App* stake = AddVerb(*tables, "stake", "Сделать ставку по регуляру", TCliAccess::Writes,
                                  [this](TCliRun& r) { return Stake(r); });
        stake->add_option("ROW", FRow, "Строка (с 1)")->required();
        stake->add_option("--offset", FOffset, "Смещение назад")->check(CLI::NonNegativeNumber);
        stake->add_option("--count", FCount, "Количество тиражей")->check(CLI::PositiveNumber);
        CLI::App* test =
            AddVerb(*tables, "test", "Тест регуляров", TCliAccess::Writes, [this](TCliRun& r) { return Test(r); });
        test->add_option("K", FK, "Количество тестов")->required();
        test->add_option("ROW", FRowList, "Строки (с 1)")->required();
    }

private:
    bool FCsv = false;
    std::string FComment, FComb, FRows, FInput;
    int FStep = 1, FMode = -1, FRow = 0, FOffset = 0, FCount = 1, FK = 0;
    bool FLastDraw = false;
    std::vector<int> FRowList;

    static bool Shown(TCliRun& r) {
        if (r.App.Tables().TabShown()) return true;
        r.Err << "Вкладка \"Регуляры\" скрыта" << '\n';
        return false;
    }

    bool Rows(TCliRun& r, std::vector<size_t>& rows) const {
        rows.clear();
        for (int row : FRowList) {
            if (row < 1 || static_cast<size_t>(row) > r.App.Tables().Tables().size()) {
                r.Err << Format(Tr("Запись со индексом %d в файле данных не найдена!"), row) << '\n';
                return false;
            }
            rows.push_back(static_cast<size_t>(row - 1));
        }
        return true;
    }

    bool List(TCliRun& r) const {
        TTablesController& t = r.App.Tables();
        TRows rows;
        std::vector<std::string> head;
        for (int c = 0; c < TTablesController::TableColumnCount; ++c) head.push_back(t.ColumnCaption(c));
        rows.push_back(head);
        for (size_t i = 0; i < t.Tables().size(); ++i) {
            std::vector<std::string> line;
            for (int c = 0; c < TTablesController::TableColumnCount; ++c) line.push_back(t.CellText(i, c));
            rows.push_back(std::move(line));
        }
        PrintTable(rows, FCsv, r.Out);
        return true;
    }

    bool Add(TCliRun& r) const {
        if (!Shown(r)) return false;
        TTablesController& t = r.App.Tables();
        TTableDialogData d;
        d.Comment = FComment;
        d.Step = FStep;
        d.UseLastDraw = FLastDraw;
        for (const TRegularTable& table : t.Tables()) d.ExistingComments.push_back(table.Comment);
        if (!FComb.empty()) {
            d.CombEnabled = true;
            d.CombText = FComb;
        } else if (!FLastDraw) {
            if (!PrepareList(r, FInput, FMode)) return false;
            TRowRanges ranges;
            if (FRows.empty()) {
                ranges.push_back({0, r.App.Combinations().Combs().Count()});
            } else {
                std::vector<int> positions;
                if (!ParseIntList(FRows, positions)) {
                    r.Err << "Некорректные позиции: " << FRows << '\n';
                    return false;
                }
                for (int p : positions)
                    if (p >= 1) ranges.push_back({static_cast<size_t>(p - 1), static_cast<size_t>(p)});
            }
            r.App.Combinations().SetCombsSelection(ranges);
            d.CombEnabled = r.App.Combinations().CombsSelectedCount() == 1;
            if (d.CombEnabled)
                d.CombText =
                    CombToList(r.App.Combinations().Combs()[r.App.Combinations().CombsSelection().front().first]);
        }
        bool field = false;
        const std::string error = t.CheckTableDialog(d, field);
        if (!error.empty()) {
            r.Err << error << '\n';
            return false;
        }
        if (!FComb.empty()) {
            // A typed base needs no list: the table is made from it alone.
            TRegularTable table;
            table.Comment = d.Comment;
            table.Step = d.Step;
            ParseTableComb(d.CombText, table.StartComb);
            table.CurrentComb = table.StartComb;
            t.AppendTable(table);
        } else {
            t.AddTables(d);
        }
        t.SaveTables();
        r.Out << Format("Регуляров: %d", static_cast<int64_t>(t.Tables().size())) << '\n';
        return !r.Ui.ErrorShown();
    }

    bool Del(TCliRun& r) const {
        if (!Shown(r)) return false;
        std::vector<size_t> rows;
        if (!Rows(r, rows)) return false;
        r.App.Tables().SetSelection(rows);
        r.Ui.SetAnswer(true);
        r.App.Tables().TablesDel();
        r.Out << Format("Регуляров: %d", static_cast<int64_t>(r.App.Tables().Tables().size())) << '\n';
        return !r.Ui.ErrorShown();
    }

    bool Stake(TCliRun& r) const {
        if (!Shown(r)) return false;
        TTablesController& t = r.App.Tables();
        if (FRow < 1 || static_cast<size_t>(FRow) > t.Tables().size()) {
            r.Err << Format(Tr("Запись со индексом %d в файле данных не найдена!"), FRow) << '\n';
            return false;
        }
        const int n = static_cast<int>(r.App.Archive().Draws().size());
        if (FOffset > 0 && FOffset >= n) {
            r.Err << Format("Смещение %d вне архива (тиражей: %d)", FOffset, n) << '\n';
            return false;
        }
        r.App.Archive().SetDrawsOffset(FOffset);
        TRegularTable copy = t.Tables()[static_cast<size_t>(FRow - 1)];
        if (!AdvanceTable(copy, r.App.Archive().Draws(), FOffset)) {
            r.Err << Tr("Введена некорректная комбинация!") << '\n';
            return false;
        }
        const TStakeRecord record = r.App.Stakes().NewStakeRecord(skRegular, copy.Comment, CombToSet(copy.CurrentComb));
        t.ReplaceTable(static_cast<size_t>(FRow - 1), copy);
        t.SaveTables();
        if (!r.App.Stakes().AddSingleStake(record, FCount)) return false;
        r.Out << Format("Добавлено ставок: %d", FCount) << '\n';
        return true;
    }

    bool Test(TCliRun& r) const {
        if (!Shown(r)) return false;
        const int n = static_cast<int>(r.App.Archive().Draws().size());
        if (FK < 1 || FK > n - 1) {
            r.Err << Format("Количество тестов от 1 до %d", std::max(n - 1, 0)) << '\n';
            return false;
        }
        std::vector<size_t> rows;
        if (!Rows(r, rows)) return false;
        r.App.Tables().SetSelection(rows);
        const int added = r.App.Tables().TablesStakeTest(FK);
        r.Out << Format("Добавлено ставок: %d", added) << '\n';
        return !r.Ui.ErrorShown();
    }
};

} // namespace

std::unique_ptr<TCliCommand> MakeTablesCommand() {
    return std::make_unique<TTablesCommand>();
}

} // namespace zorb
