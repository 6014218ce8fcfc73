// The combination list of the main window: generation, files, clipboard, the buffer, filtering and undo.
#include "app/CombsController.h"

#include "combos/CombFiles.h"
#include "combos/Generate.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stats/StatList.h"

#include <algorithm>
#include <optional>

namespace zorb {

namespace {

// A busy mark with a progress text only when asked for.
struct TOptionalBusy {
    std::optional<TBusyScope> Scope;
    TOptionalBusy(TAppServices& app, bool show, const std::string& text) {
        if (show) Scope.emplace(app, text);
    }
};

class TNoCombsUi final : public TCombsUi {
    void CombsListReset() override {}
    void CombsListRepaint() override {}
    void CombsSelectAll() override {}
    void FiltersChanged() override {}
    bool EditGenerateParams(TGenerateSettings&, bool&) override { return false; }
};

const char* const CombsFileFilterText = "Файлы комбинаций (*.lcv)|*.lcv";

} // namespace

TCombsController::TCombsController(TAppServices& app, TDrawsController& draws)
    : FApp(app), FUi(UiOr<TCombsUi, TNoCombsUi>(app.UI())), FArchive(draws) {}

void TCombsController::RegisterActions(TActionTable& t) {
    auto always = [] { return true; };
    auto listNotEmpty = [this] { return !FCombs.Empty(); };
    t.Add({"CombsGen", "Генерировать", "Перегенерировать список комбинаций", "F2", always, [this] { CombsGen(); }},
          MenuPlace("Combs", 10, false, 1, "Новый"));
    t.Add({"CombsOpen", "Открыть", "Загрузить список комбинаций из файла", "Ctrl+O", always,
           [this] { CombsOpen(FApp.UI().OpenFileName(Tr(CombsFileFilterText), "lcv")); }},
          MenuPlace("Combs", 20, false, 3));
    t.Add({"CombsSave", "Сохранить", "Сохранить список комбинаций в файле", "Ctrl+S", listNotEmpty,
           [this] { CombsSave(FApp.UI().SaveFileName(Tr(CombsFileFilterText), "lcv")); }},
          MenuPlace("Combs", 30, false, 4));
    t.Add({"CombsCopy", "Копировать в буфер", "Копировать выделенные комбинации в буфер обмена", "Ctrl+C", listNotEmpty,
           [this] { CombsCopy(); }},
          MenuPlace("Combs", 40, true, 5, "Копировать"));
    t.Add({"CombsPaste", "Вставить из буфера", "Вставить комбинации из буфера обмена", "Ctrl+V",
           [this] { return FApp.UI().ClipboardHasText(); }, [this] { CombsPaste(); }},
          MenuPlace("Combs", 50, false, 6, "Вставить"));
    t.Add({"CombsSelectAll", "Выделить все", "Выделить все комбинации", "Ctrl+A", listNotEmpty,
           [this] { CombsSelectAll(); }},
          MenuPlace("Combs", 60));
    t.Add({"CombsCheckNums", "Количество уникальных номеров",
           "Подсчет количества уникальных номеров, которые содержатся в текущем списке комбинаций", "", always,
           [this] { CombsCheckNums(); }},
          MenuPlace("Combs", 70, true));
    t.Add({"CombsFindInDraws", "Проверить по архиву тиражей", "Проверка комбинации по списку тиражей", "Ctrl+F",
           [this] { return !FCombsSelection.empty(); }, [this] { CombsFindInDraws(); }},
          MenuPlace("Combs", 80));
    t.Add({"CombsDelExists", "Исключить тиражи", "Удалить N последних тиражей из списка комбинаций", "Ctrl+E",
           [this] { return !FCombs.Empty() && !FArchive.Draws().empty() && FApp.Settings().DrawsExclude > 0; },
           [this] { CombsDelExists(); }},
          MenuPlace("Combs", 90, true));
    t.Add({"CombsDelSelected",
           "Удалить выделенные",
           "Удалить выделенные комбинации из списка",
           "Ctrl+Del",
           [this] { return !FCombs.Empty() && !FCombsSelection.empty(); },
           [this] { CombsDelSelected(); },
           {},
           {},
           "lvCombs"},
          MenuPlace("Combs", 100));
    t.Add({"CombsUndo", "Отменить", "Отменить последнее действие", "Ctrl+Z", [this] { return UndoAvailable(); },
           [this] { CombsUndo(); }},
          MenuPlace("Combs", 110, false,
                    2)); // beside «Новый»: the step back after a filter must never be in the overflow
    t.Add({"ViewColorCombs", "Выделять каналы в списке комбинаций", "Раскрашивать числа комбинаций по каналам", "",
           always,
           [this] {
               FApp.ToggleOption(&TFormSettings::ColorCombs);
               FUi.CombsListRepaint();
           },
           [this] { return FApp.Settings().ColorCombs; }},
          {"View", 20});
}

void TCombsController::ReserveFullSet() {
    const auto n = static_cast<size_t>(Binomial(MaxNumber, NumbersPerDraw));
    FCombs.Reserve(n);
    FUndo.Reserve(n);
}

void TCombsController::FreeLists() {
    FCombs.Free();
    FUndo.Free();
    ForgetBuffer();
    FBuffer.Free();
}

void TCombsController::ClearCombsSelection() {
    FCombsSelection.clear();
    FUi.CombsListRepaint();
}

void TCombsController::AddFilterLine(TFilterLine line) {
    FFilters.push_back(std::move(line));
    FUi.FiltersChanged();
}

void TCombsController::SetFilters(std::vector<TFilterLine> lines) {
    FFilters = std::move(lines);
    FUi.FiltersChanged();
}

int64_t TCombsController::CombCellColor(size_t row, int column) const {
    if (row >= FCombs.Count() || !FApp.Settings().ColorCombs || column < 1 || column > 6) return -1;
    return ChannelColor(FCombs[row].N[column - 1], FApp.Registry().Config.ChannelSize);
}

std::string TCombsController::CombCellText(size_t row, int column) const {
    if (row >= FCombs.Count()) return "";
    const TComb& c = FCombs[row];
    if (column == 0) return std::to_string(row + 1);
    if (column >= 1 && column <= 6) return std::to_string(c.N[column - 1]);
    if (column == 7) {
        int sum = 0;
        for (uint8_t n : c.N) sum += n;
        return std::to_string(sum);
    }
    return "";
}

std::string TCombsController::CombColumnCaption(int column) const {
    if (column == 0) return Tr("№ п.п.");
    if (column == 7) return "S";
    return column >= 1 && column <= 6 ? std::to_string(column) : "";
}

void TCombsController::CombsCheckNums() {
    int count;
    {
        TBusyScope busy(FApp, Tr("Подождите пожалуйста..."));
        count = DistinctNumbers(FCombs.Data(), FCombs.Count());
    }
    FApp.Message(TMsgBox::Info, Format(Tr("В текущем списке комбинаций содержится %d уникальных номеров"), count));
}

void TCombsController::CombsCopy() {
    TBusyScope busy(FApp, Tr("Подождите пожалуйста..."));
    std::vector<size_t> rows;
    rows.reserve(CombsSelectedCount());
    for (const auto& [a, b] : FCombsSelection)
        for (size_t r = a; r < b; ++r) rows.push_back(r);
    FApp.UI().SetClipboardText(CombsClipboardText(FCombs.Data(), rows));
}

void TCombsController::CombsDelExists() {
    MakeUndo(true);
    RemoveLastDraws(FApp.Settings().DrawsExclude);
}

void TCombsController::CombsDelSelected() {
    MakeUndo(true);
    RemoveSelected();
}

void TCombsController::CombsFindInDraws() {
    if (FCombsSelection.empty()) return;
    FApp.Message(TMsgBox::Info, FindInDrawsText(FCombs[FCombsSelection.front().first]));
}

void TCombsController::CombsGen() {
    TGenerateSettings params = FApp.Registry().Generate;
    bool saveAsDefault = false;
    if (!FUi.EditGenerateParams(params, saveAsDefault)) return;
    if (saveAsDefault) {
        FApp.Registry().Generate = params;
        FApp.Attempt([&] { FApp.Registry().SaveGenerateSettings(); }, Tr("Ошибка записи в файл конфигурации!\r\r%s"));
    }
    MakeUndo(true);
    GenerateCombs(true, params);
}

void TCombsController::CombsOpen(const std::string& path) {
    if (path.empty()) return;
    {
        TBusyScope busy(FApp, Format(Tr("Загрузка файла \"%s\"..."), path));
        // Reading into a separate list leaves the current one untouched when the file cannot be read.
        TCombsArray loaded;
        TCombsReadStats stats;
        FApp.Attempt(
            [&] {
                LoadCombsFile(path, loaded, &stats);
                FCombs.Assign(loaded);
                ReportOddCombs(stats.Odd);
            },
            Tr("Ошибка чтения файла \"%s\"!\r\r%s"), path);
        FUndo.Clear();
        FFilters.clear();
        FUi.FiltersChanged();
    }
    RefreshCombsCount();
}

void TCombsController::CombsPaste() {
    const std::string text = FApp.UI().ClipboardText();
    {
        TBusyScope busy(FApp, Tr("Подождите пожалуйста..."));
        if (Trim(text).empty()) return;
        TCombsArray pasted;
        std::string badLine;
        size_t odd = 0;
        if (ParseClipboardCombs(text, pasted, badLine, &odd)) {
            FCombs.Assign(pasted);
            FFilters.clear();
            FUi.FiltersChanged();
            ReportOddCombs(odd);
        } else {
            FApp.ShowError(Format(Tr("Некорректная комбинация: \"%s\"!"), badLine));
        }
        FUndo.Clear();
    }
    RefreshCombsCount();
}

void TCombsController::CombsSave(const std::string& path) {
    if (path.empty()) return;
    TBusyScope busy(FApp, Format(Tr("Сохранение файла \"%s\"..."), path));
    FApp.Attempt([&] { SaveCombsFile(path, FCombs); }, Tr("Ошибка записи в файл \"%s\"!\r\r%s"), path);
}

void TCombsController::CombsSelectAll() {
    TBusyScope busy(FApp, Tr("Подождите пожалуйста..."));
    FCombsSelection.clear();
    if (FCombs.Count()) FCombsSelection.push_back({0, FCombs.Count()});
    FUi.CombsSelectAll();
}

size_t TCombsController::CombsSelectedCount() const {
    size_t n = 0;
    for (const auto& [a, b] : FCombsSelection) n += b - a;
    return n;
}

void TCombsController::CombsUndo() {
    RestoreUndo(true);
    if (!FFilters.empty()) {
        FFilters.pop_back();
        FUi.FiltersChanged();
    }
}

void TCombsController::DeleteBuffer() {
    FBufferKey = {-1, -1};
    FBuffer.Free();
}

void TCombsController::FilterByNumbers(const std::string& viewCaption, const std::vector<int>& numbers, bool exclude) {
    std::vector<int> unique;
    for (int n : numbers)
        if (std::find(unique.begin(), unique.end(), n) == unique.end()) unique.push_back(n);
    if (unique.empty()) {
        FApp.Message(TMsgBox::Attention, Tr("В выделенном диапазоне нет значений для фильтра!"));
        return;
    }
    TStatDrawArray selected;
    std::vector<std::string> texts;
    for (int n : unique) {
        TStatDraw row{};
        row.SetW(1, static_cast<uint16_t>(n));
        selected.push_back(row);
        texts.push_back(std::to_string(n));
    }
    const int nums = FApp.Registry().FindByCode("NUMS");
    if (nums < 0) return;
    auto stat = FApp.Registry().CreateStat(nums);
    FilterByStat(*stat, selected, Join(texts, "; "), viewCaption, exclude);
}

void TCombsController::FilterByStat(TCustomStat& stat, const TStatDrawArray& selected, const std::string& valuesText,
                                    const std::string& operation, bool exclude) {
    {
        TBusyScope busy(FApp, Tr("Фильтрация комбинаций..."));
        if (selected.empty()) return;
        const int e = FArchive.WindowEnd();
        const bool sorted = FApp.Settings().SortedDraws;
        FCombs.Clear();
        if (FUndo.Count() > 0) {
            stat.LoadDraws(-1, e, sorted);
            if (auto matcher = stat.MakeMatcher(selected, e, sorted, exclude))
                FilterByMatcher(FUndo, FCombs, *matcher, exclude);
            else
                FilterByMatchComb(FUndo, FCombs, stat, selected, e, sorted, exclude);
            AddFilterLine({operation, valuesText, FCombs.Count(), exclude ? TFilterMark::Remove : TFilterMark::Keep});
        }
    }
    RefreshCombsCount();
}

std::string TCombsController::FindInDrawsText(const TComb& comb) {
    std::vector<std::string> hits;
    {
        TBusyScope busy(FApp, Tr("Поиск по архиву тиражей..."));
        TNumberMask want{};
        for (uint8_t n : comb.N) want.Include(n);
        for (int i = FArchive.DrawRowCount() - 1; i >= 0 && hits.size() < 26; --i) {
            TNumberMask have{};
            for (uint8_t n : FArchive.Draws()[static_cast<size_t>(i)].Numbers) have.Include(n);
            if (have == want) hits.push_back(DrawDescription(FArchive.Draws()[static_cast<size_t>(i)]));
        }
    }
    if (hits.empty()) return Tr("Выделенная комбинация не найдена архиве тиражей!");
    return Tr("Выделенная комбинация найдена в следующих тиражах:") + "\r\r" + Join(hits, "\r");
}

void TCombsController::ForgetBuffer() {
    FBufferKey = {-1, -1};
}

void TCombsController::GenerateCombs(bool interactive, const TGenerateSettings& params) {
    {
        TOptionalBusy busy(FApp, interactive, Tr("Генерация возможных комбинаций..."));
        const auto generate = [&] { ReportOddCombs(zorb::GenerateCombs(FCombs, params.Mode, params.Parameters)); };
        if (params.Mode == gmFile)
            FApp.Attempt(generate, Tr("Ошибка чтения файла \"%s\"!\r\r%s"), params.Parameters);
        else
            FApp.Attempt(generate, Tr("Ошибка генерации файла комбинаций!\r\r%s"));
    }
    if (interactive) {
        FFilters.clear();
        FUi.FiltersChanged();
        FUndo.Clear();
    }
    RefreshCombsCount();
}

bool TCombsController::LoadBuffer(int offset, int excluded) {
    if (FBufferKey != std::make_pair(offset, excluded)) return false;
    {
        TBusyScope busy(FApp, Tr("Загрузка буфера комбинаций..."));
        if (!FApp.Attempt([&] { FCombs.Assign(FBuffer); }, Tr("Ошибка загрузки буфера комбинаций!\r\r%s"))) {
            return false;
        }
    }
    RefreshCombsCount();
    return true;
}

void TCombsController::MakeUndo(bool show) {
    TOptionalBusy busy(FApp, show, Tr("Создание файла отката..."));
    try {
        FUndo.Assign(FCombs);
    } catch (...) {
        FUndo.Free();
        throw;
    }
}

void TCombsController::AddUndoneLine() {
    AddFilterLine({Tr("Отмена последней операции"), "", FCombs.Count(), TFilterMark::Undone});
}

void TCombsController::RefreshCombsCount() {
    if (FCombs.Count() != FListedCombs) {
        FListedCombs = FCombs.Count();
        FCombsSelection.clear();
        FUi.CombsListReset();
    } else {
        FUi.CombsListRepaint();
    }
    FApp.UI().SetStatusPanel(3, Format(Tr("Комбинаций: %d"), FCombs.Count()));
    FApp.UI().ActionsChanged();
}

void TCombsController::RemoveLastDraws(int n) {
    {
        TBusyScope busy(FApp, Format(Tr("Удаление из списка комбинаций %d последних тиражей..."), n));
        const int hi = FArchive.DrawRowCount() - 1 - FArchive.DrawsOffset();
        const int lo = n > 0 ? std::max(hi - n + 1, 0) : hi + 1;
        FCombs.Clear();
        int lastPercent = -1;
        RemoveDraws(FUndo, FCombs, FArchive.Draws(), lo, hi, [&](double done) {
            const int percent = static_cast<int>(done * 100);
            if (percent == lastPercent) return;
            lastPercent = percent;
            FApp.SetProgressText(Format(
                Tr("Удаление из списка комбинаций %d последних тиражей ( завершено %.0f %% )..."), n, done * 100));
        });
        AddFilterLine({Tr("Последние тиражи"), std::to_string(n), FCombs.Count(), TFilterMark::Remove});
    }
    RefreshCombsCount();
}

void TCombsController::RemoveSelected() {
    {
        TBusyScope busy(FApp, Tr("Удаление выделенных комбинаций..."));
        const size_t k = CombsSelectedCount();
        RemoveRows(FUndo, FCombs, FCombsSelection);
        AddFilterLine({Tr("Выделенные комбинации"), std::to_string(k), FCombs.Count(), TFilterMark::Remove});
        FCombsSelection.clear();
    }
    FListedCombs = SIZE_MAX; // the selection must go even if the count did not change
    RefreshCombsCount();
}

void TCombsController::ReportOddCombs(size_t odd) {
    if (odd == 0) return;
    FApp.Message(TMsgBox::Warning,
                 Format(Tr("Комбинаций с числами вне диапазона 1..52 или с повторяющимися числами: %d.\r\rТакие "
                           "комбинации оставлены в списке как есть."),
                        odd));
}

void TCombsController::RestoreUndo(bool show) {
    {
        TOptionalBusy busy(FApp, show, Tr("Отмена изменений..."));
        try {
            FCombs.Assign(FUndo);
            FUndo.Clear();
        } catch (...) {
            FCombs.Clear();
            RefreshCombsCount();
            throw;
        }
    }
    RefreshCombsCount();
}

void TCombsController::SaveBuffer(int offset, int excluded) {
    if (FBufferKey == std::make_pair(offset, excluded)) return;
    TBusyScope busy(FApp, Tr("Создание буфера комбинаций..."));
    FBufferKey = {offset, excluded};
    if (!FApp.Attempt([&] { FBuffer.Assign(FCombs); }, Tr("Ошибка создания буфера комбинаций!\r\r%s")))
        FBufferKey = {-1, -1};
}

void TCombsController::SetCombsExclude(int n) {
    FApp.Settings().DrawsExclude = std::max(n, 0);
    FApp.UI().ActionsChanged();
}

void TCombsController::SetCombsSelection(TRowRanges ranges) {
    // Clip to the list, order and merge, so that every consumer can rely on sorted disjoint ranges.
    TRowRanges r;
    for (auto [a, b] : ranges) {
        b = std::min(b, FCombs.Count());
        if (a < b) r.push_back({a, b});
    }
    std::sort(r.begin(), r.end());
    TRowRanges merged;
    for (const auto& x : r) {
        if (!merged.empty() && x.first <= merged.back().second)
            merged.back().second = std::max(merged.back().second, x.second);
        else
            merged.push_back(x);
    }
    FCombsSelection = std::move(merged);
    FApp.UI().ActionsChanged();
}

} // namespace zorb
