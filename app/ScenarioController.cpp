// The scenario of the main window: its lines and state file, the list and editor, and its runs.
#include "app/ScenarioController.h"

#include "combos/FilterItem.h"
#include "combos/Generate.h"
#include "core/Cancel.h"
#include "core/DrawArchive.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "online/Systems.h"
#include "stakes/Stakes.h"
#include "stats/StatList.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <unordered_set>

namespace zorb {

namespace {

class TNoScenarioUi final : public TScenarioUi {
    void ScriptListChanged() override {}
    void ScriptSelectionChanged(int) override {}
    bool EditScriptLine(TScriptEditorData&) override { return false; }
    bool AskTestCount(int&, int) override { return false; }
    void ScriptPanelsChanged(const TScriptPanels&) override {}
    void ScriptRunStateChanged(bool) override {}
};

TScenarioUi& ScenarioUiOf(UserInterface& ui) {
    static TNoScenarioUi none;
    TScenarioUi* s = UiOf<TScenarioUi>(ui);
    return s ? *s : none;
}

const char* const DashLine =
    "----------------------------------------------------------------------------------------------";
const char* const EqualsLine =
    "==============================================================================================";

// The code of a filter's method word ("NUMS:100" gives "NUMS").
std::string MethodCode(const std::string& word) {
    return Trim(word.substr(0, word.find(':')));
}

// The log's banner lines start with "###", which a language module could not hold as a text of its own.
std::string Banner(const char* text) {
    return "###" + std::string(text);
}

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// At most `n` characters of UTF-8 text.
std::string CutChars(const std::string& s, size_t n) {
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && chars++ == n) return s.substr(0, i);
    return s;
}

uint64_t CombKey(const TComb& c) {
    uint64_t k = 0;
    for (uint8_t n : c.N) k = k << 8 | n;
    return k;
}

// Undoes whatever a pass or a line leaves behind, on every path out of it.
template <class F> struct TFinally {
    F Fn;
    ~TFinally() { Fn(); }
};
template <class F> TFinally(F) -> TFinally<F>;

} // namespace

TScenarioController::TScenarioController(TAppServices& app, TDrawsController& draws, TCombsController& combs,
                                         TStatsController& stats, TStakesController& stakes)
    : FApp(app), FUi(ScenarioUiOf(app.UI())), FArchive(draws), FCombs(combs), FStats(stats), FStakes(stakes) {}

// --- Actions ---------------------------------------------------------------------------------------------------

void TScenarioController::RegisterActions(TActionTable& t) {
    auto always = [] { return true; };
    auto idle = [this] { return !FRunning; };
    auto hasLines = [this] { return !FRunning && !FLines.empty(); };
    auto command = [this] { return !FRunning && SelectedIsCommand(); };
    const auto menu = [](int order, bool group = false, int barOrder = 0) {
        TActionPlace p{"Scenario", order, group};
        if (barOrder) {
            p.Toolbar = "Scenario";
            p.ToolbarOrder = barOrder;
        }
        return p;
    };
    const std::string filter = "Файлы сценариев (*.lsc)|*.lsc";
    TAction open{"ScriptOpen", "Открыть", "Загрузить сценарий из файла",
                 "Ctrl+J",     idle,      [this, filter] {
                     ScriptOpen(FApp.UI().OpenFileName(Tr(filter), "lsc")); }};
    open.Scope = "lvScript";
    t.Add(open, menu(10, false, 1));
    t.Add({"ScriptSave", "Сохранить", "Сохранить сценарий в файле", "Ctrl+I", hasLines,
           [this, filter] { ScriptSave(FApp.UI().SaveFileName(Tr(filter), "lsc")); }},
          menu(20, false, 2));
    t.Add({"ScriptLoad", "Добавить сценарий", "Добавить выбранный сценарий из файла в текущий сценарий", "", idle,
           [this, filter] { ScriptLoad(FApp.UI().OpenFileName(Tr(filter), "lsc")); }},
          menu(30));
    t.Add({"ScriptAdd", "Добавить фильтры", "Добавить новую команду в сценарий", "Ctrl+Ins", idle,
           [this] { ScriptAdd(); }},
          menu(40, true, 3));
    t.Add({"ScriptEmpty", "Добавить разделитель", "Добавить разделитель в сценарий", "Shift+Ctrl+Ins", hasLines,
           [this] { ScriptEmpty(); }},
          menu(50, false, 4));
    t.Add({"ScriptClone", "Клонировать", "Добавить новую команду в сценарий и скопировать в нее данные из выделенной",
           "Ctrl+K", command, [this] { ScriptClone(); }},
          menu(60, false, 5));
    t.Add({"ScriptEdit", "Изменить", "Редактировать выделенную команду", "Ctrl+Return", command,
           [this] { ScriptEdit(); }},
          menu(70, false, 6));
    TAction del{"ScriptDel",
                "Удалить",
                "Удалить выделенные строки",
                "Ctrl+Del",
                [this] { return !FRunning && !FSelection.empty(); },
                [this] { ScriptDel(); }};
    del.Scope = "lvScript";
    t.Add(del, menu(80, true, 7));
    t.Add({"ScriptClr", "Удалить все", "Удалить весь сценарий", "", hasLines, [this] { ScriptClr(); }}, menu(90));
    t.Add({"ScriptUp", "Переместить вверх", "Переместить выделенную строку вверх", "Ctrl+Up",
           [this] { return !FRunning && SelectedLine() > 0; }, [this] { ScriptUp(); }},
          menu(100, true, 8));
    t.Add({"ScriptDown", "Переместить вниз", "Переместить выделенную строку вниз", "Ctrl+Down",
           [this] { return !FRunning && SelectedLine() >= 0 && SelectedLine() + 1 < LineCount(); },
           [this] { ScriptDown(); }},
          menu(110, false, 9));
    auto canRun = [this] { return !FRunning && !FLines.empty() && !FArchive.Draws().empty(); };
    t.Add({"ScriptRun", "Прогноз", "Выполнить сценарий для текущего тиража и смещения", "F10", canRun,
           [this] { RunForecast(); }},
          menu(120, true, 10));
    t.Add({"ScriptTest", "Тест", "Тестирование сценария на основе результатов предыдуших тиражей", "Ctrl+F10", canRun,
           [this] { ScriptTest(); }},
          menu(130, false, 11));
    TAction stop{"ScriptStop",
                 "Стоп",
                 "Остановить выполнение сценария",
                 "Ctrl+X",
                 [this] { return FRunning && !FStopRequested; },
                 [this] { RequestStop(true); }};
    stop.WhileBusy = true;
    t.Add(stop, menu(140, false, 12));
    t.Add({"LogToggle", "Журнал выполнения сценария",
           "Создание подробного журнала выполнения сценария для анализа его работы", "", idle,
           [this] { FApp.ToggleOption(&TFormSettings::ScriptLogEnabled); },
           [this] { return FApp.Settings().ScriptLogEnabled; }},
          menu(150, true));
    t.Add({"LogsDelete", "Удалить журналы выполнения сценариев", "Удалить файлы журналов выполнения сценария", "", idle,
           [this] { DeleteLogs(); }},
          menu(160));
    (void)always;
}

