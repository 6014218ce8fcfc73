// The stakes of the main window: the stakes file held from start-up to shutdown, the stake protocols, checking
// with prizes and profits, deletion and the stake logs.
#include "app/StakesController.h"

#include "app/StakeDialog.h"
#include "core/DrawArchive.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stats/StatList.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <random>

namespace zorb {

namespace {

std::string LogTimestamp() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y.%m.%d %H:%M:%S", &tm);
    return buf;
}

class TNoStakesUi final : public TStakesUi {
    void StakesViewChanged(int64_t, bool, bool) override {}
    bool EditStake(TStakeRecord&, int&) override { return false; }
    bool EditMultiStake(int&, int&, std::string&) override { return false; }
    bool EditStakeFilter(int&, int&) override { return false; }
};

} // namespace

TStakesController::TStakesController(TAppServices& app, TDrawsController& draws, TCombsController& combs)
    : FApp(app), FUi(UiOr<TStakesUi, TNoStakesUi>(app.UI())), FArchive(draws), FCombs(combs) {
    // Whatever changed the archive, the stakes are checked against what it now holds.
    draws.AddArchiveChangedHook([this] { ArchiveChanged(); });
}

void TStakesController::RegisterActions(TActionTable& t) {
    auto always = [] { return true; };
    auto stakesOpen = [this] { return FStakes.IsOpen() && !FApp.ReadOnly(); };
    auto stakesNotEmpty = [this] { return FStakes.IsOpen() && !FStakes.Empty() && !FApp.ReadOnly(); };
    // Short texts on the toolbar, so that all of it fits the tab; the menus keep the full captions.
    t.Add({"StakeAdd", "Сделать ставку", "Сделать ставку на выделенную комбинацию", "F4", stakesOpen,
           [this] { StakeAdd(false); }},
          MenuPlace("Stakes", 10, false, 1));
    t.Add({"StakeAddRandom", "Сделать случайную ставку", "Сделать ставку на случайную комбинацию из списка", "Ctrl+F4",
           [this, stakesOpen] { return stakesOpen() && !FCombs.Combs().Empty(); }, [this] { StakeAdd(true); }},
          MenuPlace("Stakes", 20, false, 2, "Случайная ставка"));
    t.Add({"StakeAddSelected", "Сделать ставки для выделенных комбинаций",
           "Сделать ставки для всех выделенных комбинаций", "Alt+F4",
           [this, stakesOpen] { return stakesOpen() && !FCombs.CombsSelection().empty(); },
           [this] { StakeAddCombos(false); }},
          MenuPlace("Stakes", 30, false, 3, "На выделенные"));
    t.Add({"StakeAddAll", "Сделать ставки для всех комбинаций", "Сделать ставки для всех комбинаций списка",
           "Ctrl+Alt+F4", [this, stakesOpen] { return stakesOpen() && !FCombs.Combs().Empty(); },
           [this] { StakeAddCombos(true); }},
          MenuPlace("Stakes", 40));
    t.Add({"StakeDel",
           "Удалить ставку",
           "Удалить выделенные ставки",
           "Ctrl+Del",
           [this, stakesNotEmpty] { return stakesNotEmpty() && !FStakesSelection.empty(); },
           [this] { StakeDel(); },
           {},
           {},
           "sgStakes"},
          MenuPlace("Stakes", 50, true, 4, "Удалить"));
    t.Add({"StakeFilter", "Удалить по условию", "Удалить ставки по количеству совпадений", "Alt+D", stakesNotEmpty,
           [this] { StakeFilter(); }},
          MenuPlace("Stakes", 60, false, 5));
    t.Add({"StakeClear", "Удалить все ставки", "Удалить все ставки из файла", "Ctrl+Shift+Del", stakesNotEmpty,
           [this] { StakeClear(); }},
          MenuPlace("Stakes", 70));
    t.Add({"StakesCheckManual", "Проверить ставки", "Проверить результаты ставок по архиву тиражей", "Ctrl+F5",
           stakesNotEmpty,
           [this] {
               CheckAndCommitStakes();
               RefreshStakesView(true, false);
           }},
          MenuPlace("Stakes", 80, true, 6));
    t.Add({"LogStakes", "Журналы ставок", "Записывать проверенные ставки в журналы", "", always,
           [this] { FApp.ToggleOption(&TFormSettings::StakesLogEnabled); },
           [this] { return FApp.Settings().StakesLogEnabled; }},
          MenuPlace("Stakes", 90, true));
    t.Add({"LogStakesDelete", "Удалить журналы ставок", "Удалить файлы журналов ставок", "", always,
           [this] { LogStakesDelete(); }},
          MenuPlace("Stakes", 100));
    t.Add({"StakesScroll", "Прокручивать список при добавлении", "Выделять последнюю ставку при добавлении", "", always,
           [this] { FApp.ToggleOption(&TFormSettings::StakesScrollEnabled); },
           [this] { return FApp.Settings().StakesScrollEnabled; }},
          MenuPlace("Stakes", 110));
    t.Add({"StakesCheckLine", "Проверять ставки после каждой строки сценария",
           "Проверять ставки после каждой строки сценария, а не в конце", "", always,
           [this] { FApp.ToggleOption(&TFormSettings::StakesCheckOnLine); },
           [this] { return FApp.Settings().StakesCheckOnLine; }},
          MenuPlace("Stakes", 120));
}

