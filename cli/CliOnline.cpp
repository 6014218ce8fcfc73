// The online verbs: systems list/get/delete/put/expand/coverage and library list/get/rate/rates/delete/put.
#include "cli/CliCommand.h"

#include "app/OnlineIdentity.h"
#include "app/TemplateMain.h"
#include "cli/CliInterface.h"
#include "combos/CombFiles.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "online/Coverage.h"
#include "online/OnlineClient.h"
#include "online/OnlineWire.h"
#include "online/Systems.h"
#include "scenarios/ScriptFile.h"
#include "stakes/Stakes.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>
#include <set>

namespace zorb {

namespace {

struct TOnlineOptions {
    std::string Server, Name, Mail;
};

void AddOnlineOptions(CLI::App* cmd, TOnlineOptions& o) {
    cmd->add_option("--server", o.Server, "Адрес сервера (по умолчанию ONLINE/ServerUrl)");
    cmd->add_option("--name", o.Name, "Имя пользователя (по умолчанию ONLINE/UserName)");
    cmd->add_option("--mail", o.Mail, "E-mail пользователя (по умолчанию ONLINE/UserMail)");
}

// The identity from section ONLINE of the settings file, the options given winning; the installation id is the
// window's own (made once at random and saved at once), so the server sees one installation either way.
TOnlineIdentity Identity(TTemplateMain& app, const TOnlineOptions& o) {
    TOnlineSettings s = ReadOnlineSettings(app);
    if (!o.Server.empty()) {
        s.ServerUrl = o.Server;
        while (!s.ServerUrl.empty() && s.ServerUrl.back() == '/') s.ServerUrl.pop_back();
        s.DefaultServer = s.ServerUrl.empty();
    }
    if (!o.Name.empty()) s.UserName = o.Name;
    if (!o.Mail.empty()) s.UserMail = o.Mail;
    if (s.DefaultServer) throw EZorbError(Tr("Не указан адрес сервера (--server или ONLINE/ServerUrl)"));
    return OnlineIdentityOf(s, app.Language(), app.Archive().HttpOptions());
}

std::string SystemsDir(TTemplateMain& app) {
    return JoinPath(app.DataDir(), "Systems");
}

// The current scenario's state file.
std::string StatePath(TTemplateMain& app) {
    return app.DataFile(app.ProgramName() + ".lss");
}

bool Fail(TCliRun& r, const std::string& text) {
    r.Err << MessageLines(text) << '\n';
    return false;
}

const tSystemInfo* FindSystem(const std::vector<tSystemInfo>& list, int id) {
    for (const auto& s : list)
        if (s.Id == id && id > 0) return &s;
    return nullptr;
}

std::string CombLine(const TComb& c) {
    return Format("%d;%d;%d;%d;%d;%d", c.N[0], c.N[1], c.N[2], c.N[3], c.N[4], c.N[5]);
}

class TSystemsCommand : public TCliCommand {
public:
    const char* Name() const override { return "systems"; }

