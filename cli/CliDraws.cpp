// The draw archive verbs: draws list/add/delete/import/export/download, and info.
#include "cli/CliCommand.h"

#include "app/FormMain.h"
#include "cli/CliInterface.h"
#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace zorb {

namespace {

class TDrawsCommand : public TCliCommand {
public:
    const char* Name() const override { return "draws"; }

    void Setup(CLI::App& cli) override {
        CLI::App* draws = cli.add_subcommand(Name(), "Архив тиражей");
        draws->require_subcommand(1);
        CLI::App* list = AddVerb(*draws, "list", "Список тиражей, новые первыми", TCliAccess::Reads,
                                 [this](TCliRun& r) { return List(r); });
        list->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");
        FAdd = AddVerb(*draws, "add", "Добавить тираж", TCliAccess::Writes, [this](TCliRun& r) { return Add(r); });
        FAdd->add_option("--number", FNumber, "Номер тиража (по умолчанию следующий)");
        FAdd->add_option("--date", FDate, "Дата тиража yyyy-mm-dd (по умолчанию сегодня)");
        FAdd->add_option("NUMBERS", FNumbers, "Шесть чисел через \";\" или \",\"")->required();
        CLI::App* del = AddVerb(*draws, "delete", "Удалить тиражи по номерам", TCliAccess::Writes,
                                [this](TCliRun& r) { return Delete(r); });
        del->add_option("NUMBER", FDeleteNumbers, "Номера тиражей")->required();
        CLI::App* import = AddVerb(*draws, "import", "Импорт тиражей из CSV-файла", TCliAccess::Writes,
                                   [this](TCliRun& r) { return Import(r); });
        import->add_option("FILE", FImportFile, "Файл CSV")->required();
        CLI::App* exp = AddVerb(*draws, "export", "Экспорт тиражей в CSV-файл", TCliAccess::Reads,
                                [this](TCliRun& r) { return Export(r); });
        exp->add_option("FILE", FExportFile, "Файл CSV")->required();
        CLI::App* download = AddVerb(*draws, "download", "Загрузка новых тиражей с сайта лотереи", TCliAccess::Writes,
                                     [this](TCliRun& r) { return Download(r); });
        download->add_option("--url", FDownloadUrl, "Адрес архива результатов (вместо заданного в параметрах)");
    }

private:
    bool FCsv = false;
    CLI::App* FAdd = nullptr;
    std::string FNumber, FDate, FNumbers;
    std::vector<std::string> FDeleteNumbers;
    std::string FImportFile, FExportFile, FDownloadUrl;

    bool List(TCliRun& r) {
        const TTemplateMain& app = r.App;
        const int cols = TDrawsController::DrawColumnCount;
        std::vector<std::vector<std::string>> rows;
        std::vector<std::string> header;
        for (int c = 0; c < cols; ++c) header.push_back(app.Archive().DrawColumnCaption(c));
        rows.push_back(header);
        for (int row = 0; row < app.Archive().DrawRowCount(); ++row) {
            std::vector<std::string> line;
            for (int c = 0; c < cols; ++c) line.push_back(app.Archive().DrawCellText(row, c));
            rows.push_back(std::move(line));
        }
        PrintTable(rows, FCsv, r.Out);
        return true;
    }

    bool Add(TCliRun& r) {
        TDrawInput input;
        if (FAdd->count("--number")) input.Number = FNumber;
        if (FAdd->count("--date")) input.Date = FDate;
        input.Numbers = FNumbers;
        r.Ui.SetDrawInput(input);
        const size_t before = r.App.Archive().Draws().size();
        r.App.Execute("DrawsAdd");
        if (r.App.Archive().Draws().size() == before) return false;
        r.Out << DrawDescription(r.App.Archive().Draws().back()) << '\n';
        return true;
    }

    bool Delete(TCliRun& r) {
        std::vector<int> rows;
        for (const std::string& text : FDeleteNumbers) {
            int32_t n;
            const int index = TryStrToInt(Trim(text), n) ? FindDraw(r.App.Archive().Draws(), n) : -1;
            if (index < 0) {
                r.Err << Format(Tr("Тираж № %s не найден в архиве!"), text) << '\n';
                return false;
            }
            rows.push_back(r.App.Archive().DrawRowCount() - 1 - index);
        }
        r.App.Archive().SetDrawsSelection(rows);
        r.Ui.SetAnswer(true);
        r.App.Execute("DrawsDel");
        return true;
    }

    bool Import(TCliRun& r) {
        if (!FileExists(FImportFile)) {
            r.Err << Format(Tr("Файл \"%s\" не найден!"), FImportFile) << '\n';
            return false;
        }
        r.Out << Format(Tr("Добавлено тиражей: %d"), r.App.Archive().DrawsImport(FImportFile)) << '\n';
        return true;
    }

    bool Export(TCliRun& r) {
        if (!r.App.Archive().DrawsExport(FExportFile)) return false;
        r.Out << Format(Tr("Выгружено тиражей: %d"), static_cast<int>(r.App.Archive().Draws().size())) << '\n';
        return true;
    }

    bool Download(TCliRun& r) {
        if (!FDownloadUrl.empty()) r.App.SetResultsUrlForRun(FDownloadUrl);
        r.Out << Format(Tr("Добавлено тиражей: %d"), r.App.Archive().DrawsDownload()) << '\n';
        return true;
    }
};

class TInfoCommand : public TCliCommand {
public:
    const char* Name() const override { return "info"; }

    void Setup(CLI::App& cli) override {
        AddVerb(cli, Name(), "Сведения об архиве и каталоге данных", TCliAccess::Reads,
                [](TCliRun& r) { return Print(r.App, r.Out); });
    }

private:
    static bool Print(TTemplateMain& app, std::ostream& out) {
        out << app.Archive().StatusPanelText(0) << '\n';
        out << app.Archive().StatusPanelText(1) << '\n';
        out << Format(Tr("Каталог данных: %s"), app.DataDir()) << '\n';
        out << Tr("Файлы:") << '\n';
        const std::string base = TFormMain::GameFileName;
        bool any = false;
        for (const std::string& name : {base + ".ldr", base + ".ini", base + ".frm", base + ".flt", base + ".lsk",
                                        base + ".lrt", base + ".ltb", base + ".lss"}) {
            int64_t size = FileSize(app.DataFile(name));
            if (size < 0) continue;
            out << Format("  %s (%d байт)", name, size) << '\n';
            any = true;
        }
        if (DirectoryExists(app.DataFile("Prefetchs"))) {
            out << "  Prefetchs/" << '\n';
            any = true;
        }
        if (!any) out << Tr("  нет") << '\n';
        return true;
    }
};

} // namespace

std::unique_ptr<TCliCommand> MakeDrawsCommand() {
    return std::make_unique<TDrawsCommand>();
}
std::unique_ptr<TCliCommand> MakeInfoCommand() {
    return std::make_unique<TInfoCommand>();
}

} // namespace zorb