// --- The scenario ------------------------------------------------------------------------------------------------

std::string TScenarioController::StatePath() const {
    return FApp.DataFile(FApp.ProgramName() + ".lss");
}

void TScenarioController::Changed() {
    FUi.ScriptListChanged(); // the tab's own status bar shows CountText(); panel 4 of the window is the stakes'
    FApp.UI().ActionsChanged();
}

std::string TScenarioController::CountText() const {
    return Format(Tr("Строк: %d"), LineCount());
}

void TScenarioController::LoadState() {
    if (FileExists(StatePath())) LoadScenario(StatePath(), false);
    Changed();
}

bool TScenarioController::LoadScenario(const std::string& file, bool append) {
    bool ok = true;
    {
        TBusyScope busy(FApp, Format(Tr("Загрузка файла \"%s\"..."), file));
        try {
            TScriptLines read = ReadScenarioFile(file);
            if (append && !FLines.empty())
                AppendScenarioLines(FLines, read);
            else
                FLines = std::move(read);
            FSelection.clear();
        } catch (const std::exception& e) {
            FApp.ShowError(Format(Tr("Ошибка чтения файла \"%s\"!\r\r%s"), file, ErrorText(e)));
            ok = false;
        }
    }
    Changed();
    return ok;
}

bool TScenarioController::SaveScenario(const std::string& file) {
    TBusyScope busy(FApp, Format(Tr("Сохранение файла \"%s\"..."), file));
    try {
        WriteScenarioFile(file, FLines);
        return true;
    } catch (const std::exception& e) {
        FApp.ShowError(Format(Tr("Ошибка записи в файл \"%s\"!\r\r%s"), file, ErrorText(e)));
        return false;
    }
}

bool TScenarioController::SaveState() {
    if (FApp.ReadOnly()) return false;
    return SaveScenario(StatePath());
}

int TScenarioController::AddLine(const std::string& text) {
    FLines.push_back(StorableLine(text));
    SaveState();
    Changed();
    return LineCount() - 1;
}

void TScenarioController::SetLine(int index, const std::string& text) {
    if (index < 0 || index >= LineCount())
        throw EZorbError(Format(Tr("Запись со индексом %d в файле данных не найдена!"), index));
    FLines[static_cast<size_t>(index)] = StorableLine(text);
    FUi.ScriptListChanged();
}

std::string TScenarioController::GetLine(int index) const {
    if (index < 0 || index >= LineCount())
        throw EZorbError(Format(Tr("Запись со индексом %d в файле данных не найдена!"), index));
    return FLines[static_cast<size_t>(index)];
}

std::string TScenarioController::ScriptColumnCaption(int column) const {
    if (column == 0) return Tr("Комментарии");
    if (column == 1) return Tr("Опции");
    return column >= 2 && column < ScriptColumnCount ? Format(Tr("Фильтр %d"), column - 1) : "";
}

std::string TScenarioController::ScriptCellText(int row, int column) const {
    if (row < 0 || row >= LineCount()) return "";
    return CellText(FApp.Registry(), FLines[static_cast<size_t>(row)], column);
}

std::string TScenarioController::CellText(const TStatList& registry, const std::string& line, int column) {
    if (column < 0 || column >= ScriptColumnCount || IsSeparatorLine(line)) return "";
    if (column == 0) return LineField(line, 9);
    if (column == 1) return OptionsCaption(ParseOptions(LineField(line, 1)));
    // Filters are shown as their parsed descriptions write themselves.
    return FilterText(ParseFilter(LineField(line, column), registry), registry);
}

void TScenarioController::SetScriptSelection(std::vector<int> rows) {
    const int n = LineCount();
    rows.erase(std::remove_if(rows.begin(), rows.end(), [n](int r) { return r < 0 || r >= n; }), rows.end());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    FSelection = std::move(rows);
    FApp.UI().ActionsChanged();
}

bool TScenarioController::SelectedIsCommand() const {
    const int i = SelectedLine();
    return i >= 0 && i < LineCount() && !IsSeparatorLine(FLines[static_cast<size_t>(i)]);
}

// --- The line editor ---------------------------------------------------------------------------------------------

TScriptEditorData TScenarioController::EditorData(const std::string& caption, int exclude,
                                                  const std::string& text) const {
    TScriptEditorData d;
    d.Caption = caption;
    d.Options.ExcludeDraws = std::max(exclude, 0);
    if (Trim(text).empty()) return d;
    const TScriptLineFields f = SplitLine(text);
    d.Comment = f.Comment;
    d.Options = ParseOptions(f.Options);
    d.Filters = f.Filters;
    return d;
}

std::string TScenarioController::EditorLine(const TScriptEditorData& d) {
    TScriptLineFields f;
    f.Options = OptionsText(d.Options);
    f.Filters = d.Filters;
    f.Comment = d.Comment;
    return BuildLine(f);
}

std::string TScenarioController::CheckEditor(const TScriptEditorData& d) {
    TScriptLineFields f;
    f.Filters = d.Filters;
    f.Comment = d.Comment;
    if (!LineFieldsValid(f)) return Tr("Фильтры и комментарий не могут содержать символ \"|\" и переводы строк!");
    if (d.Options.ExcludeDraws < 0) return Tr("Введено некорректное количество тиражей!");
    return "";
}