void TStakesController::ArchiveChanged() {
    CheckAndCommitStakes();
    RefreshStakesView(true, false);
}

bool TStakesController::AddBatchStake(const TStakeRecord& record, int drawCount, bool scroll) {
    TBusyScope busy(FApp, Tr("Создание ставок..."));
    if (!FApp.Attempt([&] { AppendStakes(FStakes, record, drawCount); },
                      Tr("Ошибка добавления записи в файл ставок!\r\r%s"))) {
        return false;
    }
    RefreshStakesView(false, scroll);
    return true;
}

bool TStakesController::AddSingleStake(const TStakeRecord& record, int drawCount) {
    {
        TBusyScope busy(FApp, Tr("Создание ставки..."));
        if (!FApp.Attempt([&] { AppendStakes(FStakes, record, drawCount); },
                          Tr("Ошибка добавления записи в файл ставок!\r\r%s"))) {
            RefreshStakesView(true, false);
            return false;
        }
    }
    CheckAndCommitStakes();
    RefreshStakesView(true, true);
    return true;
}

bool TStakesController::CheckAndCommitStakes(int64_t from) {
    if (!FStakes.IsOpen() || FStakes.Empty() || FApp.ReadOnly()) return false;
    bool checked = false;
    {
        TBusyScope busy(FApp, Tr("Проверка результатов ставок..."));
        TCheckCallbacks cb;
        cb.OnChecked = [this](const TStakeRecord& r) { OnStakeChecked(r); };
        cb.Progress = [this](double percent) {
            FApp.SetProgressText(Format(Tr("Проверка результатов ставок ( завершено %.0f %% )..."), percent));
        };
        FApp.Attempt([&] { checked = CheckStakes(FStakes, FArchive.Draws(), FApp.Registry(), cb, from); },
                     Tr("Ошибка проверки ставок!\r\r%s"));
    }
    if (checked) {
        FApp.Attempt([&] { FStakes.Sync(); }, Tr("Ошибка записи в файл ставок!\r\r%s"));
        for (auto& hook : FCommitHooks) hook();
        NoteMissingPrizes();
    }
    return checked;
}

void TStakesController::NoteMissingPrizes() {
    // Without a price and prizes every profit reads 0.00, which looks like a result; say why, once a run.
    const TConfigData& c = FApp.Registry().Config;
    if (FPrizesNoted || c.Cost != 0 ||
        std::any_of(c.Profits.begin(), c.Profits.end(), [](const TProfitEntry& p) { return p.Profit != 0; }))
        return;
    FPrizesNoted = true;
    FApp.Note(Tr("Стоимость ставки и выигрыши не заданы: профит равен 0 («Файл → Параметры»)"));
}

void TStakesController::CombsDoubleClicked() {
    if (FStakes.IsOpen() && !FApp.Busy()) FApp.Execute("StakeAdd");
}

bool TStakesController::DeleteStakeRows(int64_t firstRow, int64_t lastRow) {
    if (!FApp.Attempt(
            [&] {
                RewriteStakes(
                    FStakes, FApp.DataFile(FApp.ProgramName() + ".~tmp"),
                    [&](int64_t index, const TStakeRecord&) { return index + 1 < firstRow || index + 1 > lastRow; });
            },
            Tr("Ошибка удаления записи из файла ставок!\r\r%s")))
        return false;
    FStakesSelection.clear();
    return true;
}

