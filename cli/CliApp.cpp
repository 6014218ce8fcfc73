#include "cli/CliApp.h"

#include "app/FormMain.h"
#include "cli/CliConfig.h"
#include "cli/CliInterface.h"
#include "combos/FilterItem.h"
#include "core/DrawArchive.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/Platform.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stats/StatTable.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iomanip>
#include <ostream>

namespace zorb {

namespace {

void PrintTable(const std::vector<std::vector<std::string>>& rows, bool csv, std::ostream& out);

void PrintDraws(const TTemplateMain& app, bool csv, std::ostream& out) {
    const int cols = TTemplateMain::DrawColumnCount;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    for (int c = 0; c < cols; ++c) header.push_back(app.DrawColumnCaption(c));
    rows.push_back(header);
    for (int r = 0; r < app.DrawRowCount(); ++r) {
        std::vector<std::string> line;
        for (int c = 0; c < cols; ++c) line.push_back(app.DrawCellText(r, c));
        rows.push_back(std::move(line));
    }
    PrintTable(rows, csv, out);
}

void PrintInfo(TTemplateMain& app, std::ostream& out) {
    out << app.StatusPanelText(0) << '\n';
    out << app.StatusPanelText(1) << '\n';
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
}

// A CSV field: quoted when it holds the separator or a quote.
std::string CsvField(const std::string& s) {
    if (s.find_first_of(";\"\r\n") == std::string::npos) return s;
    return "\"" + ReplaceAll(s, "\"", "\"\"") + "\"";
}

void PrintTable(const std::vector<std::vector<std::string>>& rows, bool csv, std::ostream& out) {
    if (csv) {
        for (const auto& line : rows) {
            std::vector<std::string> fields;
            for (const std::string& f : line) fields.push_back(CsvField(f));
            out << Join(fields, ";") << '\n';
        }
        return;
    }
    auto chars = [](const std::string& s) {
        size_t n = 0;
        for (unsigned char ch : s) n += (ch & 0xC0) != 0x80;
        return n;
    };
    std::vector<size_t> width;
    for (const auto& line : rows)
        for (size_t c = 0; c < line.size(); ++c) {
            if (width.size() <= c) width.push_back(0);
            width[c] = std::max(width[c], chars(line[c]));
        }
    for (const auto& line : rows) {
        std::string text;
        for (size_t c = 0; c < line.size(); ++c) {
            if (c) text += "  ";
            // The last column is free text: no padding.
            text += c + 1 == line.size() ? line[c] : line[c] + std::string(width[c] - chars(line[c]), ' ');
        }
        out << TrimRight(text) << '\n';
    }
}

void PrintMethods(const TStatList& list, bool all, bool csv, std::ostream& out) {
    std::vector<std::vector<std::string>> rows = {
        {Tr("№"), Tr("Код"), Tr("Группа"), Tr("Флаги"), Tr("График"), Tr("Название")}};
    for (int i = 0; i < list.MethodCount(); ++i) {
        if (!all && !list.IsShown(i)) continue;
        const TStatClass& c = *list.Method(i).StatClass;
        rows.push_back({std::to_string(i), list.CodeOf(i), std::to_string(c.Group), FlagLetters(c.FullFlags()),
                        c.IsGraph ? Tr("да") : Tr("нет"), list.DisplayName(i, true)});
    }
    PrintTable(rows, csv, out);
}

// The registry entry of a method code; -1 after telling the user there is none.
int FindMethod(TStatList& list, const std::string& code, std::ostream& err) {
    const int entry = list.FindByCode(code);
    if (entry < 0) err << Format(Tr("Метод \"%s\" не найден!"), code) << '\n';
    return entry;
}

// The values a method merges into an empty table for one draw or one combination.
bool PrintValues(TTemplateMain& app, const std::string& code, const std::string& drawText, const std::string& combText,
                 bool sorted, std::ostream& out, std::ostream& err) {
    TStatList& list = app.Stats();
    const int entry = FindMethod(list, code, err);
    if (entry < 0) return false;
    auto stat = list.CreateStat(entry);
    TStatDrawArray table;
    if (!drawText.empty()) {
        int32_t number;
        const int index = TryStrToInt(Trim(drawText), number) ? FindDraw(app.Draws(), number) : -1;
        if (index < 0) {
            err << Format(Tr("Тираж № %s не найден в архиве!"), drawText) << '\n';
            return false;
        }
        TWorkArea work{};
        TLastValueArray last;
        stat->CountDraw(index, index, sorted, table, work, last);
    } else {
        if (!list.Method(entry).StatClass->CanPrefetch()) {
            err << Format(Tr("Метод %s не считает значения комбинаций: он зависит от тиражей архива."),
                          list.CodeOf(entry))
                << '\n';
            return false;
        }
        TComb comb;
        try {
            comb = ParseComb(combText);
        } catch (const std::exception& e) {
            err << MessageLines(ErrorText(e)) << '\n';
            return false;
        }
        for (uint8_t n : comb.N)
            if (n < MinNumber || n > MaxNumber || std::count(comb.N, comb.N + 6, n) > 1) {
                err << Format(Tr("Некорректная комбинация: \"%s\"!"), combText) << '\n';
                return false;
            }
        stat->CountComb(comb, table);
    }
    std::vector<std::vector<std::string>> rows;
    for (const TStatDraw& row : table) rows.push_back({stat->ValueText(row), std::to_string(row.Count)});
    PrintTable(rows, false, out);
    return true;
}

// Options that choose the starting list of a combos command.
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
        app.CombsOpen(o.Input);
    } else {
        TGenerateSettings g;
        g.Mode = static_cast<uint8_t>(o.Mode < 0 ? 0 : o.Mode);
        g.Parameters = o.Params;
        app.GenerateCombs(true, g);
    }
    return !ui.ErrorShown();
}

