// The stakes of the main window: the stakes file held from start-up to shutdown, the stake protocols, checking
// with prizes and profits, deletion and the stake logs.
#include "app/StakeDialog.h"
#include "app/TemplateMain.h"

#include "core/DrawArchive.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

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

} // namespace

bool TTemplateMain::LoadStakes() {
    TBusyScope busy(*this, Tr("Загрузка файла ставок..."));
    const std::string path = DataFile(ProgramName() + ".lsk");
    if (!FOptions.ReadOnly && !FLock.Acquire(FOptions.DataDir)) return false;
    try {
        if (FOptions.ReadOnly && !FileExists(path)) {
            RefreshStakesView(true, false);
            return true;
        }
        FStakes.Open(path, FOptions.ReadOnly);
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка чтения файла ставок!\r\r%s"), ErrorText(e)));
        return false;
    }
    if (FStakes.Outdated()) {
        Message(TMsgBox::Warning,
                Tr("Обнаружен файл ставок устаревшей версии - имеющиеся в файле ставки будут удалены!"));
        try {
            if (!FOptions.ReadOnly)
                FStakes.Truncate();
            else
                FStakes.Close();
        } catch (const std::exception& e) {
            ShowError(Format(Tr("Ошибка записи в файл ставок!\r\r%s"), ErrorText(e)));
        }
    }
    RefreshStakesView(true, false);
    return true;
}

void TTemplateMain::SaveStakes() {
    TBusyScope busy(*this, Tr("Сохранение файла ставок..."));
    FStakes.Close();
    FLock.Release();
}

TStakeRecord TTemplateMain::NewStakeRecord(uint8_t kind, const std::string& comment, const TNumberSet& numbers) const {
    TStakeRecord r;
    r.Kind = kind;
    r.DrawNumber = NextDrawNumber(FDraws, FDrawsOffset);
    r.Comment = comment;
    r.SampleSize = static_cast<int32_t>(FCombs.Count());
    r.Numbers = numbers;
    r.Matched = TNumberSet{-1, {}};
    r.Profit = FStats.StakeProfit(std::clamp(numbers.Count, 0, MaxStakeNumbers), -1);
    return r;
}

void TTemplateMain::RefreshStakesView(bool repaint, bool scrollToEnd) {
    const int64_t count = StakeCount();
    FUI.SetStatusPanel(4, Format(Tr("Ставок: %d"), count));
    FUI.StakesViewChanged(count, repaint, scrollToEnd);
    FUI.ActionsChanged();
}

bool TTemplateMain::AddSingleStake(const TStakeRecord& record, int drawCount) {
    {
        TBusyScope busy(*this, Tr("Создание ставки..."));
        try {
            AppendStakes(FStakes, record, drawCount);
        } catch (const std::exception& e) {
            ShowError(Format(Tr("Ошибка добавления записи в файл ставок!\r\r%s"), ErrorText(e)));
            RefreshStakesView(true, false);
            return false;
        }
    }
    CheckAndCommitStakes();
    RefreshStakesView(true, true);
    return true;
}

bool TTemplateMain::AddBatchStake(const TStakeRecord& record, int drawCount, bool scroll) {
    TBusyScope busy(*this, Tr("Создание ставок..."));
    try {
        AppendStakes(FStakes, record, drawCount);
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка добавления записи в файл ставок!\r\r%s"), ErrorText(e)));
        return false;
    }
    RefreshStakesView(false, scroll);
    return true;
}

void TTemplateMain::OnStakeChecked(const TStakeRecord& record) {
    for (auto& hook : FStakeHooks) hook(record);
    if (!FSettings.StakesLogEnabled || !record.Checked) return;
    const std::string path = StakeLogPath(FOptions.DataDir, ProgramName(), record.Matched.Count);
    try {
        const std::string warning = AppendStakeLog(path, StakeLogLine(record, LogTimestamp()));
        if (!warning.empty()) ShowError(warning);
    } catch (const std::exception& e) {
        ShowError(ErrorText(e));
    }
}