bool TStakesController::DeleteStakesByMatches(int condition, int value) {
    if (!FApp.Attempt(
            [&] {
                RewriteStakes(
                    FStakes, FApp.DataFile(FApp.ProgramName() + ".~tmp"), [&](int64_t, const TStakeRecord& r) {
                        return r.IsSeparator() || !DropsByMatches(condition, value, r.Checked ? r.Matched.Count : -1);
                    });
            },
            Tr("Ошибка удаления записи из файла ставок!\r\r%s")))
        return false;
    FStakesSelection.clear();
    return true;
}

bool TStakesController::LoadStakes() {
    TBusyScope busy(FApp, Tr("Загрузка файла ставок..."));
    const std::string path = FApp.DataFile(FApp.ProgramName() + ".lsk");
    if (!FApp.ReadOnly() && !FLock.Acquire(FApp.DataDir())) return false;
    // A look without a stakes file has nothing to open.
    if (FApp.ReadOnly() && !FileExists(path))
        return FApp.Attempt([&] { RefreshStakesView(true, false); }, Tr("Ошибка чтения файла ставок!\r\r%s"));
    if (!FApp.Attempt([&] { FStakes.Open(path, FApp.ReadOnly()); }, Tr("Ошибка чтения файла ставок!\r\r%s")))
        return false;
    if (FStakes.Outdated())
        DropOutdatedStakes();
    else if (FStakes.TornBytes() > 0)
        CutTornStakes();
    RefreshStakesView(true, false);
    return true;
}

namespace {
// The note on the copy of a file as it was found, for the message that tells what was done to the file.
std::string CopyNote(TStakesFile& file, bool& kept) {
    try {
        const std::string copy = file.KeepDamagedCopy();
        kept = true;
        return Format(Tr("\r\rКопия исходного файла сохранена: %s"), copy);
    } catch (const std::exception& e) {
        kept = false;
        return Format(Tr("\r\rКопию исходного файла сохранить не удалось: %s"), ErrorText(e));
    }
}
} // namespace

void TStakesController::DropOutdatedStakes() {
    const std::string warning = Tr("Обнаружен файл ставок устаревшей версии - имеющиеся в файле ставки будут удалены!");
    if (FApp.ReadOnly()) {
        FApp.Message(TMsgBox::Warning, warning);
        FStakes.Close();
        return;
    }
    // Emptied only once a copy is safe: without one the file stays as it is and unused for this run.
    bool kept = false;
    const std::string note = CopyNote(FStakes, kept);
    FApp.Message(TMsgBox::Warning, warning + note);
    if (!kept) {
        FStakes.Close();
        return;
    }
    FApp.Attempt(
        [&] {
            FStakes.Truncate();
            FStakes.Sync();
        },
        Tr("Ошибка записи в файл ставок!\r\r%s"));
}

void TStakesController::CutTornStakes() {
    // An append cut short (a full disk, a crash) leaves part of a record at the end: every whole record is a
    // stake of the user's, only the part is dropped.
    const int64_t torn = FStakes.TornBytes();
    if (FApp.ReadOnly()) {
        FApp.Message(TMsgBox::Warning,
                     Format(Tr("Файл ставок повреждён: в конце файла неполная запись (%d байт). Прочитаны все целые "
                               "записи (%d). Неполная запись будет удалена при следующем изменении данных."),
                            torn, FStakes.Count()));
        return;
    }
    bool kept = false;
    const std::string note = CopyNote(FStakes, kept);
    try {
        FStakes.CutTornTail();
    } catch (const std::exception& e) {
        FApp.ShowError(Format(Tr("Ошибка записи в файл ставок!\r\r%s"), ErrorText(e) + note));
        FStakes.Close(); // appends could not land on the record grid
        return;
    }
    FApp.Message(TMsgBox::Warning,
                 Format(Tr("Файл ставок был повреждён: неполная запись в конце файла (%d байт) удалена, все целые "
                           "записи сохранены (%d)."),
                        torn, FStakes.Count()) +
                     note);
}

