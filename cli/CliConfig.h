// The config command: shows the matrix, channel and segment settings, or changes them the way the settings
// dialog's OK does (rebuilding the full-set files that the change makes stale).
#pragma once

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace zorb {

class TTemplateMain;
class TCliInterface;

struct TConfigCommand {
    CLI::App* Command = nullptr;
    int MatrixCols = 0;
    int ChannelSize = 0;
    std::string Segments;
    bool Prefetch = false;

    // Whether the command changes settings (and so needs the data directory for writing).
    bool Changes() const;
};

void SetupConfigCommand(CLI::App& cli, TConfigCommand& c);
// Exit status: 1 when an option is out of range (nothing is saved) or saving failed.
int RunConfigCommand(TTemplateMain& app, TCliInterface& ui, const TConfigCommand& c, std::ostream& out,
                     std::ostream& err);

} // namespace zorb
