#include "app/FormMain.h"

#include "core/DrawArchive.h"
#include "core/DrawsCsv.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "net/Http.h"
#include "net/ZipFiles.h"

#include <algorithm>
#include <filesystem>

namespace zorb {

std::string TFormMain::ProgramCaption() const {
    return Tr("Zorb 6x52 — анализ тиражей «Зорб Мега»");
}

// The project's own addresses; they are texts of the language resources, so a module may replace them.
std::vector<TLinkInfo> TFormMain::Links() const {
    return {
        {"OpenKestoSite", "Сайт лотереи", "https://zorb-mega.example/play"},
        {"urlMainSite", "Официальный сайт проекта", "https://zorb6x52.example/"},
        {"urlAuthSite", "Страница автора", "https://zorb6x52.example/author"},
        {"urlAuthText", "Статьи для начинающих", "https://zorb6x52.example/articles"},
        {"urlBlog", "Наш блог", "https://zorb6x52.example/blog"},
        {"urlYT", "Наш видеоблог", "https://zorb6x52.example/video"},
        {"urlTG", "Канал в Telegram", "https://zorb6x52.example/telegram"},
        {"urlVK", "Страница в соцсети \"В контакте\"", "https://zorb6x52.example/vk"},
        {"urlOK", "Страница в соцсети \"Однокласники\"", "https://zorb6x52.example/ok"},
    };
}

std::string TFormMain::AboutText() const {
    return Tr("Анализ архива тиражей лотереи «Зорб Мега» (6 из 52): статистика, фильтрация комбинаций, "
              "учёт ставок и сценарии.");
}

bool TFormMain::DownloadConfigured() const {
    return !Trim(Config().ResultsArchiveUrl).empty();
}

int TFormMain::DownloadHook() {
    SetProgressText(Tr("Загрузка архива тиражей..."));
    const std::string url = Trim(Config().ResultsArchiveUrl);
    if (url.empty()) {
        ShowError(Tr("Адрес архива результатов лотереи не задан.\r\rУкажите его в окне «Параметры системы» "
                     "(меню «Файл» → «Параметры»)."));
        return 0;
    }
    const std::string zipPath = DataFile(ArchiveZipName);
    if (!Attempt(
            [&] {
                THttpOptions options = Archive().HttpOptions();
                options.MaxBytes = ResultsArchiveMaxBytes;
                DownloadToFile(url, zipPath, options);
            },
            Tr("Ошибка загрузки файла с архивом тиражей!\r\r%s"))) {
        return 0;
    }
    const bool extracted = Attempt([&] { ExtractMatching(zipPath, DataDir(), RangeFilePrefix, ".csv"); },
                                   Tr("Ошибка извлечения файлов из архива тиражей!\r\r%s"));
    DeleteFileIfExists(zipPath);
    if (!extracted) return 0;

    int added = 0, bad = 0;
    Attempt(
        [&] {
            std::vector<std::string> files;
            std::error_code ec;
            for (const auto& entry : std::filesystem::directory_iterator(DataDir(), ec)) {
                const std::string name = entry.path().filename().string();
                if (LowerCase(name).rfind(LowerCase(RangeFilePrefix), 0) == 0 &&
                    LowerCase(ExtractFileName(name)).size() > 4 && LowerCase(name).substr(name.size() - 4) == ".csv")
                    files.push_back(name);
            }
            std::sort(files.begin(), files.end());
            for (const std::string& name : files) {
                const std::string path = DataFile(name);
                const int next = NextDrawNumber(Archive().Draws(), 0);
                int first = 0, last = 0;
                RangeOfFileName(name, RangeFilePrefix, first, last);
                if (first <= next && next <= last) {
                    std::vector<TDrawRec> fresh = ReadRangeFileAt(path, next, bad);
                    added += static_cast<int>(fresh.size());
                    Archive().AppendDownloaded(std::move(fresh));
                }
                DeleteFileIfExists(path);
            }
        },
        Tr("Ошибка обработки файла с архивом тиражей!\r\r%s"));
    if (bad)
        Message(
            TMsgBox::Warning,
            Format(
                Tr("Строк с неверными числами пропущено: %d.\r\rВ тираже должно быть шесть разных чисел от 1 до 52."),
                bad));
    return added;
}

} // namespace zorb
