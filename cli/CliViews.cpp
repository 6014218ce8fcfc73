// The draw view verbs (view card/layout/layout-compare/week/graph/repeats/sums).
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

} // namespace

std::unique_ptr<TCliCommand> MakeViewCommand() {
    return std::make_unique<TViewCommand>();
}

} // namespace zorb