bool TScenarioController::EditLine(const std::string& caption, int exclude, std::string& text) {
    TScriptEditorData d = EditorData(caption, exclude, text);
    for (;;) {
        if (!FUi.EditScriptLine(d)) return false;
        const std::string problem = CheckEditor(d);
        if (problem.empty()) break;
        // A window checks before it closes; a scripted answer that slips through is refused here.
        FApp.Message(TMsgBox::Attention, problem);
        return false;
    }
    text = EditorLine(d);
    return true;
}

bool TScenarioController::EditFilterText(std::string& text) {
    TFilterItem item = ParseFilter(text, FApp.Registry());
    if (!FStats.EditFilter(item)) return false;
    text = FilterText(item, FApp.Registry());
    return true;
}

// --- Editing actions ---------------------------------------------------------------------------------------------

void TScenarioController::ScriptOpen(const std::string& file) {
    if (file.empty()) return;
    LoadScenario(file, false);
    SaveState();
}

void TScenarioController::ScriptSave(const std::string& file) {
    if (!file.empty()) SaveScenario(file);
}

void TScenarioController::ScriptLoad(const std::string& file) {
    if (file.empty()) return;
    if (LoadScenario(file, true)) SaveState();
}

void TScenarioController::AppendAsNew(const std::string& text) {
    FSelection.clear();
    const int row = AddLine(text);
    FSelection = {row};
    FUi.ScriptSelectionChanged(row);
    FApp.UI().ActionsChanged();
}

void TScenarioController::ScriptAdd() {
    std::string text;
    if (EditLine(Tr("Создание новой строки"), FApp.Settings().DrawsExclude, text)) AppendAsNew(text);
}

void TScenarioController::ScriptEmpty() {
    AppendAsNew("");
}

void TScenarioController::ScriptClone() {
    if (!SelectedIsCommand()) return;
    std::string text = GetLine(SelectedLine());
    if (EditLine(Tr("Создание новой строки"), FApp.Settings().DrawsExclude, text)) AppendAsNew(text);
}

void TScenarioController::ScriptEdit() {
    if (!SelectedIsCommand()) return;
    const int row = SelectedLine();
    std::string text = GetLine(row);
    if (!EditLine(Tr("Редактирование строки"), FApp.Settings().DrawsExclude, text)) return;
    SetLine(row, text);
    SaveState();
    Changed();
}

void TScenarioController::ScriptDel() {
    if (FSelection.empty()) return;
    const int n = static_cast<int>(FSelection.size());
    const std::string question =
        n == 1 ? Tr("Удалить выделенную запись?")
               : Format(Tr("Удалить все выделенные записи (всего будет удалено %d записи(ей))?"), n);
    if (!FApp.Ask(TMsgBox::Warning, question)) return;
    {
        TBusyScope busy(FApp, Tr("Удаление строк..."));
        for (auto it = FSelection.rbegin(); it != FSelection.rend(); ++it) FLines.erase(FLines.begin() + *it);
        FSelection.clear();
    }
    SaveState();
    Changed();
}

void TScenarioController::ScriptClr() {
    if (FLines.empty()) return;
    const int n = LineCount();
    const std::string question =
        n == 1 ? Tr("Удалить выделенную запись?")
               : Format(Tr("Удалить все выделенные записи (всего будет удалено %d записи(ей))?"), n);
    if (!FApp.Ask(TMsgBox::Warning, question)) return;
    {
        TBusyScope busy(FApp, Tr("Удаление строк..."));
        FSelection.clear();
        FLines.clear();
    }
    SaveState();
    Changed();
}

void TScenarioController::ScriptUp() {
    const int i = SelectedLine();
    if (i <= 0 || i >= LineCount()) return;
    std::swap(FLines[static_cast<size_t>(i)], FLines[static_cast<size_t>(i - 1)]);
    FSelection = {i - 1};
    FUi.ScriptListChanged();
    FUi.ScriptSelectionChanged(i - 1);
    SaveState();
    Changed();
}

void TScenarioController::ScriptDown() {
    const int i = SelectedLine();
    if (i < 0 || i + 1 >= LineCount()) return;
    std::swap(FLines[static_cast<size_t>(i)], FLines[static_cast<size_t>(i + 1)]);
    FSelection = {i + 1};
    FUi.ScriptListChanged();
    FUi.ScriptSelectionChanged(i + 1);
    SaveState();
    Changed();
}

void TScenarioController::DeleteLogs() {
    std::vector<std::string> logs;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(FApp.DataDir(), ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("ScriptLog_", 0) == 0 && name.size() >= 14 && name.substr(name.size() - 4) == ".txt" &&
            e.is_regular_file(ec))
            logs.push_back(e.path().string());
    }
    if (logs.empty()) {
        FApp.Message(TMsgBox::Info, Tr("Файлы журналов не найдены!"));
        return;
    }
    int deleted = 0;
    std::vector<std::string> failed;
    {
        TBusyScope busy(FApp, Tr("Поиск файлов журналов..."));
        for (const std::string& path : logs) {
            std::error_code rc;
            if (std::filesystem::remove(path, rc))
                ++deleted;
            else
                failed.push_back(ExtractFileName(path) + ": " + rc.message());
        }
    }
    const std::string report = Format(Tr("Удалено файлов: %d из %d."), deleted, static_cast<int>(logs.size()));
    if (failed.empty())
        FApp.Message(TMsgBox::Info, report);
    else
        FApp.Message(TMsgBox::Warning, report + "\r\r" + Join(failed, "\r"));
}

// --- Execution ---------------------------------------------------------------------------------------------------

void TScenarioController::Log(const std::string& text) {
    if (!FLog.Active()) return;
    if (!FLog.Write(text)) FApp.ShowError(Format(Tr("Ошибка записи журнала: %s!"), FLog.LastError()));
}