void TStakesController::LogStakesDelete() {
    std::vector<std::string> logs;
    std::error_code ec;
    const std::string prefix = FApp.ProgramName() + "-";
    for (const auto& entry : std::filesystem::directory_iterator(FApp.DataDir(), ec)) {
        const std::string name = entry.path().filename().string();
        int32_t matches;
        if (name.rfind(prefix, 0) == 0 && name.size() > prefix.size() + 4 && name.substr(name.size() - 4) == ".log" &&
            TryStrToInt(name.substr(prefix.size(), name.size() - prefix.size() - 4), matches))
            logs.push_back(entry.path().string());
    }
    if (logs.empty()) {
        FApp.Message(TMsgBox::Info, Tr("Файлы журналов не найдены!"));
        return;
    }
    std::vector<std::string> failed;
    {
        TBusyScope busy(FApp, Tr("Поиск файлов журналов..."));
        for (const std::string& path : logs)
            if (!DeleteFileIfExists(path) && FileExists(path)) failed.push_back(path);
    }
    if (failed.empty())
        FApp.Message(TMsgBox::Info, Format(Tr("Удалено файлов журналов: %d"), static_cast<int>(logs.size())));
    else
        FApp.ShowError(Format(Tr("Не удалось удалить файлы журналов:\r%s"), Join(failed, "\r")));
}

TStakeRecord TStakesController::NewStakeRecord(uint8_t kind, const std::string& comment,
                                               const TNumberSet& numbers) const {
    return zorb::NewStakeRecord(kind, comment, numbers, NextDrawNumber(FArchive.Draws(), FArchive.DrawsOffset()),
                                static_cast<int32_t>(FCombs.Combs().Count()),
                                FApp.Registry().StakeProfit(std::clamp(numbers.Count, 0, MaxStakeNumbers), -1));
}

void TStakesController::OnStakeChecked(const TStakeRecord& record) {
    for (auto& hook : FStakeHooks) hook(record);
    if (!FApp.Settings().StakesLogEnabled || !record.Checked) return;
    const std::string path = StakeLogPath(FApp.DataDir(), FApp.ProgramName(), record.Matched.Count);
    try {
        const std::string warning = AppendStakeLog(path, StakeLogLine(record, LogTimestamp()));
        if (!warning.empty()) FApp.ShowError(warning);
    } catch (const std::exception& e) {
        FApp.ShowError(ErrorText(e));
    }
}

void TStakesController::RefreshStakesView(bool repaint, bool scrollToEnd) {
    const int64_t count = StakeCount();
    FApp.UI().SetStatusPanel(4, Format(Tr("Ставок: %d"), count));
    FUi.StakesViewChanged(count, repaint, scrollToEnd);
    FApp.UI().ActionsChanged();
}

void TStakesController::SaveStakes() {
    TBusyScope busy(FApp, Tr("Сохранение файла ставок..."));
    FStakes.Close();
    FLock.Release();
}

void TStakesController::SetStakesSelection(TRowRanges ranges) {
    TRowRanges r;
    for (auto [a, b] : ranges) {
        b = std::min<size_t>(b, static_cast<size_t>(StakeCount()));
        if (a < b) r.push_back({a, b});
    }
    std::sort(r.begin(), r.end());
    FStakesSelection = std::move(r);
    FApp.UI().ActionsChanged();
}

