// The scenario verbs: scenario show/list/check/options/line, the editing verbs over the saved scenario, and
// run/test of a scenario for the forecast or over past offsets.
#include "cli/CliCommand.h"

#include "app/TemplateMain.h"
#include "cli/CliInterface.h"
#include "core/Cancel.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stakes/StakeRecord.h"
#include "stakes/StakesFile.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <memory>
#include <ostream>

namespace zorb {

namespace {

class TScenarioCommand : public TCliCommand {
public:
    const char* Name() const override { return "scenario"; }

    void Setup(CLI::App& cli) override {
        CLI::App* sc = cli.add_subcommand(Name(), "Сценарии");
        sc->require_subcommand(1);
        auto csv = [this](CLI::App* verb) { verb->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\""); };

        CLI::App* show = AddVerb(*sc, "show", "Строки сценария из файла", TCliAccess::Reads,
                                 [this](TCliRun& r) { return Show(r, true); });
        show->add_option("FILE", FFile, "Файл сценария (*.lsc)")->required();
        csv(show);
        csv(AddVerb(*sc, "list", "Строки текущего сценария", TCliAccess::Reads,
                    [this](TCliRun& r) { return Show(r, false); }));
        AddVerb(*sc, "check", "Проверить строки сценария", TCliAccess::Reads, [this](TCliRun& r) { return Check(r); })
            ->add_option("FILE", FFile, "Файл сценария (*.lsc)")
            ->required();
        AddVerb(*sc, "options", "Разбор слова опций", TCliAccess::Reads, [this](TCliRun& r) {
            return Options(r);
        })->add_option("TEXT", FText, "Слово опций, например EXCL:10#RAND#NEX");
        AddVerb(*sc, "line", "Разбор строки сценария", TCliAccess::Reads, [this](TCliRun& r) {
            return Line(r);
        })->add_option("TEXT", FText, "Строка сценария");

        auto file = [this](CLI::App* verb) { verb->add_option("FILE", FFile, "Файл сценария (*.lsc)")->required(); };
        file(AddVerb(*sc, "open", "Загрузить сценарий из файла", TCliAccess::Writes,
                     [this](TCliRun& r) { return Open(r, false); }));
        file(AddVerb(*sc, "append", "Добавить сценарий из файла", TCliAccess::Writes,
                     [this](TCliRun& r) { return Open(r, true); }));
        file(AddVerb(*sc, "save", "Сохранить сценарий в файле", TCliAccess::Reads,
                     [this](TCliRun& r) { return Save(r); }));
        auto fields = [this](CLI::App* verb) {
            verb->add_option("--options", FOptions, "Слово опций (как пишет редактор)");
            verb->add_option("--filter", FFilters, "Фильтр (до семи, по порядку полей)");
            verb->add_option("--comment", FComment, "Комментарий");
        };
        fields(AddVerb(*sc, "add", "Добавить строку", TCliAccess::Writes, [this](TCliRun& r) { return Add(r, 0); }));
        AddVerb(*sc, "add-separator", "Добавить разделитель", TCliAccess::Writes,
                [](TCliRun& r) { return Separator(r); });
        CLI::App* edit =
            AddVerb(*sc, "edit", "Изменить строку N", TCliAccess::Writes, [this](TCliRun& r) { return Edit(r); });
        edit->add_option("N", FRow, "Номер строки (с 1)")->required();
        fields(edit);
        CLI::App* clone = AddVerb(*sc, "clone", "Клонировать строку N", TCliAccess::Writes,
                                  [this](TCliRun& r) { return Add(r, FRow); });
        clone->add_option("N", FRow, "Номер строки (с 1)")->required();
        fields(clone);
        AddVerb(*sc, "delete", "Удалить строки", TCliAccess::Writes, [this](TCliRun& r) { return Delete(r); })
            ->add_option("N", FRows, "Номера строк (с 1)")
            ->required();
        AddVerb(*sc, "clear", "Удалить весь сценарий", TCliAccess::Writes, [](TCliRun& r) { return Clear(r); });
        AddVerb(*sc, "up", "Переместить строку вверх", TCliAccess::Writes, [this](TCliRun& r) { return Move(r, -1); })
            ->add_option("N", FRow, "Номер строки (с 1)")
            ->required();
        AddVerb(*sc, "down", "Переместить строку вниз", TCliAccess::Writes, [this](TCliRun& r) { return Move(r, 1); })
            ->add_option("N", FRow, "Номер строки (с 1)")
            ->required();
        AddVerb(*sc, "delete-logs", "Удалить журналы выполнения сценариев", TCliAccess::Writes,
                [](TCliRun& r) { return DeleteLogs(r); });

