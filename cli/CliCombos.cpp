// The combination list verbs: combos generate/filter/remove-last/count-numbers/find.
#include "cli/CliCommand.h"

#include "app/TemplateMain.h"
#include "cli/CliInterface.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stats/StatTable.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace zorb {

namespace {

// Options that choose the starting list of a combos verb.
struct TListOptions {
    std::string Input;
    int Mode = -1;
    std::string Params;
};

void AddListOptions(CLI::App* cmd, TListOptions& o) {
    cmd->add_option("-i,--input", o.Input, "Начальный список из файла *.lcv");
    cmd->add_option("--mode", o.Mode, "Режим генерации начального списка (0..4)")->check(CLI::Range(0, 4));
    cmd->add_option("--params", o.Params, "Мои числа или имя файла для режима генерации");
}

// The full set unless a file or a generation mode is given.
bool PrepareList(TTemplateMain& app, const TListOptions& o, TCliInterface& ui) {
    if (!o.Input.empty()) {
        if (!FileExists(o.Input)) {
            ui.ShowMessage(TMsgBox::Error,
                           Format(Tr("Ошибка чтения файла \"%s\"!\r\r%s"), o.Input, Tr("Файл не найден")));
            return false;
        }
        app.Combinations().CombsOpen(o.Input);
    } else {
        TGenerateSettings g;
        g.Mode = static_cast<uint8_t>(o.Mode < 0 ? 0 : o.Mode);
        g.Parameters = o.Params;
        app.Combinations().GenerateCombs(true, g);
    }
    return !ui.ErrorShown();
}

// Filters the list by the rows of the method's window table whose value texts are listed.
bool FilterCombs(TTemplateMain& app, const std::string& code, const std::string& valuesText, bool remove, int len,
                 std::ostream& err) {
    TStatList& list = app.Stats();
    const int entry = FindMethod(list, code, err);
    if (entry < 0) return false;
    auto stat = list.CreateStat(entry);
    const TStatDrawArray table = CountWindow(*stat, app.Archive().WindowEnd(), len, app.Settings().SortedDraws);
    std::vector<std::string> wanted;
    for (const std::string& v : SplitKeepEmpty(valuesText, ';'))
        if (!Trim(v).empty()) wanted.push_back(Trim(v));
    TStatDrawArray selected;
    std::vector<std::string> texts;
    std::vector<bool> found(wanted.size(), false);
    for (const TStatDraw& row : table) {
        const std::string text = Trim(stat->ValueText(row));
        for (size_t k = 0; k < wanted.size(); ++k)
            if (wanted[k] == text && !found[k]) {
                found[k] = true;
                selected.push_back(row);
                texts.push_back(text);
                break;
            }
    }
    for (size_t k = 0; k < wanted.size(); ++k)
        if (!found[k]) {
            err << Format(Tr("Значения \"%s\" нет в таблице метода %s!"), wanted[k], list.CodeOf(entry)) << '\n';
            return false;
        }
    if (selected.empty()) {
        err << Tr("Не указаны значения для фильтра!") << '\n';
        return false;
    }
    app.Combinations().MakeUndo(true);
    app.Combinations().FilterByStat(*stat, selected, Join(texts, "; "), list.DisplayName(entry, true), remove);
    return true;
}

// The verbs work on a list in memory, saved only to the file given with -o: the data files stay as they are.
class TCombosCommand : public TCliCommand {
public:
    const char* Name() const override { return "combos"; }

