// The verbs of zorb-cli as command objects. Each top-level verb declares its options and sub-verbs on the CLI11
// app before parsing; after parsing, the chosen one says whether it writes data (which decides whether the data
// directory is taken for writing or only looked at) and then runs on the started application.
#pragma once

#include "app/OnlineIdentity.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace zorb {

class TTemplateMain;
class TCliInterface;
class TStatList;

// What a running command works with.
struct TCliRun {
    TTemplateMain& App;
    TCliInterface& Ui;
    std::ostream& Out;
    std::ostream& Err;
};

enum class TCliAccess { Reads, Writes };

class TCliCommand {
public:
    virtual ~TCliCommand() = default;

    // The top-level verb.
    virtual const char* Name() const = 0;
    virtual void Setup(CLI::App& cli) = 0;

    // Both after parsing, for the verb given on the command line.
    bool WritesData() const;
    // False when the command failed; its message is out already.
    bool Run(TCliRun& run) const;

protected:
    using TVerbRun = std::function<bool(TCliRun&)>;
    // For a verb whose access depends on its options; asked after parsing.
    using TVerbWrites = std::function<bool()>;

    // A verb that runs: the command itself on the top-level app or one of its sub-verbs. Whether it writes data
    // is declared here, beside the verb.
    CLI::App* AddVerb(CLI::App& parent, const std::string& name, const std::string& description, TCliAccess access,
                      TVerbRun run);
    CLI::App* AddVerb(CLI::App& parent, const std::string& name, const std::string& description, TVerbWrites writesData,
                      TVerbRun run);

private:
    struct TVerb {
        CLI::App* Command;
        TVerbWrites WritesData;
        TVerbRun Run;
    };
    std::vector<TVerb> FVerbs;

    const TVerb* Chosen() const;
};

using TCliCommands = std::vector<std::unique_ptr<TCliCommand>>;

// Each factory lives in the file of its group; RunCli holds the list.
std::unique_ptr<TCliCommand> MakeDrawsCommand();      // CliDraws.cpp
std::unique_ptr<TCliCommand> MakeInfoCommand();       // CliDraws.cpp
std::unique_ptr<TCliCommand> MakeMethodsCommand();    // CliMethods.cpp
std::unique_ptr<TCliCommand> MakeValuesCommand();     // CliMethods.cpp
std::unique_ptr<TCliCommand> MakeStatCommand();       // CliMethods.cpp
std::unique_ptr<TCliCommand> MakePrefetchCommand();   // CliMethods.cpp
std::unique_ptr<TCliCommand> MakeFilterTextCommand(); // CliMethods.cpp
std::unique_ptr<TCliCommand> MakeCombosCommand();     // CliCombos.cpp
std::unique_ptr<TCliCommand> MakeStakesCommand();     // CliStakes.cpp
std::unique_ptr<TCliCommand> MakeViewCommand();       // CliViews.cpp
std::unique_ptr<TCliCommand> MakeRatingsCommand();    // CliRatings.cpp
std::unique_ptr<TCliCommand> MakeTablesCommand();     // CliTables.cpp
std::unique_ptr<TCliCommand> MakeConfigCommand();     // CliConfig.cpp
std::unique_ptr<TCliCommand> MakeShreddingCommand();  // CliShredding.cpp
std::unique_ptr<TCliCommand> MakeScenarioCommand();   // CliScenario.cpp
std::unique_ptr<TCliCommand> MakeExportCommand();     // CliExport.cpp
std::unique_ptr<TCliCommand> MakeUpdateCommand();     // CliUpdate.cpp
std::unique_ptr<TCliCommand> MakeSystemsCommand();    // CliSystems.cpp
std::unique_ptr<TCliCommand> MakeLibraryCommand();    // CliLibrary.cpp

// Input shared by the commands.

// "1,2,3": false when a part is no number or there is none.
bool ParseIntList(const std::string& text, std::vector<int>& out);
// The starting list: a file, a generation mode with the settings' parameters, or the list made at start-up.
bool PrepareList(TCliRun& r, const std::string& input, int mode);

// The server and user of the online verbs.
struct TOnlineOptions {
    std::string Server, Name, Mail;
};
void AddOnlineOptions(CLI::App* cmd, TOnlineOptions& options);
// Section ONLINE of the settings file, the options given winning; nothing, after printing `failure` (its "%s"
// the reason), when no server address is set.
std::optional<TOnlineSettings> OnlineSettingsOf(TCliRun& run, const TOnlineOptions& options,
                                                const std::string& failure);
// Prints the failure and returns false.
bool Fail(TCliRun& run, const std::string& text);

// Output shared by the commands.

// Aligned columns (the last one unpadded), or CSV with ";" when `csv`.
void PrintTable(const std::vector<std::vector<std::string>>& rows, bool csv, std::ostream& out);
// The registry entry of a method code; -1 after telling the user there is none.
int FindMethod(TStatList& list, const std::string& code, std::ostream& err);
// The verdict on the stake records [first, end) of a test, with the held-out check when holdout > 0; nothing
// when the test checked no stake (CliRatings.cpp).
void PrintTestSummary(TCliRun& run, int64_t firstStake, int64_t endStake, int holdout, bool csv);

} // namespace zorb
