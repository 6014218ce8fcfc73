// The draw archive of the main window: the file, the list, the offset and the selection; draws coming in and
// going out (the download from the operator, CSV import and export) and the proxy.
#include "app/DrawsController.h"

#include "app/Progress.h"
#include "core/DrawArchive.h"
#include "core/DrawsCsv.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/IniFile.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "net/ProxySettings.h"
#include "stats/StatList.h"

#include <algorithm>
#include <ctime>
#include <filesystem>

namespace zorb {

namespace {

class TNoDrawsUi final : public TDrawsUi {
    void DrawsListReset() override {}
    void DrawsListRepaint() override {}
    void SetOffsetField(int, int) override {}
    bool EditDraw(TDrawRec&) override { return false; }
    bool EditProxy(TProxy&) override { return false; }
};

} // namespace

TDrawsController::TDrawsController(TAppServices& app, std::function<int()> download)
    : FApp(app), FUi(UiOr<TDrawsUi, TNoDrawsUi>(app.UI())), FDownload(std::move(download)) {}

void TDrawsController::RegisterActions(TActionTable& t) {
    auto always = [] { return true; };
    t.Add({"DrawsDownload", "Загрузка", "Загрузка архива тиражей с сайта лотереи", "F3", always,
           [this] { DrawsDownload(); }},
          MenuPlace("Draws", 10));
    t.Add({"DrawsAdd", "Добавить", "Добавить новый тираж в архив", "Ins", always, [this] { DrawsAdd(); }},
          MenuPlace("Draws", 20, true, 1));
    t.Add({"DrawsEdit", "Изменить", "Изменить данные выделенного тиража", "",
           [this] { return !FDrawsSelection.empty(); }, [this] { DrawsEdit(); }},
          MenuPlace("Draws", 30, false, 2));
    t.Add({"DrawsDel", "Удалить", "Удалить выделенные тиражи из архива", "",
           [this] { return !FDrawsSelection.empty(); }, [this] { DrawsDel(); }},
          MenuPlace("Draws", 40, false, 3));
    t.Add({"DrawsImport", "Импорт из CSV-файла", "Импорт списка тиражей из CSV-файла", "", always,
           [this] { DrawsImport(FApp.UI().OpenFileName(Tr("Файлы тиражей (*.csv)|*.csv"), "csv")); }},
          MenuPlace("Draws", 50, true));
    t.Add({"DrawsExport", "Экспорт в CSV-файл", "Экспорт списка тиражей в CSV-файл", "",
           [this] { return !FDraws.empty(); },
           [this] { DrawsExport(FApp.UI().SaveFileName(Tr("Файлы тиражей (*.csv)|*.csv"), "csv")); }},
          MenuPlace("Draws", 60));
    t.Add({"DrawsSorted", "Упорядочить MIN->MAX", "Показывать числа тиражей по возрастанию", "", always,
           [this] { DrawsSorted(); }, [this] { return FApp.Settings().SortedDraws; }},
          MenuPlace("Draws", 70, true));

    t.Add({"EditProxy", "Параметры proxy-сервера", "Настройка proxy-сервера для связи с сетью Интернет", "", always,
           [this] { EditProxy(); }},
          {"File", 30});
    const char* downloadCaptions[3] = {"По запросу (по умолчанию)", "Автоматически", "Отключено"};
    for (int mode = 0; mode < 3; ++mode)
        t.Add({Format("AutoDownload%d", mode), downloadCaptions[mode], "Обновление списка тиражей при запуске", "",
               always, [this, mode] { SetDownloadOnStart(mode); },
               [this, mode] { return FApp.Settings().DownloadDrawsOnStart == mode; }, "AutoDownload"},
              {"File", 40, true, "Обновление тиражей при запуске"});
    t.Add({"ViewColorDraws", "Выделять каналы в списке тиражей", "Раскрашивать числа тиражей по каналам", "", always,
           [this] {
               FApp.ToggleOption(&TFormSettings::ColorDraws);
               FUi.DrawsListRepaint();
           },
           [this] { return FApp.Settings().ColorDraws; }},
          {"View", 10});
}

int TDrawsController::WindowEnd() const {
    return std::max(DrawRowCount() - 1 - FDrawsOffset, 0);
}

void TDrawsController::LoadProxySettings() {
    FProxy = LoadProxy(FApp.SettingsPath());
}

std::string TDrawsController::ArchivePath() const {
    return FApp.DataFile(FApp.ProgramName() + ".ldr");
}

void TDrawsController::LoadArchive() {
    const std::string path = ArchivePath();
    if (FileExists(path)) {
        TBusyScope busy(FApp, Tr("Загрузка файла тиражей..."));
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
            FApp.ShowError(Format(Tr("Ошибка чтения файла тиражей!\r\r%s"), ErrorText(e) + note));
        }
    }
    RefreshList(false);
}

