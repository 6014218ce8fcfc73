// The draw view verbs (view card/layout/layout-compare/week/graph/repeats/sums) and the regular table verbs.
// Output as aligned columns, or CSV with ";" and the captions as header.
#include "cli/CliCommand.h"

#include "app/TemplateMain.h"
#include "cli/CliInterface.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <ostream>

namespace zorb {

namespace {

using TRows = std::vector<std::vector<std::string>>;

struct TSelectOptions {
    std::string Select; // TOP,LEFT,BOTTOM,RIGHT
    bool Keep = false, Remove = false;
    std::string Input;
    int Mode = -1;
    std::string Output;
};

bool ParseRect(const std::string& text, TGridRect& rect) {
    const auto parts = SplitKeepEmpty(text, ',');
    if (parts.size() != 4) return false;
    int32_t v[4];
    for (size_t i = 0; i < 4; ++i)
        if (!TryStrToInt(Trim(parts[i]), v[i]) || v[i] < 0) return false;
    rect = {v[0], v[1], v[2], v[3]};
    return rect.Top <= rect.Bottom && rect.Left <= rect.Right;
}

bool ParseIntList(const std::string& text, std::vector<int>& out) {
    out.clear();
    for (const std::string& p : SplitKeepEmpty(text, ',')) {
        int32_t v;
        if (!TryStrToInt(Trim(p), v)) return false;
        out.push_back(v);
    }
    return !out.empty();
}

// The starting list: a file, a generation mode with the settings' parameters, or the list made at start-up.
bool PrepareList(TCliRun& r, const std::string& input, int mode) {
    if (!input.empty()) {
        if (!FileExists(input)) {
            r.Err << "Файл не найден: " << input << '\n';
            return false;
        }
        r.App.Combinations().CombsOpen(input);
    } else if (mode >= 0) {
        TGenerateSettings g = r.App.GenerateSettings();
        g.Mode = static_cast<uint8_t>(mode);
        r.App.Combinations().GenerateCombs(true, g);
    }
    return !r.Ui.ErrorShown();
}

class TViewCommand : public TCliCommand {
public:
    const char* Name() const override { return "view"; }

    void Setup(CLI::App& cli) override {
        CLI::App* view = cli.add_subcommand(Name(), "Карта, схема, неделя, графики, повторы и суммы");
        view->require_subcommand(1);
        auto common = [this](CLI::App* c) {
            c->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");
            c->add_option("--offset", FOffset, "Смещение назад")->check(CLI::NonNegativeNumber);
        };
        auto selecting = [this](CLI::App* c) {
            c->add_option("--select", FSel.Select, "Выделение TOP,LEFT,BOTTOM,RIGHT (строка заголовка - 0)");
            auto* keep = c->add_flag("--keep", FSel.Keep, "Оставить комбинации с выделенными номерами");
            auto* remove = c->add_flag("--remove", FSel.Remove, "Удалить комбинации с выделенными номерами");
            keep->excludes(remove);
            c->add_option("-i,--input", FSel.Input, "Начальный список из файла *.lcv");
            c->add_option("--mode", FSel.Mode, "Режим генерации начального списка (0..4)")->check(CLI::Range(0, 4));
            c->add_option("-o,--output", FSel.Output, "Записать список в файл *.lcv");
        };
        auto writes = [this] { return !FSel.Select.empty() && !FSel.Output.empty(); };
        CLI::App* card = AddVerb(*view, "card", "Карта тиражей", writes, [this](TCliRun& r) { return Card(r); });
        common(card);
        selecting(card);
        CLI::App* layout =
            AddVerb(*view, "layout", "Схема выпадения номеров", writes, [this](TCliRun& r) { return Layout(r); });
        common(layout);
        selecting(layout);
        layout->add_option("--len", FLen, "Длина выборки")->check(CLI::PositiveNumber);
        CLI::App* cmp = AddVerb(*view, "layout-compare", "Списки сравнения схемы", TCliAccess::Reads,
                                [this](TCliRun& r) { return Compare(r); });
        common(cmp);
        cmp->add_option("--lens", FLens, "Длины L1,...,L5");
        CLI::App* week =
            AddVerb(*view, "week", "Статистика по дням недели", writes, [this](TCliRun& r) { return Week(r); });
        common(week);
        selecting(week);
        week->add_option("--len", FLen, "Длина выборки")->check(CLI::PositiveNumber);
        CLI::App* graph = AddVerb(*view, "graph", "График статистики по тиражам", TCliAccess::Reads,
                                  [this](TCliRun& r) { return Graph(r); });
        common(graph);
        graph->add_option("CODE", FCode, "Код метода статистики")->required();
        graph->add_option("--len", FLen, "Длина выборки")->check(CLI::PositiveNumber);
        graph->add_flag("--sorted", FSorted, "Упорядоченные числа тиражей");
        CLI::App* repeats = AddVerb(*view, "repeats", "Количество повторов в зависимости от тиража", TCliAccess::Reads,
                                    [this](TCliRun& r) { return Repeats(r); });
        common(repeats);
        repeats->add_option("--draws", FDraws, "Количество тиражей")->check(CLI::PositiveNumber);
        repeats->add_option("--depth", FDepth, "Глубина просмотра")->check(CLI::PositiveNumber);
        CLI::App* sums =
            AddVerb(*view, "sums", "Распределение сумм", TCliAccess::Reads, [this](TCliRun& r) { return Sums(r); });
        common(sums);
    }

private:
    bool FCsv = false;
    int FOffset = 0;
    int FLen = 0;
    std::string FLens;
    std::string FCode;
    bool FSorted = false;
    int FDraws = 100, FDepth = 100;
    TSelectOptions FSel;

