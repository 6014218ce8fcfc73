// The statistic verbs: methods, values, stat, prefetch and filter-text.
#include "cli/CliCommand.h"

#include "app/TemplateMain.h"
#include "cli/CliInterface.h"
#include "combos/FilterItem.h"
#include "core/DrawArchive.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stats/StatTable.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

namespace zorb {

namespace {

class TMethodsCommand : public TCliCommand {
public:
    const char* Name() const override { return "methods"; }

    void Setup(CLI::App& cli) override {
        CLI::App* methods = AddVerb(cli, Name(), "Методы расчета статистики в порядке реестра", TCliAccess::Reads,
                                    [this](TCliRun& r) { return Print(r.App.Stats(), r.Out); });
        methods->add_flag("--all", FAll, "Все методы, а не только избранные");
        methods->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");
    }

private:
    bool FAll = false, FCsv = false;

    bool Print(const TStatList& list, std::ostream& out) const {
        std::vector<std::vector<std::string>> rows = {
            {Tr("№"), Tr("Код"), Tr("Группа"), Tr("Флаги"), Tr("График"), Tr("Название")}};
        for (int i = 0; i < list.MethodCount(); ++i) {
            if (!FAll && !list.IsShown(i)) continue;
            const TStatClass& c = *list.Method(i).StatClass;
            rows.push_back({std::to_string(i), list.CodeOf(i), std::to_string(c.Group), FlagLetters(c.FullFlags()),
                            c.IsGraph ? Tr("да") : Tr("нет"), list.DisplayName(i, true)});
        }
        PrintTable(rows, FCsv, out);
        return true;
    }
};

// The values a method merges into an empty table for one draw or one combination.
class TValuesCommand : public TCliCommand {
public:
    const char* Name() const override { return "values"; }

    void Setup(CLI::App& cli) override {
        CLI::App* values = AddVerb(cli, Name(), "Значения метода для одного тиража или комбинации", TCliAccess::Reads,
                                   [this](TCliRun& r) { return Print(r); });
        values->add_option("CODE", FCode, "Код метода, например NUMS или POS3")->required();
        auto* drawOpt = values->add_option("--draw", FDraw, "Номер тиража");
        auto* combOpt = values->add_option("--comb", FComb, "Комбинация \"c1;c2;c3;c4;c5;c6\"");
        drawOpt->excludes(combOpt);
        values->add_flag("--sorted", FSorted, "Числа тиража по возрастанию");
    }

private:
    std::string FCode, FDraw, FComb;
    bool FSorted = false;

    bool Print(TCliRun& r) const {
        if (FDraw.empty() == FComb.empty()) {
            r.Err << Tr("Укажите либо --draw, либо --comb.") << '\n';
            return false;
        }
        TStatList& list = r.App.Stats();
        const int entry = FindMethod(list, FCode, r.Err);
        if (entry < 0) return false;
        auto stat = list.CreateStat(entry);
        TStatDrawArray table;
        if (!FDraw.empty()) {
            int32_t number;
            const int index = TryStrToInt(Trim(FDraw), number) ? FindDraw(r.App.Archive().Draws(), number) : -1;
            if (index < 0) {
                r.Err << Format(Tr("Тираж № %s не найден в архиве!"), FDraw) << '\n';
                return false;
            }
            TWorkArea work{};
            TLastValueArray last;
            stat->CountDraw(index, index, FSorted, table, work, last);
        } else {
            if (!list.Method(entry).StatClass->CanPrefetch()) {
                r.Err << Format(Tr("Метод %s не считает значения комбинаций: он зависит от тиражей архива."),
                                list.CodeOf(entry))
                      << '\n';
                return false;
            }
            TComb comb;
            try {
                comb = ParseComb(FComb);
            } catch (const std::exception& e) {
                r.Err << MessageLines(ErrorText(e)) << '\n';
                return false;
            }
            for (uint8_t n : comb.N)
                if (n < MinNumber || n > MaxNumber || std::count(comb.N, comb.N + 6, n) > 1) {
                    r.Err << Format(Tr("Некорректная комбинация: \"%s\"!"), FComb) << '\n';
                    return false;
                }
            stat->CountComb(comb, table);
        }
        std::vector<std::vector<std::string>> rows;
        for (const TStatDraw& row : table) rows.push_back({stat->ValueText(row), std::to_string(row.Count)});
        PrintTable(rows, false, r.Out);
        return true;
    }
};

class TStatCommand : public TCliCommand {
public:
    const char* Name() const override { return "stat"; }

    void Setup(CLI::App& cli) override {
        CLI::App* stat = AddVerb(cli, Name(), "Таблица статистики метода", TCliAccess::Reads,
                                 [this](TCliRun& r) { return Print(r); });
        stat->add_option("CODE", FCode, "Код метода")->required();
        stat->add_option("--len", FLen, "Число тиражей")->check(CLI::Range(1, 2147483647));
        stat->add_option("--offset", FOffset, "Смещение назад")->check(CLI::NonNegativeNumber);
        stat->add_flag("--sorted", FSorted, "Числа тиражей по возрастанию");
        stat->add_flag("--prefetch", FPrefetch, "Нормы по полному набору комбинаций");
        stat->add_option("--sort", FSort, "Столбец сортировки (0..19)")->check(CLI::Range(0, StatColumnCount - 1));
        stat->add_flag("--desc", FDesc, "Сортировка по убыванию");
        stat->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");
    }

private:
    std::string FCode;
    int FLen = 1000, FOffset = 0, FSort = 1;
    bool FSorted = false, FPrefetch = false, FDesc = false, FCsv = false;

