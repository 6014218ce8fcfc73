#include "cli/CliConfig.h"

#include "app/ConfigRules.h"
#include "app/TemplateMain.h"
#include "cli/CliInterface.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace zorb {

bool TConfigCommand::Changes() const {
    return Command && Command->parsed() &&
           (Command->count("--matrix-cols") || Command->count("--channel-size") || Command->count("--segments"));
}

void SetupConfigCommand(CLI::App& cli, TConfigCommand& c) {
    c.Command = cli.add_subcommand("config", "Параметры матрицы, каналов и сегментов");
    c.Command->add_option("--matrix-cols", c.MatrixCols, "Размер матрицы (столбцов), от 1 до 52");
    c.Command->add_option("--channel-size", c.ChannelSize, "Размер канала, от 3 до 52");
    c.Command->add_option("--segments", c.Segments, "Сегменты чисел 1..52: цифра от 1 до 9 на каждое число");
    c.Command->add_flag("--prefetch", c.Prefetch, "Сразу пересоздать устаревшие файлы полного набора");
}

namespace {

void PrintConfig(const TConfigData& config, std::ostream& out) {
    out << "MatrixCols=" << config.MatrixCols << '\n';
    out << "ChannelSize=" << config.ChannelSize << '\n';
    out << "MatrixSegments=" << SegmentsText(config.MatrixSegments) << '\n';
}

// The dialog's checks: a value outside its range is refused before anything changes.
bool ReadOptions(const TConfigCommand& c, TConfigData& config, std::ostream& err) {
    if (c.Command->count("--matrix-cols")) {
        if (c.MatrixCols < MinMatrixCols || c.MatrixCols > MaxMatrixCols) {
            err << Format(Tr("Размер матрицы %d вне допустимого диапазона: от %d до %d"), c.MatrixCols, MinMatrixCols,
                          MaxMatrixCols)
                << '\n';
            return false;
        }
        config.MatrixCols = c.MatrixCols;
    }
    if (c.Command->count("--channel-size")) {
        if (c.ChannelSize < MinChannelSize || c.ChannelSize > MaxChannelSize) {
            err << Format(Tr("Размер канала %d вне допустимого диапазона: от %d до %d"), c.ChannelSize, MinChannelSize,
                          MaxChannelSize)
                << '\n';
            return false;
        }
        config.ChannelSize = c.ChannelSize;
    }
    if (c.Command->count("--segments")) {
        if (c.Segments.size() > config.MatrixSegments.size()) {
            err << Format(Tr("Слишком много сегментов: %d, чисел всего %d"), static_cast<int>(c.Segments.size()),
                          static_cast<int>(config.MatrixSegments.size()))
                << '\n';
            return false;
        }
        // A short text leaves the remaining numbers in segment 1, as an empty cell of the dialog does.
        config.MatrixSegments.fill(1);
        for (size_t i = 0; i < c.Segments.size(); ++i) {
            const std::string cell(1, c.Segments[i]);
            if (!ParseSegmentCell(cell, config.MatrixSegments[i]) || cell == " ") {
                err << MessageLines(BadSegmentMessage(cell)) << '\n';
                return false;
            }
        }
    }
    return true;
}

} // namespace

int RunConfigCommand(TTemplateMain& app, TCliInterface& ui, const TConfigCommand& c, std::ostream& out,
                     std::ostream& err) {
    if (!c.Changes()) {
        PrintConfig(app.Stats().Config, out);
        return 0;
    }
    const TConfigData before = app.Stats().Config;
    TConfigData edited = before;
    if (!ReadOptions(c, edited, err)) return 1;
    if (c.Prefetch) app.SetPrefetchsForRun(true);
    ui.SetShowProgress(c.Prefetch);
    ui.SetConfigInput(edited);
    app.Execute("EditConfig");
    PrintConfig(app.Stats().Config, out);
    std::vector<std::string> stale;
    for (int g : TTemplateMain::StaleGroups(before, app.Stats().Config)) stale.push_back(std::to_string(g));
    out << "Stale=" << Join(stale, ",") << '\n';
    return 0;
}

} // namespace zorb
