#include "app/Switches.h"

#include "core/TextUtils.h"
#include "core/Translate.h"

#include <filesystem>

namespace zorb {

bool MatchSwitch(std::string_view arg, std::string_view name) {
    for (std::string_view prefix : {"", "-", "--", "/", "\\"}) {
        if (arg.size() == prefix.size() + name.size() && arg.substr(0, prefix.size()) == prefix &&
            SameText(arg.substr(prefix.size()), name))
            return true;
    }
    return false;
}

bool HasSwitch(const std::vector<std::string>& args, std::string_view name) {
    for (const auto& a : args)
        if (MatchSwitch(a, name)) return true;
    return false;
}

TSwitches TSwitches::Parse(const std::vector<std::string>& args) {
    TSwitches s;
    s.Restart = HasSwitch(args, "restart");
    s.NoLanguage = HasSwitch(args, "no-language");
    s.LoadOnly = HasSwitch(args, "loadonly");
    s.FullRecreate = HasSwitch(args, "fullrecreate");
    s.FullRefresh = HasSwitch(args, "fullrefresh");
    s.File = FindFileArgument(args);
    return s;
}

TFileArgument FindFileArgument(const std::vector<std::string>& args) {
    static const struct {
        const char* Ext;
        TFileKind Kind;
    } kinds[] = {{".lsc", TFileKind::Scenario}, {".lcv", TFileKind::Combinations}, {".ldr", TFileKind::Archive}};
    for (const auto& a : args) {
        const std::string ext = std::filesystem::path(a).extension().string();
        for (const auto& k : kinds)
            if (SameText(ext, k.Ext)) return {k.Kind, a};
    }
    return {};
}

std::string ArchiveArgumentDir(const std::vector<std::string>& args, const std::string& archiveName) {
    const TFileArgument file = FindFileArgument(args);
    if (file.Kind != TFileKind::Archive) return {};
    const std::filesystem::path path(file.Path);
    std::error_code ec;
    // A mistyped name must not create a data directory.
    if (path.filename() != archiveName || !std::filesystem::is_regular_file(path, ec)) return {};
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? std::string() : absolute.parent_path().string();
}

bool WantsUsage(const std::vector<std::string>& args) {
    for (const auto& a : args)
        if (MatchSwitch(a, "help") || a == "-h" || a == "-?") return true;
    return false;
}

std::string UsageText(const std::string& programName) {
    auto row = [](const std::string& name, const std::string& text) {
        return "  " + name + std::string(name.size() < 24 ? 24 - name.size() : 1, ' ') + text + "\n";
    };
    std::string t = Tr("Zorb 6x52: анализ тиражей лотереи «Зорб Мега» (6 из 52)") + "\n";
    t += "Usage: " + programName + " [--dir DIR] [SWITCH...] [FILE]\n\n";
    t += "Options:\n";
    t += row("--dir DIR", Tr("Каталог данных (по умолчанию каталог программы или ~/.local/share/zorb-6x52)"));
    t += row("-h, --help", Tr("Показать эту справку и выйти"));
    t += "\nSwitches:\n";
    t += row("restart", Tr("Дождаться завершения предыдущей копии программы"));
    t += row("no-language", Tr("Встроенные русские тексты вместо языкового модуля"));
    t += row("loadonly", Tr("Загрузить новые тиражи и завершить работу"));
    t += row("fullrefresh", Tr("Построить недостающие файлы полного набора комбинаций и завершить работу"));
    t += row("fullrecreate", Tr("Перестроить все файлы полного набора комбинаций и завершить работу"));
    t += Tr("Ключ задается именем или именем после -, --, / или \\, в любом регистре.") + "\n";
    t += "\nFiles:\n";
    t += row("FILE.lsc", Tr("Загрузить сценарий из файла"));
    t += row("FILE.lcv", Tr("Загрузить список комбинаций из файла"));
    t += row("DIR/" + programName + ".ldr", Tr("Работать с каталогом данных этого архива тиражей"));
    return t;
}

} // namespace zorb