void TScenarioController::SetPanels(int line, const std::string& text) {
    FPanels.Cycle = FCycle;
    FPanels.Line = line;
    FPanels.StakesAdded = FStakesAdded;
    FPanels.Text = text;
    const int64_t now = NowMs();
    // The panels are for a person: a repaint every 50 ms is plenty, and it keeps a fast test fast.
    if (now - FLastPanelMs < 50) return;
    FLastPanelMs = now;
    FUi.ScriptPanelsChanged(FPanels);
    FApp.UI().ProcessEvents();
}

bool TScenarioController::CheckStop() {
    FApp.UI().ProcessEvents();
    // Ctrl+C on a terminal stops the run as ScriptStop does, between whole stake records.
    if (FRunning && !FStopRequested && CancelRequested()) RequestStop(false);
    return FStopRequested;
}

void TScenarioController::RequestStop(bool ask) {
    if (!FRunning || FStopRequested) return;
    if (ask && !FApp.Ask(TMsgBox::Confirm, Tr("Остановить выполнение сценария?"))) return;
    Log(Banner(" ВЫПОЛНЕНИЕ СЦЕНАРИЯ ПРЕРВАНО #############################################################"));
    FStopRequested = true;
    FUi.ScriptRunStateChanged(true);
    FApp.UI().ActionsChanged();
}

void TScenarioController::Fail(const std::string& message) {
    FStopRequested = true;
    FApp.ShowError(message);
}

