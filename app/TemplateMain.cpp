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

#ifndef ZORB_VERSION
#define ZORB_VERSION "0.0.0"
#endif

namespace zorb {

namespace {
const char* const FormSection = "TFormMain";
const char* const CombsFileFilterText = "Файлы комбинаций (*.lcv)|*.lcv";
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
    AddViewRefresher([this](bool force) { Recalculate(force); });
}

TTemplateMain::~TTemplateMain() = default;

std::string TTemplateMain::DataFile(const std::string& name) const {
    return JoinPath(FOptions.DataDir, name);
}

std::string TTemplateMain::ArchivePath() const {
    return DataFile(ProgramName() + ".ldr");
}

std::string TTemplateMain::SettingsPath() const {
    return DataFile(ProgramName() + ".ini");
}

std::string TTemplateMain::FrmPath() const {
    return DataFile(ProgramName() + ".frm");
}

std::string TTemplateMain::FavoritesPath() const {
    return DataFile(ProgramName() + ".flt");
}

// --- Start-up -----------------------------------------------------------------------------------------------

void TTemplateMain::Create() {
    try {
        FFrm = std::make_unique<TIniFile>(FrmPath());
        // Steps 1-3: nothing to reset yet beyond the members' initial values.
        if (FSwitches.Restart) {
            StepWaitForOtherCopy();
            if (FTerminated) return;
        }
        StepLanguage();
        FViewsFrozen = false;
        ForgetBuffer();
        StepReadFormSettings();
        StepLoadSettings();
        {
            TBusyScope busy(*this, Tr("Загрузка файла конфигурации..."));
            try {
                FProxy = LoadProxy(SettingsPath());
            } catch (const std::exception& e) {
                ShowError(Format(Tr("Ошибка чтения файла конфигурации!\r\r%s"), ErrorText(e)));
            }
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
    // The language key is needed before the rest of the user-interface settings are applied (step 7), so the
    // file is read here; a failure is reported by step 7.
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
    BuildMenus();
    FUI.LanguageChanged();
}

void TTemplateMain::FindHelpFile() {
    const std::string name = Format("Kessto_%s.chm", LanguageAbbrev(FLanguage));
    const std::string dir = FOptions.ExeDir;
    FHelpFile.clear();
    for (const std::string& path : {JoinPath(dir, name), JoinPath(JoinPath(dir, "help"), name),
                                    JoinPath(JoinPath(ExtractFileDir(dir), "help"), name)})
        if (FileExists(path)) {
            FHelpFile = path;
            return;
        }
}

void TTemplateMain::StepReadFormSettings() {
    try {
        if (FFrm->LoadFailed()) FFrm->Load(); // raises again with the reason
        FSettings.Load(*FFrm, FormSection);
        {
            const auto sort = SplitKeepEmpty(FFrm->ReadString(FormSection, "lvDrawsStat.SortType", ""), ',');
            int32_t column, direction;
            if (sort.size() == 2 && TryStrToInt(Trim(sort[0]), column) && TryStrToInt(Trim(sort[1]), direction) &&
                column >= 0 && column < StatColumnCount) {
                FStatSortColumn = column;
                FStatSortDesc = direction != 0;
            }
        }
        FUI.RestoreWindowState(*FFrm, FormSection);
        if (!FSettings.PrefetchsInit) {
            FSettings.PrefetchsInit = true;
            FFrm->WriteBool(FormSection, "PrefetchsInit", true);
            FFrm->WriteBool(FormSection, "PrefetchsEnabled", FSettings.PrefetchsEnabled);
            FFrm->Save();
        }
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка загрузки параметров программы!\r\r%s"), ErrorText(e)));
    }
}

void TTemplateMain::StepLoadSettings() {
    SetProgressText(Tr("Загрузка файла конфигурации..."));
    try {
        FStats.SetSettingsPath(SettingsPath());
        FStats.LoadGenerateSettings();
        FStats.LoadSettings();
        FStats.LoadShreddingSettings();
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка чтения файла конфигурации!\r\r%s"), ErrorText(e)));
    }
    SetProgressText("");
}

void TTemplateMain::StepBuildRegistry() {
    FStats.SetSettingsPath(SettingsPath());
    FStats.SetDraws(&FDraws);
    FStats.SetLanguageAbbrev(LanguageAbbrev(FLanguage));
    FStats.SetHelpFile(FHelpFile);
    FStats.BuildMethods();
    LoadFavorites();
    FillMethodSelectors();
}

void TTemplateMain::LoadFavorites() {
    try {
        FStats.LoadNames(FavoritesPath(), true);
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка загрузки списка фильтров!\r\r%s"), ErrorText(e)));
    }
}

bool TTemplateMain::SaveFavorites() {
    try {
        FStats.SaveNames(FavoritesPath(), true, false);
        return true;
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка сохранения списка фильтров!\r\r%s"), ErrorText(e)));
        return false;
    }
}

void TTemplateMain::RebuildMethods() {
    SaveFavorites();
    FStats.BuildMethods();
    FStats.ShowAllMethods();
    LoadFavorites();
    FillMethodSelectors();
}

void TTemplateMain::FillMethodSelectors() {
    // Choices are kept by method (class and parameter), since registry indexes move when ranges change.
    auto keyOf = [&](int entry) -> std::pair<const TStatClass*, int> {
        if (entry < 0 || entry >= FStats.MethodCount()) return {nullptr, 0};
        return {FStats.Method(entry).StatClass, FStats.Method(entry).Param};
    };
    auto statKey = keyOf(FStatTypeEntry), graphKey = keyOf(FGraphTypeEntry);
    FStatTypeItems.clear();
    FGraphTypeItems.clear();
    for (int i = 0; i < FStats.MethodCount(); ++i) {
        if (!FStats.IsAvailable(i) || !FStats.IsVisible(i) || !FStats.IsShown(i)) continue;
        FStatTypeItems.push_back(i);
        if (FStats.IsGraphMethod(i)) FGraphTypeItems.push_back(i);
    }
    if (FStats.Ordered) {
        auto byName = [&](int a, int b) {
            return LowerCase(FStats.DisplayName(a, true)) < LowerCase(FStats.DisplayName(b, true));
        };
        std::stable_sort(FStatTypeItems.begin(), FStatTypeItems.end(), byName);
        std::stable_sort(FGraphTypeItems.begin(), FGraphTypeItems.end(), byName);
    }
    auto find = [&](const std::vector<int>& items, std::pair<const TStatClass*, int> key) {
        for (int i : items)
            if (keyOf(i) == key) return i;
        return items.empty() ? -1 : items.front();
    };
    FStatTypeEntry = find(FStatTypeItems, statKey);
    FGraphTypeEntry = find(FGraphTypeItems, graphKey);
    FUI.MethodListsChanged();
}

void TTemplateMain::SelectStatType(int entry) {
    if (std::find(FStatTypeItems.begin(), FStatTypeItems.end(), entry) == FStatTypeItems.end()) return;
    FStatTypeEntry = entry;
    FUI.ActionsChanged();
    if (ActionEnabled("DrawsStatCalc")) Recalculate(false);
}

void TTemplateMain::SelectGraphType(int entry) {
    if (std::find(FGraphTypeItems.begin(), FGraphTypeItems.end(), entry) != FGraphTypeItems.end())
        FGraphTypeEntry = entry;
}

std::vector<int> TTemplateMain::StaleGroups(const TConfigData& before, const TConfigData& after) {
    constexpr int ChannelGroup = 3, MatrixGroup = 4, SegmentGroup = 5;
    std::vector<int> groups;
    if (before.MatrixCols != after.MatrixCols) groups.push_back(MatrixGroup);
    if (before.ChannelSize != after.ChannelSize) groups.push_back(ChannelGroup);
    if (before.MatrixSegments != after.MatrixSegments) groups.push_back(SegmentGroup);
    std::sort(groups.begin(), groups.end());
    return groups;
}

void TTemplateMain::EditConfig() {
    TConfigData edited = FStats.Config;
    if (!FUI.EditConfig(edited)) return;
    const std::vector<int> stale = StaleGroups(FStats.Config, edited);
    FStats.Config = edited;
    {
        TBusyScope busy(*this, Tr("Сохранение файла конфигурации..."));
        try {
            FStats.SaveSettings();
        } catch (const std::exception& e) {
            ShowError(Format(Tr("Ошибка записи в файл конфигурации!\r\r%s"), ErrorText(e)));
        }
    }
    RebuildMethods();
    EnsurePrefetchs(false, stale);
    RefreshViews(true);
    FUI.DrawsListRepaint();
    FUI.CombsListRepaint();
}

void TTemplateMain::EditShredding() {
    TShreddingData edited = FStats.Shredding;
    if (!FUI.EditShredding(edited)) return;
    FStats.Shredding = edited;
    {
        TBusyScope busy(*this, Tr("Сохранение файла конфигурации..."));
        try {
            FStats.SaveShreddingSettings();
        } catch (const std::exception& e) {
            ShowError(Format(Tr("Ошибка записи в файл конфигурации!\r\r%s"), ErrorText(e)));
        }
    }
    EnsurePrefetchs(false, {ShreddingGroup});
    RebuildMethods();
}

void TTemplateMain::OnInitTimer() {
    if (FState != TStartState::PartOneDone) return;
    try {
        SetProgressText(Tr("Инициализация..."));
        FCombinationsCount = Binomial(MaxNumber, NumbersPerDraw);
        FCombs.Reserve(static_cast<size_t>(FCombinationsCount));
        FUndo.Reserve(static_cast<size_t>(FCombinationsCount));
        FMatchDistribution = ComputeMatchDistribution();
        FCaption = ProgramCaption() + Tr(" версия ") + ZORB_VERSION;
        FUI.SetCaption(FCaption);
        FDrawsOffset = 0;
        if (!LoadStakes()) {
            ShowError(Tr("Невозможно получить монопольный доступ к файлам данных!\r\rВозможные причины данной ошибки: "
                         "\r\r1) Вы пытаетесь запустить вторую копию программы из одного и того же каталога. "
                         "Корректная работа нескольких копий программы возможна только из разных каталогов.\r\r2) "
                         "Для программы нет прав на запись в том каталоге, где она расположена. Например: в Windows 7 "
                         "и выше по умолчанию запрещена запись в c:\\Program Files.\r\rПрограмма будет закрыта!"));
            FRefused = true;
            FState = TStartState::Initialized;
            EndBusy();
            EndBatch();
            return;
        }
        LoadArchive();
        GenerateCombs(true, FStats.Generate);
        RefreshViews(true);
        if (FSwitches.LoadOnly) {
            DrawsDownload();
            if (!FSwitches.FullRecreate && !FSwitches.FullRefresh) EndBatch();
        }
        if (FTerminated) {
        } else if (FSwitches.FullRecreate) {
            EnsurePrefetchs(true, AllGroups());
            EndBatch();
        } else {
            EnsurePrefetchs(FSwitches.FullRefresh, {});
            if (FSwitches.FullRefresh) EndBatch();
        }
        if (!FTerminated) {
            if (FSettings.DownloadDrawsOnStart == 1 ||
                (FSettings.DownloadDrawsOnStart == 0 &&
                 Ask(TMsgBox::Confirm, Tr("Обновить список тиражей?\r\rДля выполнения обновления необходимо "
                                          "действующее подключение к сети Интернет."))))
                DrawsDownload();
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
    EndBusy();
}

void TTemplateMain::Shutdown() {
    if (FState == TStartState::ShutDown) return;
    if (FRefused) {
        // A copy that was kept out of the directory leaves every file as the running copy has it.
        FState = TStartState::ShutDown;
        return;
    }
    if (!FFrm) FFrm = std::make_unique<TIniFile>(FrmPath());
    try {
        FUI.SaveWindowState(*FFrm, FormSection, FSettings);
        FSettings.SaveSizes(*FFrm, FormSection);
        FFrm->WriteString(FormSection, "lvDrawsStat.SortType", Format("%d,%d", FStatSortColumn, FStatSortDesc ? 1 : 0));
        FFrm->Save();
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка сохранения параметров программы!\r\r%s"), ErrorText(e)));
    }
    FCombs.Free();
    FUndo.Free();
    ForgetBuffer();
    FBuffer.Free();
    FDraws.clear();
    SaveStakes();
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
    }
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
    try {
        write(*FFrm);
        FFrm->Save();
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка сохранения параметров программы!\r\r%s"), ErrorText(e)));
    }
}

// --- Draw archive ------------------------------------------------------------------------------------------------

void TTemplateMain::LoadArchive() {
    const std::string path = ArchivePath();
    if (FileExists(path)) {
        TBusyScope busy(*this, Tr("Загрузка файла тиражей..."));
        try {
            LoadDrawsFile(path, FDraws);
        } catch (const std::exception& e) {
            // The next save rewrites the file from memory, so keep the damaged original for the user.
            std::string note;
            std::time_t t = std::time(nullptr);
            char stamp[32];
            std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&t));
            std::string copy = path + ".damaged-" + stamp;
            std::error_code ec;
            if (std::filesystem::copy_file(path, copy, ec))
                note = Format(Tr("\r\rКопия исходного файла сохранена: %s"), copy);
            ShowError(Format(Tr("Ошибка чтения файла тиражей!\r\r%s"), ErrorText(e) + note));
        }
    }
    RefreshList(false);
}

void TTemplateMain::SaveArchive() {
    {
        TBusyScope busy(*this, Tr("Сохранение файла тиражей..."));
        try {
            SaveDrawsFile(ArchivePath(), FDraws);
        } catch (const std::exception& e) {
            ShowError(Format(Tr("Ошибка записи в файл тиражей!\r\r%s"), ErrorText(e)));
        }
    }
    RefreshList(true);
}

void TTemplateMain::RefreshList(bool force) {
    const int n = DrawRowCount();
    FDrawsOffset = std::clamp(FDrawsOffset, 0, std::max(n - 1, 0));
    if (force || n != FListedRows) {
        FListedRows = n;
        FDrawsSelection.clear();
        FUI.DrawsListReset();
    }
    FNextDrawMask = HiddenDrawMask(FDraws, FDrawsOffset);
    UpdateStatusPanels();
    FUI.SetOffsetField(FDrawsOffset, std::max(n - 1, 0));
    FUI.ActionsChanged();
}

void TTemplateMain::UpdateStatusPanels() {
    for (int i = 0; i <= 2; ++i) FUI.SetStatusPanel(i, StatusPanelText(i));
}

std::string TTemplateMain::StatusPanelText(int panel) const {
    switch (panel) {
    case 0: return Format(Tr("Архив тиражей: %d"), DrawRowCount());
    case 1: return Format(Tr("Следующий тираж: %d"), NextDrawNumber(FDraws, FDrawsOffset));
    case 2: return HiddenDrawText(FDraws, FDrawsOffset);
    default: return "";
    }
}

void TTemplateMain::SetDrawsOffset(int k) {
    k = std::clamp(k, 0, std::max(DrawRowCount() - 1, 0));
    if (k == FDrawsOffset) return;
    FDrawsOffset = k;
    RefreshList(false);
    RefreshViews(false);
    FUI.DrawsListRepaint();
}

void TTemplateMain::RefreshViews(bool force) {
    if (FViewsFrozen) return;
    for (auto& refresh : FViewRefreshers) refresh(force);
}

void TTemplateMain::AddViewRefresher(std::function<void(bool)> refresher) {
    FViewRefreshers.push_back(std::move(refresher));
}

std::string TTemplateMain::DrawColumnCaption(int column) const {
    switch (column) {
    case 0: return Tr("Тираж");
    case 7: return "S";
    case 8: return Tr("Дата тиража");
    default: return column >= 1 && column <= 6 ? std::to_string(column) : "";
    }
}

TDrawRec TTemplateMain::DrawShownInRow(int row) const {
    TDrawRec r{};
    int index = DrawIndexOfRow(row);
    if (index < 0 || index >= DrawRowCount()) return r;
    r = FDraws[static_cast<size_t>(index)];
    if (FSettings.SortedDraws) SortDrawNumbers(r);
    return r;
}

std::string TTemplateMain::DrawCellText(int row, int column) const {
    if (row < 0 || row >= DrawRowCount()) return "";
    TDrawRec r = DrawShownInRow(row);
    if (column == 0) return std::to_string(r.Draw);
    if (column >= 1 && column <= 6) return std::to_string(r.Numbers[column - 1]);
    if (column == 7) {
        int sum = 0;
        for (uint8_t x : r.Numbers) sum += x;
        return std::to_string(sum);
    }
    if (column == 8) return Cp1251ToUtf8(r.Date());
    return "";
}

int64_t TTemplateMain::DrawCellColor(int row, int column) const {
    constexpr TColor offsetRowColor = 0xFFAAAA;
    if (row < 0 || row >= DrawRowCount()) return -1;
    const bool offsetRow = row == FDrawsOffset;
    if (FSettings.ColorDraws) {
        if (column >= 1 && column <= 6)
            return ChannelColor(DrawShownInRow(row).Numbers[column - 1], FStats.Config.ChannelSize);
        return offsetRow ? int64_t{offsetRowColor} : int64_t{clWhite};
    }
    return offsetRow ? int64_t{offsetRowColor} : -1;
}

void TTemplateMain::SetDrawsSelection(std::vector<int> rows) {
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](int r) { return r < 0 || r >= DrawRowCount(); }),
               rows.end());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    FDrawsSelection = std::move(rows);
    FUI.ActionsChanged();
}

