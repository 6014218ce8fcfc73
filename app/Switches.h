// Command-line switches of the program: an argument matches a switch when it equals the name, or the name after
// "-", "--", "/" or "\", without regard to letter case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorb {

bool MatchSwitch(std::string_view arg, std::string_view name);
bool HasSwitch(const std::vector<std::string>& args, std::string_view name);

// A data file named on the command line, as a desktop passes a double-clicked file: it is recognised by its
// extension and opened the way its own action opens it.
enum class TFileKind { None, Scenario, Combinations, Archive };
struct TFileArgument {
    TFileKind Kind = TFileKind::None;
    std::string Path;
};
TFileArgument FindFileArgument(const std::vector<std::string>& args);
// The folder of an archive argument when the file is the archive "archiveName" of a data directory, so that the
// program works in that directory; empty otherwise.
std::string ArchiveArgumentDir(const std::vector<std::string>& args, const std::string& archiveName);

// "help", "-h" and the usual forms of the switch "help": the program prints UsageText and ends.
bool WantsUsage(const std::vector<std::string>& args);
// The program's usage in the layout of the command line's help, from which its manual page is also made.
std::string UsageText(const std::string& programName);

struct TSwitches {
    bool Restart = false;
    bool NoLanguage = false;
    bool LoadOnly = false;
    bool FullRecreate = false;
    bool FullRefresh = false;
    TFileArgument File;

    static TSwitches Parse(const std::vector<std::string>& args);
};

} // namespace zorb