        auto runOptions = [this, csv](CLI::App* verb) {
            verb->add_option("FILE", FFile, "Файл сценария (по умолчанию текущий сценарий)");
            verb->add_option("--offset", FOffset, "Смещение тиражей");
            verb->add_flag("--log", FLog, "Журнал выполнения сценария");
            verb->add_option("--seed", FSeed, "Начальное значение генератора случайных чисел");
            verb->add_option("-o", FOut, "Сохранить итоговый список комбинаций (*.lcv)");
            csv(verb);
        };
        runOptions(AddVerb(*sc, "run", "Прогноз", TCliAccess::Writes, [this](TCliRun& r) { return Run(r, false); }));
        CLI::App* test = AddVerb(*sc, "test", "Тест на предыдущих тиражах", TCliAccess::Writes,
                                 [this](TCliRun& r) { return Run(r, true); });
        runOptions(test);
        test->add_option("--count", FCount, "Количество тестов")->required();
        test->add_option("--holdout", FHoldout, "Последние H смещений для проверки лучшей строки (0 - нет)")
            ->check(CLI::NonNegativeNumber);
    }

private:
    bool FCsv = false, FLog = false;
    std::string FFile, FText, FOut, FComment;
    std::optional<std::string> FOptions;
    std::vector<std::string> FFilters;
    int FRow = 0, FCount = 0, FHoldout = 0;
    std::optional<int> FOffset;
    uint64_t FSeed = 0;
    std::vector<int> FRows;

    static void PrintCount(TCliRun& r) { r.Out << r.App.Scenarios().CountText() << '\n'; }

    // The rows of lvScript for these lines; "№" first.
    bool Show(TCliRun& r, bool fromFile) const {
        TScenarioController& sc = r.App.Scenarios();
        TScriptLines lines;
        if (fromFile) {
            try {
                lines = ReadScenarioFile(FFile);
            } catch (const std::exception& e) {
                return Fail(r, Format(Tr("Ошибка чтения файла \"%s\"!\r\r%s"), FFile, ErrorText(e)));
            }
        }
        const TScriptLines& shown = fromFile ? lines : sc.Lines();
        std::vector<std::vector<std::string>> rows;
        std::vector<std::string> header = {"№"};
        for (int c = 0; c < TScenarioController::ScriptColumnCount; ++c) header.push_back(sc.ScriptColumnCaption(c));
        rows.push_back(header);
        for (size_t i = 0; i < shown.size(); ++i) {
            std::vector<std::string> row = {std::to_string(i + 1)};
            for (int c = 0; c < TScenarioController::ScriptColumnCount; ++c)
                row.push_back(TScenarioController::CellText(r.App.Registry(), shown[i], c));
            rows.push_back(std::move(row));
        }
        PrintTable(rows, FCsv, r.Out);
        r.Out << Format(Tr("Строк: %d"), static_cast<int>(shown.size())) << '\n';
        return true;
    }

    bool Check(TCliRun& r) const {
        TScriptLines lines;
        try {
            lines = ReadScenarioFile(FFile);
        } catch (const std::exception& e) {
            return Fail(r, Format(Tr("Ошибка чтения файла \"%s\"!\r\r%s"), FFile, ErrorText(e)));
        }
        bool ok = true;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (IsSeparatorLine(lines[i])) continue;
            int64_t sets = 0;
            std::string message;
            const bool lineOk = r.App.Scenarios().CheckLine(lines[i], sets, message);
            ok = ok && lineOk;
            if (lineOk)
                r.Out << Format("Строка %d: наборов фильтров: %d", static_cast<int>(i + 1), sets) << '\n';
            else
                r.Out << Format("Строка %d: ", static_cast<int>(i + 1)) << MessageLines(message) << '\n';
        }
        return ok;
    }