void TScenarioController::BeginRun() {
    FApp.BeginBusy();
    FApp.SetProgressText(Tr("Выполнение сценария..."));
    if (FApp.Settings().ScriptLogEnabled) {
        FLog.Start(FApp.DataFile(ScriptLogName(std::time(nullptr))));
        Log(Banner(" ЗАПУСК СЦЕНАРИЯ ##########################################################################"));
    }
    FRunning = true;
    FStopRequested = false;
    FStakeFailed = false;
    FStakesAdded = 0;
    FLastPanelMs = 0;
    FLastCheckMs = NowMs();
    FCheckPending = false;
    FRng.seed(FSeed ? FSeed : static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    // The views are locked before the first panel refresh lets the interface act.
    FUi.ScriptRunStateChanged(true);
    FApp.UI().ActionsChanged();
    SetPanels(0, Tr("Выполнение сценария..."));
}

void TScenarioController::EndRun() {
    FreeBase();
    if (FCheckPending) {
        try {
            CheckStakesNow();
        } catch (const std::exception& e) {
            FApp.ShowError(ErrorText(e));
        }
    }
    FCycle = 0;
    FRunning = false;
    FStopRequested = false;
    FUi.ScriptRunStateChanged(false);
    if (FLog.Active()) {
        Log(Banner(" ЗАВЕРШЕНИЕ СЦЕНАРИЯ ######################################################################"));
        FLastLogPath = FLog.Path();
        if (!FLog.Forget()) FApp.ShowError(Format(Tr("Ошибка записи журнала: %s!"), FLog.LastError()));
        FApp.UI().OpenDocument(FLastLogPath);
    }
    FLastPanelMs = 0;
    FUi.ScriptPanelsChanged(FPanels);
    FApp.SetProgressText("");
    FApp.EndBusy();
    FApp.UI().ActionsChanged();
}

bool TScenarioController::RunForecast() {
    if (FRunning) return false;
    BeginRun();
    FCycle = 1;
    const int sortColumn = FStats.StatSortColumn();
    const bool sortDesc = FStats.StatSortDescending();
    bool stopped = true;
    try {
        Log(EqualsLine);
        Log(Format("=== Выполнение сценария для смещения %.6d ==================================================",
                   FArchive.DrawsOffset()));
        Log(EqualsLine);
        const int64_t first = FStakes.StakeCount();
        RunPass();
        stopped = FStopRequested;
        if (!stopped) SetPanels(0, Tr("Сценарий завершен!"));
        if (FPassHook)
            FPassHook({FArchive.DrawsOffset(), NextDrawNumber(FArchive.Draws(), FArchive.DrawsOffset()),
                       FCombs.Combs().Count(), first, FStakes.StakeCount()});
    } catch (const std::exception& e) {
        FStopRequested = true;
        FApp.ShowError(ErrorText(e));
    }
    FStats.SetStatSort(sortColumn, sortDesc);
    EndRun();
    return !stopped;
}

void TScenarioController::ScriptTest() {
    const int maxCount = std::max(FArchive.DrawRowCount() - 1, 1);
    int count = std::min(10, maxCount);
    int holdout = 0;
    if (!FUi.AskTestRun(count, holdout, maxCount)) return;
    const int64_t firstStake = FStakes.StakeCount();
    RunTest(count);
    if (FTestEndHook) FTestEndHook(firstStake, FStakes.StakeCount(), holdout);
}

bool TScenarioController::RunTest(int count) {
    if (FRunning) return false;
    count = std::clamp(count, 1, std::max(FArchive.DrawRowCount() - 1, 1));
    BeginRun();
    FCycle = 0;
    const int sortColumn = FStats.StatSortColumn();
    const bool sortDesc = FStats.StatSortDescending();
    const int oldOffset = FArchive.DrawsOffset();
    bool stopped = false;
    try {
        for (int i = 1; i <= count; ++i) {
            const int v = count - i + 1;
            FCycle = i;
            SetPanels(0, Tr("Выполнение сценария..."));
            if (CheckStop()) break;
            FArchive.SetDrawsOffset(v);
            if (CheckStop()) break;
            Log(EqualsLine);
            Log(Format("=== Выполнение сценария для смещения %.6d ==================================================",
                       v));
            Log(EqualsLine);
            if (CheckStop()) break;
            const int64_t first = FStakes.StakeCount();
            RunPass();
            if (FPassHook)
                FPassHook(
                    {v, NextDrawNumber(FArchive.Draws(), v), FCombs.Combs().Count(), first, FStakes.StakeCount()});
            if (FStopRequested) break;
        }
    } catch (const std::exception& e) {
        FStopRequested = true;
        FApp.ShowError(ErrorText(e));
    }
    stopped = FStopRequested;
    if (!stopped) FArchive.SetDrawsOffset(oldOffset);
    FPanels.Text = Tr("Сценарий завершен!");
    FStats.SetStatSort(sortColumn, sortDesc);
    EndRun();
    return !stopped;
}

void TScenarioController::CheckStakesNow() {
    FCheckPending = false;
    FLastCheckMs = NowMs();
    FStakes.CheckAndCommitStakes();
    FStakes.RefreshStakesView(true, false);
}

// A check that finds work syncs the stakes file and re-sorts and saves the ratings; after a line of a fast test
// that would be several disk syncs per pass for a view nobody can read that quickly. The order of the checks
// does not change what they write, so a line's check waits for a second to pass or for the end of its pass.
void TScenarioController::CheckStakesAfterLine() {
    if (!FApp.Settings().StakesCheckOnLine) return;
    if (FPlainSteps || NowMs() - FLastCheckMs >= 1000)
        CheckStakesNow();
    else
        FCheckPending = true;
}

void TScenarioController::RunPass() {
    TStakesFile& stakes = FStakes.StakesFile();
    if (stakes.IsOpen() && !FApp.ReadOnly()) AppendSeparatorAfterStake(stakes);
    FCombs.DeleteBuffer();
    FApp.Registry().SaveWeights();
    TFinally restore{[this] {
        FApp.Registry().RestoreWeights();
        FCombs.DeleteBuffer();
    }};
    const TScriptLines& lines = RunLines();
    for (size_t i = 0; i < lines.size() && !FStopRequested; ++i) {
        const std::string line = lines[i];
        if (IsSeparatorLine(line)) continue;
        if (!FRunLines) {
            FSelection = {static_cast<int>(i)};
            FUi.ScriptSelectionChanged(static_cast<int>(i));
        }
        Log(DashLine);
        Log(Format("Выполнение строки %.3d: \"%s\"", static_cast<int>(i + 1), line));
        Log(DashLine);
        FBufferWanted = false;
        const TScriptOptions options = ParseOptions(LineField(line, 1));
        if (options.Source == ssExclude && options.ExcludeDraws > 0)
            for (size_t j = i + 1; j < lines.size() && !FBufferWanted; ++j) {
                const TScriptOptions later = ParseOptions(LineField(lines[j], 1));
                FBufferWanted = !IsSeparatorLine(lines[j]) && later.Source == ssExclude &&
                                later.ExcludeDraws == options.ExcludeDraws;
            }
        RunLine(static_cast<int>(i + 1), line);
        if (!FRunLines) {
            FSelection.clear();
            FUi.ScriptSelectionChanged(-1);
        }
    }
    if (!FApp.Settings().StakesCheckOnLine || FCheckPending) CheckStakesNow();
}

bool TScenarioController::CheckLine(const std::string& line, int64_t& sets, std::string& message) const {
    sets = 0;
    message.clear();
    if (IsSeparatorLine(line)) return true;
    std::vector<TFilterAxis> axes;
    std::string bad;
    if (!BuildFilterAxes(SplitLine(line).Filters, FApp.Registry(), axes, bad)) {
        message = Format(Tr("Некорректное описание фильтра: %s!"), bad);
        return false;
    }
    sets = CountVariantSets(axes);
    if (sets > MaxVariantSets) {
        message = Tr("Вы задали слишком много вариантов фильтров - программа не сможет обработать их все!\r"
                     "Пожалуйста, уменьшите в каждом из фильтров количество вариантов длины выборки и глубины, а "
                     "затем повторите попытку.");
        return false;
    }
    for (const TFilterAxis& a : axes) {
        const auto& shown = FStats.StatTypeItems();
        if (a.Item.Method < 0 || std::find(shown.begin(), shown.end(), a.Item.Method) == shown.end()) {
            const std::string code =
                a.Item.Method >= 0 ? FApp.Registry().CodeOf(a.Item.Method) : MethodCode(a.Item.MethodText);
            const std::string caption = a.Item.Method >= 0 ? FApp.Registry().DisplayName(a.Item.Method, true) : "";
            message = Format(Tr("Метод расчета статистики \"%s\" на найден!\r%s\r\rВозможно, Вы отключили данных "
                                "метод расчета либо использовали сценарий от другой модификации программы."),
                             code, caption);
            return false;
        }
    }
    return true;
}

void TScenarioController::RunLine(int lineNo, const std::string& text) {
    FCombs.ForgetUndo();
    TFinally forget{[this] { FCombs.ForgetUndo(); }};
    const TScriptOptions options = ParseOptions(LineField(text, 1));
    const TScriptLineFields fields = SplitLine(text);
    Log("Создание всех вариантов фильтров...");
    SetPanels(lineNo, Tr("Создание всех вариантов фильтров..."));
    std::vector<TFilterAxis> axes;
    std::string bad;
    if (!BuildFilterAxes(fields.Filters, FApp.Registry(), axes, bad)) {
        Fail(Format(Tr("Некорректное описание фильтра: %s!"), bad));
        return;
    }
    // Counted before any set is made: a product of ranges can be astronomically large.
    const int64_t total = CountVariantSets(axes);
    if (total > MaxVariantSets) {
        Fail(Tr("Вы задали слишком много вариантов фильтров - программа не сможет обработать их все!\r"
                "Пожалуйста, уменьшите в каждом из фильтров количество вариантов длины выборки и глубины, а "
                "затем повторите попытку.") +
             "\r\r" + Format(Tr("Наборов фильтров: %d, допустимо не более %d."), total, MaxVariantSets));
        return;
    }
    if (!axes.empty()) Log(Format("Создано %d вариантов фильтров.", total));
    FBufferWanted = FBufferWanted || total > 1;
    const std::string optionsShort = OptionsShort(options);
    const TStatList& registry = FApp.Registry();
    if (total > 0) {
        TVariantWalker walker(axes);
        TFilterRec rec;
        int k = 0;
        while (!FStopRequested && walker.Next(rec)) {
            ++k;
            const std::string setText = FilterRecText(rec, registry);
            Log("");
            Log(DashLine);
            Log(Format("Применение набора фильтров %.3d: \"%s\"", k, setText));
            Log(DashLine);
            SetPanels(lineNo, Format(Tr("Фильтр %d из %d: %s"), k, total, setText));
            Log("Создание начального списка комбинаций...");
            PrepareStart(options);
            Log(Format("Количество комбинаций в списке: %d", FCombs.Combs().Count()));
            if (CheckStop()) break;
            for (size_t p = 0; p < rec.size() && !FStopRequested; ++p)
                if (rec[p].Defined && FCombs.Combs().Count() > 1) ApplyVariant(rec[p], axes[p].Item.MethodText);
            if (CheckStop()) break;
            const int before = FStakesAdded;
            StakeStep(options, lineNo, optionsShort + " + " + setText, fields.Comment, k);
            if (FSetHook) FSetHook({lineNo, k, FCombs.Combs().Count(), FStakesAdded - before, setText});
            if (CheckStop()) break;
            Log(DashLine);
            CheckStakesAfterLine();
        }
        return;
    }
    Log("{ERROR} Фильтры не применялись!");
    Log("");
    SetPanels(lineNo, optionsShort);
    Log("Создание начального списка комбинаций...");
    PrepareStart(options);
    Log(Format("Количество комбинаций в списке: %d", FCombs.Combs().Count()));
    if (CheckStop()) return;
    const int before = FStakesAdded;
    StakeStep(options, lineNo, optionsShort, fields.Comment, 0);
    if (FSetHook) FSetHook({lineNo, 0, FCombs.Combs().Count(), FStakesAdded - before, ""});
    CheckStakesAfterLine();
}

// The run's starting list is generated once and lent to the list: it may sit in the list or in its undo copy
// while a set runs, and before anything could write over it, it is taken back here with its count.
void TScenarioController::ParkBase() {
    if (!FBaseData) return;
    if (FCombs.Combs().Data() == FBaseData) {
        FCombs.ExchangeList(FBase);
        FCombs.ClearList();
    } else if (FCombs.UndoCombs().Data() == FBaseData) {
        FCombs.ExchangeUndo(FBase);
        FCombs.ForgetUndo();
    }
    FBase.SetCount(FBaseCount);
}

bool TScenarioController::StartFromBase() {
    const TGenerateSettings& params = FApp.Registry().Generate;
    if (FPlainSteps || params.Mode == gmFile) {
        // A file may change between sets; it is read every time, as the window reads it.
        FCombs.GenerateCombs(true, params);
        return false;
    }
    // The applied filters and undo start afresh as at a generation, from a generation of nothing.
    FCombs.GenerateCombs(true, TGenerateSettings{gmOnlyMine, ""});
    if (!FBaseData) {
        TBusyScope busy(FApp, Tr("Генерация возможных комбинаций..."));
        GenerateCombs(FBase, params.Mode, params.Parameters);
        FBaseData = FBase.Data();
        FBaseCount = FBase.Count();
    }
    ParkBase();
    return true;
}

void TScenarioController::LendBase() {
    FCombs.ExchangeList(FBase);
    FCombs.RefreshCombsCount();
}

// The list keeps whatever storage it holds, the lent one included: it is the run's result.
void TScenarioController::FreeBase() {
    FBase.Free();
    FBaseData = nullptr;
    FBaseCount = 0;
}

void TScenarioController::PrepareStart(const TScriptOptions& options) {
    const int n = options.ExcludeDraws;
    const bool fromBase = (options.Source == ssFull || options.Source == ssExclude) && StartFromBase();
    // A buffer is copied into the list, so the lent list goes in only when no buffer serves.
    const bool buffered =
        fromBase && options.Source == ssExclude && n > 0 && FCombs.LoadBuffer(FArchive.DrawsOffset(), n);
    if (fromBase && !buffered) LendBase();
    if (CheckStop()) return;
    if (options.Source == ssExclude && n > 0 && !buffered) {
        const int offset = FArchive.DrawsOffset();
        if (!FCombs.LoadBuffer(offset, n)) {
            TakeUndo();
            FCombs.RemoveLastDraws(n);
            // A copy nobody reads costs as much as a filter: the buffer is kept only for a later set or line.
            if (FPlainSteps || FBufferWanted) FCombs.SaveBuffer(offset, n);
        }
    }
    if (CheckStop()) return;
    if (options.ClearStakes && !FApp.ReadOnly()) {
        // What is already decided is rated before the file is cut, so no stake leaves unchecked; a check that
        // failed keeps the stakes and stops the run. The file stays open, and with it the directory's lock.
        CheckStakesNow();
        TStakesFile& file = FStakes.StakesFile();
        if (file.IsOpen()) {
            const TDrawsArray& draws = FArchive.Draws();
            for (int64_t i = 0; i < file.Count(); ++i) {
                const TStakeRecord r = file.Read(i);
                if (!r.Checked && r.DrawNumber > 0 && r.Numbers.Count >= 6 && FindDraw(draws, r.DrawNumber) >= 0) {
                    Fail(Tr("Ставки не удалены: не все ставки удалось проверить!"));
                    return;
                }
            }
            file.Truncate();
            file.Sync();
        }
        FStakes.RefreshStakesView(true, false);
    }
}

void TScenarioController::ApplyVariant(const TFilterPart& part, const std::string& methodWord) {
    TStatList& registry = FApp.Registry();
    FStats.SetStatSelection({});
    const auto& shown = FStats.StatTypeItems();
    if (part.Method < 0 || std::find(shown.begin(), shown.end(), part.Method) == shown.end()) {
        const std::string code = part.Method >= 0 && part.Method < registry.MethodCount() ? registry.CodeOf(part.Method)
                                                                                          : MethodCode(methodWord);
        const std::string caption =
            part.Method >= 0 && part.Method < registry.MethodCount() ? registry.DisplayName(part.Method, true) : "";
        Fail(Format(Tr("Метод расчета статистики \"%s\" на найден!\r%s\r\rВозможно, Вы отключили данных метод "
                       "расчета либо использовали сценарий от другой модификации программы."),
                    code, caption));
        return;
    }
    FStats.SetStatEntry(part.Method);
    FStats.SetStatSort(std::clamp(part.SortColumn, 0, StatColumnCount - 1), true);
    FApp.Settings().DrawsStatLen = std::max(part.WindowLength, 1);
    Log(Format("Анализ тиражей и расчет статистики \"%s\" для выборки в %d тиражей...",
               registry.DisplayName(part.Method, true), part.WindowLength));
    TWeights own;
    own.Count = part.WeightCount;
    own.Deviation = part.WeightDeviation;
    own.Level = part.WeightLevel;
    own.UsePercents = part.WeightPercents;
    own.UseAbsValues = part.WeightAbs;
    registry.ApplyWeights(part.OwnWeights, own);
    FStats.Recalculate(false);
    if (CheckStop()) return;

    const std::vector<TStatLine>& lines = FStats.StatLines();
    const std::unique_ptr<TCustomStat> stat = registry.CreateStat(part.Method);
    auto values = [&](size_t row) {
        const TStatLine& l = lines[row];
        return StatValuesFromCells(l.Cells.data(), StatColumnCount, stat->ValueFromText(l.Cells[0]));
    };
    auto rowText = [](const TStatValues& v) {
        return Format("< [%s] кол-во: %s (%s %%), отклонение: %s (%s %%), глубина: %s (%s %%), вес: %s >", v.Caption,
                      v.Count, v.CountPercent, v.Deviation, v.DeviationPercent, v.Depth, v.DepthPercent, v.Weight);
    };
    if (FLog.Active())
        for (size_t r = 0; r < lines.size(); ++r) Log(rowText(values(r)));
    if (CheckStop()) return;

    const TRowTest test(part);
    const size_t n = lines.size();
    auto rowAt = [&](size_t step) { return part.BottomUp ? n - 1 - step : step; };
    auto stopByTable = [&](const TStatValues& v, int steps) {
        switch (part.StopMode) {
        case smValue: {
            const int64_t c = CellInteger(v.Count, 0);
            return part.BottomUp ? c >= part.StopValue : c <= part.StopValue;
        }
        case smPercent: {
            const double c = CellReal(v.CountPercent, 0);
            return part.BottomUp ? c >= part.StopValue : c <= part.StopValue;
        }
        case smSteps: return steps >= part.StopValue;
        default: return false;
        }
    };
    const std::string keepText = part.Keep ? "Оставляем выделенные значения..." : "Удаляем выделенные значения...";
    int steps = 0;
    if (part.MultiSelect) {
        std::vector<int> selected;
        for (size_t s = 0; s < n; ++s) {
            if (CheckStop()) return;
            const size_t row = rowAt(s);
            const TStatValues v = values(row);
            if (stopByTable(v, steps)) break;
            if (test.Passes(v)) {
                selected.push_back(static_cast<int>(row));
                Log(Format("Шаг %.3d. Выделение строки: ", steps + 1) + rowText(v));
            }
            ++steps;
        }
        if (FStopRequested) return;
        Log(keepText);
        FStats.SetStatSelection(selected);
        if (!selected.empty()) FilterSelected(!part.Keep);
        Log(Format("Количество комбинаций в списке: %d", FCombs.Combs().Count()));
        FStats.SetStatSelection({});
        if (FCombs.Combs().Empty()) {
            Log("{UNDO} Откат изменений...");
            Rollback();
            FCombs.AddUndoneLine();
        }
        return;
    }
    const int maxStake = registry.Config.MaxStake;
    for (size_t s = 0; s < n; ++s) {
        if (CheckStop()) return;
        const size_t row = rowAt(s);
        const TStatValues v = values(row);
        const size_t count = FCombs.Combs().Count();
        bool end = false;
        if (part.StopMode == smCombs) {
            end = static_cast<int64_t>(part.StopValue) >= static_cast<int64_t>(count);
        } else if (part.StopMode == smNumbers) {
            const int u = part.StopValue;
            const int distinct = DistinctNumbers(FCombs.Combs().Data(), count);
            end = (u < 7 || u > maxStake ? distinct <= maxStake : distinct <= u) || count <= 1;
        } else {
            end = stopByTable(v, steps);
        }
        if (end) break;
        if (!test.Passes(v)) continue;
        FStats.SetStatSelection({static_cast<int>(row)});
        Log(Format("Шаг %.3d. Выделение строки: ", steps + 1) + rowText(v));
        Log(keepText);
        FilterSelected(!part.Keep);
        Log(Format("Количество комбинаций в списке: %d", FCombs.Combs().Count()));
        FStats.SetStatSelection({});
        if (FCombs.Combs().Empty()) {
            Log("{UNDO} Откат изменений...");
            Rollback();
            FCombs.AddUndoneLine();
            if (part.StopMode == smUntilEmpty) break;
        } else {
            ++steps;
        }
    }
}

void TScenarioController::TakeUndo() {
    if (FPlainSteps) {
        FCombs.MakeUndo(true);
        return;
    }
    if (FBaseData && FCombs.UndoCombs().Data() == FBaseData) {
        // The lent list leaves the undo copy before the list's old storage becomes the step's output.
        FCombs.ExchangeUndo(FBase);
        FBase.SetCount(FBaseCount);
    }
    FCombs.SwapListAndUndo();
}

void TScenarioController::Rollback() {
    if (FPlainSteps) {
        FCombs.RestoreUndo(true);
        return;
    }
    FCombs.SwapListAndUndo();
    FCombs.ForgetUndo();
    FCombs.RefreshCombsCount();
}

// The table's selection filters the list, as the table's own action does, with undo taken by exchange.
void TScenarioController::FilterSelected(bool exclude) {
    if (FPlainSteps) {
        FStats.StatFilter(exclude);
        return;
    }
    const std::vector<int>& rows = FStats.StatSelection();
    const int entry = FStats.StatTypeEntry();
    if (rows.empty() || entry < 0) return;
    const std::vector<TStatLine>& lines = FStats.StatLines();
    TStatDrawArray selected;
    std::vector<std::string> texts;
    for (int row : rows) {
        selected.push_back(lines[static_cast<size_t>(row)].Row);
        texts.push_back(lines[static_cast<size_t>(row)].Cells[0]);
    }
    TStatList& registry = FApp.Registry();
    auto stat = registry.CreateSelectedStat(entry, "cbDrawsStatType");
    TakeUndo();
    try {
        FCombs.FilterByStat(*stat, selected, Join(texts, "; "), registry.DisplayName(entry, true), exclude);
    } catch (...) {
        FCombs.SwapListAndUndo(); // the list as it was, not a half-written one
        throw;
    }
}

bool TScenarioController::AddStake(const TNumberSet& numbers, bool batch, const std::string& comment, bool newOnly) {
    TStakesFile& file = FStakes.StakesFile();
    if (!file.IsOpen() || FApp.ReadOnly()) {
        if (!FStakeFailed) Fail(Tr("Файл ставок не открыт!"));
        FStakeFailed = true;
        return false;
    }
    TStakeRecord r = FStakes.NewStakeRecord(skScenario, comment, numbers);
    const std::string list = NumberSetToText(numbers, ";");
    if (newOnly && FindStake(file, r.DrawNumber, numbers)) {
        Log(Format("{-} Ставка на тираж %d не добавлена, так как уже имеется в списке ставок: [%s]", r.DrawNumber,
                   list));
        return true;
    }
    try {
        AppendStakes(file, r, 1);
    } catch (const std::exception& e) {
        // The first failure ends the run: the same failure for every combination helps nobody.
        FStakeFailed = true;
        Fail(Format(Tr("Ошибка добавления записи в файл ставок!\r\r%s"), ErrorText(e)));
        return false;
    }
    Log(Format("{+} Ставка на тираж %d добавлена в список ставок: [%s]", r.DrawNumber, list));
    ++FStakesAdded;
    if (!batch) FLastPanelMs = 0;
    SetPanels(FPanels.Line, FPanels.Text);
    return true;
}

void TScenarioController::SystemStake(bool restricted, const std::string& comment, bool newOnly) {
    const TCombsArray& list = FCombs.Combs();
    const TByteArray numbers = CollectNumbers(list.Data(), list.Count());
    const int n = static_cast<int>(numbers.size());
    const TSystemLoad load = LoadSystemCombinations(FApp.DataFile("Systems"), numbers);
    if (!load.Ok) {
        Log(Format("{#} Системная игра для %d чисел [ОШИБКА]: \"%s\"", n, load.Failure));
        return;
    }
    const std::vector<TComb>& system = load.Combs;
    const std::string name = ChangeFileExt(ExtractFileName(load.FileName), "");
    Log(Format(restricted ? "{#} Системная игра для %d чисел [система * комбинации]: загружен файл \"%s\""
                          : "{#} Системная игра для %d чисел [все система]: загружен файл \"%s\"",
               n, name));
    std::unordered_set<uint64_t> inList;
    if (restricted) {
        // The system is small and the list may be the full set: one pass over the list marks what it holds.
        std::unordered_set<uint64_t> wanted;
        for (size_t i = 0; i < system.size(); ++i) {
            TComb c = system[i];
            SortComb(c);
            wanted.insert(CombKey(c));
        }
        for (size_t i = 0; i < list.Count() && inList.size() < wanted.size(); ++i) {
            const uint64_t k = CombKey(list[i]);
            if (wanted.count(k)) inList.insert(k);
        }
    }
    for (size_t i = 0; i < system.size() && !FStopRequested; ++i) {
        TComb c = system[i];
        SortComb(c);
        if (restricted && !inList.count(CombKey(c))) continue;
        if (!AddStake(CombToSet(c), true, comment, newOnly)) return;
        if ((i & 255) == 255) CheckStop();
    }
}

// The numbers of the list, thinned at random to `size` with the run's generator: reseeding from the clock per
// stake would repeat the same picks within a tick.
TNumberSet TScenarioController::PickExtended(const TCombsArray& list, int size) {
    size = std::clamp(size, 0, MaxExtendedStake);
    TByteArray numbers = CollectNumbers(list.Data(), list.Count());
    while (numbers.size() > static_cast<size_t>(size)) {
        std::uniform_int_distribution<size_t> pick(0, numbers.size() - 1);
        numbers.erase(numbers.begin() + static_cast<std::ptrdiff_t>(pick(FRng)));
    }
    TNumberSet r{};
    for (uint8_t x : numbers) r.Numbers[r.Count++] = x;
    return r;
}

void TScenarioController::StakeStep(const TScriptOptions& options, int line, const std::string& filters,
                                    const std::string& comment, int k) {
    const int mode = options.StakeMode;
    Log(Format("{*} Добавление ставки, режим: \"%s\"", StakeEditorCaption(mode)));
    const TCombsArray& list = FCombs.Combs();
    if (list.Empty() || mode == skmNone) return;
    std::string text = Format("%.2d.%.3d:", line, k);
    if (!Trim(comment).empty()) text += " " + comment;
    text = CutChars(text + " @ " + filters, 255);
    const size_t count = list.Count();
    if (count > 1 && mode == skmStop) {
        FStopRequested = true;
        Log("{!} Сценарий остановлен!");
        FApp.Message(TMsgBox::Attention,
                     Format(Tr("Выполнение сценария прервано, т.к. после применения всех фильтров в списке комбинаций "
                               "их осталось более одной: %d!\r\rФильтры: %s"),
                            count, text));
        return;
    }
    if (count > 1 && mode == skmSkip) {
        Log("{-} Ставка игнорирована!");
        return;
    }
    if (FStopRequested) return;
    if (count == 1) {
        AddStake(CombToSet(list[0]), false, text, options.NewOnly);
    } else {
        switch (mode) {
        case skmExtended:
            AddStake(PickExtended(list, FApp.Registry().Config.MaxStake), false, text, options.NewOnly);
            break;
        case skmRandom: {
            std::uniform_int_distribution<size_t> pick(0, count - 1);
            AddStake(CombToSet(list[pick(FRng)]), false, text, options.NewOnly);
            break;
        }
        case skmFirst: AddStake(CombToSet(list[0]), false, text, options.NewOnly); break;
        case skmLast: AddStake(CombToSet(list[count - 1]), false, text, options.NewOnly); break;
        case skmAll:
            for (size_t i = 0; i < count && !FStopRequested; ++i) {
                if (!AddStake(CombToSet(list[i]), true, text, options.NewOnly)) break;
                if ((i & 1023) == 1023) CheckStop();
            }
            break;
        case skmSystemAll: SystemStake(false, text, options.NewOnly); break;
        case skmSystemCombs: SystemStake(true, text, options.NewOnly); break;
        default: break;
        }
    }
    FStakes.RefreshStakesView(true, true);
}

} // namespace zorb