void TDrawsController::SaveArchive() {
    {
        TBusyScope busy(FApp, Tr("Сохранение файла тиражей..."));
        FApp.Attempt([&] { SaveDrawsFile(ArchivePath(), FDraws); }, Tr("Ошибка записи в файл тиражей!\r\r%s"));
    }
    RefreshList(true);
}

void TDrawsController::RefreshList(bool force) {
    const int n = DrawRowCount();
    FDrawsOffset = std::clamp(FDrawsOffset, 0, std::max(n - 1, 0));
    if (force || n != FListedRows) {
        FListedRows = n;
        FDrawsSelection.clear();
        FUi.DrawsListReset();
    }
    FNextDrawMask = HiddenDrawMask(FDraws, FDrawsOffset);
    UpdateStatusPanels();
    FUi.SetOffsetField(FDrawsOffset, std::max(n - 1, 0));
    FApp.UI().ActionsChanged();
}

void TDrawsController::UpdateStatusPanels() {
    for (int i = 0; i <= 2; ++i) FApp.UI().SetStatusPanel(i, StatusPanelText(i));
}

std::string TDrawsController::StatusPanelText(int panel) const {
    switch (panel) {
    case 0: return Format(Tr("Архив тиражей: %d"), DrawRowCount());
    case 1: return Format(Tr("Следующий тираж: %d"), NextDrawNumber(FDraws, FDrawsOffset));
    case 2: return HiddenDrawText(FDraws, FDrawsOffset);
    default: return "";
    }
}

void TDrawsController::SetDrawsOffset(int k) {
    k = std::clamp(k, 0, std::max(DrawRowCount() - 1, 0));
    if (k == FDrawsOffset) return;
    FDrawsOffset = k;
    RefreshList(false);
    FApp.RefreshViews(false);
    FUi.DrawsListRepaint();
}

std::string TDrawsController::DrawColumnCaption(int column) const {
    switch (column) {
    case 0: return Tr("Тираж");
    case 7: return "S";
    case 8: return Tr("Дата тиража");
    default: return column >= 1 && column <= 6 ? std::to_string(column) : "";
    }
}

TDrawRec TDrawsController::DrawShownInRow(int row) const {
    TDrawRec r{};
    int index = DrawIndexOfRow(row);
    if (index < 0 || index >= DrawRowCount()) return r;
    r = FDraws[static_cast<size_t>(index)];
    if (FApp.Settings().SortedDraws) SortDrawNumbers(r);
    return r;
}

std::string TDrawsController::DrawCellText(int row, int column) const {
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

int64_t TDrawsController::DrawCellColor(int row, int column) const {
    constexpr TColor offsetRowColor = 0xFFAAAA;
    if (row < 0 || row >= DrawRowCount()) return -1;
    const bool offsetRow = row == FDrawsOffset;
    if (FApp.Settings().ColorDraws) {
        if (column >= 1 && column <= 6)
            return ChannelColor(DrawShownInRow(row).Numbers[column - 1], FApp.Registry().Config.ChannelSize);
        return offsetRow ? int64_t{offsetRowColor} : int64_t{clWhite};
    }
    return offsetRow ? int64_t{offsetRowColor} : -1;
}

void TDrawsController::SetDrawsSelection(std::vector<int> rows) {
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](int r) { return r < 0 || r >= DrawRowCount(); }),
               rows.end());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    FDrawsSelection = std::move(rows);
    FApp.UI().ActionsChanged();
}

void TDrawsController::DrawsAdd() {
    TDrawRec r{};
    r.Draw = NextDrawNumber(FDraws, 0);
    if (!FUi.EditDraw(r)) return;
    FDraws.push_back(r);
    SaveArchive();
    FApp.RefreshViews(false);
    ArchiveChanged();
}

void TDrawsController::DrawsEdit() {
    if (FDrawsSelection.empty()) return;
    int index = DrawIndexOfRow(FDrawsSelection.front());
    if (index < 0 || index >= DrawRowCount()) return;
    TDrawRec r = FDraws[static_cast<size_t>(index)];
    if (!FUi.EditDraw(r)) return;
    FDraws[static_cast<size_t>(index)] = r;
    SaveArchive();
    FApp.RefreshViews(false);
    ArchiveChanged();
}