    void Setup(CLI::App& cli) override {
        CLI::App* sys = cli.add_subcommand(Name(), "Системная игра");
        sys->require_subcommand(1);
        CLI::App* list =
            AddVerb(*sys, "list", "Каталог систем", TCliAccess::Writes, [this](TCliRun& r) { return List(r); });
        AddOnlineOptions(list, FOnline);
        list->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");
        CLI::App* get =
            AddVerb(*sys, "get", "Загрузить системы", TCliAccess::Writes, [this](TCliRun& r) { return Get(r); });
        AddOnlineOptions(get, FOnline);
        get->add_option("ID", FIds, "Номера систем")->required();
        CLI::App* del = AddVerb(*sys, "delete", "Удалить свою систему", TCliAccess::Writes,
                                [this](TCliRun& r) { return Delete(r); });
        AddOnlineOptions(del, FOnline);
        del->add_option("ID", FId, "Номер системы")->required();
        CLI::App* put = AddVerb(*sys, "put", "Опубликовать или изменить систему", TCliAccess::Writes,
                                [this](TCliRun& r) { return Put(r); });
        AddOnlineOptions(put, FOnline);
        put->add_option("FILE", FFile, "Файл со списком комбинаций")->required();
        put->add_option("--title", FTitle, "Название")->required();
        put->add_option("--descr", FDescr, "Описание")->required();
        put->add_option("--author", FAuthor, "Автор (по умолчанию --name)");
        put->add_option("--olap", FOlap, "Блок (0..5)");
        put->add_option("--nums", FNums, "Числа (по умолчанию наибольшая позиция)");
        put->add_option("--url", FUrl, "Ссылка");
        put->add_option("--id", FId, "Номер изменяемой системы");
        CLI::App* expand = AddVerb(
            *sys, "expand", "Комбинации системы для чисел", [this] { return FStake; },
            [this](TCliRun& r) { return Expand(r); });
        auto* in = expand->add_option("-i,--input", FInput, "Список комбинаций *.lcv");
        auto* nums = expand->add_option("--numbers", FNumbers, "Числа \"n1;n2;...\"");
        in->excludes(nums);
        expand->add_flag("--filtered", FFiltered, "Только комбинации, которые есть в списке");
        expand->add_flag("--stake", FStake, "Сделать ставки системной игры");
        expand->add_option("--draw", FDraw, "Номер тиража (по умолчанию следующий)");
        expand->add_option("--count", FCount, "Количество тиражей")->check(CLI::Range(1, 1000));
        CLI::App* coverage = AddVerb(*sys, "coverage", "Покрытие системы", TCliAccess::Reads,
                                     [this](TCliRun& r) { return Coverage(r); });
        coverage->add_option("FILE", FFile, "Файл системы (по умолчанию загруженная система для --nums)");
        coverage->add_option("--nums", FNums, "Числа (7..52)");
        coverage->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");
    }

private:
    TOnlineOptions FOnline;
    bool FCsv = false, FFiltered = false, FStake = false;
    int FDraw = 0, FCount = 1;
    std::vector<int> FIds;
    int FId = 0, FOlap = 0, FNums = 0;
    std::string FFile, FTitle, FDescr, FAuthor, FUrl, FInput, FNumbers;

    bool List(TCliRun& r) {
        std::vector<tSystemInfo> list;
        try {
            list = RequestSystemList(Identity(r.App, FOnline));
        } catch (const std::exception& e) {
            return Fail(r, Format(Tr("Ошибка загрузки списка систем!\r\r%s"), ErrorText(e)));
        }
        const std::string dir = SystemsDir(r.App);
        std::vector<std::vector<std::string>> rows = {
            {"№", Tr("Название"), Tr("Автор"), Tr("Числа"), Tr("Блок"), Tr("Комбинаций"), Tr("Дата создания"),
             Tr("Статус"), Tr("Загрузок"), Tr("Последняя"), Tr("Комментарии"), Tr("Ссылка")}};
        for (const auto& s : list) {
            if (s.Id <= 0) {
                rows.push_back({"", s.Title});
                continue;
            }
            const bool loaded = FileExists(JoinPath(dir, SystemFileName(s.Nums, s.Olap, s.Id)));
            rows.push_back({std::to_string(s.Id), s.Title, s.Author, Format("%.2d", static_cast<int>(s.Nums)),
                            std::to_string(s.Olap), std::to_string(s.CSize), FormatDateTime(s.Created),
                            loaded ? Tr("Загружена") : "", std::to_string(s.Downloads), FormatDateTime(s.LastDownload),
                            ReplaceAll(ReplaceAll(s.Descr, "\r\n", " "), "\n", " "), s.Url});
        }
        PrintTable(rows, FCsv, r.Out);
        return true;
    }

    bool Get(TCliRun& r) {
        TOnlineIdentity who;
        std::vector<tSystemInfo> list;
        try {
            who = Identity(r.App, FOnline);
            list = RequestSystemList(who);
        } catch (const std::exception& e) {
            return Fail(r, Format(Tr("Ошибка загрузки списка систем!\r\r%s"), ErrorText(e)));
        }
        bool ok = true;
        for (int id : FIds) {
            try {
                const tSystemInfo* s = FindSystem(list, id);
                if (!s) throw EZorbError(Format(Tr("Система #%d не найдена в каталоге"), id));
                r.Out << WriteSystemFile(SystemsDir(r.App), *s, RequestSystemData(who, id)) << '\n';
            } catch (const std::exception& e) {
                ok = Fail(r, Format(Tr("Ошибка загрузки системы #%d!\r\r%s"), id, ErrorText(e)));
            }
        }
        return ok;
    }

