// The online scenario library verbs: library list/get/rate/rates/delete/put, through the library controller, so
// the command line keeps the panel's rules and messages.
#include "cli/CliCommand.h"

#include "app/OnlineIdentity.h"
#include "app/TemplateMain.h"
#include "cli/CliInterface.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "online/OnlineWire.h"
#include "scenarios/ScriptFile.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace zorb {

namespace {

// The current scenario's state file.
std::string StatePath(TTemplateMain& app) {
    return app.DataFile(app.ProgramName() + ".lss");
}

class TLibraryCommand : public TCliCommand {
public:
    const char* Name() const override { return "library"; }

    void Setup(CLI::App& cli) override {
        CLI::App* lib = cli.add_subcommand(Name(), "Online каталог сценариев");
        lib->require_subcommand(1);
        CLI::App* list =
            AddVerb(*lib, "list", "Каталог сценариев", TCliAccess::Writes, [this](TCliRun& r) { return List(r); });
        AddOnlineOptions(list, FOnline);
        list->add_option("--filter", FFilter, "Фильтр (0..7, по умолчанию 2)")->check(CLI::Range(0, 7));
        list->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");
        CLI::App* get =
            AddVerb(*lib, "get", "Скачать сценарий", TCliAccess::Writes, [this](TCliRun& r) { return Get(r); });
        AddOnlineOptions(get, FOnline);
        get->add_option("ID", FId, "Номер сценария")->required();
        get->add_option("-o,--output", FFile, "Файл *.lsc (по умолчанию текущий сценарий)");
        CLI::App* rate =
            AddVerb(*lib, "rate", "Оценить сценарий", TCliAccess::Writes, [this](TCliRun& r) { return Rate(r); });
        AddOnlineOptions(rate, FOnline);
        rate->add_option("ID", FId, "Номер сценария")->required();
        rate->add_option("VALUE", FRate, "1..5, remove или hide")->required();
        rate->add_option("--notes", FNotes, "Комментарий");
        CLI::App* rates =
            AddVerb(*lib, "rates", "Оценки сценария", TCliAccess::Writes, [this](TCliRun& r) { return Rates(r); });
        AddOnlineOptions(rates, FOnline);
        rates->add_option("ID", FId, "Номер сценария")->required();
        rates->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");
        CLI::App* del = AddVerb(*lib, "delete", "Удалить свой сценарий", TCliAccess::Writes,
                                [this](TCliRun& r) { return Delete(r); });
        AddOnlineOptions(del, FOnline);
        del->add_option("ID", FId, "Номер сценария")->required();
        CLI::App* put =
            AddVerb(*lib, "put", "Опубликовать сценарий", TCliAccess::Writes, [this](TCliRun& r) { return Put(r); });
        AddOnlineOptions(put, FOnline);
        put->add_option("FILE", FFile, "Файл *.lsc (по умолчанию текущий сценарий)");
        put->add_option("--title", FTitle, "Название")->required();
        put->add_option("--descr", FDescr, "Описание");
        put->add_option("--author", FAuthor, "Автор (по умолчанию --name)");
        put->add_option("--lang", FLang, "Язык (LCID)");
        put->add_flag("--universal", FUniversal, "В любом приложении");
        put->add_flag("--private", FPrivate, "Виден только мне");
        put->add_option("--id", FId, "Номер заменяемого сценария");
    }

private:
    TOnlineOptions FOnline;
    bool FCsv = false, FUniversal = false, FPrivate = false;
    int FFilter = 2, FId = 0, FLang = 0;
    std::string FFile, FRate, FNotes, FTitle, FDescr, FAuthor;

    // The controller for this run's server and user; false after telling the user why not.
    bool Connect(TCliRun& r, const std::string& failure) {
        const auto settings = OnlineSettingsOf(r, FOnline, failure);
        if (settings) r.App.Library().UseOnlineSettings(*settings);
        return settings.has_value();
    }

    bool List(TCliRun& r) {
        TLibraryController& lib = r.App.Library();
        if (!Connect(r, Tr("Ошибка загрузки каталога online-сценариев!\r\r%s")) || !lib.LoadCatalogueFiltered(FFilter))
            return false;
        const std::vector<tScriptInfo>& list = lib.Rows();
        std::vector<std::vector<std::string>> rows = {
            {"№", Tr("Тип"), Tr("Название"), Tr("Автор"), Tr("Программа"), Tr("Версия"), Tr("Язык"), Tr("Создан"),
             Tr("Рейтинг"), Tr("Оценок"), Tr("Ваша оценка"), Tr("Загрузок"), Tr("Последняя"), Tr("Комментарии")}};
        for (const auto& s : list)
            rows.push_back({std::to_string(s.Id), s.Mine ? Tr("Мой") : Tr("Общий"), s.Title, s.Author,
                            s.Universal ? Tr("Универсальный") : s.AppName, s.AppVersion, std::to_string(s.Language),
                            FormatDateTime(s.Created), Format("%.3n", s.Rating), std::to_string(s.RatingCount),
                            s.MyRating == -1 ? Tr("Скрытый")
                            : s.MyRating > 0 ? std::to_string(s.MyRating)
                                             : "",
                            std::to_string(s.Downloads), FormatDateTime(s.LastDownload),
                            ReplaceAll(ReplaceAll(s.Descr, "\r\n", " "), "\n", " ")});
        PrintTable(rows, FCsv, r.Out);
        return true;
    }