    bool Prepare(TCliRun& r) const {
        const int n = static_cast<int>(r.App.Archive().Draws().size());
        if (FOffset > 0 && FOffset >= n) {
            r.Err << Format("Смещение %d вне архива (тиражей: %d)", FOffset, n) << '\n';
            return false;
        }
        r.App.Archive().SetDrawsOffset(FOffset);
        return true;
    }

    // The selection's numbers and, with --keep or --remove, the filter over the starting list.
    bool Select(TCliRun& r, TViewKind kind) const {
        if (FSel.Select.empty()) return true;
        TGridRect rect{};
        if (!ParseRect(FSel.Select, rect)) {
            r.Err << "Некорректное выделение: " << FSel.Select << '\n';
            return false;
        }
        TViewsController& v = r.App.Views();
        v.SetSelection(kind, rect);
        const std::vector<int> numbers = v.SelectedNumbers(kind);
        std::vector<std::string> texts;
        for (int n : numbers) texts.push_back(std::to_string(n));
        r.Out << "Значения: " << Join(texts, "; ") << '\n';
        if (!FSel.Keep && !FSel.Remove) return true;
        if (numbers.empty()) {
            r.Err << Tr("В выделенном диапазоне нет значений для фильтра!") << '\n';
            return false;
        }
        if (!PrepareList(r, FSel.Input, FSel.Mode)) return false;
        if (r.Ui.ErrorShown()) return false;
        v.FilterBySelection(kind, FSel.Remove);
        if (r.Ui.ErrorShown()) return false;
        r.Out << Format("Комбинаций: %d", static_cast<int64_t>(r.App.Combinations().Combs().Count())) << '\n';
        if (!FSel.Output.empty()) r.App.Combinations().CombsSave(FSel.Output);
        return !r.Ui.ErrorShown();
    }

    bool Card(TCliRun& r) {
        if (!Prepare(r)) return false;
        r.App.Views().ComputeCard();
        PrintTable(r.App.Views().CardText(), FCsv, r.Out);
        return Select(r, TViewKind::Card);
    }

    bool Layout(TCliRun& r) {
        if (!Prepare(r)) return false;
        if (FLen > 0) r.App.Settings().LayoutLen = FLen;
        r.App.Views().ComputeLayout();
        PrintTable(r.App.Views().LayoutText(), FCsv, r.Out);
        return Select(r, TViewKind::Layout);
    }

