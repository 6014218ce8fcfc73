// The stake verbs: stakes list/add/check/delete/clear.
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

class TStakesCommand : public TCliCommand {
public:
    const char* Name() const override { return "stakes"; }

    void Setup(CLI::App& cli) override {
        CLI::App* stakes = cli.add_subcommand(Name(), "Ставки");
        stakes->require_subcommand(1);
        CLI::App* list =
            AddVerb(*stakes, "list", "Список ставок", TCliAccess::Reads, [this](TCliRun& r) { return List(r); });
        list->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");
        CLI::App* add =
            AddVerb(*stakes, "add", "Сделать ставку", TCliAccess::Writes, [this](TCliRun& r) { return Add(r); });
        add->add_option("NUMBERS", FInput.Numbers, "От 6 до 10 чисел через \";\" или \",\"")->required();
        add->add_option("--comment", FInput.Comment, "Комментарий к ставке")->required();
        add->add_option("--draw", FDraw, "Номер тиража (по умолчанию следующий)");
        add->add_option("--count", FInput.Count, "Количество тиражей");
        AddVerb(*stakes, "check", "Проверить ставки", TCliAccess::Writes, [](TCliRun& r) { return Check(r); });
        CLI::App* del =
            AddVerb(*stakes, "delete", "Удалить ставки", TCliAccess::Writes, [this](TCliRun& r) { return Delete(r); });
        auto* rowsOpt = del->add_option("--rows", FDeleteRows, "Строки списка A-B (с 1)");
        auto* matchesOpt =
            del->add_option("--matches", FDeleteMatches, "Условие (0..4: = > >= < <=) и число совпадений")->expected(2);
        rowsOpt->excludes(matchesOpt);
        AddVerb(*stakes, "clear", "Удалить все ставки", TCliAccess::Writes, [](TCliRun& r) { return Clear(r); });
    }

private:
    bool FCsv = false;
    TCliInterface::TStakeInput FInput;
    std::string FDraw;
    std::string FDeleteRows;
    std::vector<int> FDeleteMatches;

    bool List(TCliRun& r) const {
        TTemplateMain& app = r.App;
        std::vector<std::vector<std::string>> rows;
        std::vector<std::string> header;
        for (int c = 0; c < TStakesController::StakeColumnCount; ++c)
            header.push_back(app.Stakes().StakeColumnCaption(c));
        rows.push_back(header);
        for (int64_t i = 0; i < app.Stakes().StakeCount(); ++i) {
            std::vector<std::string> line;
            for (int c = 0; c < TStakesController::StakeColumnCount; ++c)
                line.push_back(app.Stakes().StakeCellText(i, c));
            // A separator is an empty line.
            if (std::all_of(line.begin(), line.end(), [](const std::string& t) { return t.empty(); })) line.clear();
            rows.push_back(std::move(line));
        }
        PrintTable(rows, FCsv, r.Out);
        return true;
    }

    bool Add(TCliRun& r) {
        if (!FDraw.empty()) FInput.Draw = FDraw;
        r.Ui.SetStakeInput(FInput);
        const int64_t before = r.App.Stakes().StakeCount();
        r.App.Execute("StakeAdd");
        if (r.App.Stakes().StakeCount() == before) return false;
        r.Out << Format(Tr("Ставок: %d"), r.App.Stakes().StakeCount()) << '\n';
        return true;
    }

    static bool Check(TCliRun& r) {
        int checked = 0;
        r.App.Stakes().AddStakeCheckedHook([&checked](const TStakeRecord&) { ++checked; });
        r.App.Stakes().CheckAndCommitStakes();
        r.Out << Format(Tr("Проверено ставок: %d"), checked) << '\n';
        return true;
    }

    bool Delete(TCliRun& r) const {
        TTemplateMain& app = r.App;
        bool failed;
        if (!FDeleteRows.empty()) {
            const auto parts = SplitKeepEmpty(FDeleteRows, '-');
            int32_t a, b;
            if (parts.size() > 2 || !TryStrToInt(Trim(parts[0]), a) ||
                !TryStrToInt(Trim(parts.size() == 2 ? parts[1] : parts[0]), b) || a < 1 || b < a) {
                r.Err << Format(Tr("Некорректный диапазон строк: %s"), FDeleteRows) << '\n';
                return false;
            }
            failed = app.Stakes().StakeCount() == 0 || !app.Stakes().DeleteStakeRows(a, b);
        } else if (FDeleteMatches.size() == 2) {
            if (FDeleteMatches[0] < 0 || FDeleteMatches[0] >= MatchConditionCount || FDeleteMatches[1] < 0 ||
                FDeleteMatches[1] > 6) {
                r.Err << Tr("Условие от 0 до 4, число совпадений от 0 до 6.") << '\n';
                return false;
            }
            failed = app.Stakes().StakeCount() == 0 ||
                     !app.Stakes().DeleteStakesByMatches(FDeleteMatches[0], FDeleteMatches[1]);
        } else {
            r.Err << Tr("Укажите --rows или --matches.") << '\n';
            return false;
        }
        if (app.Stakes().StakeCount() == 0 && failed) r.Err << Tr("Файл ставок не открыт!") << '\n';
        if (failed) return false;
        app.Stakes().CheckAndCommitStakes();
        r.Out << Format(Tr("Ставок: %d"), app.Stakes().StakeCount()) << '\n';
        return true;
    }

    static bool Clear(TCliRun& r) {
        r.Ui.SetAnswer(true);
        if (r.App.Stakes().StakeCount() > 0) r.App.Execute("StakeClear");
        r.Out << Format(Tr("Ставок: %d"), r.App.Stakes().StakeCount()) << '\n';
        return true;
    }
};

} // namespace

std::unique_ptr<TCliCommand> MakeStakesCommand() {
    return std::make_unique<TStakesCommand>();
}

} // namespace zorb