bool TTemplateMain::CheckAndCommitStakes() {
    if (!FStakes.IsOpen() || FStakes.Empty() || FOptions.ReadOnly) return false;
    bool checked = false;
    {
        TBusyScope busy(*this, Tr("Проверка результатов ставок..."));
        TCheckCallbacks cb;
        cb.OnChecked = [this](const TStakeRecord& r) { OnStakeChecked(r); };
        cb.Progress = [this](double percent) {
            SetProgressText(Format(Tr("Проверка результатов ставок ( завершено %.0f %% )..."), percent));
        };
        try {
            checked = CheckStakes(FStakes, FDraws, FStats, cb);
        } catch (const std::exception& e) {
            ShowError(Format(Tr("Ошибка проверки ставок!\r\r%s"), ErrorText(e)));
        }
    }
    if (checked) {
        try {
            FStakes.Sync();
        } catch (const std::exception& e) {
            ShowError(Format(Tr("Ошибка записи в файл ставок!\r\r%s"), ErrorText(e)));
        }
    }
    return checked;
}

void TTemplateMain::ArchiveChanged() {
    CheckAndCommitStakes();
    RefreshStakesView(true, false);
}

std::string TTemplateMain::StakeColumnCaption(int column) const {
    static const char* const captions[StakeColumnCount] = {"№ тиража",          "Вид ставки", "Моя ставка", "Выборка",
                                                           "Результаты тиража", "Совпадений", "Совпадения", "Профит",
                                                           "Комментарий"};
    return column >= 0 && column < StakeColumnCount ? Tr(captions[column]) : "";
}

