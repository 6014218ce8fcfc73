// The config verb: shows the matrix, channel and segment settings, or changes them the way the settings dialog's
// OK does (rebuilding the full-set files that the change makes stale).
#include "cli/CliCommand.h"

#include "app/ConfigRules.h"
#include "app/TemplateMain.h"
#include "cli/CliInterface.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace zorb {

namespace {

void PrintConfig(const TConfigData& config, std::ostream& out) {
    out << "MatrixCols=" << config.MatrixCols << '\n';
    out << "ChannelSize=" << config.ChannelSize << '\n';
    out << "MatrixSegments=" << SegmentsText(config.MatrixSegments) << '\n';
}

class TConfigCommand : public TCliCommand {
public:
    const char* Name() const override { return "config"; }

    void Setup(CLI::App& cli) override {
        // Without options the verb only shows the settings.
        TVerbWrites writesData = [this] { return Changes(); };
        FCommand = AddVerb(cli, Name(), "Параметры матрицы, каналов и сегментов", std::move(writesData),
                           [this](TCliRun& r) { return Apply(r); });
        FCommand->add_option("--matrix-cols", FMatrixCols, "Размер матрицы (столбцов), от 1 до 52");
        FCommand->add_option("--channel-size", FChannelSize, "Размер канала, от 3 до 52");
        FCommand->add_option("--segments", FSegments, "Сегменты чисел 1..52: цифра от 1 до 9 на каждое число");
        FCommand->add_flag("--prefetch", FPrefetch, "Сразу пересоздать устаревшие файлы полного набора");
    }

private:
    CLI::App* FCommand = nullptr;
    int FMatrixCols = 0;
    int FChannelSize = 0;
    std::string FSegments;
    bool FPrefetch = false;

    bool Changes() const {
        return FCommand->parsed() &&
               (FCommand->count("--matrix-cols") || FCommand->count("--channel-size") || FCommand->count("--segments"));
    }

    // Out of range options fail before anything is saved.
    bool Apply(TCliRun& r) const {
        TTemplateMain& app = r.App;
        if (!Changes()) {
            PrintConfig(app.Stats().Config, r.Out);
            return true;
        }
        const TConfigData before = app.Stats().Config;
        TConfigData edited = before;
        if (!ReadOptions(edited, r.Err)) return false;
        if (FPrefetch) app.SetPrefetchsForRun(true);
        r.Ui.SetShowProgress(FPrefetch);
        r.Ui.SetConfigInput(edited);
        app.Execute("EditConfig");
        PrintConfig(app.Stats().Config, r.Out);
        std::vector<std::string> stale;
        for (int g : TStatsController::StaleGroups(before, app.Stats().Config)) stale.push_back(std::to_string(g));
        r.Out << "Stale=" << Join(stale, ",") << '\n';
        return true;
    }

    // The dialog's checks: a value outside its range is refused before anything changes.
    bool ReadOptions(TConfigData& config, std::ostream& err) const {
        if (FCommand->count("--matrix-cols")) {
            if (FMatrixCols < MinMatrixCols || FMatrixCols > MaxMatrixCols) {
                err << Format(Tr("Размер матрицы %d вне допустимого диапазона: от %d до %d"), FMatrixCols,
                              MinMatrixCols, MaxMatrixCols)
                    << '\n';
                return false;
            }
            config.MatrixCols = FMatrixCols;
        }
        if (FCommand->count("--channel-size")) {
            if (FChannelSize < MinChannelSize || FChannelSize > MaxChannelSize) {
                err << Format(Tr("Размер канала %d вне допустимого диапазона: от %d до %d"), FChannelSize,
                              MinChannelSize, MaxChannelSize)
                    << '\n';
                return false;
            }
            config.ChannelSize = FChannelSize;
        }
        if (FCommand->count("--segments")) {
            if (FSegments.size() > config.MatrixSegments.size()) {
                err << Format(Tr("Слишком много сегментов: %d, чисел всего %d"), static_cast<int>(FSegments.size()),
                              static_cast<int>(config.MatrixSegments.size()))
                    << '\n';
                return false;
            }
            // A short text leaves the remaining numbers in segment 1, as an empty cell of the dialog does.
            config.MatrixSegments.fill(1);
            for (size_t i = 0; i < FSegments.size(); ++i) {
                const std::string cell(1, FSegments[i]);
                if (!ParseSegmentCell(cell, config.MatrixSegments[i]) || cell == " ") {
                    err << MessageLines(BadSegmentMessage(cell)) << '\n';
                    return false;
                }
            }
        }
        return true;
    }
};

} // namespace

std::unique_ptr<TCliCommand> MakeConfigCommand() {
    return std::make_unique<TConfigCommand>();
}

} // namespace zorb