    bool Delete(TCliRun& r) {
        try {
            const TOnlineIdentity who = Identity(r.App, FOnline);
            const auto list = RequestSystemList(who);
            const tSystemInfo* s = FindSystem(list, FId);
            if (!s) throw EZorbError(Format(Tr("Система #%d не найдена в каталоге"), FId));
            if (who.Mail.empty() || !SameText(s->AuthorMail, who.Mail))
                return Fail(r, Tr("Вы можете удалять только свои системы!"));
            tSystemData d;
            d.Info = *s;
            int reply;
            try {
                reply = RequestSystemPut(who, d, true);
            } catch (const std::exception& e) {
                return Fail(r, Format(Tr("Ошибка сохранения системы #%d!\r\r%s"), FId, ErrorText(e)));
            }
            if (reply != 0)
                return Fail(r, Format(Tr("Ошибка удаления системы!\r\r%s"), Format(Tr("Код возврата: %d"), reply)));
            DeleteFileIfExists(JoinPath(SystemsDir(r.App), SystemFileName(s->Nums, s->Olap, s->Id)));
            r.Out << Format(Tr("Система #%d удалена"), FId) << '\n';
            return true;
        } catch (const std::exception& e) {
            return Fail(r, Format(Tr("Ошибка удаления системы!\r\r%s"), ErrorText(e)));
        }
    }

    bool Put(TCliRun& r) {
        const std::string failure =
            FId > 0 ? Tr("Ошибка изменения системы!\r\r%s") : Tr("Ошибка добавления системы!\r\r%s");
        try {
            const TOnlineIdentity who = Identity(r.App, FOnline);
            tSystemData d;
            int nums = 0;
            d.Combs = NormaliseSystemText(DecodeTextFile(ReadFileBytes(FFile)), nums, d.Info.CSize);
            if (FNums > 0) nums = FNums;
            d.Info.Id = FId;
            d.Info.Title = Trim(FTitle);
            d.Info.Descr = FDescr;
            d.Info.Author = Trim(FAuthor.empty() ? who.Name : FAuthor);
            d.Info.AuthorMail = who.Mail;
            d.Info.Url = Trim(FUrl);
            const std::string check = CheckSystemData(d, std::to_string(nums), std::to_string(FOlap));
            if (!check.empty()) return Fail(r, check);
            ParseSystemLines(SystemTextLines(d.Combs), nums); // a position above nums or a repeat
            d.Info.Nums = static_cast<uint8_t>(nums);
            d.Info.Olap = static_cast<uint8_t>(FOlap);
            int id;
            try {
                id = RequestSystemPut(who, d, false);
            } catch (const std::exception& e) {
                return Fail(r, Format(Tr("Ошибка сохранения системы #%d!\r\r%s"), FId, ErrorText(e)));
            }
            if (id < 0) return Fail(r, Format(failure, Tr("Сервер не вернул номер системы")));
            r.Out << Format(Tr("Система #%d"), id) << '\n';
            return true;
        } catch (const std::exception& e) {
            return Fail(r, Format(failure, ErrorText(e)));
        }
    }

    bool Expand(TCliRun& r) {
        try {
            TCombsArray list;
            TByteArray numbers;
            if (!FNumbers.empty()) {
                for (const auto& w : SplitWords(FNumbers, ";, ")) {
                    int32_t v = 0;
                    if (!TryStrToInt(w, v) || v < 1 || v > 52) return Fail(r, Format(Tr("Недопустимое число: %s"), w));
                    AddToSet(static_cast<uint8_t>(v), numbers);
                }
            } else {
                if (FInput.empty()) return Fail(r, Tr("Укажите либо -i FILE.lcv, либо --numbers."));
                LoadCombsFile(FInput, list);
                numbers = CollectNumbers(list.Data(), list.Count());
            }
            if (FFiltered && FInput.empty())
                return Fail(r, Tr("Для --filtered нужен список комбинаций (-i FILE.lcv)."));
            const TSystemLoad load = LoadSystemCombinations(SystemsDir(r.App), numbers);
            if (!load.Ok) return Fail(r, load.Message);
            std::set<uint64_t> inList;
            auto key = [](const TComb& c) {
                uint64_t k = 0;
                for (uint8_t n : c.N) k |= 1ull << n;
                return k;
            };
            if (FFiltered)
                for (size_t i = 0; i < list.Count(); ++i) inList.insert(key(list[i]));
            std::vector<TComb> chosen;
            for (TComb c : load.Combs) {
                SortComb(c);
                if (FFiltered && !inList.count(key(c))) continue;
                r.Out << CombLine(c) << '\n';
                chosen.push_back(c);
            }
            const int count = static_cast<int>(chosen.size());
            r.Out << Format(Tr("Комбинаций: %d"), count) << '\n';
            if (FStake && !MakeStakes(r, load, chosen,
                                      FFiltered ? static_cast<int>(list.Count()) : static_cast<int>(load.Combs.size()),
                                      static_cast<int>(numbers.size())))
                return false;
            return true;
        } catch (const std::exception& e) {
            return Fail(r, Format(Tr("Ошибка загрузки комбинаций системы!\r\r%s"), ErrorText(e)));
        }
    }

