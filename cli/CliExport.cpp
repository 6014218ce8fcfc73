// The export verbs: export draws/stat/combs/stakes/ratings/card/layout to .xlsx or CSV, with the parameters of the
// export dialog as options.
#include "cli/CliCommand.h"

#include "app/TemplateMain.h"
#include "app/ViewsController.h"
#include "cli/CliInterface.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stats/StatTable.h"

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>

namespace zorb {

namespace {

class TExportCommand : public TCliCommand {
public:
    const char* Name() const override { return "export"; }

    void Setup(CLI::App& cli) override {
        CLI::App* exp = cli.add_subcommand(Name(), "Экспорт списка в книгу Excel (.xlsx) или CSV");
        exp->require_subcommand(1);
        const TVerbWrites writes = [this] { return FRemember; };
        CLI::App* draws =
            AddVerb(*exp, "draws", "Архив тиражей", writes, [this](TCliRun& r) { return Run(r, TExportList::Draws); });
        CLI::App* stat = AddVerb(*exp, "stat", "Таблица статистики", writes,
                                 [this](TCliRun& r) { return Run(r, TExportList::Stats); });
        stat->add_option("CODE", FCode, "Код метода")->required();
        stat->add_option("--len", FLen, "Число тиражей")->check(CLI::Range(1, 2147483647));
        stat->add_option("--offset", FOffset, "Смещение назад")->check(CLI::NonNegativeNumber);
        stat->add_flag("--prefetch", FPrefetch, "Нормы по полному набору комбинаций");
        stat->add_option("--sort", FSort, "Столбец сортировки (0..19)")->check(CLI::Range(0, StatColumnCount - 1));
        stat->add_flag("--desc", FDesc, "Сортировка по убыванию");
        CLI::App* combs = AddVerb(*exp, "combs", "Список комбинаций", writes,
                                  [this](TCliRun& r) { return Run(r, TExportList::Combs); });
        auto* input = combs->add_option("-i,--input", FInput, "Список из файла *.lcv");
        auto* mode = combs->add_option("--mode", FMode, "Режим генерации списка (0..4)")->check(CLI::Range(0, 4));
        combs->add_option("--params", FParams, "Мои числа или имя файла для режима генерации");
        input->excludes(mode);
        CLI::App* stakes =
            AddVerb(*exp, "stakes", "Ставки", writes, [this](TCliRun& r) { return Run(r, TExportList::Stakes); });
        CLI::App* ratings =
            AddVerb(*exp, "ratings", "Рейтинг", writes, [this](TCliRun& r) { return Run(r, TExportList::Ratings); });
        CLI::App* card =
            AddVerb(*exp, "card", "Карта тиражей", writes, [this](TCliRun& r) { return Run(r, TExportList::Card); });
        CLI::App* layout =
            AddVerb(*exp, "layout", "Схема", writes, [this](TCliRun& r) { return Run(r, TExportList::Layout); });
        for (CLI::App* verb : {draws, stat, combs, stakes, ratings, card, layout}) AddCommonOptions(verb);
    }

private:
    std::string FCode, FInput, FParams;
    int FLen = 1000, FOffset = 0, FSort = 1, FMode = -1;
    bool FPrefetch = false, FDesc = false;
    std::string FXlsx, FCsv, FRows, FExp, FSaveExp;
    std::optional<std::string> FTitle, FNotes, FHeader, FSheet;
    std::optional<int> FFontSize, FOrientation;
    bool FNoTime = false, FRemember = false;

