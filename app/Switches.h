// Command-line switches of the program: an argument matches a switch when it equals the name, or the name after
// "-", "--", "/" or "\", without regard to letter case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorb {

bool MatchSwitch(std::string_view arg, std::string_view name);
bool HasSwitch(const std::vector<std::string>& args, std::string_view name);

struct TSwitches {
    bool Restart = false;
    bool NoLanguage = false;
    bool LoadOnly = false;
    bool FullRecreate = false;
    bool FullRefresh = false;

    static TSwitches Parse(const std::vector<std::string>& args);
};

} // namespace zorb