    // The system game's stakes: one batch after a separator, each combination a stake of kind "Система" for
    // the draw count, then one check.
    bool MakeStakes(TCliRun& r, const TSystemLoad& load, const std::vector<TComb>& combs, int sampleSize, int n) {
        TStakesController& stakes = r.App.Stakes();
        if (!stakes.StakesOpen()) return Fail(r, Tr("Файл ставок не открыт"));
        std::string name = ExtractFileName(load.FileName);
        name = name.substr(0, name.rfind('.'));
        const std::string comment = FFiltered ? Format(Tr("Системная игра для %d чисел [комбинации]: %s"), n, name)
                                              : Format(Tr("Системная игра для %d чисел [вся система]: %s"), n, name);
        int made = 0;
        if (!combs.empty()) {
            try {
                AppendSeparatorAfterStake(stakes.StakesFile());
            } catch (const std::exception& e) {
                return Fail(r, Format(Tr("Ошибка добавления записи в файл ставок!\r\r%s"), ErrorText(e)));
            }
            for (const TComb& c : combs) {
                TStakeRecord rec = stakes.NewStakeRecord(skSystem, comment, CombToSet(c));
                if (FDraw > 0) rec.DrawNumber = FDraw;
                rec.SampleSize = sampleSize;
                if (!stakes.AddBatchStake(rec, FCount, false)) return false;
                made += FCount;
            }
            stakes.CheckAndCommitStakes();
        }
        r.Out << Format(Tr("Ставок: %d"), made) << '\n';
        return true;
    }

    bool Coverage(TCliRun& r) {
        try {
            std::string file = FFile;
            int n = FNums;
            if (file.empty()) {
                if (n < 7 || n > 52) return Fail(r, Tr("Укажите файл системы или --nums от 7 до 52."));
                file = FindSystemFile(SystemsDir(r.App), n);
                if (file.empty())
                    return Fail(r, Format(Tr("Система для %d чисел не найдена или не загружена на компьютер!"), n));
            }
            std::vector<std::string> lines;
            for (const auto& l : SystemTextLines(DecodeTextFile(ReadFileBytes(file))))
                if (!Trim(l).empty()) lines.push_back(l);
            if (n == 0) {
                // "6-NN-..." names N; otherwise the largest position does.
                const std::string name = ExtractFileName(file);
                int32_t v = 0;
                if (name.size() > 5 && name.compare(0, 2, "6-") == 0 && name[4] == '-' &&
                    TryStrToInt(name.substr(2, 2), v))
                    n = v;
                else
                    for (const auto& l : lines) {
                        TComb c{};
                        if (ParseSystemLine(l, c))
                            for (uint8_t p : c.N) n = std::max<int>(n, p);
                    }
            }
            if (n < 7 || n > 52) return Fail(r, Format(Tr("Недопустимое количество чисел системы: %d"), n));
            const auto rows = ComputeCoverage(ParseSystemLines(lines, n), n);
            std::vector<std::vector<std::string>> table = {
                {"k", "m", Tr("Наборов"), Tr("Дыр"), Tr("Покрытие, %"), Tr("Тиражей")}};
            for (const auto& c : rows)
                table.push_back({std::to_string(c.K), std::to_string(c.M), std::to_string(c.Sets),
                                 std::to_string(c.Holes), FloatToFixed(c.CoveredPercent, 2, '.'),
                                 std::to_string(c.Draws)});
            PrintTable(table, FCsv, r.Out);
            return true;
        } catch (const std::exception& e) {
            return Fail(r, Format(Tr("Ошибка загрузки комбинаций системы!\r\r%s"), ErrorText(e)));
        }
    }
};

// The filter item's caption; fltid is the item - 1.
const char* const FilterCaptions[8] = {
    "Скрытые",          "Все, включая скрытые", "Все, кроме скрытых (по умолчанию)",   "Только мои", "Только публичные",
    "С моими оценками", "Без моих оценок",      "Новые (24 часа с момента публикации)"};

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