void TDrawsController::DrawsDel() {
    std::vector<int> rows = FDrawsSelection;
    if (rows.empty()) return;
    std::string question = rows.size() == 1
                               ? Tr("Удалить выделенную запись?")
                               : Format(Tr("Удалить все выделенные записи (всего будет удалено %d записи(ей))?"),
                                        static_cast<int>(rows.size()));
    if (!FApp.Ask(TMsgBox::Warning, question)) return;
    {
        TBusyScope busy(FApp, Tr("Удаление выделенных тиражей...."));
        // Removing by position rather than by draw number keeps the right record when numbers repeat.
        std::vector<int> indexes;
        for (int row : rows) indexes.push_back(DrawIndexOfRow(row));
        std::sort(indexes.begin(), indexes.end(), std::greater<int>());
        for (int index : indexes) RemoveDraw(FDraws, index);
        RefreshList(false);
        FDrawsSelection.clear();
        SaveArchive();
        FApp.RefreshViews(false);
    }
    ArchiveChanged();
}

void TDrawsController::DrawsSorted() {
    FApp.ToggleOption(&TFormSettings::SortedDraws);
    FUi.DrawsListRepaint();
    FApp.RefreshViews(true);
}

void TDrawsController::SetDownloadOnStart(int mode) {
    FApp.Settings().DownloadDrawsOnStart = mode;
    FApp.WriteOptionNow([&](TIniFile& ini) { ini.WriteInteger(FormSection, "DownloadDrawsOnStart", mode); });
    FApp.UI().ActionsChanged();
}

THttpOptions TDrawsController::HttpOptions() {
    THttpOptions o;
    o.Proxy = FProxy;
    o.ConnectTimeoutSeconds = FHttpConnectSeconds;
    o.StallSeconds = FHttpStallSeconds;
    o.Progress = [this] { FApp.UI().ProcessEvents(); };
    return o;
}

void TDrawsController::EditProxy() {
    TProxy edited = FProxy;
    if (!FUi.EditProxy(edited)) return;
    if (edited.Mode == 1) {
        edited.Server.clear();
        edited.Username.clear();
        edited.Password.clear();
        edited.Port = 0;
    }
    FProxy = edited;
    TBusyScope busy(FApp, Tr("Сохранение файла конфигурации..."));
    FApp.Attempt([&] { SaveProxy(FApp.SettingsPath(), FProxy); }, Tr("Ошибка записи в файл конфигурации!\r\r%s"));
}

void TDrawsController::AppendDownloaded(std::vector<TDrawRec> newestFirst) {
    if (newestFirst.empty()) return;
    FDraws.insert(FDraws.end(), newestFirst.rbegin(), newestFirst.rend());
    SaveArchive();
    FApp.RefreshViews(false);
}

int TDrawsController::DrawsDownload() {
    int added = 0;
    {
        TBusyScope busy(FApp, Tr("Загрузка архива тиражей..."));
        TProgress wait(FApp.UI(), Tr("Загрузка архива тиражей..."), 0);
        try {
            added = FDownload ? FDownload() : 0;
        } catch (const std::exception& e) {
            FApp.ShowError(ErrorText(e));
        }
    }
    // Whatever happened, the stakes are checked against what the archive now holds.
    ArchiveChanged();
    return added;
}

int TDrawsController::DrawsImport(const std::string& path) {
    if (path.empty()) return 0;
    TCsvReadStats stats;
    {
        TBusyScope busy(FApp, Format(Tr("Импорт тиражей из файла \"%s\"..."), path));
        try {
            stats = ImportDrawsText(ReadFileBytes(path), FDraws);
        } catch (const std::exception& e) {
            FApp.ShowError(ErrorText(e));
        }
        SaveArchive();
    }
    if (stats.Added) FApp.RefreshViews(false);
    if (stats.BadNumbers)
        FApp.Message(
            TMsgBox::Warning,
            Format(
                Tr("Строк с неверными числами пропущено: %d.\r\rВ тираже должно быть шесть разных чисел от 1 до 52."),
                stats.BadNumbers));
    ArchiveChanged();
    return stats.Added;
}

bool TDrawsController::DrawsExport(const std::string& path) {
    if (path.empty()) return false;
    TBusyScope busy(FApp, Format(Tr("Экспорт тиражей в файл \"%s\"..."), path));
    try {
        WriteFileAtomic(path, ExportDrawsText(FDraws));
        return true;
    } catch (const std::exception& e) {
        FApp.ShowError(ErrorText(e));
        return false;
    }
}

void TDrawsController::ArchiveChanged() {
    for (auto& hook : FChangedHooks) hook();
}

} // namespace zorb