    bool Compare(TCliRun& r) {
        if (!Prepare(r)) return false;
        if (!FLens.empty()) {
            std::vector<int> lens;
            if (!ParseIntList(FLens, lens) || lens.size() > 5 ||
                std::any_of(lens.begin(), lens.end(), [](int l) { return l < 1; })) {
                r.Err << "Некорректные длины: " << FLens << '\n';
                return false;
            }
            for (size_t k = 0; k < lens.size(); ++k) r.App.Settings().LayoutCompareLen[k] = lens[k];
        }
        r.App.Views().ComputeLayoutCompare();
        for (const TLayoutCompareList& list : r.App.Views().LayoutCompare()) {
            TRows rows{{"Кол-во", list.Caption}};
            for (const auto& [count, numbers] : list.Rows) rows.push_back({std::to_string(count), numbers});
            PrintTable(rows, FCsv, r.Out);
            r.Out << '\n';
        }
        return true;
    }

    bool Week(TCliRun& r) {
        if (!Prepare(r)) return false;
        if (FLen > 0) r.App.Settings().WeekLen = FLen;
        r.App.Views().ComputeWeek();
        PrintTable(r.App.Views().WeekText(), FCsv, r.Out);
        return Select(r, TViewKind::Week);
    }

    bool Graph(TCliRun& r) {
        if (!Prepare(r)) return false;
        const int entry = FindMethod(r.App.Stats(), FCode, r.Err);
        if (entry < 0) return false;
        auto stat = r.App.Stats().CreateStat(entry);
        auto* graph = dynamic_cast<TCustomGraphStat*>(stat.get());
        if (!graph || !r.App.Stats().IsGraphMethod(entry)) {
            r.Err << "Метод " << FCode << " не имеет значения по тиражам" << '\n';
            return false;
        }
        const TGraphResult g = ComputeGraph(*graph, r.App.Archive().Draws(), FOffset,
                                            FLen > 0 ? FLen : r.App.Settings().DrawsGraphLen, FSorted);
        TRows rows{{"Тираж", r.App.Stats().DisplayName(entry, false), "Среднее", "Мода"}};
        for (size_t i = 0; i < g.DrawNumbers.size(); ++i)
            rows.push_back({std::to_string(g.DrawNumbers[i]), std::to_string(g.Values[i]), Format("%.4f", g.Mean),
                            std::to_string(g.Mode)});
        PrintTable(rows, FCsv, r.Out);
        return true;
    }

    bool Repeats(TCliRun& r) const {
        const TRepeatsResult res = ComputeRepeats(r.App.Archive().Draws(), FDraws, FDepth);
        TRows rows{{"Тираж", "Совпадений", "Кол-во повторов", "Список тиражей"}};
        for (const TRepeatRow& row : res.Rows)
            rows.push_back(
                {std::to_string(row.Draw), std::to_string(row.Matches), std::to_string(row.Repeats), row.DrawList});
        PrintTable(rows, FCsv, r.Out);
        return true;
    }

    bool Sums(TCliRun& r) const {
        const TSumsResult s = ComputeSums(r.App.Archive().Draws());
        TRows rows{{"Сумма", "Комбинаций", "Тиражей"}};
        for (const TStatSimple& t : s.Theory) {
            int32_t actual = 0;
            for (const TStatSimple& a : s.Actual)
                if (a.Key == t.Key) actual = a.Count;
            rows.push_back({std::to_string(t.Key), std::to_string(t.Count), std::to_string(actual)});
        }
        PrintTable(rows, FCsv, r.Out);
        for (const TSumLevel& l : s.Levels) r.Out << l.Title << '\n';
        return true;
    }
};

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

std::unique_ptr<TCliCommand> MakeViewCommand() {
    return std::make_unique<TViewCommand>();
}

std::unique_ptr<TCliCommand> MakeTablesCommand() {
    return std::make_unique<TTablesCommand>();
}

} // namespace zorb