    bool List(TCliRun& r) {
        std::vector<tScriptInfo> list;
        try {
            list = RequestScriptList(Identity(r.App, FOnline), FFilter - 1);
        } catch (const std::exception& e) {
            return Fail(r, Format(Tr("Ошибка загрузки каталога online-сценариев!\r\r%s"), ErrorText(e)));
        }
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
        std::string text;
        try {
            text = RequestScriptText(Identity(r.App, FOnline), FId);
            if (text.empty()) throw EZorbError(Format(Tr("Сценарий #%d не получен"), FId));
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
        try {
            RequestScriptRate(Identity(r.App, FOnline), FId, value, value > 0 ? FNotes : "");
            return true;
        } catch (const std::exception& e) {
            return Fail(r, Format(Tr("Ошибка сохранения оценки online-сценария!\r\r%s"), ErrorText(e)));
        }
    }

    bool Rates(TCliRun& r) {
        std::vector<TScriptRate> list;
        try {
            list = RequestScriptRates(Identity(r.App, FOnline), FId);
        } catch (const std::exception& e) {
            return Fail(r, Format(Tr("Ошибка просмотра оценок online-сценария!\r\r%s"), ErrorText(e)));
        }
        std::vector<std::vector<std::string>> rows = {
            {Tr("Имя"), Tr("Оценка"), Tr("Дата"), Tr("Программа"), Tr("Версия"), Tr("Комментарии")}};
        for (const auto& x : list)
            rows.push_back({x.Name, std::to_string(x.Rate), FormatDateTime(x.Created), x.AppName, x.AppVer, x.Notes});
        PrintTable(rows, FCsv, r.Out);
        return true;
    }

    // The row of an id among all the user may see.
    static const tScriptInfo* Find(const std::vector<tScriptInfo>& list, int id) {
        for (const auto& s : list)
            if (s.Id == id) return &s;
        return nullptr;
    }

    bool Delete(TCliRun& r) {
        try {
            const TOnlineIdentity who = Identity(r.App, FOnline);
            const auto list = RequestScriptList(who, 0);
            const tScriptInfo* s = Find(list, FId);
            if (!s) throw EZorbError(Format(Tr("Сценарий #%d не найден в каталоге"), FId));
            if (!s->Editable) return Fail(r, Tr("Вы можете удалять только свои сценарии!"));
            int code;
            try {
                code = RequestScriptDelete(who, ScriptDataOf(*s));
            } catch (const std::exception& e) {
                return Fail(r, Format(Tr("Ошибка удаления online-сценария из базы данных!\r\r%s"), ErrorText(e)));
            }
            if (code != 0)
                return Fail(
                    r, Format(Tr("Ошибка публикации online-сценария!\r\r%s"), Format(Tr("Код возврата: %d"), code)));
            r.Out << Format(Tr("Сценарий #%d удален"), FId) << '\n';
            return true;
        } catch (const std::exception& e) {
            return Fail(r, Format(Tr("Ошибка публикации online-сценария!\r\r%s"), ErrorText(e)));
        }
    }

    bool Put(TCliRun& r) {
        try {
            const TOnlineIdentity who = Identity(r.App, FOnline);
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
            if (d.Title.empty()) return Fail(r, Tr("Название сценария должно быть указано обязательно!"));
            bool free = false;
            try {
                free = RequestScriptTitleFree(who, d.Id, d.Title);
            } catch (const std::exception& e) {
                return Fail(r, Format(Tr("Ошибка проверки уникальности online-сценария!\r\r%s"), ErrorText(e)));
            }
            if (!free) return Fail(r, Tr("Сценарий с таким названием уже существует!\rВыберите другое название."));
            if (d.Author.empty()) return Fail(r, Tr("Имя автора должно быть указано обязательно!"));
            int id;
            try {
                id = RequestScriptPut(who, d, ScenarioText(lines));
            } catch (const std::exception& e) {
                return Fail(r, Format(Tr("Ошибка сохранения online-сценария в базе данных!\r\r%s"), ErrorText(e)));
            }
            if (id <= 0)
                return Fail(r,
                            Format(Tr("Ошибка публикации online-сценария!\r\r%s"), Format(Tr("Код возврата: %d"), id)));
            r.Out << Format(Tr("Сценарий #%d"), id) << '\n';
            return true;
        } catch (const std::exception& e) {
            return Fail(r, Format(Tr("Ошибка публикации online-сценария!\r\r%s"), ErrorText(e)));
        }
    }
};

} // namespace

std::unique_ptr<TCliCommand> MakeSystemsCommand() {
    return std::make_unique<TSystemsCommand>();
}
std::unique_ptr<TCliCommand> MakeLibraryCommand() {
    return std::make_unique<TLibraryCommand>();
}

} // namespace zorb
