#include "app/TemplateMain.h"

#include "core/DrawArchive.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/Platform.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "net/ProxySettings.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <utility>

#ifndef ZORB_VERSION
#define ZORB_VERSION "0.0.0"
#endif

namespace zorb {

namespace {
constexpr int RestartWaitSteps = 600; // of 100 ms
} // namespace

std::string MsgBoxCaption(TMsgBox box) {
    switch (box) {
    case TMsgBox::Error: return Tr("Ошибка");
    case TMsgBox::Info: return Tr("Информация");
    case TMsgBox::Attention: return Tr("Внимание!");
    case TMsgBox::Warning: return Tr("Предупреждение");
    case TMsgBox::Confirm: return Tr("Подтверждение");
    }
    return "";
}

TTemplateMain::TTemplateMain(UserInterface& ui, TAppOptions options)
    : FUI(ui), FOptions(std::move(options)), FSwitches(TSwitches::Parse(FOptions.Args)) {
    // The statistics table is the first view of the refresh chain.
    AddViewRefresher([this](bool force) { FStatistics.Recalculate(force); });
    AddViewRefresher([this](bool force) { FViews.Refresh(force); });
    FScenarios.SetTestEndHook(
        [this](int64_t first, int64_t end, int holdout) { FRatings.ShowTestSummary(first, end, holdout); });
}

TTemplateMain::~TTemplateMain() = default;

std::string TTemplateMain::DataFile(const std::string& name) const {
    return JoinPath(FOptions.DataDir, name);
}

std::string TTemplateMain::SettingsPath() const {
    return DataFile(ProgramName() + ".ini");
}

std::unique_ptr<TIniFile> TTemplateMain::ReadSettingsFile() {
    auto ini = std::make_unique<TIniFile>(SettingsPath());
    try {
        ini->Load();
        FSettingsFileReported = false;
    } catch (const std::exception& e) {
        if (!std::exchange(FSettingsFileReported, true))
            ShowError(Format(Tr("Ошибка чтения файла конфигурации!\r\r%s"), ErrorText(e)));
    }
    return ini;
}

const TIniFile& TTemplateMain::FormSettingsFile() const {
    static const TIniFile none("");
    return FFrm ? *FFrm : none;
}

std::string TTemplateMain::FrmPath() const {
    return DataFile(ProgramName() + ".frm");
}

// --- Start-up -----------------------------------------------------------------------------------------------

void TTemplateMain::Create() {
    try {
        FFrm = std::make_unique<TIniFile>(FrmPath());
        // A fresh start: every member already holds its initial value, so nothing is reset here.
        if (FSwitches.Restart) {
            StepWaitForOtherCopy();
            if (FTerminated) return;
        }
        // Before the first program file (a language module) is read.
        FUpdates.RecoverInterruptedUpdate();
        StepLanguage();
        FViewsFrozen = false;
        FCombinations.ForgetBuffer();
        StepReadFormSettings();
        StepLoadSettings();
        {
            TBusyScope busy(*this, Tr("Загрузка файла конфигурации..."));
            Attempt([&] { FArchive.LoadProxySettings(); }, Tr("Ошибка чтения файла конфигурации!\r\r%s"));
        }
        StepBuildRegistry();
        FState = TStartState::PartOneDone;
        // Held until the initialisation timer has loaded the data, so no action runs on a half-loaded state.
        BeginBusy();
        FUI.StartInitTimer();
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка запуска программы!\r\r%s"), ErrorText(e)));
    }
}

void TTemplateMain::StepWaitForOtherCopy() {
    for (int step = 0; step < RestartWaitSteps; ++step) {
        if (FindOtherProcesses(FOptions.ExeName).empty()) return;
        FUI.ProcessEvents();
        SleepMs(100);
    }
    if (!FindOtherProcesses(FOptions.ExeName).empty()) {
        FTerminated = true;
        FUI.RequestClose();
    }
}

void TTemplateMain::StepLanguage() {
    // The language key is needed before the rest of the window settings are applied, so the file is read here;
    // a failure is reported once, when StepReadFormSettings applies them.
    try {
        FFrm->Load();
    } catch (...) {}
    int lcid = FSwitches.NoLanguage ? BuiltInLanguage
                                    : FFrm->ReadInteger(FormSection, "Language", BuiltInLanguage, 1, MaxLanguageId);
    FLanguage = BuiltInLanguage;
    LoadLanguageModule("");
    if (!SamePrimaryLanguage(lcid, BuiltInLanguage) && FindLanguage(lcid)) {
        std::string path = LanguageModulePath(lcid);
        try {
            if (FileExists(path)) {
                LoadLanguageModule(path);
                FLanguage = lcid;
            }
        } catch (...) {
            LoadLanguageModule("");
        }
    }
    FCaption = ProgramCaption();
    FUI.SetCaption(FCaption);
    FindHelpFile();
    BuildActions();
    FUI.LanguageChanged();
}

void TTemplateMain::FindHelpFile() {
    // The user guide is an HTML page per language in "guide" beside the executable or among the installed files;
    // a language without its own guide gets the built-in language's one rather than none.
    std::vector<std::string> abbrevs = LanguageModuleAbbrevs(FLanguage);
    if (!SamePrimaryLanguage(FLanguage, BuiltInLanguage)) abbrevs.push_back(LanguageAbbrev(BuiltInLanguage));
    FHelpFile.clear();
    for (const std::string& abbrev : abbrevs)
        for (const std::string& dir : ProgramFileDirs(FOptions.ExeDir)) {
            const std::string path = JoinPath(JoinPath(dir, "guide"), Format("%s_%s.html", ProgramName(), abbrev));
            if (FileExists(path)) {
                FHelpFile = path;
                return;
            }
        }
}

void TTemplateMain::StepReadFormSettings() {
    Attempt(
        [&] {
            if (FFrm->LoadFailed()) FFrm->Load(); // raises again with the reason
            FSettings.Load(*FFrm, FormSection);
            FStatistics.ReadSortSetting(*FFrm);
            FUI.RestoreWindowState(*FFrm, FormSection);
            if (!FSettings.PrefetchsInit) {
                FSettings.PrefetchsInit = true;
                FFrm->WriteBool(FormSection, "PrefetchsInit", true);
                FFrm->WriteBool(FormSection, "PrefetchsEnabled", FSettings.PrefetchsEnabled);
                FFrm->Save();
            }
        },
        Tr("Ошибка загрузки параметров программы!\r\r%s"));
}

void TTemplateMain::StepLoadSettings() {
    SetProgressText(Tr("Загрузка файла конфигурации..."));
    if (!Attempt(
            [&] {
                FStats.SetSettingsPath(SettingsPath());
                FStats.LoadGenerateSettings();
                FStats.LoadSettings();
                FStats.LoadShreddingSettings();
            },
            Tr("Ошибка чтения файла конфигурации!\r\r%s"))) {
        FSettingsFileReported = true;
    }
    SetProgressText("");
}

void TTemplateMain::StepBuildRegistry() {
    FStats.SetSettingsPath(SettingsPath());
    FStats.SetDraws(&FArchive.Draws());
    FStats.SetLanguageAbbrev(LanguageAbbrev(FLanguage));
    FStats.SetHelpFile(FHelpFile);
    FStats.BuildMethods();
    FStatistics.LoadFavorites();
    FStatistics.FillMethodSelectors();
}

void TTemplateMain::OnInitTimer() {
    if (FState != TStartState::PartOneDone || FInitRunning) return;
    FInitRunning = true;
    try {
        SetProgressText(Tr("Инициализация..."));
        FCombinationsCount = Binomial(MaxNumber, NumbersPerDraw);
        FCombinations.ReserveFullSet();
        FMatchDistribution = ComputeMatchDistribution();
        FCaption = ProgramCaption() + Tr(" версия ") + ProgramVersion();
        FUI.SetCaption(FCaption);
        FArchive.ResetOffset();
        if (!FStakes.LoadStakes()) {
            ShowError(Format(Tr("Невозможно получить монопольный доступ к файлам данных!\r\rКаталог данных: %s\r\r"
                                "Возможные причины данной ошибки:\r\r1) Этот каталог уже использует другая копия "
                                "программы. Несколько копий могут работать одновременно только с разными каталогами "
                                "данных (ключ --dir).\r\r2) У программы нет прав на запись в этот каталог.\r\r"
                                "Программа будет закрыта!"),
                             FOptions.DataDir));
            FRefused = true;
            FState = TStartState::Initialized;
            EndBusy();
            EndBatch();
            return;
        }
        FArchive.LoadArchive();
        FRatings.LoadRatings();
        FTables.LoadTables();
        FCombinations.GenerateCombs(true, FStats.Generate);
        RefreshViews(true);
        FScenarios.LoadState();
        if (!FSwitches.LoadOnly && !FSwitches.FullRecreate && !FSwitches.FullRefresh) OpenFileArgument();
        if (!FSwitches.LoadOnly && !FSwitches.FullRecreate && !FSwitches.FullRefresh) FSystems.Startup();
        if (!FSwitches.LoadOnly && !FSwitches.FullRecreate && !FSwitches.FullRefresh) FLibrary.Startup();
        if (FSwitches.LoadOnly) {
            FArchive.DrawsDownload();
            if (!FSwitches.FullRecreate && !FSwitches.FullRefresh) EndBatch();
        }
        if (!FTerminated) FUpdates.StartupCheck();
        if (FTerminated) {
        } else if (FSwitches.FullRecreate) {
            FStatistics.EnsurePrefetchs(true, TStatsController::AllGroups());
            EndBatch();
        } else {
            FStatistics.EnsurePrefetchs(FSwitches.FullRefresh, {});
            if (FSwitches.FullRefresh) EndBatch();
        }
        if (!FTerminated && FSettings.DownloadDrawsOnStart != 2) {
            // Without an address the download can only fail: no question, one hint where to set it.
            if (!DownloadConfigured())
                Note(Tr("Тиражи не загружены: не задан адрес архива результатов («Файл → Параметры»)"));
            else if (FSettings.DownloadDrawsOnStart == 1 ||
                     Ask(TMsgBox::Confirm, Tr("Обновить список тиражей?\r\rДля выполнения обновления необходимо "
                                              "действующее подключение к сети Интернет.")))
                FArchive.DrawsDownload();
        }
        if (FSettings.FirstRun && !FTerminated) {
            TFirstRunInfo info;
            info.HelpAvailable = !FHelpFile.empty();
            if (FUI.ShowFirstRun(info)) {
                FSettings.FirstRun = false;
                WriteOptionNow([](TIniFile& ini) { ini.WriteBool(FormSection, "FirstRun", false); });
            }
        }
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка инициализации программы!\r\r%s"), ErrorText(e)));
    }
    SetProgressText("");
    FState = TStartState::Initialized;
    FInitRunning = false;
    EndBusy();
}

// A file handed over by the desktop opens as its own action opens it; an archive is never read from outside the
// data directory, where the lock and every other data file are.
void TTemplateMain::OpenFileArgument() {
    const TFileArgument& file = FSwitches.File;
    switch (file.Kind) {
    case TFileKind::None: break;
    case TFileKind::Scenario: FScenarios.ScriptOpen(file.Path); break;
    case TFileKind::Combinations: FCombinations.CombsOpen(file.Path); break;
    case TFileKind::Archive: {
        std::error_code ec;
        const std::string own = DataFile(ProgramName() + ".ldr");
        if (!std::filesystem::equivalent(file.Path, own, ec))
            Message(TMsgBox::Warning,
                    Format(Tr("Файл \"%s\" не открыт: программа работает с архивом тиражей \"%s\" своего каталога "
                              "данных."),
                           file.Path, own));
        break;
    }
    }
}

void TTemplateMain::Shutdown() {
    if (FState == TStartState::ShutDown) return;
    if (FRefused) {
        // A copy that was kept out of the directory leaves every file as the running copy has it.
        FState = TStartState::ShutDown;
        return;
    }
    if (!FFrm) FFrm = std::make_unique<TIniFile>(FrmPath());
    Attempt(
        [&] {
            FUI.SaveWindowState(*FFrm, FormSection, FSettings);
            FSettings.SaveSizes(*FFrm, FormSection);
            FStatistics.WriteSortSetting(*FFrm);
            FFrm->Save();
        },
        Tr("Ошибка сохранения параметров программы!\r\r%s"));
    FCombinations.FreeLists();
    FArchive.MutableDraws().clear();
    FRatings.ClearRatings();
    FTables.ClearTables();
    FStakes.SaveStakes();
    FState = TStartState::ShutDown;
}

void TTemplateMain::EndBatch() {
    FTerminated = true;
    FUI.RequestClose();
}

void TTemplateMain::Restart() {
    std::vector<std::string> args = {"restart", "--dir", FOptions.DataDir};
    std::string exe = JoinPath(FOptions.ExeDir, FOptions.ExeName);
    if (!StartDetachedProcess(exe, args, FOptions.ExeDir)) {
        ShowError(Format(Tr("Не удалось перезапустить программу: %s"), exe));
        return;
    }
    FTerminated = true;
    FUI.RequestClose();
}

// --- Busy state, progress, messages --------------------------------------------------------------------------

void TTemplateMain::BeginBusy() {
    if (FBusy++ == 0) {
        FUI.SetBusyCursor(true);
        FUI.ActionsChanged();
    }
}

void TTemplateMain::EndBusy() {
    if (FBusy > 0 && --FBusy == 0) {
        FUI.SetBusyCursor(false);
        FUI.ActionsChanged();
        if (!FNote.empty()) FUI.SetProgressText(std::exchange(FNote, {}));
    }
}

void TTemplateMain::Note(const std::string& text) {
    // Long work clears the status line as it ends, so a note made during it waits until then.
    FNote = text;
    if (!Busy()) FUI.SetProgressText(std::exchange(FNote, {}));
}

void TTemplateMain::SetProgressText(const std::string& text) {
    FUI.SetProgressText(text);
}

void TTemplateMain::Message(TMsgBox box, const std::string& text) {
    FUI.ShowMessage(box, text);
}

bool TTemplateMain::Ask(TMsgBox box, const std::string& text) {
    return FUI.AskYesNo(box, text);
}

void TTemplateMain::WriteOptionNow(const std::function<void(TIniFile&)>& write) {
    if (!FFrm) return;
    Attempt(
        [&] {
            write(*FFrm);
            FFrm->Save();
        },
        Tr("Ошибка сохранения параметров программы!\r\r%s"));
}

// --- Draw archive ------------------------------------------------------------------------------------------------

void TTemplateMain::RefreshViews(bool force) {
    if (FViewsFrozen) return;
    for (auto& refresh : FViewRefreshers) refresh(force);
}

void TTemplateMain::AddViewRefresher(std::function<void(bool)> refresher) {
    FViewRefreshers.push_back(std::move(refresher));
}

// --- Effects -------------------------------------------------------------------------------------------------

void TTemplateMain::SetOption(bool TFormSettings::*option, bool value) {
    FSettings.*option = value;
    if (const char* key = OptionKey(option))
        WriteOptionNow([&](TIniFile& ini) { ini.WriteBool(FormSection, key, value); });
    FUI.ActionsChanged();
}

std::string TTemplateMain::LanguageModulePath(int lcid) const {
    // A module may carry the Windows abbreviation or the ISO code ("ENU" or "ENG"); the first name is preferred.
    const std::vector<std::string> abbrevs = LanguageModuleAbbrevs(lcid);
    for (const std::string& dir : ProgramFileDirs(FOptions.ExeDir))
        for (const std::string& abbrev : abbrevs) {
            const std::string path = JoinPath(dir, Format("%s_%s.lng", ProgramName(), abbrev));
            if (FileExists(path)) return path;
        }
    return JoinPath(FOptions.ExeDir, Format("%s_%s.lng", ProgramName(), abbrevs.front()));
}

std::vector<int> TTemplateMain::AvailableLanguages() const {
    std::vector<int> r = {BuiltInLanguage};
    for (const auto& l : KnownLanguages())
        if (!SamePrimaryLanguage(l.Lcid, BuiltInLanguage) && FileExists(LanguageModulePath(l.Lcid)))
            r.push_back(l.Lcid);
    return r;
}

void TTemplateMain::ChooseLanguage(int lcid) {
    if (SamePrimaryLanguage(lcid, FLanguage)) return;
    if (!SamePrimaryLanguage(lcid, BuiltInLanguage)) {
        try {
            LoadLanguageModule(LanguageModulePath(lcid));
        } catch (const std::exception& e) {
            LoadLanguageModule(FLanguage == BuiltInLanguage ? "" : LanguageModulePath(FLanguage));
            ShowError(ErrorText(e));
            return;
        }
    } else {
        LoadLanguageModule("");
    }
    FSettings.Language = lcid;
    WriteOptionNow([&](TIniFile& ini) { ini.WriteInteger(FormSection, "Language", lcid); });
    Restart();
}

std::string TTemplateMain::NormalizeUrl(const std::string& address) {
    std::string lower = LowerCase(address);
    for (const char* scheme : {"http://", "https://", "ftp://", "ftps://"})
        if (lower.rfind(scheme, 0) == 0) return address;
    return "http://" + address;
}

void TTemplateMain::OpenLink(const std::string& address) {
    FUI.OpenUrl(NormalizeUrl(address));
}

// --- Actions ---------------------------------------------------------------------------------------------------

bool TTemplateMain::ActionEnabled(const TAction& a) const {
    if (Busy() && !a.WhileBusy) return false;
    return !a.Enabled || a.Enabled();
}

bool TTemplateMain::ActionEnabled(const std::string& name) const {
    const TAction* a = FindAction(name);
    return a && ActionEnabled(*a);
}

bool TTemplateMain::ActionChecked(const std::string& name) const {
    const TAction* a = FindAction(name);
    return a && a->Checked && a->Checked();
}

bool TTemplateMain::Execute(const std::string& name) {
    const TAction* a = FindAction(name);
    if (!a || !ActionEnabled(*a)) return false;
    auto effect = a->Execute; // the table may be rebuilt by the effect (language change)
    // A step the effect reported itself does not come back here; anything else is told once, as it is.
    Attempt(effect, "%s");
    FUI.ActionsChanged();
    return true;
}

void TTemplateMain::BuildActions() {
    FActions.Clear();
    FActions.DeclareMenu("File", "Файл");
    FActions.DeclareMenu("Draws", "Архив тиражей");
    FActions.DeclareMenu("Combs", "Комбинации");
    FActions.DeclareMenu("Stats", "Статистика");
    FActions.DeclareMenu("Stakes", "Ставки");
    FActions.DeclareMenu("Ratings", "Рейтинг");
    FActions.DeclareMenu("Tables", "Регуляры");
    FActions.DeclareMenu("Systems", "Системы");
    FActions.DeclareMenu("Scenario", "Сценарий");
    FActions.DeclareMenu("View", "Вид");
    FActions.DeclareMenu("Help", "Справка");
    RegisterOwnActions();
    // One line per subsystem, in dependency order.
    FArchive.RegisterActions(FActions);
    FCombinations.RegisterActions(FActions);
    FStatistics.RegisterActions(FActions);
    FStakes.RegisterActions(FActions);
    FScenarios.RegisterActions(FActions);
    FExport.RegisterActions(FActions);
    FUpdates.RegisterActions(FActions);
    FViews.RegisterActions(FActions);
    FRatings.RegisterActions(FActions);
    FTables.RegisterActions(FActions);
    FSystems.RegisterActions(FActions);
    FLibrary.RegisterActions(FActions);
}

void TTemplateMain::RegisterOwnActions() {
    auto always = [] { return true; };
    FActions.Add(
        {"ExitProgram", "Выход", "Завершить работу программы", "Alt+X", always, [this] { FUI.RequestClose(); }},
        {"File", 90, true});
    FActions.Add({"AutoSelfUpdate", "Автоматическое обновление", "Проверять наличие новой версии при запуске", "",
                  always, [this] { ToggleOption(&TFormSettings::AutoUpdates); },
                  [this] { return FSettings.AutoUpdates; }},
                 {"File", 50});
    FActions.Add({"GetHelp", "Справка", "Открыть файл справки", "F1", [this] { return !FHelpFile.empty(); },
                  [this] { FUI.OpenDocument(FHelpFile); }},
                 {"Help", 10});
    for (const TLinkInfo& link : Links()) {
        std::string url = link.Url;
        FActions.Add({link.Name, link.Caption, url, "", always, [this, url] { OpenLink(Tr(url)); }},
                     {"Help", 20, link.Name == Links().front().Name});
    }
    FActions.Add({"About", "О программе", "Сведения о программе", "", always,
                  [this] {
                      FUI.ShowAbout({ProgramCaption(), ProgramVersion(), AboutText()});
                  }},
                 {"Help", 30, true});
    for (int lcid : AvailableLanguages()) {
        const TLanguageInfo* info = FindLanguage(lcid);
        // Language names are never translated.
        FActions.Add({Format("Language_%d", lcid), info ? info->Name : std::to_string(lcid), "", "", always,
                      [this, lcid] { ChooseLanguage(lcid); },
                      [this, lcid] { return SamePrimaryLanguage(lcid, FLanguage); }, "Language"},
                     {"View", 30, true, Tr("Язык интерфейса")}, false);
    }
}

} // namespace zorb