bool FinishList(TTemplateMain& app, const std::string& output, std::ostream& out) {
    out << Format(Tr("Комбинаций: %d"), app.Combs().Count()) << '\n';
    if (!output.empty()) app.CombsSave(output);
    return true;
}

// Filters the list by the rows of the method's window table whose value texts are listed.
bool FilterCombs(TTemplateMain& app, const std::string& code, const std::string& valuesText, bool remove, int len,
                 std::ostream& err) {
    TStatList& list = app.Stats();
    const int entry = FindMethod(list, code, err);
    if (entry < 0) return false;
    auto stat = list.CreateStat(entry);
    const TStatDrawArray table = CountWindow(*stat, app.WindowEnd(), len, app.Settings().SortedDraws);
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
    app.MakeUndo(true);
    app.FilterByStat(*stat, selected, Join(texts, "; "), list.DisplayName(entry, true), remove);
    return true;
}

bool PrintStat(TTemplateMain& app, const std::string& code, int len, int sortColumn, bool desc, bool csv,
               std::ostream& out, std::ostream& err) {
    const int entry = FindMethod(app.Stats(), code, err);
    if (entry < 0) return false;
    app.SetStatEntry(entry);
    app.SetDrawsStatLen(len);
    app.SetStatSort(sortColumn, desc);
    app.Recalculate(true);
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    for (int c = 0; c < StatColumnCount; ++c) header.push_back(StatColumnCaption(c));
    rows.push_back(header);
    for (const TStatLine& line : app.StatLines()) rows.emplace_back(line.Cells.begin(), line.Cells.end());
    PrintTable(rows, csv, out);
    return true;
}

void PrintFilterText(const TStatList& list, const std::string& text, std::ostream& out) {
    const TFilterItem f = ParseFilter(text, list);
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
}