// --- Effects -------------------------------------------------------------------------------------------------

void TTemplateMain::DrawsAdd() {
    TDrawRec r{};
    r.Draw = NextDrawNumber(FDraws, 0);
    if (!FUI.EditDraw(r)) return;
    FDraws.push_back(r);
    SaveArchive();
    RefreshViews(false);
    ArchiveChanged();
}

void TTemplateMain::DrawsEdit() {
    if (FDrawsSelection.empty()) return;
    int index = DrawIndexOfRow(FDrawsSelection.front());
    if (index < 0 || index >= DrawRowCount()) return;
    TDrawRec r = FDraws[static_cast<size_t>(index)];
    if (!FUI.EditDraw(r)) return;
    FDraws[static_cast<size_t>(index)] = r;
    SaveArchive();
    RefreshViews(false);
    ArchiveChanged();
}

void TTemplateMain::DrawsDel() {
    std::vector<int> rows = FDrawsSelection;
    if (rows.empty()) return;
    std::string question = rows.size() == 1
                               ? Tr("Удалить выделенную запись?")
                               : Format(Tr("Удалить все выделенные записи (всего будет удалено %d записи(ей))?"),
                                        static_cast<int>(rows.size()));
    if (!Ask(TMsgBox::Warning, question)) return;
    {
        TBusyScope busy(*this, Tr("Удаление выделенных тиражей...."));
        // Removing by position rather than by draw number keeps the right record when numbers repeat.
        std::vector<int> indexes;
        for (int row : rows) indexes.push_back(DrawIndexOfRow(row));
        std::sort(indexes.begin(), indexes.end(), std::greater<int>());
        for (int index : indexes) RemoveDraw(FDraws, index);
        RefreshList(false);
        FDrawsSelection.clear();
        SaveArchive();
        RefreshViews(false);
    }
    ArchiveChanged();
}

