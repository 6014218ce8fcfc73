#include "app/Switches.h"

#include "core/TextUtils.h"

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
    return s;
}

} // namespace zorb
