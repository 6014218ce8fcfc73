// The system game verbs: systems list/get/delete/put/expand/coverage. The catalogue, downloads and deleting go
// through the systems controller, so the command line keeps the tab's rules.
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
#include "online/OnlineWire.h"
#include "online/Systems.h"
#include "stakes/Stakes.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>
#include <set>

namespace zorb {

namespace {

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

    // The controller for this run's server and user; false after telling the user why not.
    bool Connect(TCliRun& r, const std::string& failure) {
        const auto settings = OnlineSettingsOf(r, FOnline, failure);
        if (settings) r.App.Systems().UseOnlineSettings(*settings);
        return settings.has_value();
    }

    // The catalogue as the tab loads it: downloaded systems that changed on the server are fetched again.
    bool List(TCliRun& r) {
        TSystemsController& sys = r.App.Systems();
        if (!Connect(r, Tr("Ошибка загрузки списка систем!\r\r%s")) || !sys.LoadCatalogue()) return false;
        std::vector<std::vector<std::string>> rows = {
            {"№", Tr("Название"), Tr("Автор"), Tr("Числа"), Tr("Блок"), Tr("Комбинаций"), Tr("Дата создания"),
             Tr("Статус"), Tr("Загрузок"), Tr("Последняя"), Tr("Комментарии"), Tr("Ссылка")}};
        for (int i = 0; i < sys.RowCount(); ++i) {
            const tSystemInfo& s = sys.Row(i);
            if (s.Id <= 0) {
                rows.push_back({"", s.Title});
                continue;
            }
            std::vector<std::string> line = {std::to_string(s.Id)};
            for (int c = 0; c < TSystemsController::SystemColumnCount; ++c) line.push_back(sys.SystemCellText(i, c));
            rows.push_back(std::move(line));
        }
        PrintTable(rows, FCsv, r.Out);
        return true;
    }

    bool Get(TCliRun& r) {
        TSystemsController& sys = r.App.Systems();
        if (!Connect(r, Tr("Ошибка загрузки списка систем!\r\r%s")) || !sys.LoadCatalogue()) return false;
        bool ok = true;
        for (int id : FIds) {
            const std::string file = sys.DownloadSystem(id);
            if (file.empty())
                ok = false;
            else
                r.Out << file << '\n';
        }
        return ok;
    }

    bool Delete(TCliRun& r) {
        TSystemsController& sys = r.App.Systems();
        if (!Connect(r, Tr("Ошибка удаления системы!\r\r%s")) || !sys.LoadCatalogue()) return false;
        const int row = sys.RowOfId(FId);
        if (row < 0)
            return Fail(
                r, Format(Tr("Ошибка удаления системы!\r\r%s"), Format(Tr("Система #%d не найдена в каталоге"), FId)));
        sys.SetFocusedRow(row);
        r.Ui.SetAnswer(true); // the command itself is the user's confirmation
        if (!sys.DeleteSystem()) return false;
        r.Out << Format(Tr("Система #%d удалена"), FId) << '\n';
        return true;
    }

    bool Put(TCliRun& r) {
        const std::string failure =
            FId > 0 ? Tr("Ошибка изменения системы!\r\r%s") : Tr("Ошибка добавления системы!\r\r%s");
        TSystemsController& sys = r.App.Systems();
        if (!Connect(r, failure)) return false;
        try {
            const TOnlineIdentity who = sys.Identity();
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
            int id = -1;
            if (!sys.SendSystem(who, d, false, id)) return false;
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
            const TSystemLoad load = LoadSystemCombinations(r.App.Systems().SystemsDir(), numbers);
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
                file = FindSystemFile(r.App.Systems().SystemsDir(), n);
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

} // namespace

std::unique_ptr<TCliCommand> MakeSystemsCommand() {
    return std::make_unique<TSystemsCommand>();
}

} // namespace zorb