void PrintStakes(TTemplateMain& app, bool csv, std::ostream& out) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    for (int c = 0; c < TTemplateMain::StakeColumnCount; ++c) header.push_back(app.StakeColumnCaption(c));
    rows.push_back(header);
    for (int64_t i = 0; i < app.StakeCount(); ++i) {
        std::vector<std::string> line;
        for (int c = 0; c < TTemplateMain::StakeColumnCount; ++c) line.push_back(app.StakeCellText(i, c));
        // A separator is an empty line.
        if (std::all_of(line.begin(), line.end(), [](const std::string& t) { return t.empty(); })) line.clear();
        rows.push_back(std::move(line));
    }
    PrintTable(rows, csv, out);
}

} // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App cli{"Zorb 6x52: анализ тиражей лотереи «Зорб Мега» из командной строки", "zorb-cli"};
    cli.require_subcommand(1);
    std::string dir;
    cli.add_option("--dir", dir, "Каталог данных (по умолчанию каталог программы или ~/.local/share/zorb-6x52)");

    CLI::App* draws = cli.add_subcommand("draws", "Архив тиражей");
    draws->require_subcommand(1);
    CLI::App* drawsList = draws->add_subcommand("list", "Список тиражей, новые первыми");
    bool csv = false;
    drawsList->add_flag("--csv", csv, "Формат CSV с разделителем \";\"");
    CLI::App* drawsAdd = draws->add_subcommand("add", "Добавить тираж");
    std::string number, date, numbers;
    drawsAdd->add_option("--number", number, "Номер тиража (по умолчанию следующий)");
    drawsAdd->add_option("--date", date, "Дата тиража yyyy-mm-dd (по умолчанию сегодня)");
    drawsAdd->add_option("NUMBERS", numbers, "Шесть чисел через \";\" или \",\"")->required();
    CLI::App* drawsDelete = draws->add_subcommand("delete", "Удалить тиражи по номерам");
    std::vector<std::string> deleteNumbers;
    drawsDelete->add_option("NUMBER", deleteNumbers, "Номера тиражей")->required();
    CLI::App* drawsImport = draws->add_subcommand("import", "Импорт тиражей из CSV-файла");
    std::string importFile;
    drawsImport->add_option("FILE", importFile, "Файл CSV")->required();
    CLI::App* drawsExport = draws->add_subcommand("export", "Экспорт тиражей в CSV-файл");
    std::string exportFile;
    drawsExport->add_option("FILE", exportFile, "Файл CSV")->required();
    CLI::App* drawsDownload = draws->add_subcommand("download", "Загрузка новых тиражей с сайта лотереи");
    std::string downloadUrl;
    drawsDownload->add_option("--url", downloadUrl, "Адрес архива результатов (вместо заданного в параметрах)");
    CLI::App* info = cli.add_subcommand("info", "Сведения об архиве и каталоге данных");
    CLI::App* methods = cli.add_subcommand("methods", "Методы расчета статистики в порядке реестра");
    bool allMethods = false, methodsCsv = false;
    methods->add_flag("--all", allMethods, "Все методы, а не только избранные");
    methods->add_flag("--csv", methodsCsv, "Формат CSV с разделителем \";\"");
    CLI::App* values = cli.add_subcommand("values", "Значения метода для одного тиража или комбинации");
    std::string valuesCode, valuesDraw, valuesComb;
    bool valuesSorted = false;
    values->add_option("CODE", valuesCode, "Код метода, например NUMS или POS3")->required();
    auto* drawOpt = values->add_option("--draw", valuesDraw, "Номер тиража");
    auto* combOpt = values->add_option("--comb", valuesComb, "Комбинация \"c1;c2;c3;c4;c5;c6\"");
    drawOpt->excludes(combOpt);
    values->add_flag("--sorted", valuesSorted, "Числа тиража по возрастанию");

    CLI::App* combos = cli.add_subcommand("combos", "Список комбинаций");
    combos->require_subcommand(1);
    std::string output;
    CLI::App* combosGen = combos->add_subcommand("generate", "Создать список комбинаций");
    TListOptions genOptions;
    combosGen->add_option("--mode", genOptions.Mode, "Режим генерации (0..4)")->check(CLI::Range(0, 4));
    combosGen->add_option("--params", genOptions.Params, "Мои числа или имя файла");
    combosGen->add_option("-o,--output", output, "Записать список в файл *.lcv");
    CLI::App* combosFilter = combos->add_subcommand("filter", "Фильтр по значениям метода статистики");
    TListOptions filterOptions;
    std::string filterCode, filterValues;
    bool keep = false, remove = false, filterSorted = false;
    int filterLen = 1000, filterOffset = 0;
    combosFilter->add_option("CODE", filterCode, "Код метода")->required();
    combosFilter->add_option("--values", filterValues, "Значения через \";\" (как в столбце \"Значение\")")->required();
    auto* keepFlag = combosFilter->add_flag("--keep", keep, "Оставить комбинации с этими значениями");
    auto* removeFlag = combosFilter->add_flag("--remove", remove, "Удалить комбинации с этими значениями");
    keepFlag->excludes(removeFlag);
    combosFilter->add_option("--len", filterLen, "Число тиражей статистики")->check(CLI::Range(1, 2147483647));
    combosFilter->add_option("--offset", filterOffset, "Смещение назад")->check(CLI::NonNegativeNumber);
    combosFilter->add_flag("--sorted", filterSorted, "Числа тиражей по возрастанию");
    AddListOptions(combosFilter, filterOptions);
    combosFilter->add_option("-o,--output", output, "Записать список в файл *.lcv");
    CLI::App* combosRemoveLast = combos->add_subcommand("remove-last", "Удалить комбинации последних N тиражей");
    TListOptions removeOptions;
    int removeCount = 0, removeOffset = 0;
    combosRemoveLast->add_option("N", removeCount, "Число тиражей")->required()->check(CLI::NonNegativeNumber);
    combosRemoveLast->add_option("--offset", removeOffset, "Смещение назад")->check(CLI::NonNegativeNumber);
    AddListOptions(combosRemoveLast, removeOptions);
    combosRemoveLast->add_option("-o,--output", output, "Записать список в файл *.lcv");
    CLI::App* combosCount = combos->add_subcommand("count-numbers", "Количество уникальных номеров в списке");
    TListOptions countOptions;
    AddListOptions(combosCount, countOptions);
    CLI::App* combosFind = combos->add_subcommand("find", "Проверить комбинацию по архиву тиражей");
    std::string findComb;
    combosFind->add_option("COMB", findComb, "Комбинация \"c1;c2;c3;c4;c5;c6\"")->required();

    CLI::App* stat = cli.add_subcommand("stat", "Таблица статистики метода");
    std::string statCode;
    int statLen = 1000, statOffset = 0, statSort = 1;
    bool statSorted = false, statPrefetch = false, statDesc = false, statCsv = false;
    stat->add_option("CODE", statCode, "Код метода")->required();
    stat->add_option("--len", statLen, "Число тиражей")->check(CLI::Range(1, 2147483647));
    stat->add_option("--offset", statOffset, "Смещение назад")->check(CLI::NonNegativeNumber);
    stat->add_flag("--sorted", statSorted, "Числа тиражей по возрастанию");
    stat->add_flag("--prefetch", statPrefetch, "Нормы по полному набору комбинаций");
    stat->add_option("--sort", statSort, "Столбец сортировки (0..19)")->check(CLI::Range(0, StatColumnCount - 1));
    stat->add_flag("--desc", statDesc, "Сортировка по убыванию");
    stat->add_flag("--csv", statCsv, "Формат CSV с разделителем \";\"");
    CLI::App* prefetch = cli.add_subcommand("prefetch", "Файлы распределений по полному набору комбинаций");
    bool prefetchAll = false, prefetchMissing = false;
    std::vector<int> prefetchGroups;
    auto* allFlag = prefetch->add_flag("--all", prefetchAll, "Пересоздать все файлы");
    auto* missingFlag = prefetch->add_flag("--missing", prefetchMissing, "Создать недостающие файлы (по умолчанию)");
    allFlag->excludes(missingFlag);
    prefetch->add_option("--groups", prefetchGroups, "Группы методов, файлы которых пересоздать")
        ->delimiter(',')
        ->check(CLI::Range(0, 15));

    CLI::App* filterText = cli.add_subcommand("filter-text", "Разбор текстового описания фильтра");
    std::string filterDescription;
    filterText->add_option("TEXT", filterDescription, "Описание, например TSD1#NUMS:1000#LNO:#SF:1")->required();

    CLI::App* stakes = cli.add_subcommand("stakes", "Ставки");
    stakes->require_subcommand(1);
    CLI::App* stakesList = stakes->add_subcommand("list", "Список ставок");
    bool stakesCsv = false;
    stakesList->add_flag("--csv", stakesCsv, "Формат CSV с разделителем \";\"");
    CLI::App* stakesAdd = stakes->add_subcommand("add", "Сделать ставку");
    TCliInterface::TStakeInput stakeInput;
    std::string stakeDraw;
    stakesAdd->add_option("NUMBERS", stakeInput.Numbers, "От 6 до 10 чисел через \";\" или \",\"")->required();
    stakesAdd->add_option("--comment", stakeInput.Comment, "Комментарий к ставке")->required();
    stakesAdd->add_option("--draw", stakeDraw, "Номер тиража (по умолчанию следующий)");
    stakesAdd->add_option("--count", stakeInput.Count, "Количество тиражей");
    CLI::App* stakesCheck = stakes->add_subcommand("check", "Проверить ставки");
    CLI::App* stakesDelete = stakes->add_subcommand("delete", "Удалить ставки");
    std::string deleteRows;
    std::vector<int> deleteMatches;
    auto* rowsOpt = stakesDelete->add_option("--rows", deleteRows, "Строки списка A-B (с 1)");
    auto* matchesOpt =
        stakesDelete->add_option("--matches", deleteMatches, "Условие (0..4: = > >= < <=) и число совпадений")
            ->expected(2);
    rowsOpt->excludes(matchesOpt);
    CLI::App* stakesClear = stakes->add_subcommand("clear", "Удалить все ставки");
    TConfigCommand config;
    SetupConfigCommand(cli, config);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        cli.parse(reversed);
    } catch (const CLI::ParseError& e) {
        int code = cli.exit(e, out, err);
        return code == 0 ? 0 : 1;
    }

    if (dir.empty()) dir = DefaultDataDir();
    try {
        ForceDirectories(dir);
    } catch (const std::exception& e) {
        err << MessageLines(ErrorText(e)) << '\n';
        return 1;
    }

    // Commands that change data files take the data directory as the program does; the others only look.
    const bool changes = drawsAdd->parsed() || drawsDelete->parsed() || drawsImport->parsed() ||
                         drawsDownload->parsed() || stakesAdd->parsed() || stakesCheck->parsed() ||
                         stakesDelete->parsed() || stakesClear->parsed() || prefetch->parsed() ||
                         config.Changes();
    TCliInterface ui(out, err);
    TAppOptions options{AbsolutePath(dir), ExecutableDir(), ExtractFileName(ExecutablePath()), {}};
    options.ReadOnly = !changes;
    TFormMain app(ui, options);
    app.Create();
    app.OnInitTimer();
    if (app.Terminated()) return 1; // kept out of the data directory by a running copy

    bool failed = false;
    if (drawsList->parsed()) {
        PrintDraws(app, csv, out);
    } else if (drawsAdd->parsed()) {
        TDrawInput input;
        if (drawsAdd->count("--number")) input.Number = number;
        if (drawsAdd->count("--date")) input.Date = date;
        input.Numbers = numbers;
        ui.SetDrawInput(input);
        size_t before = app.Draws().size();
        app.Execute("DrawsAdd");
        if (app.Draws().size() > before)
            out << DrawDescription(app.Draws().back()) << '\n';
        else
            failed = true;
    } else if (drawsDelete->parsed()) {
        std::vector<int> rows;
        for (const std::string& text : deleteNumbers) {
            int32_t n;
            int index = TryStrToInt(Trim(text), n) ? FindDraw(app.Draws(), n) : -1;
            if (index < 0) {
                err << Format(Tr("Тираж № %s не найден в архиве!"), text) << '\n';
                return 1;
            }
            rows.push_back(app.DrawRowCount() - 1 - index);
        }
        app.SetDrawsSelection(rows);
        ui.SetAnswer(true);
        app.Execute("DrawsDel");
    } else if (drawsImport->parsed()) {
        if (!FileExists(importFile)) {
            err << Format(Tr("Файл \"%s\" не найден!"), importFile) << '\n';
            return 1;
        }
        out << Format(Tr("Добавлено тиражей: %d"), app.DrawsImport(importFile)) << '\n';
    } else if (drawsExport->parsed()) {
        failed = !app.DrawsExport(exportFile);
        if (!failed) out << Format(Tr("Выгружено тиражей: %d"), static_cast<int>(app.Draws().size())) << '\n';
    } else if (drawsDownload->parsed()) {
        if (!downloadUrl.empty()) app.SetResultsUrlForRun(downloadUrl);
        out << Format(Tr("Добавлено тиражей: %d"), app.DrawsDownload()) << '\n';
    } else if (info->parsed()) {
        PrintInfo(app, out);
    } else if (combosGen->parsed()) {
        failed = !PrepareList(app, genOptions, ui) || !FinishList(app, output, out);
    } else if (combosFilter->parsed()) {
        if (keep == remove) {
            err << Tr("Укажите либо --keep, либо --remove.") << '\n';
            return 1;
        }
        app.SetDrawsOffset(filterOffset);
        app.SetSortedDrawsForRun(filterSorted);
        failed = !PrepareList(app, filterOptions, ui) ||
                 !FilterCombs(app, filterCode, filterValues, remove, filterLen, err) || !FinishList(app, output, out);
    } else if (combosRemoveLast->parsed()) {
        app.SetDrawsOffset(removeOffset);
        failed = !PrepareList(app, removeOptions, ui);
        if (!failed) {
            app.MakeUndo(true);
            app.RemoveLastDraws(removeCount);
            FinishList(app, output, out);
        }
    } else if (combosCount->parsed()) {
        if (!countOptions.Input.empty() || countOptions.Mode >= 0) failed = !PrepareList(app, countOptions, ui);
        if (!failed) app.CombsCheckNums();
    } else if (combosFind->parsed()) {
        try {
            TComb comb = ParseComb(findComb);
            out << MessageLines(app.FindInDrawsText(comb)) << '\n';
        } catch (const std::exception& e) {
            err << MessageLines(ErrorText(e)) << '\n';
            failed = true;
        }
    } else if (stat->parsed()) {
        app.SetDrawsOffset(statOffset);
        app.SetSortedDrawsForRun(statSorted);
        app.SetPrefetchsForRun(statPrefetch);
        failed = !PrintStat(app, statCode, statLen, statSort, statDesc, statCsv, out, err);
    } else if (prefetch->parsed()) {
        ui.SetShowProgress(true);
        app.EnsurePrefetchs(true, prefetchAll ? TTemplateMain::AllGroups() : prefetchGroups);
    } else if (filterText->parsed()) {
        PrintFilterText(app.Stats(), filterDescription, out);
    } else if (stakesList->parsed()) {
        PrintStakes(app, stakesCsv, out);
    } else if (stakesAdd->parsed()) {
        if (!stakeDraw.empty()) stakeInput.Draw = stakeDraw;
        ui.SetStakeInput(stakeInput);
        const int64_t before = app.StakeCount();
        app.Execute("StakeAdd");
        failed = app.StakeCount() == before;
        if (!failed) out << Format(Tr("Ставок: %d"), app.StakeCount()) << '\n';
    } else if (stakesCheck->parsed()) {
        int checked = 0;
        app.AddStakeCheckedHook([&checked](const TStakeRecord&) { ++checked; });
        app.CheckAndCommitStakes();
        out << Format(Tr("Проверено ставок: %d"), checked) << '\n';
    } else if (stakesDelete->parsed()) {
        if (!deleteRows.empty()) {
            const auto parts = SplitKeepEmpty(deleteRows, '-');
            int32_t a, b;
            if (parts.size() > 2 || !TryStrToInt(Trim(parts[0]), a) ||
                !TryStrToInt(Trim(parts.size() == 2 ? parts[1] : parts[0]), b) || a < 1 || b < a) {
                err << Format(Tr("Некорректный диапазон строк: %s"), deleteRows) << '\n';
                return 1;
            }
            failed = app.StakeCount() == 0 || !app.DeleteStakeRows(a, b);
        } else if (deleteMatches.size() == 2) {
            if (deleteMatches[0] < 0 || deleteMatches[0] >= MatchConditionCount || deleteMatches[1] < 0 ||
                deleteMatches[1] > 6) {
                err << Tr("Условие от 0 до 4, число совпадений от 0 до 6.") << '\n';
                return 1;
            }
            failed = app.StakeCount() == 0 || !app.DeleteStakesByMatches(deleteMatches[0], deleteMatches[1]);
        } else {
            err << Tr("Укажите --rows или --matches.") << '\n';
            return 1;
        }
        if (app.StakeCount() == 0 && failed) err << Tr("Файл ставок не открыт!") << '\n';
        if (!failed) {
            app.CheckAndCommitStakes();
            out << Format(Tr("Ставок: %d"), app.StakeCount()) << '\n';
        }
    } else if (stakesClear->parsed()) {
        ui.SetAnswer(true);
        if (app.StakeCount() > 0) app.Execute("StakeClear");
        out << Format(Tr("Ставок: %d"), app.StakeCount()) << '\n';
    } else if (config.Command->parsed()) {
        failed = RunConfigCommand(app, ui, config, out, err) != 0;
    } else if (methods->parsed()) {
        PrintMethods(app.Stats(), allMethods, methodsCsv, out);
    } else if (values->parsed()) {
        if (valuesDraw.empty() == valuesComb.empty()) {
            err << Tr("Укажите либо --draw, либо --comb.") << '\n';
            return 1;
        }
        failed = !PrintValues(app, valuesCode, valuesDraw, valuesComb, valuesSorted, out, err);
    }
    return failed || ui.ErrorShown() ? 1 : 0;
}

} // namespace zorb
