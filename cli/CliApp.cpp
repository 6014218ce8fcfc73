#include "cli/CliApp.h"

#include "app/FormMain.h"
#include "cli/CliCommand.h"
#include "cli/CliInterface.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "core/Platform.h"
#include "core/TextUtils.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace zorb {

namespace {

// Every verb, in the order of the help text.
TCliCommands AllCommands() {
    TCliCommands commands;
    commands.push_back(MakeDrawsCommand());
    commands.push_back(MakeInfoCommand());
    commands.push_back(MakeMethodsCommand());
    commands.push_back(MakeValuesCommand());
    commands.push_back(MakeCombosCommand());
    commands.push_back(MakeStatCommand());
    commands.push_back(MakePrefetchCommand());
    commands.push_back(MakeFilterTextCommand());
    commands.push_back(MakeStakesCommand());
    commands.push_back(MakeScenarioCommand());
    commands.push_back(MakeViewCommand());
    commands.push_back(MakeRatingsCommand());
    commands.push_back(MakeTablesCommand());
    commands.push_back(MakeConfigCommand());
    commands.push_back(MakeShreddingCommand());
    commands.push_back(MakeExportCommand());
    commands.push_back(MakeUpdateCommand());
    commands.push_back(MakeSystemsCommand());
    commands.push_back(MakeLibraryCommand());
    return commands;
}

} // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App cli{"Zorb 6x52: анализ тиражей лотереи «Зорб Мега» из командной строки", "zorb-cli"};
    cli.require_subcommand(1);
    std::string dir;
    cli.add_option("--dir", dir, "Каталог данных (по умолчанию каталог программы или ~/.local/share/zorb-6x52)");
    const TCliCommands commands = AllCommands();
    for (const auto& command : commands) command->Setup(cli);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        cli.parse(reversed);
    } catch (const CLI::ParseError& e) {
        int code = cli.exit(e, out, err);
        return code == 0 ? 0 : 1;
    }
    const TCliCommand* chosen = nullptr;
    for (const auto& command : commands)
        if (cli.got_subcommand(command->Name())) chosen = command.get();
    if (!chosen) return 1; // require_subcommand(1) leaves none unchosen

    if (dir.empty()) dir = DefaultDataDir();
    try {
        ForceDirectories(dir);
    } catch (const std::exception& e) {
        err << MessageLines(ErrorText(e)) << '\n';
        return 1;
    }

    // Commands that change data files take the data directory as the program does; the others only look.
    TCliInterface ui(out, err);
    TAppOptions options{AbsolutePath(dir), ExecutableDir(), ExtractFileName(ExecutablePath()), {}};
    options.ReadOnly = !chosen->WritesData();
    TFormMain app(ui, options);
    app.Create();
    app.OnInitTimer();
    if (app.Terminated()) return 1; // kept out of the data directory by a running copy

    TCliRun run{app, ui, out, err};
    const bool ok = chosen->Run(run);
    return !ok || ui.ErrorShown() ? 1 : 0;
}

} // namespace zorb