    bool Get(TCliRun& r) {
        if (!Connect(r, Tr("Ошибка загрузки online-сценария!\r\r%s"))) return false;
        const std::string text = r.App.Library().FetchScript(FId);
        if (text.empty()) return false;
        try {
            const TScriptLines lines = ParseScenarioText(text);
            // Without a file the text becomes the current scenario: its state file, read at the next start.
            WriteScenarioFile(FFile.empty() ? StatePath(r.App) : FFile, lines);
            r.Out << Format(Tr("Строк сценария: %d"), static_cast<int>(lines.size())) << '\n';
            return true;
        } catch (const std::exception& e) {
            return Fail(r, Format(Tr("Ошибка загрузки online-сценария!\r\r%s"), ErrorText(e)));
        }
    }

    bool Rate(TCliRun& r) {
        int value = 0;
        if (FRate == "remove")
            value = 0;
        else if (FRate == "hide")
            value = -1;
        else if (!TryStrToInt(FRate, value) || value < 1 || value > 5)
            return Fail(r, Tr("Оценка: 1..5, remove или hide"));
        return Connect(r, Tr("Ошибка сохранения оценки online-сценария!\r\r%s")) &&
               r.App.Library().SendRate(FId, value, value > 0 ? FNotes : "");
    }

    bool Rates(TCliRun& r) {
        std::vector<TScriptRate> list;
        if (!Connect(r, Tr("Ошибка просмотра оценок online-сценария!\r\r%s")) || !r.App.Library().FetchRates(FId, list))
            return false;
        std::vector<std::vector<std::string>> rows = {
            {Tr("Имя"), Tr("Оценка"), Tr("Дата"), Tr("Программа"), Tr("Версия"), Tr("Комментарии")}};
        for (const auto& x : list)
            rows.push_back({x.Name, std::to_string(x.Rate), FormatDateTime(x.Created), x.AppName, x.AppVer, x.Notes});
        PrintTable(rows, FCsv, r.Out);
        return true;
    }

    // Among all the user may see, hidden ones too (filter item 1).
    bool Delete(TCliRun& r) {
        TLibraryController& lib = r.App.Library();
        if (!Connect(r, Tr("Ошибка публикации online-сценария!\r\r%s")) || !lib.LoadCatalogueFiltered(1)) return false;
        const int row = lib.RowOfId(FId);
        if (row < 0)
            return Fail(r, Format(Tr("Ошибка публикации online-сценария!\r\r%s"),
                                  Format(Tr("Сценарий #%d не найден в каталоге"), FId)));
        const tScriptInfo script = lib.Rows()[static_cast<size_t>(row)];
        if (!script.Editable) return Fail(r, Tr("Вы можете удалять только свои сценарии!"));
        if (!lib.DeleteScript(script)) {
            // A reply without content: nothing was deleted, which the window passes over in silence.
            if (!r.Ui.ErrorShown())
                Fail(r, Format(Tr("Ошибка публикации online-сценария!\r\r%s"), Format(Tr("Код возврата: %d"), -1)));
            return false;
        }
        r.Out << Format(Tr("Сценарий #%d удален"), FId) << '\n';
        return true;
    }

    bool Put(TCliRun& r) {
        TLibraryController& lib = r.App.Library();
        if (!Connect(r, Tr("Ошибка публикации online-сценария!\r\r%s"))) return false;
        try {
            const TOnlineIdentity who = lib.Identity();
            const std::string file = FFile.empty() ? StatePath(r.App) : FFile;
            const TScriptLines lines = FFile.empty() && !FileExists(file) ? TScriptLines() : ReadScenarioFile(file);
            if (lines.empty()) return Fail(r, Tr("Сценарий пуст"));
            tScriptData d;
            d.Id = FId > 0 ? FId : -1;
            d.Title = Trim(FTitle);
            d.Author = Trim(FAuthor.empty() ? who.Name : FAuthor);
            d.Descr = FDescr;
            d.Language = FLang > 0 ? FLang : who.Lcid;
            d.Universal = FUniversal;
            d.Public = !FPrivate;
            // The scenario dialog's checks, in its order.
            TScriptDialog dialog;
            dialog.Data = d;
            TMsgBox box = TMsgBox::Attention;
            const std::string check = lib.CheckScriptDialog(dialog, box);
            if (!check.empty()) return Fail(r, check);
            const int id = lib.Publish(d, lines, who);
            if (id <= 0) {
                // A reply without content: nothing was stored, which the window passes over in silence.
                if (!r.Ui.ErrorShown())
                    Fail(r, Format(Tr("Ошибка публикации online-сценария!\r\r%s"), Format(Tr("Код возврата: %d"), -1)));
                return false;
            }
            r.Out << Format(Tr("Сценарий #%d"), id) << '\n';
            return true;
        } catch (const std::exception& e) {
            return Fail(r, Format(Tr("Ошибка публикации online-сценария!\r\r%s"), ErrorText(e)));
        }
    }
};

} // namespace

std::unique_ptr<TCliCommand> MakeLibraryCommand() {
    return std::make_unique<TLibraryCommand>();
}

} // namespace zorb