    bool Options(TCliRun& r) const {
        const TScriptOptions o = ParseOptions(FText);
        r.Out << "ExcludeDraws=" << o.ExcludeDraws << "\nSource=" << int(o.Source) << "\nStakeMode=" << int(o.StakeMode)
              << "\nClearStakes=" << int(o.ClearStakes) << "\nNewOnly=" << int(o.NewOnly) << '\n'
              << OptionsText(o) << '\n'
              << OptionsShort(o) << '\n'
              << OptionsCaption(o) << '\n';
        return true;
    }

    bool Line(TCliRun& r) const {
        for (int n = 1; n <= ScriptFieldCount; ++n) r.Out << n << "=" << LineField(FText, n) << '\n';
        const TScriptEditorData d = r.App.Scenarios().EditorData("", r.App.Settings().DrawsExclude, FText);
        r.Out << TScenarioController::EditorLine(d) << '\n';
        return true;
    }

    bool Open(TCliRun& r, bool append) const {
        TScenarioController& sc = r.App.Scenarios();
        if (!sc.LoadScenario(FFile, append)) return false;
        if (!sc.SaveState()) return false;
        PrintCount(r);
        return true;
    }

    bool Save(TCliRun& r) const {
        if (!r.App.Scenarios().SaveScenario(FFile)) return false;
        PrintCount(r);
        return true;
    }

    // The editor's fields from the command line, over what `d` already holds.
    bool ApplyFields(TCliRun& r, TScriptEditorData& d) const {
        if (FFilters.size() > MaxLineFilters) return Fail(r, Tr("Не более семи фильтров в строке."));
        if (FOptions) d.Options = ParseOptions(*FOptions);
        for (size_t i = 0; i < FFilters.size(); ++i) d.Filters[i] = FFilters[i];
        if (!FComment.empty()) d.Comment = FComment;
        const std::string problem = TScenarioController::CheckEditor(d);
        if (!problem.empty()) return Fail(r, problem);
        return true;
    }

    bool RowOk(TCliRun& r, int row) const {
        if (row >= 1 && row <= r.App.Scenarios().LineCount()) return true;
        return Fail(r, Format(Tr("Запись со индексом %d в файле данных не найдена!"), row - 1));
    }

    bool Add(TCliRun& r, int cloneRow) const {
        TScenarioController& sc = r.App.Scenarios();
        std::string base;
        if (cloneRow) {
            if (!RowOk(r, cloneRow)) return false;
            base = sc.GetLine(cloneRow - 1);
            if (IsSeparatorLine(base)) return Fail(r, Tr("Строка не содержит команды."));
        }
        TScriptEditorData d = sc.EditorData("", r.App.Settings().DrawsExclude, base);
        if (!ApplyFields(r, d)) return false;
        sc.AddLine(TScenarioController::EditorLine(d));
        PrintCount(r);
        return true;
    }

    static bool Separator(TCliRun& r) {
        r.App.Scenarios().AddLine("");
        PrintCount(r);
        return true;
    }

    bool Edit(TCliRun& r) const {
        TScenarioController& sc = r.App.Scenarios();
        if (!RowOk(r, FRow)) return false;
        const std::string line = sc.GetLine(FRow - 1);
        if (IsSeparatorLine(line)) return Fail(r, Tr("Строка не содержит команды."));
        TScriptEditorData d = sc.EditorData("", r.App.Settings().DrawsExclude, line);
        if (!ApplyFields(r, d)) return false;
        sc.SetLine(FRow - 1, TScenarioController::EditorLine(d));
        if (!sc.SaveState()) return false;
        PrintCount(r);
        return true;
    }

    bool Delete(TCliRun& r) const {
        std::vector<int> rows;
        for (int n : FRows) {
            if (!RowOk(r, n)) return false;
            rows.push_back(n - 1);
        }
        r.Ui.SetAnswer(true);
        r.App.Scenarios().SetScriptSelection(rows);
        r.App.Execute("ScriptDel");
        PrintCount(r);
        return true;
    }

    static bool Clear(TCliRun& r) {
        r.Ui.SetAnswer(true);
        r.App.Execute("ScriptClr");
        PrintCount(r);
        return true;
    }

    bool Move(TCliRun& r, int direction) const {
        if (!RowOk(r, FRow)) return false;
        r.App.Scenarios().SetScriptSelection({FRow - 1});
        const bool moved = r.App.Execute(direction < 0 ? "ScriptUp" : "ScriptDown");
        PrintCount(r);
        return moved;
    }