    bool Print(TCliRun& r) const {
        TTemplateMain& app = r.App;
        app.Archive().SetDrawsOffset(FOffset);
        app.SetSortedDrawsForRun(FSorted);
        app.SetPrefetchsForRun(FPrefetch);
        const int entry = FindMethod(app.Stats(), FCode, r.Err);
        if (entry < 0) return false;
        app.Statistics().SetStatEntry(entry);
        app.Statistics().SetDrawsStatLen(FLen);
        app.Statistics().SetStatSort(FSort, FDesc);
        app.Statistics().Recalculate(true);
        std::vector<std::vector<std::string>> rows;
        std::vector<std::string> header;
        for (int c = 0; c < StatColumnCount; ++c) header.push_back(StatColumnCaption(c));
        rows.push_back(header);
        for (const TStatLine& line : app.Statistics().StatLines())
            rows.emplace_back(line.Cells.begin(), line.Cells.end());
        PrintTable(rows, FCsv, r.Out);
        return true;
    }
};

class TPrefetchCommand : public TCliCommand {
public:
    const char* Name() const override { return "prefetch"; }

    void Setup(CLI::App& cli) override {
        CLI::App* prefetch = AddVerb(cli, Name(), "Файлы распределений по полному набору комбинаций",
                                     TCliAccess::Writes, [this](TCliRun& r) { return Build(r); });
        auto* allFlag = prefetch->add_flag("--all", FAll, "Пересоздать все файлы");
        auto* missingFlag = prefetch->add_flag("--missing", FMissing, "Создать недостающие файлы (по умолчанию)");
        allFlag->excludes(missingFlag);
        prefetch->add_option("--groups", FGroups, "Группы методов, файлы которых пересоздать")
            ->delimiter(',')
            ->check(CLI::Range(0, 15));
    }

private:
    bool FAll = false, FMissing = false;
    std::vector<int> FGroups;

    bool Build(TCliRun& r) const {
        r.Ui.SetShowProgress(true);
        r.App.Statistics().EnsurePrefetchs(true, FAll ? TStatsController::AllGroups() : FGroups);
        return true;
    }
};

class TFilterTextCommand : public TCliCommand {
public:
    const char* Name() const override { return "filter-text"; }

    void Setup(CLI::App& cli) override {
        CLI::App* filterText = AddVerb(cli, Name(), "Разбор текстового описания фильтра", TCliAccess::Reads,
                                       [this](TCliRun& r) { return Print(r.App.Stats(), r.Out); });
        filterText->add_option("TEXT", FText, "Описание, например TSD1#NUMS:1000#LNO:#SF:1")->required();
    }

private:
    std::string FText;

    bool Print(const TStatList& list, std::ostream& out) const {
        const TFilterItem f = ParseFilter(FText, list);
        auto b = [](bool v) { return v ? "1" : "0"; };
        out << "Defined=" << b(f.Defined) << '\n';
        out << "MethodText=" << f.MethodText << '\n';
        out << "Method=" << (f.Method >= 0 ? list.CodeOf(f.Method) : "-") << '\n';
        out << "Lengths=" << f.Lengths << '\n';
        out << "SortColumn=" << f.SortColumn << '\n';
        out << "BottomUp=" << b(f.BottomUp) << '\n';
        out << "MultiSelect=" << b(f.MultiSelect) << '\n';
        out << "Keep=" << b(f.Keep) << '\n';
        out << "LevelMode=" << int(f.LevelMode) << '\n';
        out << "LevelValues=" << f.LevelValues << '\n';
        out << "OwnWeights=" << b(f.OwnWeights) << '\n';
        out << "WeightCount=" << FilterRealText(f.WeightCount) << '\n';
        out << "WeightDeviation=" << FilterRealText(f.WeightDeviation) << '\n';
        out << "WeightLevel=" << FilterRealText(f.WeightLevel) << '\n';
        out << "WeightPercents=" << b(f.WeightPercents) << '\n';
        out << "WeightAbs=" << b(f.WeightAbs) << '\n';
        out << "StopMode=" << int(f.StopMode) << '\n';
        out << "StopValue=" << f.StopValue << '\n';
        out << FilterText(f, list) << '\n';
        return true;
    }
};

} // namespace

std::unique_ptr<TCliCommand> MakeMethodsCommand() {
    return std::make_unique<TMethodsCommand>();
}
std::unique_ptr<TCliCommand> MakeValuesCommand() {
    return std::make_unique<TValuesCommand>();
}
std::unique_ptr<TCliCommand> MakeStatCommand() {
    return std::make_unique<TStatCommand>();
}
std::unique_ptr<TCliCommand> MakePrefetchCommand() {
    return std::make_unique<TPrefetchCommand>();
}
std::unique_ptr<TCliCommand> MakeFilterTextCommand() {
    return std::make_unique<TFilterTextCommand>();
}

} // namespace zorb