void TStakesController::StakeAdd(bool randomCombination) {
    TNumberSet numbers{};
    if (randomCombination) {
        if (FCombs.Combs().Empty()) return;
        std::mt19937_64 rng(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
        numbers = CombToSet(FCombs.Combs()[std::uniform_int_distribution<size_t>(0, FCombs.Combs().Count() - 1)(rng)]);
    } else if (!FCombs.CombsSelection().empty()) {
        numbers = CombToSet(FCombs.Combs()[FCombs.CombsSelection().front().first]);
    }
    TStakeRecord record = NewStakeRecord(skManual, Tr(DefaultStakeComment), numbers);
    int drawCount = 1;
    if (!FUi.EditStake(record, drawCount)) return;
    record.Profit = FApp.Registry().StakeProfit(std::clamp(record.Numbers.Count, 0, MaxStakeNumbers), -1);
    AddSingleStake(record, drawCount);
}

void TStakesController::StakeAddCombos(bool all) {
    int drawNumber = NextDrawNumber(FArchive.Draws(), FArchive.DrawsOffset()), drawCount = 1;
    std::string comment = Tr(DefaultStakeComment);
    if (!FUi.EditMultiStake(drawNumber, drawCount, comment)) return;
    const TRowRanges ranges = all ? TRowRanges{{0, FCombs.Combs().Count()}} : FCombs.CombsSelection();
    bool last = false;
    for (const auto& [a, b] : ranges) {
        for (size_t i = a; i < b; ++i) {
            TStakeRecord r = NewStakeRecord(skManual, comment, CombToSet(FCombs.Combs()[i]));
            r.DrawNumber = drawNumber;
            last = AddBatchStake(r, drawCount, FApp.Settings().StakesScrollEnabled);
            if (!last) break;
        }
        if (!last) break;
    }
    if (!all) {
        FCombs.ClearCombsSelection();
    }
    if (last) {
        CheckAndCommitStakes();
        RefreshStakesView(true, true);
    }
}

std::string TStakesController::StakeCellText(int64_t record, int column) {
    if (record < 0 || record >= StakeCount()) return "";
    TStakeRecord r;
    try {
        r = FStakes.Read(record);
    } catch (const std::exception&) {
        return ""; // a cell is no place for a message box; the next operation on the file reports it
    }
    if (r.IsSeparator()) return "";
    TNumberSet numbers = r.Numbers;
    numbers.Count = std::clamp(numbers.Count, 0, MaxStakeNumbers);
    TNumberSet matched = r.Matched;
    matched.Count = std::clamp(matched.Count, 0, MaxStakeNumbers);
    TComb drawn;
    std::copy(r.DrawResult, r.DrawResult + 6, drawn.N);
    switch (column) {
    case 0: return std::to_string(r.DrawNumber);
    case 1: return Tr(KindCaption(r.Kind));
    case 2: return NumberSetToText(numbers, ";");
    case 3: return std::to_string(r.SampleSize);
    case 4: return r.Checked ? CombToList(drawn) : "";
    case 5: return r.Checked ? std::to_string(r.Matched.Count) : "";
    case 6: return r.Checked ? NumberSetToText(matched, " ") : "";
    case 7: return Format("%.2f", CurrencyToDouble(r.Profit));
    case 8: return r.Comment;
    default: return "";
    }
}

void TStakesController::StakeClear() {
    const int64_t count = StakeCount();
    const std::string question =
        count == 1 ? Tr("Удалить выделенную запись?")
                   : Format(Tr("Удалить все выделенные записи (всего будет удалено %d записи(ей))?"), count);
    if (!FApp.Ask(TMsgBox::Warning, question)) return;
    {
        TBusyScope busy(FApp, Tr("Удаление ставок..."));
        FApp.Attempt(
            [&] {
                FStakes.Truncate();
                FStakes.Sync();
            },
            Tr("Ошибка записи в файл ставок!\r\r%s"));
        FStakesSelection.clear();
    }
    RefreshStakesView(false, false);
    // The ratings follow the emptied file only when the user agrees to lose what deleted stakes gave them.
    FApp.Execute("RatingsRefresh");
}

std::string TStakesController::StakeColumnCaption(int column) const {
    static const char* const captions[StakeColumnCount] = {"№ тиража",          "Вид ставки", "Моя ставка", "Выборка",
                                                           "Результаты тиража", "Совпадений", "Совпадения", "Профит",
                                                           "Комментарий"};
    return column >= 0 && column < StakeColumnCount ? Tr(captions[column]) : "";
}

void TStakesController::StakeDel() {
    if (FStakesSelection.empty()) return;
    int64_t rows = 0;
    for (const auto& [a, b] : FStakesSelection) rows += static_cast<int64_t>(b - a);
    const std::string question =
        rows == 1 ? Tr("Удалить выделенную запись?")
                  : Format(Tr("Удалить все выделенные записи (всего будет удалено %d записи(ей))?"), rows);
    if (!FApp.Ask(TMsgBox::Warning, question)) return;
    bool ok = true;
    {
        TBusyScope busy(FApp, Tr("Удаление ставок..."));
        // Exactly the selected records go, also when the selection has gaps.
        const TRowRanges selection = FStakesSelection;
        ok = FApp.Attempt(
            [&] {
                RewriteStakes(FStakes, FApp.DataFile(FApp.ProgramName() + ".~tmp"),
                              [&](int64_t index, const TStakeRecord&) {
                                  for (const auto& [a, b] : selection)
                                      if (index >= static_cast<int64_t>(a) && index < static_cast<int64_t>(b))
                                          return false;
                                  return true;
                              });
                FStakesSelection.clear();
            },
            Tr("Ошибка удаления записи из файла ставок!\r\r%s"));
    }
    if (ok) CheckAndCommitStakes();
    RefreshStakesView(true, false);
}

void TStakesController::StakeFilter() {
    int condition = 0, value = 0;
    if (!FUi.EditStakeFilter(condition, value)) return;
    bool ok;
    {
        TBusyScope busy(FApp, Tr("Удаление ставок..."));
        ok = DeleteStakesByMatches(condition, value);
    }
    if (ok) CheckAndCommitStakes();
    RefreshStakesView(true, false);
}

} // namespace zorb
