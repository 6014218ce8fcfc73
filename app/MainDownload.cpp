// Draws coming in and going out: the download from the operator, CSV import and export, and the proxy.
#include "app/Progress.h"
#include "app/TemplateMain.h"

#include "core/DrawArchive.h"
#include "core/DrawsCsv.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "net/ProxySettings.h"

namespace zorb {

THttpOptions TTemplateMain::HttpOptions() {
    THttpOptions o;
    o.Proxy = FProxy;
    o.ConnectTimeoutSeconds = FHttpConnectSeconds;
    o.StallSeconds = FHttpStallSeconds;
    o.Progress = [this] { FUI.ProcessEvents(); };
    return o;
}

void TTemplateMain::EditProxy() {
    TProxy edited = FProxy;
    if (!FUI.EditProxy(edited)) return;
    if (edited.Mode == 1) {
        edited.Server.clear();
        edited.Username.clear();
        edited.Password.clear();
        edited.Port = 0;
    }
    FProxy = edited;
    TBusyScope busy(*this, Tr("Сохранение файла конфигурации..."));
    try {
        SaveProxy(SettingsPath(), FProxy);
    } catch (const std::exception& e) {
        ShowError(Format(Tr("Ошибка записи в файл конфигурации!\r\r%s"), ErrorText(e)));
    }
}

void TTemplateMain::AppendDownloaded(std::vector<TDrawRec> newestFirst) {
    if (newestFirst.empty()) return;
    FDraws.insert(FDraws.end(), newestFirst.rbegin(), newestFirst.rend());
    SaveArchive();
    RefreshViews(false);
}

int TTemplateMain::DrawsDownload() {
    int added = 0;
    {
        TBusyScope busy(*this, Tr("Загрузка архива тиражей..."));
        TProgress wait(FUI, Tr("Загрузка архива тиражей..."), 0);
        try {
            added = DownloadHook();
        } catch (const std::exception& e) {
            ShowError(ErrorText(e));
        }
    }
    // Whatever happened, the stakes are checked against what the archive now holds.
    CheckAndCommitStakes();
    RefreshStakesView(true, false);
    return added;
}

int TTemplateMain::DrawsImport(const std::string& path) {
    if (path.empty()) return 0;
    TCsvReadStats stats;
    {
        TBusyScope busy(*this, Format(Tr("Импорт тиражей из файла \"%s\"..."), path));
        try {
            stats = ImportDrawsText(ReadFileBytes(path), FDraws);
        } catch (const std::exception& e) {
            ShowError(ErrorText(e));
        }
        SaveArchive();
    }
    if (stats.Added) RefreshViews(false);
    if (stats.BadNumbers)
        Message(
            TMsgBox::Warning,
            Format(
                Tr("Строк с неверными числами пропущено: %d.\r\rВ тираже должно быть шесть разных чисел от 1 до 52."),
                stats.BadNumbers));
    ArchiveChanged();
    return stats.Added;
}

bool TTemplateMain::DrawsExport(const std::string& path) {
    if (path.empty()) return false;
    TBusyScope busy(*this, Format(Tr("Экспорт тиражей в файл \"%s\"..."), path));
    try {
        WriteFileAtomic(path, ExportDrawsText(FDraws));
        return true;
    } catch (const std::exception& e) {
        ShowError(ErrorText(e));
        return false;
    }
}

} // namespace zorb
