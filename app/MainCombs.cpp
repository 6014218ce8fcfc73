// The combination list of the main window: generation, files, clipboard, the buffer, filtering and undo.
#include "app/TemplateMain.h"

#include "combos/CombFiles.h"
#include "combos/Generate.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <algorithm>
#include <optional>

namespace zorb {

namespace {

// A busy mark with a progress text only when asked for.
struct TOptionalBusy {
    std::optional<TBusyScope> Scope;
    TOptionalBusy(TTemplateMain& app, bool show, const std::string& text) {
        if (show) Scope.emplace(app, text);
    }
};
} // namespace

int TTemplateMain::WindowEnd() const {
    return std::max(DrawRowCount() - 1 - FDrawsOffset, 0);
}

std::string TTemplateMain::CombColumnCaption(int column) const {
    if (column == 0) return Tr("№ п.п.");
    if (column == 7) return "S";
    return column >= 1 && column <= 6 ? std::to_string(column) : "";
}

std::string TTemplateMain::CombCellText(size_t row, int column) const {
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

int64_t TTemplateMain::CombCellColor(size_t row, int column) const {
    if (row >= FCombs.Count() || !FSettings.ColorCombs || column < 1 || column > 6) return -1;
    return ChannelColor(FCombs[row].N[column - 1], FStats.Config.ChannelSize);
}

void TTemplateMain::SetCombsSelection(TRowRanges ranges) {
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
    FUI.ActionsChanged();
}

size_t TTemplateMain::CombsSelectedCount() const {
    size_t n = 0;
    for (const auto& [a, b] : FCombsSelection) n += b - a;
    return n;
}

void TTemplateMain::SetCombsExclude(int n) {
    FSettings.DrawsExclude = std::max(n, 0);
    FUI.ActionsChanged();
}

void TTemplateMain::RefreshCombsCount() {
    if (FCombs.Count() != FListedCombs) {
        FListedCombs = FCombs.Count();
        FCombsSelection.clear();
        FUI.CombsListReset();
    } else {
        FUI.CombsListRepaint();
    }
    FUI.SetStatusPanel(3, Format(Tr("Комбинаций: %d"), FCombs.Count()));
    FUI.ActionsChanged();
}

void TTemplateMain::AddFilterLine(TFilterLine line) {
    FFilters.push_back(std::move(line));
    FUI.FiltersChanged();
}

void TTemplateMain::ReportOddCombs(size_t odd) {
    if (odd == 0) return;
    Message(TMsgBox::Warning,
            Format(Tr("Комбинаций с числами вне диапазона 1..52 или с повторяющимися числами: %d.\r\rТакие "
                      "комбинации оставлены в списке как есть."),
                   odd));
}

// --- Undo -----------------------------------------------------------------------------------------------------------

void TTemplateMain::MakeUndo(bool show) {
    TOptionalBusy busy(*this, show, Tr("Создание файла отката..."));
    try {
        FUndo.Assign(FCombs);
    } catch (...) {
        FUndo.Free();
        throw;
    }
}

void TTemplateMain::RestoreUndo(bool show) {
    {
        TOptionalBusy busy(*this, show, Tr("Отмена изменений..."));
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

// --- Generation, files, clipboard ----------------------------------------------------------------------------------

void TTemplateMain::GenerateCombs(bool interactive, const TGenerateSettings& params) {
    {
        TOptionalBusy busy(*this, interactive, Tr("Генерация возможных комбинаций..."));
        try {
            ReportOddCombs(zorb::GenerateCombs(FCombs, params.Mode, params.Parameters));
        } catch (const std::exception& e) {
            if (params.Mode == gmFile)
                ShowError(Format(Tr("Ошибка чтения файла \"%s\"!\r\r%s"), params.Parameters, ErrorText(e)));
            else
                ShowError(Format(Tr("Ошибка генерации файла комбинаций!\r\r%s"), ErrorText(e)));
        }
    }
    if (interactive) {
        FFilters.clear();
        FUI.FiltersChanged();
        FUndo.Clear();
    }
    RefreshCombsCount();
}

void TTemplateMain::CombsGen() {
    TGenerateSettings params = FStats.Generate;
    bool saveAsDefault = false;
    if (!FUI.EditGenerateParams(params, saveAsDefault)) return;
    if (saveAsDefault) {
        FStats.Generate = params;
        try {
            FStats.SaveGenerateSettings();
        } catch (const std::exception& e) {
            ShowError(Format(Tr("Ошибка записи в файл конфигурации!\r\r%s"), ErrorText(e)));
        }
    }
    MakeUndo(true);
    GenerateCombs(true, params);
}

void TTemplateMain::CombsOpen(const std::string& path) {
    if (path.empty()) return;
    {
        TBusyScope busy(*this, Format(Tr("Загрузка файла \"%s\"..."), path));
        // Reading into a separate list leaves the current one untouched when the file cannot be read.
        TCombsArray loaded;
        TCombsReadStats stats;
        try {
            LoadCombsFile(path, loaded, &stats);
            FCombs.Assign(loaded);
            ReportOddCombs(stats.Odd);
        } catch (const std::exception& e) {
            ShowError(Format(Tr("Ошибка чтения файла \"%s\"!\r\r%s"), path, ErrorText(e)));
        }
        FUndo.Clear();
        FFilters.clear();
        FUI.FiltersChanged();
    }
    RefreshCombsCount();
}

void TTemplateMain::CombsSave(const std::string& path) {
    if (path.empty()) return;
    TBusyScope busy(*this, Format(Tr("Сохранение файла \"%s\"..."), path));
    try {
        SaveCombsFile(path, FCombs);
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка записи в файл \"%s\"!\r\r%s"), path, ErrorText(e)));
    }
}

void TTemplateMain::CombsCopy() {
    TBusyScope busy(*this, Tr("Подождите пожалуйста..."));
    std::vector<size_t> rows;
    rows.reserve(CombsSelectedCount());
    for (const auto& [a, b] : FCombsSelection)
        for (size_t r = a; r < b; ++r) rows.push_back(r);
    FUI.SetClipboardText(CombsClipboardText(FCombs.Data(), rows));
}

void TTemplateMain::CombsPaste() {
    const std::string text = FUI.ClipboardText();
    {
        TBusyScope busy(*this, Tr("Подождите пожалуйста..."));
        if (Trim(text).empty()) return;
        TCombsArray pasted;
        std::string badLine;
        size_t odd = 0;
        if (ParseClipboardCombs(text, pasted, badLine, &odd)) {
            FCombs.Assign(pasted);
            FFilters.clear();
            FUI.FiltersChanged();
            ReportOddCombs(odd);
        } else {
            ShowError(Format(Tr("Некорректная комбинация: \"%s\"!"), badLine));
        }
        FUndo.Clear();
    }
    RefreshCombsCount();
}

void TTemplateMain::CombsSelectAll() {
    TBusyScope busy(*this, Tr("Подождите пожалуйста..."));
    FCombsSelection.clear();
    if (FCombs.Count()) FCombsSelection.push_back({0, FCombs.Count()});
    FUI.CombsSelectAll();
}

void TTemplateMain::CombsCheckNums() {
    int count;
    {
        TBusyScope busy(*this, Tr("Подождите пожалуйста..."));
        count = DistinctNumbers(FCombs.Data(), FCombs.Count());
    }
    Message(TMsgBox::Info, Format(Tr("В текущем списке комбинаций содержится %d уникальных номеров"), count));
}

std::string TTemplateMain::FindInDrawsText(const TComb& comb) {
    std::vector<std::string> hits;
    {
        TBusyScope busy(*this, Tr("Поиск по архиву тиражей..."));
        TNumberMask want{};
        for (uint8_t n : comb.N) want.Include(n);
        for (int i = DrawRowCount() - 1; i >= 0 && hits.size() < 26; --i) {
            TNumberMask have{};
            for (uint8_t n : FDraws[static_cast<size_t>(i)].Numbers) have.Include(n);
            if (have == want) hits.push_back(DrawDescription(FDraws[static_cast<size_t>(i)]));
        }
    }
    if (hits.empty()) return Tr("Выделенная комбинация не найдена архиве тиражей!");
    return Tr("Выделенная комбинация найдена в следующих тиражах:") + "\r\r" + Join(hits, "\r");
}

void TTemplateMain::CombsFindInDraws() {
    if (FCombsSelection.empty()) return;
    Message(TMsgBox::Info, FindInDrawsText(FCombs[FCombsSelection.front().first]));
}

// --- Narrowing ------------------------------------------------------------------------------------------------------

void TTemplateMain::FilterByStat(TCustomStat& stat, const TStatDrawArray& selected, const std::string& valuesText,
                                 const std::string& operation, bool exclude) {
    {
        TBusyScope busy(*this, Tr("Фильтрация комбинаций..."));
        if (selected.empty()) return;
        const int e = WindowEnd();
        const bool sorted = FSettings.SortedDraws;
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

void TTemplateMain::FilterByNumbers(const std::string& viewCaption, const std::vector<int>& numbers, bool exclude) {
    std::vector<int> unique;
    for (int n : numbers)
        if (std::find(unique.begin(), unique.end(), n) == unique.end()) unique.push_back(n);
    if (unique.empty()) {
        Message(TMsgBox::Attention, Tr("В выделенном диапазоне нет значений для фильтра!"));
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
    const int nums = FStats.FindByCode("NUMS");
    if (nums < 0) return;
    auto stat = FStats.CreateStat(nums);
    FilterByStat(*stat, selected, Join(texts, "; "), viewCaption, exclude);
}

void TTemplateMain::RemoveLastDraws(int n) {
    {
        TBusyScope busy(*this, Format(Tr("Удаление из списка комбинаций %d последних тиражей..."), n));
        const int hi = DrawRowCount() - 1 - FDrawsOffset;
        const int lo = n > 0 ? std::max(hi - n + 1, 0) : hi + 1;
        FCombs.Clear();
        int lastPercent = -1;
        RemoveDraws(FUndo, FCombs, FDraws, lo, hi, [&](double done) {
            const int percent = static_cast<int>(done * 100);
            if (percent == lastPercent) return;
            lastPercent = percent;
            SetProgressText(Format(Tr("Удаление из списка комбинаций %d последних тиражей ( завершено %.0f %% )..."), n,
                                   done * 100));
        });
        AddFilterLine({Tr("Последние тиражи"), std::to_string(n), FCombs.Count(), TFilterMark::Remove});
    }
    RefreshCombsCount();
}

void TTemplateMain::RemoveSelected() {
    {
        TBusyScope busy(*this, Tr("Удаление выделенных комбинаций..."));
        const size_t k = CombsSelectedCount();
        RemoveRows(FUndo, FCombs, FCombsSelection);
        AddFilterLine({Tr("Выделенные комбинации"), std::to_string(k), FCombs.Count(), TFilterMark::Remove});
        FCombsSelection.clear();
    }
    FListedCombs = SIZE_MAX; // the selection must go even if the count did not change
    RefreshCombsCount();
}

void TTemplateMain::CombsDelExists() {
    MakeUndo(true);
    RemoveLastDraws(FSettings.DrawsExclude);
}

void TTemplateMain::CombsDelSelected() {
    MakeUndo(true);
    RemoveSelected();
}

void TTemplateMain::CombsUndo() {
    RestoreUndo(true);
    if (!FFilters.empty()) {
        FFilters.pop_back();
        FUI.FiltersChanged();
    }
}

// --- Buffer ---------------------------------------------------------------------------------------------------------

void TTemplateMain::SaveBuffer(int offset, int excluded) {
    if (FBufferKey == std::make_pair(offset, excluded)) return;
    TBusyScope busy(*this, Tr("Создание буфера комбинаций..."));
    try {
        FBufferKey = {offset, excluded};
        FBuffer.Assign(FCombs);
    } catch (const std::exception& e) {
        FBufferKey = {-1, -1};
        ShowError(Format(Tr("Ошибка создания буфера комбинаций!\r\r%s"), ErrorText(e)));
    }
}

bool TTemplateMain::LoadBuffer(int offset, int excluded) {
    if (FBufferKey != std::make_pair(offset, excluded)) return false;
    {
        TBusyScope busy(*this, Tr("Загрузка буфера комбинаций..."));
        try {
            FCombs.Assign(FBuffer);
        } catch (const std::exception& e) {
            ShowError(Format(Tr("Ошибка загрузки буфера комбинаций!\r\r%s"), ErrorText(e)));
            return false;
        }
    }
    RefreshCombsCount();
    return true;
}

void TTemplateMain::DeleteBuffer() {
    FBufferKey = {-1, -1};
    FBuffer.Free();
}

void TTemplateMain::ForgetBuffer() {
    FBufferKey = {-1, -1};
}

} // namespace zorb