std::string TTemplateMain::StakeCellText(int64_t record, int column) {
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

void TTemplateMain::SetStakesSelection(TRowRanges ranges) {
    TRowRanges r;
    for (auto [a, b] : ranges) {
        b = std::min<size_t>(b, static_cast<size_t>(StakeCount()));
        if (a < b) r.push_back({a, b});
    }
    std::sort(r.begin(), r.end());
    FStakesSelection = std::move(r);
    FUI.ActionsChanged();
}

bool TTemplateMain::DeleteStakeRows(int64_t firstRow, int64_t lastRow) {
    try {
        RewriteStakes(FStakes, DataFile(ProgramName() + ".~tmp"),
                      [&](int64_t index, const TStakeRecord&) { return index + 1 < firstRow || index + 1 > lastRow; });
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка удаления записи из файла ставок!\r\r%s"), ErrorText(e)));
        return false;
    }
    FStakesSelection.clear();
    return true;
}

bool TTemplateMain::DeleteStakesByMatches(int condition, int value) {
    try {
        RewriteStakes(FStakes, DataFile(ProgramName() + ".~tmp"), [&](int64_t, const TStakeRecord& r) {
            return r.IsSeparator() || !DropsByMatches(condition, value, r.Checked ? r.Matched.Count : -1);
        });
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка удаления записи из файла ставок!\r\r%s"), ErrorText(e)));
        return false;
    }
    FStakesSelection.clear();
    return true;
}

// --- Actions --------------------------------------------------------------------------------------------------

void TTemplateMain::StakeAdd(bool randomCombination) {
    TNumberSet numbers{};
    if (randomCombination) {
        if (FCombs.Empty()) return;
        std::mt19937_64 rng(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
        numbers = CombToSet(FCombs[std::uniform_int_distribution<size_t>(0, FCombs.Count() - 1)(rng)]);
    } else if (!FCombsSelection.empty()) {
        numbers = CombToSet(FCombs[FCombsSelection.front().first]);
    }
    TStakeRecord record = NewStakeRecord(skManual, Tr(DefaultStakeComment), numbers);
    int drawCount = 1;
    if (!FUI.EditStake(record, drawCount)) return;
    record.Profit = FStats.StakeProfit(std::clamp(record.Numbers.Count, 0, MaxStakeNumbers), -1);
    AddSingleStake(record, drawCount);
}

void TTemplateMain::CombsDoubleClicked() {
    if (FStakes.IsOpen() && !Busy()) Execute("StakeAdd");
}

void TTemplateMain::StakeAddCombos(bool all) {
    int drawNumber = NextDrawNumber(FDraws, FDrawsOffset), drawCount = 1;
    std::string comment = Tr(DefaultStakeComment);
    if (!FUI.EditMultiStake(drawNumber, drawCount, comment)) return;
    const TRowRanges ranges = all ? TRowRanges{{0, FCombs.Count()}} : FCombsSelection;
    bool last = false;
    for (const auto& [a, b] : ranges) {
        for (size_t i = a; i < b; ++i) {
            TStakeRecord r = NewStakeRecord(skManual, comment, CombToSet(FCombs[i]));
            r.DrawNumber = drawNumber;
            last = AddBatchStake(r, drawCount, FSettings.StakesScrollEnabled);
            if (!last) break;
        }
        if (!last) break;
    }
    if (!all) {
        FCombsSelection.clear();
        FUI.CombsListRepaint();
    }
    if (last) {
        CheckAndCommitStakes();
        RefreshStakesView(true, true);
    }
}

void TTemplateMain::StakeDel() {
    if (FStakesSelection.empty()) return;
    int64_t rows = 0;
    for (const auto& [a, b] : FStakesSelection) rows += static_cast<int64_t>(b - a);
    const std::string question =
        rows == 1 ? Tr("Удалить выделенную запись?")
                  : Format(Tr("Удалить все выделенные записи (всего будет удалено %d записи(ей))?"), rows);
    if (!Ask(TMsgBox::Warning, question)) return;
    bool ok = true;
    {
        TBusyScope busy(*this, Tr("Удаление ставок..."));
        // Exactly the selected records go, also when the selection has gaps.
        const TRowRanges selection = FStakesSelection;
        try {
            RewriteStakes(FStakes, DataFile(ProgramName() + ".~tmp"), [&](int64_t index, const TStakeRecord&) {
                for (const auto& [a, b] : selection)
                    if (index >= static_cast<int64_t>(a) && index < static_cast<int64_t>(b)) return false;
                return true;
            });
            FStakesSelection.clear();
        } catch (const std::exception& e) {
            ShowError(Format(Tr("Ошибка удаления записи из файла ставок!\r\r%s"), ErrorText(e)));
            ok = false;
        }
    }
    if (ok) CheckAndCommitStakes();
    RefreshStakesView(true, false);
}

void TTemplateMain::StakeFilter() {
    int condition = 0, value = 0;
    if (!FUI.EditStakeFilter(condition, value)) return;
    bool ok;
    {
        TBusyScope busy(*this, Tr("Удаление ставок..."));
        ok = DeleteStakesByMatches(condition, value);
    }
    if (ok) CheckAndCommitStakes();
    RefreshStakesView(true, false);
}

void TTemplateMain::StakeClear() {
    const int64_t count = StakeCount();
    const std::string question =
        count == 1 ? Tr("Удалить выделенную запись?")
                   : Format(Tr("Удалить все выделенные записи (всего будет удалено %d записи(ей))?"), count);
    if (!Ask(TMsgBox::Warning, question)) return;
    {
        TBusyScope busy(*this, Tr("Удаление ставок..."));
        try {
            FStakes.Truncate();
            FStakes.Sync();
        } catch (const std::exception& e) {
            ShowError(Format(Tr("Ошибка записи в файл ставок!\r\r%s"), ErrorText(e)));
        }
        FStakesSelection.clear();
    }
    RefreshStakesView(false, false);
}

void TTemplateMain::LogStakesDelete() {
    std::vector<std::string> logs;
    std::error_code ec;
    const std::string prefix = ProgramName() + "-";
    for (const auto& entry : std::filesystem::directory_iterator(FOptions.DataDir, ec)) {
        const std::string name = entry.path().filename().string();
        int32_t matches;
        if (name.rfind(prefix, 0) == 0 && name.size() > prefix.size() + 4 && name.substr(name.size() - 4) == ".log" &&
            TryStrToInt(name.substr(prefix.size(), name.size() - prefix.size() - 4), matches))
            logs.push_back(entry.path().string());
    }
    if (logs.empty()) {
        Message(TMsgBox::Info, Tr("Файлы журналов не найдены!"));
        return;
    }
    std::vector<std::string> failed;
    {
        TBusyScope busy(*this, Tr("Поиск файлов журналов..."));
        for (const std::string& path : logs)
            if (!DeleteFileIfExists(path) && FileExists(path)) failed.push_back(path);
    }
    if (failed.empty())
        Message(TMsgBox::Info, Format(Tr("Удалено файлов журналов: %d"), static_cast<int>(logs.size())));
    else
        ShowError(Format(Tr("Не удалось удалить файлы журналов:\r%s"), Join(failed, "\r")));
}

} // namespace zorb