void TTemplateMain::DrawsSorted() {
    SetOption("SortedDraws", FSettings.SortedDraws, !FSettings.SortedDraws);
    FUI.DrawsListRepaint();
    RefreshViews(true);
}

void TTemplateMain::SetOption(const char* key, bool& flag, bool value) {
    flag = value;
    WriteOptionNow([&](TIniFile& ini) { ini.WriteBool(FormSection, key, value); });
    FUI.ActionsChanged();
}

void TTemplateMain::SetDownloadOnStart(int mode) {
    FSettings.DownloadDrawsOnStart = mode;
    WriteOptionNow([&](TIniFile& ini) { ini.WriteInteger(FormSection, "DownloadDrawsOnStart", mode); });
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

const TAction* TTemplateMain::FindAction(const std::string& name) const {
    for (const auto& a : FActions)
        if (a.Name == name) return &a;
    return nullptr;
}

bool TTemplateMain::ActionEnabled(const TAction& a) const {
    if (Busy()) return false;
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
    try {
        effect();
    } catch (const std::exception& e) {
        ShowError(ErrorText(e));
    }
    FUI.ActionsChanged();
    return true;
}

void TTemplateMain::AddAction(TAction a) {
    a.Caption = Tr(a.Caption);
    a.Hint = Tr(a.Hint);
    FActions.push_back(std::move(a));
}

void TTemplateMain::BuildActions() {
    FActions.clear();
    auto always = [] { return true; };
    AddAction({"ExitProgram", "Выход", "Завершить работу программы", "Alt+X", always, [this] { FUI.RequestClose(); }});
    AddAction({"EditConfig", "Параметры", "Параметры системы: матрица, каналы, ставки, выигрыши, веса", "", always,
               [this] { EditConfig(); }});
    AddAction(
        {"EditShredding", "Формулы шинковки", "Формулы методов шинковки", "", always, [this] { EditShredding(); }});
    AddAction({"DrawsAdd", "Добавить", "Добавить новый тираж в архив", "Ins", always, [this] { DrawsAdd(); }});
    AddAction({"DrawsEdit", "Изменить", "Изменить данные выделенного тиража", "",
               [this] { return !FDrawsSelection.empty(); }, [this] { DrawsEdit(); }});
    AddAction({"DrawsDel", "Удалить", "Удалить выделенные тиражи из архива", "",
               [this] { return !FDrawsSelection.empty(); }, [this] { DrawsDel(); }});
    AddAction({"DrawsDownload", "Загрузка", "Загрузка архива тиражей с сайта лотереи", "F3", always,
               [this] { DrawsDownload(); }});
    AddAction({"DrawsImport", "Импорт из CSV-файла", "Импорт списка тиражей из CSV-файла", "", always,
               [this] { DrawsImport(FUI.OpenFileName(Tr("Файлы тиражей (*.csv)|*.csv"), "csv")); }});
    AddAction({"DrawsExport", "Экспорт в CSV-файл", "Экспорт списка тиражей в CSV-файл", "",
               [this] { return !FDraws.empty(); },
               [this] { DrawsExport(FUI.SaveFileName(Tr("Файлы тиражей (*.csv)|*.csv"), "csv")); }});
    AddAction({"EditProxy", "Параметры proxy-сервера", "Настройка proxy-сервера для связи с сетью Интернет", "", always,
               [this] { EditProxy(); }});
    AddAction({"DrawsSorted", "Упорядочить MIN->MAX", "Показывать числа тиражей по возрастанию", "", always,
               [this] { DrawsSorted(); }, [this] { return FSettings.SortedDraws; }});
    AddAction({"ViewColorDraws", "Выделять каналы в списке тиражей", "Раскрашивать числа тиражей по каналам", "",
               always,
               [this] {
                   SetOption("ColorDraws", FSettings.ColorDraws, !FSettings.ColorDraws);
                   FUI.DrawsListRepaint();
               },
               [this] { return FSettings.ColorDraws; }});
    AddAction({"AutoSelfUpdate", "Автоматическое обновление", "Проверять наличие новой версии при запуске", "", always,
               [this] { SetOption("AutoUpdates", FSettings.AutoUpdates, !FSettings.AutoUpdates); },
               [this] { return FSettings.AutoUpdates; }});
    const char* downloadCaptions[3] = {"По запросу (по умолчанию)", "Автоматически", "Отключено"};
    for (int mode = 0; mode < 3; ++mode)
        AddAction({Format("AutoDownload%d", mode), downloadCaptions[mode], "Обновление списка тиражей при запуске", "",
                   always, [this, mode] { SetDownloadOnStart(mode); },
                   [this, mode] { return FSettings.DownloadDrawsOnStart == mode; }, "AutoDownload"});
    auto listNotEmpty = [this] { return !FCombs.Empty(); };
    AddAction({"CombsGen", "Генерировать", "Перегенерировать список комбинаций", "F2", always, [this] { CombsGen(); }});
    AddAction({"CombsOpen", "Открыть", "Загрузить список комбинаций из файла", "Ctrl+O", always,
               [this] { CombsOpen(FUI.OpenFileName(Tr(CombsFileFilterText), "lcv")); }});
    AddAction({"CombsSave", "Сохранить", "Сохранить список комбинаций в файле", "Ctrl+S", listNotEmpty,
               [this] { CombsSave(FUI.SaveFileName(Tr(CombsFileFilterText), "lcv")); }});
    AddAction({"CombsCopy", "Копировать в буфер", "Копировать выделенные комбинации в буфер обмена", "Ctrl+C",
               listNotEmpty, [this] { CombsCopy(); }});
    AddAction({"CombsPaste", "Вставить из буфера", "Вставить комбинации из буфера обмена", "Ctrl+V",
               [this] { return FUI.ClipboardHasText(); }, [this] { CombsPaste(); }});
    AddAction({"CombsSelectAll", "Выделить все", "Выделить все комбинации", "Ctrl+A", listNotEmpty,
               [this] { CombsSelectAll(); }});
    AddAction({"CombsCheckNums", "Количество уникальных номеров",
               "Подсчет количества уникальных номеров, которые содержатся в текущем списке комбинаций", "", always,
               [this] { CombsCheckNums(); }});
    AddAction({"CombsFindInDraws", "Проверить по архиву тиражей", "Проверка комбинации по списку тиражей", "Ctrl+F",
               [this] { return !FCombsSelection.empty(); }, [this] { CombsFindInDraws(); }});
    AddAction({"CombsDelExists", "Исключить тиражи", "Удалить N последних тиражей из списка комбинаций", "Ctrl+E",
               [this] { return !FCombs.Empty() && !FDraws.empty() && FSettings.DrawsExclude > 0; },
               [this] { CombsDelExists(); }});
    AddAction({"CombsDelSelected",
               "Удалить выделенные",
               "Удалить выделенные комбинации из списка",
               "Ctrl+Del",
               [this] { return !FCombs.Empty() && !FCombsSelection.empty(); },
               [this] { CombsDelSelected(); },
               {},
               {},
               "lvCombs"});
    AddAction({"CombsUndo", "Отменить", "Отменить последнее действие", "Ctrl+Z", [this] { return UndoAvailable(); },
               [this] { CombsUndo(); }});
    AddAction({"ViewColorCombs", "Выделять каналы в списке комбинаций", "Раскрашивать числа комбинаций по каналам", "",
               always,
               [this] {
                   SetOption("ColorCombs", FSettings.ColorCombs, !FSettings.ColorCombs);
                   FUI.CombsListRepaint();
               },
               [this] { return FSettings.ColorCombs; }});
    AddAction({"DrawsStatCalc", "Обновить", "Пересчитать статистику по выбранным параметрам", "",
               [this] { return !FDraws.empty() && FStatTypeEntry >= 0; }, [this] { DrawsStatCalc(); }});
    AddAction({"DrawsStatePrefetchsEnabled", "Использовать сравнение с полным набором комбинаций",
               "Использовать режим сравнения статистики с распределением по полному набору комбинаций", "", always,
               [this] {
                   SetOption("PrefetchsEnabled", FSettings.PrefetchsEnabled, !FSettings.PrefetchsEnabled);
                   EnsurePrefetchs(false, {});
                   FUI.StatColumnsChanged();
                   Recalculate(true);
               },
               [this] { return FSettings.PrefetchsEnabled; }});
    AddAction({"DrawsStatShowTotalLine", "График идеального распределения",
               "Пропорциональный график распределения значений по всем возможным комбинациям лотереи", "",
               [this] { return FSettings.PrefetchsEnabled; },
               [this] {
                   TBusyScope busy(*this, Tr("Создание графиков..."));
                   SetOption("ShowTotalLine", FSettings.ShowTotalLine, !FSettings.ShowTotalLine);
                   Recalculate(true);
               },
               [this] { return FSettings.ShowTotalLine; }});
    auto canFilter = [this] { return !FCombs.Empty() && !FStatSelection.empty(); };
    AddAction({"StatFilter_Include", "Оставить выделенные",
               "В списке комбинаций оставить комбинации с выделенными характеристиками", "F7", canFilter,
               [this] { StatFilter(false); }});
    AddAction({"StatFilter_Exclude", "Удалить выделенные",
               "Из списка комбинаций удалить комбинации с выделенными характеристиками", "Ctrl+F7", canFilter,
               [this] { StatFilter(true); }});
    auto stakesOpen = [this] { return FStakes.IsOpen() && !FOptions.ReadOnly; };
    auto stakesNotEmpty = [this] { return FStakes.IsOpen() && !FStakes.Empty() && !FOptions.ReadOnly; };
    AddAction({"StakeAdd", "Сделать ставку", "Сделать ставку на выделенную комбинацию", "F4", stakesOpen,
               [this] { StakeAdd(false); }});
    AddAction({"StakeAddRandom", "Сделать случайную ставку", "Сделать ставку на случайную комбинацию из списка",
               "Ctrl+F4", [this, stakesOpen] { return stakesOpen() && !FCombs.Empty(); }, [this] { StakeAdd(true); }});
    AddAction({"StakeAddSelected", "Сделать ставки для выделенных комбинаций",
               "Сделать ставки для всех выделенных комбинаций", "Alt+F4",
               [this, stakesOpen] { return stakesOpen() && !FCombsSelection.empty(); },
               [this] { StakeAddCombos(false); }});
    AddAction({"StakeAddAll", "Сделать ставки для всех комбинаций", "Сделать ставки для всех комбинаций списка",
               "Ctrl+Alt+F4", [this, stakesOpen] { return stakesOpen() && !FCombs.Empty(); },
               [this] { StakeAddCombos(true); }});
    AddAction({"StakeDel",
               "Удалить ставку",
               "Удалить выделенные ставки",
               "Ctrl+Del",
               [this, stakesNotEmpty] { return stakesNotEmpty() && !FStakesSelection.empty(); },
               [this] { StakeDel(); },
               {},
               {},
               "sgStakes"});
    AddAction({"StakeFilter", "Удалить по условию", "Удалить ставки по количеству совпадений", "Alt+D", stakesNotEmpty,
               [this] { StakeFilter(); }});
    AddAction({"StakeClear", "Удалить все ставки", "Удалить все ставки из файла", "Ctrl+Shift+Del", stakesNotEmpty,
               [this] { StakeClear(); }});
    AddAction({"StakesCheckManual", "Проверить ставки", "Проверить результаты ставок по архиву тиражей", "Ctrl+F5",
               stakesNotEmpty, [this] {
                   CheckAndCommitStakes();
                   RefreshStakesView(true, false);
               }});
    AddAction({"LogStakes", "Журналы ставок", "Записывать проверенные ставки в журналы", "", always,
               [this] { SetOption("StakesLogEnabled", FSettings.StakesLogEnabled, !FSettings.StakesLogEnabled); },
               [this] { return FSettings.StakesLogEnabled; }});
    AddAction({"LogStakesDelete", "Удалить журналы ставок", "Удалить файлы журналов ставок", "", always,
               [this] { LogStakesDelete(); }});
    AddAction(
        {"StakesScroll", "Прокручивать список при добавлении", "Выделять последнюю ставку при добавлении", "", always,
         [this] { SetOption("StakesScrollEnabled", FSettings.StakesScrollEnabled, !FSettings.StakesScrollEnabled); },
         [this] { return FSettings.StakesScrollEnabled; }});
    AddAction({"StakesCheckLine", "Проверять ставки после каждой строки сценария",
               "Проверять ставки после каждой строки сценария, а не в конце", "", always,
               [this] { SetOption("StakesCheckOnLine", FSettings.StakesCheckOnLine, !FSettings.StakesCheckOnLine); },
               [this] { return FSettings.StakesCheckOnLine; }});
    AddAction({"FiltersManager", "Избранные статистики", "Настройка списка избранных видов статистики (фильтров)", "",
               always, [this] { FiltersManager(); }});
    AddAction({"FiltersReset", "Все доступные статистики", "Отображать все доступные виды статистики (фильтры)", "",
               always, [this] { FiltersReset(); }});
    AddAction({"FiltersInfo", "Описание статистики", "Сведения о выбранном методе расчета статистики", "F8",
               [this] { return FStatTypeEntry >= 0; }, [this] { ShowMethodInfo(FStatTypeEntry); }});
    AddAction({"GetHelp", "Справка", "Открыть файл справки", "F1", [this] { return !FHelpFile.empty(); },
               [this] { FUI.OpenDocument(FHelpFile); }});
    AddAction({"About", "О программе", "Сведения о программе", "", always, [this] {
                   FUI.ShowAbout({ProgramCaption(), ZORB_VERSION, AboutText()});
               }});
    AddLinkActions();
    AddLanguageActions();
}

void TTemplateMain::AddLinkActions() {
    for (const TLinkInfo& link : Links()) {
        std::string url = link.Url;
        AddAction({link.Name, link.Caption, url, "", [] { return true; }, [this, url] { OpenLink(Tr(url)); }});
    }
}

void TTemplateMain::AddLanguageActions() {
    for (int lcid : AvailableLanguages()) {
        const TLanguageInfo* info = FindLanguage(lcid);
        TAction a{Format("Language_%d", lcid),
                  info ? info->Name : std::to_string(lcid),
                  "",
                  "",
                  [] { return true; },
                  [this, lcid] { ChooseLanguage(lcid); },
                  [this, lcid] { return SamePrimaryLanguage(lcid, FLanguage); },
                  "Language"};
        FActions.push_back(std::move(a)); // language names are never translated
    }
}

void TTemplateMain::BuildMenus() {
    auto item = [](const std::string& action) { return TMenuItem{action, "", {}}; };
    const TMenuItem separator{};
    TMenuItem download{"",
                       Tr("Обновление тиражей при запуске"),
                       {item("AutoDownload0"), item("AutoDownload1"), item("AutoDownload2")}};
    TMenuItem languages{"", Tr("Язык интерфейса"), {}};
    for (int lcid : AvailableLanguages()) languages.Items.push_back(item(Format("Language_%d", lcid)));
    std::vector<TMenuItem> help = {item("GetHelp"), separator};
    for (const TLinkInfo& link : Links()) help.push_back(item(link.Name));
    help.push_back(separator);
    help.push_back(item("About"));
    FMenus = {
        {Tr("Файл"),
         {item("EditConfig"), item("EditShredding"), item("EditProxy"), separator, download, item("AutoSelfUpdate"),
          separator, item("ExitProgram")}},
        {Tr("Архив тиражей"),
         {item("DrawsDownload"), separator, item("DrawsAdd"), item("DrawsEdit"), item("DrawsDel"), separator,
          item("DrawsImport"), item("DrawsExport"), separator, item("DrawsSorted")}},
        {Tr("Комбинации"),
         {item("CombsGen"), item("CombsOpen"), item("CombsSave"), separator, item("CombsCopy"), item("CombsPaste"),
          item("CombsSelectAll"), separator, item("CombsCheckNums"), item("CombsFindInDraws"), separator,
          item("CombsDelExists"), item("CombsDelSelected"), item("CombsUndo")}},
        {Tr("Статистика"),
         {item("DrawsStatCalc"), separator, item("DrawsStatePrefetchsEnabled"), item("DrawsStatShowTotalLine"),
          separator, item("StatFilter_Include"), item("StatFilter_Exclude"), separator, item("FiltersManager"),
          item("FiltersReset"), item("FiltersInfo")}},
        {Tr("Ставки"),
         {item("StakeAdd"), item("StakeAddRandom"), item("StakeAddSelected"), item("StakeAddAll"), separator,
          item("StakeDel"), item("StakeFilter"), item("StakeClear"), separator, item("StakesCheckManual"), separator,
          item("LogStakes"), item("LogStakesDelete"), item("StakesScroll"), item("StakesCheckLine")}},
        {Tr("Вид"), {item("ViewColorDraws"), item("ViewColorCombs"), separator, languages}},
        {Tr("Справка"), help},
    };
}

} // namespace zorb
