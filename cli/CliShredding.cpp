// The shredding verb: shows the three formulas with whether they compile, changes them the way the dialog's OK
// does (rebuilding the shredding full-set files), or evaluates a formula on given numbers.
#include "cli/CliCommand.h"

#include "app/TemplateMain.h"
#include "cli/CliInterface.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "core/KestoUtils.h"
#include "core/Translate.h"
#include "stats/Shredding.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace zorb {

namespace {

void PrintShredding(const TShreddingData& d, bool csv, std::ostream& out) {
    std::vector<std::vector<std::string>> rows = {{"№", "Формула", "Знаков", "Ошибка"}};
    for (int i = 0; i < 3; ++i)
        rows.push_back({std::to_string(i + 1), d.Formulas[static_cast<size_t>(i)],
                        std::to_string(d.Digits[static_cast<size_t>(i)]),
                        ShredFormulaError(d.Formulas[static_cast<size_t>(i)])});
    PrintTable(rows, csv, out);
}

class TShreddingCommand : public TCliCommand {
public:
    const char* Name() const override { return "shredding"; }

    void Setup(CLI::App& cli) override {
        CLI::App* top = cli.add_subcommand(Name(), "Формулы методов шинковки");
        top->require_subcommand(1);
        CLI::App* show = AddVerb(*top, "show", "Показать формулы", TCliAccess::Reads, [this](TCliRun& r) {
            PrintShredding(r.App.Stats().Shredding, FCsv, r.Out);
            return true;
        });
        show->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");

        FSet = AddVerb(*top, "set", "Изменить формулы (как OK окна «Методы шинковки»)", TCliAccess::Writes,
                       [this](TCliRun& r) { return Set(r); });
        for (int i = 0; i < 3; ++i) {
            FSet->add_option(Format("--formula%d", i + 1), FFormulas[static_cast<size_t>(i)],
                             Format("Формула %d", i + 1));
            FSet->add_option(Format("--digits%d", i + 1), FDigits[static_cast<size_t>(i)],
                             Format("Количество знаков после запятой формулы %d, от 1 до 5", i + 1));
        }
        FSet->add_flag("--prefetch", FPrefetch, "Сразу пересоздать файлы полного набора методов шинковки");

        CLI::App* eval = AddVerb(*top, "eval", "Вычислить формулу для чисел", TCliAccess::Reads,
                                 [this](TCliRun& r) { return Eval(r); });
        // A formula may begin with "-" (-n1/8), which the parser would take for an option: it is then given as
        // --formula=-n1/8, or after "--".
        eval->add_option("FORMULA,--formula", FFormula, "Формула; начинающуюся с «-» задайте как --formula=-n1/8")
            ->required();
        eval->add_option("NUMBERS", FNumbers, "Числа n1..n6, затем p1..p6 и t1..t6, по шесть через \";\"")
            ->required()
            ->expected(1, 3);
        eval->add_option("--digits", FEvalDigits, "Количество знаков после запятой, от 1 до 5");
        eval->footer("«--» завершает параметры: всё после него читается как формула и числа, даже с «-» в начале.");
    }

private:
    bool FCsv = false;
    CLI::App* FSet = nullptr;
    std::array<std::string, 3> FFormulas;
    std::array<int, 3> FDigits{};
    bool FPrefetch = false;
    std::string FFormula;
    std::vector<std::string> FNumbers;
    int FEvalDigits = 2;

    // The dialog's checks come first: a refused formula or digit count changes nothing.
    bool Set(TCliRun& r) const {
        TTemplateMain& app = r.App;
        TShreddingData edited = app.Stats().Shredding;
        for (int i = 0; i < 3; ++i) {
            const auto k = static_cast<size_t>(i);
            if (FSet->count(Format("--formula%d", i + 1))) edited.Formulas[k] = FFormulas[k];
            if (FSet->count(Format("--digits%d", i + 1))) {
                if (FDigits[k] < MinShredDigits || FDigits[k] > MaxShredDigits) {
                    r.Err << ShredDigitsError() << '\n';
                    return false;
                }
                edited.Digits[k] = static_cast<uint8_t>(FDigits[k]);
            }
        }
        if (const std::string reason = ShreddingSettingsError(edited); !reason.empty()) {
            r.Err << reason << '\n';
            return false;
        }
        if (FPrefetch) app.SetPrefetchsForRun(true);
        r.Ui.SetShowProgress(FPrefetch);
        r.Ui.SetShreddingInput(edited);
        app.Execute("EditShredding");
        PrintShredding(app.Stats().Shredding, false, r.Out);
        return true;
    }

    bool Eval(TCliRun& r) const {
        if (FEvalDigits < MinShredDigits || FEvalDigits > MaxShredDigits) {
            r.Err << ShredDigitsError() << '\n';
            return false;
        }
        std::array<TComb, 3> rows{};
        try {
            for (size_t k = 0; k < FNumbers.size() && k < rows.size(); ++k) rows[k] = ParseComb(FNumbers[k]);
        } catch (const EZorbError& e) {
            r.Err << e.what() << '\n';
            return false;
        }
        std::string error;
        const int32_t v = Shred(rows[0].N, rows[1].N, rows[2].N, FEvalDigits, FFormula, &error);
        r.Out << v << '\n';
        if (!error.empty()) {
            r.Err << error << '\n';
            return false;
        }
        return true;
    }
};

} // namespace

std::unique_ptr<TCliCommand> MakeShreddingCommand() {
    return std::make_unique<TShreddingCommand>();
}

} // namespace zorb
