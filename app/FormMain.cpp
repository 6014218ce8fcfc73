#include "app/FormMain.h"

#include "core/Translate.h"

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

} // namespace zorb