    void AddCommonOptions(CLI::App* verb) {
        verb->add_option("--xlsx", FXlsx, "Книга Excel");
        verb->add_option("--csv", FCsv, "Файл CSV с разделителем \";\"");
        verb->add_option("--title", FTitle, "Наименование отчета");
        verb->add_option("--notes", FNotes, "Дополнительные сведения");
        verb->add_option("--header", FHeader, "Строка над заголовком отчета");
        verb->add_option("--sheet", FSheet, "Наименование листа");
        verb->add_option("--font-size", FFontSize, "Базовый размер шрифта (1..100)")
            ->check(CLI::Range(MinFontSize, MaxFontSize));
        verb->add_option("--orientation", FOrientation, "Ориентация: 0 не устанавливать, 1 книжная, 2 альбомная")
            ->check(CLI::Range(0, 2));
        verb->add_flag("--no-time", FNoTime, "Без строки с датой и временем формирования отчета");
        verb->add_option("--rows", FRows, "Выделенные строки списка A-B (с 1)");
        verb->add_option("--exp", FExp, "Файл параметров экспорта *.exp")->check(CLI::ExistingFile);
        verb->add_option("--save-exp", FSaveExp, "Сохранить параметры экспорта в файле *.exp");
        verb->add_flag("--remember", FRemember, "Сохранить параметры экспорта в файле конфигурации");
    }

    bool PrepareList(TCliRun& r, TExportList list) const {
        TTemplateMain& app = r.App;
        if (list == TExportList::Stats) {
            app.Archive().SetDrawsOffset(FOffset);
            app.SetPrefetchsForRun(FPrefetch);
            const int entry = FindMethod(app.Stats(), FCode, r.Err);
            if (entry < 0) return false;
            app.Statistics().SetStatEntry(entry);
            app.Statistics().SetDrawsStatLen(FLen);
            app.Statistics().SetStatSort(FSort, FDesc);
            app.Statistics().Recalculate(true);
        } else if (list == TExportList::Combs) {
            if (!FInput.empty()) {
                if (!FileExists(FInput)) {
                    r.Ui.ShowMessage(TMsgBox::Error,
                                     Format(Tr("Ошибка чтения файла \"%s\"!\r\r%s"), FInput, Tr("Файл не найден")));
                    return false;
                }
                app.Combinations().CombsOpen(FInput);
            } else if (FMode >= 0) {
                TGenerateSettings g;
                g.Mode = static_cast<uint8_t>(FMode);
                g.Parameters = FParams;
                app.Combinations().GenerateCombs(true, g);
            }
        } else if (list == TExportList::Card) {
            app.Views().ComputeCard();
        } else if (list == TExportList::Layout) {
            app.Views().ComputeLayout();
        }
        return !r.Ui.ErrorShown();
    }

    bool Run(TCliRun& r, TExportList list) const {
        if (!PrepareList(r, list)) return false;
        TExportJob job;
        job.XlsxPath = FXlsx;
        job.CsvPath = FCsv;
        job.ExpFile = FExp;
        job.SaveExpFile = FSaveExp;
        job.Remember = FRemember;
        if (!FRows.empty()) {
            const auto parts = SplitKeepEmpty(FRows, '-');
            int64_t a, b;
            const int64_t count = r.App.Export().Source(list)->RowCount();
            if (parts.size() > 2 || !TryStrToInt64(Trim(parts[0]), a) ||
                !TryStrToInt64(Trim(parts.size() == 2 ? parts[1] : parts[0]), b) || a < 1 || b < a || b > count) {
                r.Err << Format(Tr("Некорректный диапазон строк: %s"), FRows) << '\n';
                return false;
            }
            job.Rows.push_back({a, b});
        }
        job.Options = [this](TExportParams& p) {
            if (FTitle) p.Title = *FTitle;
            if (FNotes) p.Notes = *FNotes;
            if (FHeader) p.HeaderLine = *FHeader;
            if (FSheet) p.SheetName = *FSheet;
            if (FFontSize) p.BaseFontSize = *FFontSize;
            if (FOrientation) p.Orientation = *FOrientation;
            if (FNoTime) p.ShowCreateTime = false;
        };
        const int64_t rows = r.App.Export().Export(list, job);
        if (rows < 0) return false;
        r.Out << Format(Tr("Экспортировано строк: %d"), rows) << '\n';
        return true;
    }
};

} // namespace

std::unique_ptr<TCliCommand> MakeExportCommand() {
    return std::make_unique<TExportCommand>();
}

} // namespace zorb