    void Setup(CLI::App& cli) override {
        CLI::App* combos = cli.add_subcommand(Name(), "Список комбинаций");
        combos->require_subcommand(1);

        CLI::App* gen = AddVerb(*combos, "generate", "Создать список комбинаций", TCliAccess::Reads,
                                [this](TCliRun& r) { return Generate(r); });
        gen->add_option("--mode", FGenOptions.Mode, "Режим генерации (0..4)")->check(CLI::Range(0, 4));
        gen->add_option("--params", FGenOptions.Params, "Мои числа или имя файла");
        gen->add_option("-o,--output", FOutput, "Записать список в файл *.lcv");

        CLI::App* filter = AddVerb(*combos, "filter", "Фильтр по значениям метода статистики", TCliAccess::Reads,
                                   [this](TCliRun& r) { return Filter(r); });
        filter->add_option("CODE", FFilterCode, "Код метода")->required();
        filter->add_option("--values", FFilterValues, "Значения через \";\" (как в столбце \"Значение\")")->required();
        auto* keepFlag = filter->add_flag("--keep", FKeep, "Оставить комбинации с этими значениями");
        auto* removeFlag = filter->add_flag("--remove", FRemove, "Удалить комбинации с этими значениями");
        keepFlag->excludes(removeFlag);
        filter->add_option("--len", FFilterLen, "Число тиражей статистики")->check(CLI::Range(1, 2147483647));
        filter->add_option("--offset", FFilterOffset, "Смещение назад")->check(CLI::NonNegativeNumber);
        filter->add_flag("--sorted", FFilterSorted, "Числа тиражей по возрастанию");
        AddListOptions(filter, FFilterOptions);
        filter->add_option("-o,--output", FOutput, "Записать список в файл *.lcv");

        CLI::App* removeLast = AddVerb(*combos, "remove-last", "Удалить комбинации последних N тиражей",
                                       TCliAccess::Reads, [this](TCliRun& r) { return RemoveLast(r); });
        removeLast->add_option("N", FRemoveCount, "Число тиражей")->required()->check(CLI::NonNegativeNumber);
        removeLast->add_option("--offset", FRemoveOffset, "Смещение назад")->check(CLI::NonNegativeNumber);
        AddListOptions(removeLast, FRemoveOptions);
        removeLast->add_option("-o,--output", FOutput, "Записать список в файл *.lcv");

        CLI::App* count = AddVerb(*combos, "count-numbers", "Количество уникальных номеров в списке", TCliAccess::Reads,
                                  [this](TCliRun& r) { return CountNumbers(r); });
        AddListOptions(count, FCountOptions);

        CLI::App* find = AddVerb(*combos, "find", "Проверить комбинацию по архиву тиражей", TCliAccess::Reads,
                                 [this](TCliRun& r) { return Find(r); });
        find->add_option("COMB", FFindComb, "Комбинация \"c1;c2;c3;c4;c5;c6\"")->required();
    }

private:
    std::string FOutput;
    TListOptions FGenOptions, FFilterOptions, FRemoveOptions, FCountOptions;
    std::string FFilterCode, FFilterValues;
    bool FKeep = false, FRemove = false, FFilterSorted = false;
    int FFilterLen = 1000, FFilterOffset = 0;
    int FRemoveCount = 0, FRemoveOffset = 0;
    std::string FFindComb;

    bool Finish(TCliRun& r) const {
        r.Out << Format(Tr("Комбинаций: %d"), r.App.Combinations().Combs().Count()) << '\n';
        if (!FOutput.empty()) r.App.Combinations().CombsSave(FOutput);
        return true;
    }

    bool Generate(TCliRun& r) const { return PrepareList(r.App, FGenOptions, r.Ui) && Finish(r); }

    bool Filter(TCliRun& r) const {
        if (FKeep == FRemove) {
            r.Err << Tr("Укажите либо --keep, либо --remove.") << '\n';
            return false;
        }
        r.App.Archive().SetDrawsOffset(FFilterOffset);
        r.App.SetSortedDrawsForRun(FFilterSorted);
        return PrepareList(r.App, FFilterOptions, r.Ui) &&
               FilterCombs(r.App, FFilterCode, FFilterValues, FRemove, FFilterLen, r.Err) && Finish(r);
    }

    bool RemoveLast(TCliRun& r) const {
        r.App.Archive().SetDrawsOffset(FRemoveOffset);
        if (!PrepareList(r.App, FRemoveOptions, r.Ui)) return false;
        r.App.Combinations().MakeUndo(true);
        r.App.Combinations().RemoveLastDraws(FRemoveCount);
        return Finish(r);
    }

    bool CountNumbers(TCliRun& r) const {
        if (!FCountOptions.Input.empty() || FCountOptions.Mode >= 0)
            if (!PrepareList(r.App, FCountOptions, r.Ui)) return false;
        r.App.Combinations().CombsCheckNums();
        return true;
    }

    bool Find(TCliRun& r) const {
        try {
            const TComb comb = ParseComb(FFindComb);
            r.Out << MessageLines(r.App.Combinations().FindInDrawsText(comb)) << '\n';
            return true;
        } catch (const std::exception& e) {
            r.Err << MessageLines(ErrorText(e)) << '\n';
            return false;
        }
    }
};

} // namespace

std::unique_ptr<TCliCommand> MakeCombosCommand() {
    return std::make_unique<TCombosCommand>();
}

} // namespace zorb