    static bool DeleteLogs(TCliRun& r) {
        r.App.Scenarios().DeleteLogs();
        return true;
    }

    bool Run(TCliRun& r, bool test) const {
        TTemplateMain& app = r.App;
        TScenarioController& sc = app.Scenarios();
        TScriptLines lines;
        if (!FFile.empty()) {
            try {
                lines = ReadScenarioFile(FFile);
            } catch (const std::exception& e) {
                return Fail(r, Format(Tr("Ошибка чтения файла \"%s\"!\r\r%s"), FFile, ErrorText(e)));
            }
            sc.SetRunLines(&lines);
        }
        const TScriptLines& runLines = FFile.empty() ? sc.Lines() : lines;
        if (runLines.empty()) return Fail(r, Tr("Сценарий не содержит строк."));
        if (app.Archive().Draws().empty()) return Fail(r, Tr("Архив тиражей пуст."));
        if (!app.Stakes().StakesOpen()) return Fail(r, Tr("Файл ставок не открыт!"));
        if (test && FHoldout >= FCount)
            return Fail(r, Format("--holdout %d: нужно меньше --count %d", FHoldout, FCount));
        if (FOffset) app.Archive().SetDrawsOffset(*FOffset);
        // For this run only; the stored option stays as it is.
        app.Settings().ScriptLogEnabled = FLog;
        sc.SetSeed(FSeed);

        std::vector<std::vector<std::string>> rows;
        if (test)
            rows.push_back({"Смещение", "Тираж", "Комбинаций", "Ставок", "0", "1", "2", "3", "4", "5", "6", "Профит"});
        else
            rows.push_back({"Строка", "Набор", "Комбинаций", "Ставок", "Фильтры"});
        // A pass's row and the totals count the stakes this run made, as it made them: neither a line that
        // clears the stakes nor unchecked stakes left by an earlier run change them.
        TStakeTally total;
        if (test)
            sc.SetPassHook([&](const TScriptPassResult& p) {
                const TStakeTally& t = p.Tally;
                std::vector<std::string> row = {std::to_string(p.Offset), std::to_string(p.DrawNumber),
                                                std::to_string(p.Combs), std::to_string(t.Stakes)};
                for (size_t m = 0; m < 7; ++m) {
                    row.push_back(std::to_string(t.ByMatches[m]));
                    total.ByMatches[m] += t.ByMatches[m];
                }
                row.push_back(Format("%.2f", static_cast<double>(t.Profit) / 10000.0));
                rows.push_back(std::move(row));
                total.Stakes += t.Stakes;
                total.Profit += t.Profit;
            });
        else
            sc.SetSetHook([&](const TScriptSetResult& s) {
                rows.push_back({std::to_string(s.Line), std::to_string(s.Set), std::to_string(s.Combs),
                                std::to_string(s.Stakes), s.Filters});
            });
        const int64_t firstStake = app.Stakes().StakeCount();
        bool ok;
        {
            TCancellableScope cancellable;
            ok = test ? sc.RunTest(FCount) : sc.RunForecast();
        }
        sc.SetSetHook({});
        sc.SetPassHook({});
        sc.SetRunLines(nullptr);
        if (test) {
            std::vector<std::string> last = {"Итого", "", "", std::to_string(total.Stakes)};
            for (int64_t t : total.ByMatches) last.push_back(std::to_string(t));
            last.push_back(Format("%.2f", static_cast<double>(total.Profit) / 10000.0));
            rows.push_back(std::move(last));
        }
        PrintTable(rows, FCsv, r.Out);
        if (test) PrintTestSummary(r, firstStake, app.Stakes().StakeCount(), FHoldout, FCsv);
        if (!test) {
            r.Out << Format("Комбинаций: %d", app.Combinations().Combs().Count()) << '\n';
            r.Out << Format("Ставок: %d", sc.StakesAdded()) << '\n';
        }
        if (!FOut.empty()) app.Combinations().CombsSave(FOut);
        if (!sc.LastLogPath().empty() && FLog) r.Err << sc.LastLogPath() << '\n';
        if (!ok) r.Err << Tr("Выполнение сценария остановлено.") << '\n';
        return ok;
    }
};

} // namespace

std::unique_ptr<TCliCommand> MakeScenarioCommand() {
    return std::make_unique<TScenarioCommand>();
}

} // namespace zorb
