// The scenario of the main window: its lines and state file, the list and editor, and its runs.
#include "app/ScenarioController.h"

#include "combos/FilterItem.h"
#include "core/Cancel.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "online/Systems.h"
#include "scenarios/FileStakeSink.h"
#include "stakes/Stakes.h"
#include "stats/StatList.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>

namespace zorb {

namespace {

class TNoScenarioUi final : public TScenarioUi {
    void ScriptListChanged() override {}
    void ScriptSelectionChanged(int) override {}
    bool EditScriptLine(TScriptEditorData&) override { return false; }
    bool AskScriptTestCount(int&, int&, int) override { return false; }
    void ScriptPanelsChanged(const TScriptPanels&) override {}
    void ScriptRunStateChanged(bool) override {}
};

// The log's banner lines start with "###", which a language module could not hold as a text of its own.
std::string Banner(const char* text) {
    return "###" + std::string(text);
}

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

TScenarioController::TScenarioController(TAppServices& app, TDrawsController& draws, TCombsController& combs,
                                         TStatsController& stats, TStakesController& stakes)
    : FApp(app), FUi(UiOr<TScenarioUi, TNoScenarioUi>(app.UI())), FArchive(draws), FCombs(combs), FStats(stats),
      FStakes(stakes) {}

// --- Actions ---------------------------------------------------------------------------------------------------

void TScenarioController::RegisterActions(TActionTable& t) {
    auto always = [] { return true; };
    auto idle = [this] { return !FRunning; };
    auto hasLines = [this] { return !FRunning && !FLines.empty(); };
    auto command = [this] { return !FRunning && SelectedIsCommand(); };
    const std::string filter = "Файлы сценариев (*.lsc)|*.lsc";
    TAction open{"ScriptOpen", "Открыть", "Загрузить сценарий из файла",
                 "Ctrl+J",     idle,      [this, filter] {
                     ScriptOpen(FApp.UI().OpenFileName(Tr(filter), "lsc")); }};
    open.Scope = "lvScript";
    t.Add(open, MenuPlace("Scenario", 10, false, 1));
    t.Add({"ScriptSave", "Сохранить", "Сохранить сценарий в файле", "Ctrl+I", hasLines,
           [this, filter] { ScriptSave(FApp.UI().SaveFileName(Tr(filter), "lsc")); }},
          MenuPlace("Scenario", 20, false, 2));
    t.Add({"ScriptLoad", "Добавить сценарий", "Добавить выбранный сценарий из файла в текущий сценарий", "", idle,
           [this, filter] { ScriptLoad(FApp.UI().OpenFileName(Tr(filter), "lsc")); }},
          MenuPlace("Scenario", 30));
    t.Add({"ScriptAdd", "Добавить фильтры", "Добавить новую команду в сценарий", "Ctrl+Ins", idle,
           [this] { ScriptAdd(); }},
          MenuPlace("Scenario", 40, true, 3));
    t.Add({"ScriptEmpty", "Добавить разделитель", "Добавить разделитель в сценарий", "Shift+Ctrl+Ins", hasLines,
           [this] { ScriptEmpty(); }},
          MenuPlace("Scenario", 50, false, 4));
    t.Add({"ScriptClone", "Клонировать", "Добавить новую команду в сценарий и скопировать в нее данные из выделенной",
           "Ctrl+K", command, [this] { ScriptClone(); }},
          MenuPlace("Scenario", 60, false, 5));
    t.Add({"ScriptEdit", "Изменить", "Редактировать выделенную команду", "Ctrl+Return", command,
           [this] { ScriptEdit(); }},
          MenuPlace("Scenario", 70, false, 6));
    TAction del{"ScriptDel",
                "Удалить",
                "Удалить выделенные строки",
                "Ctrl+Del",
                [this] { return !FRunning && !FSelection.empty(); },
                [this] { ScriptDel(); }};
    del.Scope = "lvScript";
    t.Add(del, MenuPlace("Scenario", 80, true, 7));
    t.Add({"ScriptClr", "Удалить все", "Удалить весь сценарий", "", hasLines, [this] { ScriptClr(); }},
          MenuPlace("Scenario", 90));
    t.Add({"ScriptUp", "Переместить вверх", "Переместить выделенную строку вверх", "Ctrl+Up",
           [this] { return !FRunning && SelectedLine() > 0; }, [this] { ScriptUp(); }},
          MenuPlace("Scenario", 100, true, 8));
    t.Add({"ScriptDown", "Переместить вниз", "Переместить выделенную строку вниз", "Ctrl+Down",
           [this] { return !FRunning && SelectedLine() >= 0 && SelectedLine() + 1 < LineCount(); },
           [this] { ScriptDown(); }},
          MenuPlace("Scenario", 110, false, 9));
    auto canRun = [this] { return !FRunning && !FLines.empty() && !FArchive.Draws().empty(); };
    t.Add({"ScriptRun", "Прогноз", "Выполнить сценарий для текущего тиража и смещения", "F10", canRun,
           [this] { RunForecast(); }},
          MenuPlace("Scenario", 120, true, 10));
    t.Add({"ScriptTest", "Тест", "Тестирование сценария на основе результатов предыдуших тиражей", "Ctrl+F10", canRun,
           [this] { ScriptTest(); }},
          MenuPlace("Scenario", 130, false, 11));
    TAction stop{"ScriptStop",
                 "Стоп",
                 "Остановить выполнение сценария",
                 "Ctrl+X",
                 [this] { return FRunning && !FStopRequested; },
                 [this] { RequestStop(true); }};
    stop.WhileBusy = true;
    t.Add(stop, MenuPlace("Scenario", 140, false, 12));
    t.Add({"LogToggle", "Журнал выполнения сценария",
           "Создание подробного журнала выполнения сценария для анализа его работы", "", idle,
           [this] { FApp.ToggleOption(&TFormSettings::ScriptLogEnabled); },
           [this] { return FApp.Settings().ScriptLogEnabled; }},
          MenuPlace("Scenario", 150, true));
    t.Add({"LogsDelete", "Удалить журналы выполнения сценариев", "Удалить файлы журналов выполнения сценария", "", idle,
           [this] { DeleteLogs(); }},
          MenuPlace("Scenario", 160));
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
        if (!FApp.Attempt(
                [&] {
                    TScriptLines read = ReadScenarioFile(file);
                    if (append && !FLines.empty())
                        AppendScenarioLines(FLines, read);
                    else
                        FLines = std::move(read);
                    FSelection.clear();
                },
                Tr("Ошибка чтения файла \"%s\"!\r\r%s"), file)) {
            ok = false;
        }
    }
    Changed();
    return ok;
}

bool TScenarioController::SaveScenario(const std::string& file) {
    TBusyScope busy(FApp, Format(Tr("Сохранение файла \"%s\"..."), file));
    return FApp.Attempt([&] { WriteScenarioFile(file, FLines); }, Tr("Ошибка записи в файл \"%s\"!\r\r%s"), file);
}

bool TScenarioController::SaveState() {
    if (FApp.ReadOnly()) return false;
    return SaveScenario(StatePath());
}

int TScenarioController::AddLine(const std::string& text) {
    if (FLines.size() >= MaxScenarioLines) {
        FApp.ShowError(TooManyLinesText(FLines.size() + 1));
        return -1;
    }
    FLines.push_back(StorableLine(text));
    SaveState();
    Changed();
    return LineCount() - 1;
}

void TScenarioController::SetLine(int index, const std::string& text) {
    if (index < 0 || index >= LineCount())
        throw EZorbError(Format(Tr("Запись со индексом %d в файле данных не найдена!"), index));
    FLines.Set(static_cast<size_t>(index), StorableLine(text));
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
    return OptionsProblem(d.Options);
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
    if (row < 0) return;
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
        FLines.Erase(FSelection);
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
    FLines.Swap(static_cast<size_t>(i), static_cast<size_t>(i - 1));
    FSelection = {i - 1};
    FUi.ScriptListChanged();
    FUi.ScriptSelectionChanged(i - 1);
    SaveState();
    Changed();
}

void TScenarioController::ScriptDown() {
    const int i = SelectedLine();
    if (i < 0 || i + 1 >= LineCount()) return;
    FLines.Swap(static_cast<size_t>(i), static_cast<size_t>(i + 1));
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

// The stakes controller as the run's stake sink: the window's file, checks that feed the ratings and the stake
// logs, and the stakes view.
class TScenarioController::TWindowSink final : public TStakeSink {
public:
    TWindowSink(TScenarioController& c) : C(c) {}
    bool IsOpen() override { return C.FStakes.StakesOpen() && !C.FApp.ReadOnly(); }
    int64_t Count() override { return C.FStakes.StakeCount(); }
    void Append(const TStakeRecord& record) override { AppendStakes(C.FStakes.StakesFile(), record, 1); }
    bool Find(int drawNumber, const TNumberSet& numbers) override {
        return FindStake(C.FStakes.StakesFile(), drawNumber, numbers);
    }
    void Separate() override { AppendSeparatorAfterStake(C.FStakes.StakesFile()); }
    // A check that finds work syncs the stakes file and re-sorts and saves the ratings; after a set of a fast
    // test that would be several disk syncs per pass for a view nobody can read that quickly. The order of the
    // checks does not change what they write, so a set's check waits for a second to pass or for its pass's end.
    void Check(bool now) override {
        if (now ? !C.FApp.Settings().StakesCheckOnLine || FPending : C.FPlainSteps || NowMs() - FLastMs >= 1000)
            CheckNow();
        else if (!now)
            FPending = true;
    }
    void Clear() override {
        CheckNow();
        if (CheckableStakesLeft(C.FStakes.StakesFile(), C.FArchive.Draws()))
            throw EZorbError(Tr("Ставки не удалены: не все ставки удалось проверить!"));
        // The file stays open, and with it the directory's lock.
        C.FStakes.StakesFile().Truncate();
        C.FStakes.StakesFile().Sync();
        FSeen = 0;
        C.FStakes.RefreshStakesView(true, false);
    }
    void Shown() override { C.FStakes.RefreshStakesView(true, true); }
    void Flush() {
        if (FPending) CheckNow();
    }

private:
    void CheckNow() {
        FPending = false;
        FLastMs = NowMs();
        // The archive does not change during a run: the records checked before need not be read again.
        const int64_t total = C.FStakes.StakesFile().Count();
        C.FStakes.CheckAndCommitStakes(FSeen);
        FSeen = total;
        C.FStakes.RefreshStakesView(true, false);
    }
    TScenarioController& C;
    bool FPending = false;
    int64_t FLastMs = NowMs();
    int64_t FSeen = 0;
};

// The run's messages, log entries and panels reach the window here; its stop is polled here.
class TScenarioController::TWindowObserver final : public TRunObserver {
public:
    TWindowObserver(TScenarioController& c) : C(c) {}
    bool LogWanted() const override { return C.FLog.Active(); }
    void Log(const std::string& text) override { C.Log(text); }
    void Panels(const TScriptPanels& panels) override {
        C.FCycle = panels.Cycle;
        C.FStakesAdded = panels.StakesAdded;
        C.SetPanels(panels.Line, panels.Text);
    }
    void LineStarted(int index) override {
        if (C.FRunLines) return;
        C.FSelection = index >= 0 ? std::vector<int>{index} : std::vector<int>{};
        C.FUi.ScriptSelectionChanged(index);
    }
    bool Poll() override { return C.CheckStop(); }
    void Message(TRunMessage kind, const std::string& text) override {
        C.FApp.Message(kind == TRunMessage::Error     ? TMsgBox::Error
                       : kind == TRunMessage::Warning ? TMsgBox::Warning
                                                      : TMsgBox::Attention,
                       text);
    }
    void SetDone(const TScriptSetResult& r) override {
        if (C.FSetHook) C.FSetHook(r);
    }
    void PassDone(const TScriptPassResult& r) override {
        if (C.FPassHook) C.FPassHook(r);
    }
    void StakeMade(const TStakeRecord& r, int64_t index) override {
        if (C.FStakeHook) C.FStakeHook(r, index);
    }

private:
    TScenarioController& C;
};

class TScenarioController::TSystemFiles final : public TSystemLoader {
public:
    explicit TSystemFiles(std::string dir) : FDir(std::move(dir)) {}
    TSystemGame Load(const TByteArray& numbers) override {
        TSystemLoad load = LoadSystemCombinations(FDir, numbers);
        return {load.Ok, std::move(load.FileName), std::move(load.Failure), std::move(load.Combs)};
    }

private:
    std::string FDir;
};

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
    if (FRun) FRun->RequestStop();
    FUi.ScriptRunStateChanged(true);
    FApp.UI().ActionsChanged();
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
    FStakesAdded = 0;
    FCycle = 0;
    FLastPanelMs = 0;
    // The views are locked before the first panel refresh lets the interface act.
    FUi.ScriptRunStateChanged(true);
    FApp.UI().ActionsChanged();
    SetPanels(0, Tr("Выполнение сценария..."));
}

void TScenarioController::EndRun(bool stopped) {
    FCycle = 0;
    FRunning = false;
    FStopRequested = false;
    FPanels.Text = stopped ? Tr("Выполнение сценария прервано") : Tr("Сценарий завершен!");
    FUi.ScriptRunStateChanged(false);
    if (FLog.Active()) {
        Log(Banner(" ЗАВЕРШЕНИЕ СЦЕНАРИЯ ######################################################################"));
        FLastLogPath = FLog.Path();
        if (!FLog.Forget()) FApp.ShowError(Format(Tr("Ошибка записи журнала: %s!"), FLog.LastError()));
        FApp.UI().OpenDocument(FLastLogPath);
    }
    FLastPanelMs = 0;
    FPanels.Cycle = 0;
    FUi.ScriptPanelsChanged(FPanels);
    FApp.SetProgressText("");
    FApp.EndBusy();
    FApp.UI().ActionsChanged();
}

// One run of the engine over the offsets, and the window's side of it: the list, the applied filters, the
// statistics tab and the offset are set once, from what the run left.
bool TScenarioController::Run(const std::vector<int>& offsets) {
    if (FRunning) return false;
    BeginRun();
    const int sortColumn = FStats.StatSortColumn();
    const bool sortDesc = FStats.StatSortDescending();
    TWindowSink sink(*this);
    TWindowObserver observer(*this);
    TSystemFiles systems(FApp.DataFile("Systems"));
    TScenarioRunSettings settings;
    settings.SortedDraws = FApp.Settings().SortedDraws;
    settings.CheckOnLine = FApp.Settings().StakesCheckOnLine;
    settings.Generate = FApp.Registry().Generate;
    settings.ShownMethods = FStats.StatTypeItems();
    settings.Seed = FSeed;
    settings.Threads = FThreads;
    settings.Stepped = FPlainSteps;
    TScenarioRunPorts ports;
    ports.Stakes = &sink;
    ports.Systems = &systems;
    ports.Observer = &observer;
    ports.Norms = [this](int entry) { return FStats.OpenPrefetch(entry); };
    bool stopped = true;
    int stoppedOffset = -1;
    try {
        TScenarioRun run(FApp.Registry(), RunLines(), std::move(settings), std::move(ports));
        run.SetStartList(&FCombs.Combs());
        // The undo list is idle in a run (a run leaves none): its room for the full set holds the starting list.
        TCombsArray undo;
        FCombs.ExchangeUndo(undo);
        run.LendStorage(std::move(undo));
        struct TGiveBack {
            TScenarioRun& Run;
            TCombsController& Combs;
            ~TGiveBack() {
                TCombsArray storage = Run.TakeStorage();
                Combs.ExchangeUndo(storage);
            }
        } giveBack{run, FCombs};
        FRun = &run;
        struct TClear {
            TScenarioRun*& Run;
            ~TClear() { Run = nullptr; }
        } clear{FRun};
        stopped = !run.Run(offsets, 1) || FStopRequested;
        stoppedOffset = run.StoppedOffset();
        sink.Flush();
        if (run.HasResult()) {
            // The run's list goes into the list's own storage, which keeps its room for the full set.
            TCombsArray storage;
            FCombs.ExchangeList(storage);
            storage.Assign(run.List());
            FCombs.ExchangeList(storage);
            FCombs.SetFilters(run.Filters());
        }
        FCombs.ForgetUndo();
        FCombs.RefreshCombsCount();
        // The statistics tab names the method and length of the table it shows: the run's last.
        const TRunTable table = run.LastTable();
        if (table.Entry >= 0) FStats.ShowMethod(table.Entry, table.Length);
    } catch (const std::exception& e) {
        stopped = true;
        FApp.ShowError(ErrorText(e));
    }
    FStats.SetStatSort(sortColumn, sortDesc);
    // After a stop the offset is the interrupted pass's, as the user would have seen it.
    if (stoppedOffset >= 0 && stoppedOffset != FArchive.DrawsOffset())
        FArchive.SetDrawsOffset(stoppedOffset);
    else
        FStats.Recalculate(true);
    EndRun(stopped);
    return !stopped;
}

bool TScenarioController::RunForecast() {
    if (FRunning) return false;
    return Run({FArchive.DrawsOffset()});
}

void TScenarioController::ScriptTest() {
    const int maxCount = std::max(FArchive.DrawRowCount() - 1, 1);
    int count = std::min(10, maxCount);
    int holdout = 0;
    if (!FUi.AskScriptTestCount(count, holdout, maxCount)) return;
    const int64_t firstStake = FStakes.StakeCount();
    RunTest(count);
    if (FTestEndHook) FTestEndHook(firstStake, FStakes.StakeCount(), holdout);
}

// A test with count c runs the scenario at offsets c, c - 1, ..., 1: at offset v the stakes are for the draw that
// offset hides, which the archive already holds.
bool TScenarioController::RunTest(int count) {
    if (FRunning) return false;
    count = std::clamp(count, 1, std::max(FArchive.DrawRowCount() - 1, 1));
    std::vector<int> offsets;
    for (int v = count; v >= 1; --v) offsets.push_back(v);
    return Run(offsets);
}

bool TScenarioController::CheckLine(const std::string& line, int64_t& sets, std::string& message) const {
    message = CheckScenarioLine(line, FApp.Registry(), FStats.StatTypeItems(), FApp.Registry().Generate, sets);
    return message.empty();
}

} // namespace zorb
