// The ratings verbs (ratings list/random/export/refresh/to-script/graph) and the verdict printed after a test.
// Output as aligned columns, or CSV with ";" and the captions as header.
#include "cli/CliCommand.h"

#include "app/TemplateMain.h"
#include "cli/CliInterface.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <ostream>

namespace zorb {

namespace {

using TRows = std::vector<std::vector<std::string>>;

class TRatingsCommand : public TCliCommand {
public:
    const char* Name() const override { return "ratings"; }

    void Setup(CLI::App& cli) override {
        CLI::App* ratings = cli.add_subcommand(Name(), "Рейтинг ставок");
        ratings->require_subcommand(1);
        CLI::App* list =
            AddVerb(*ratings, "list", "Список рейтинга", TCliAccess::Reads, [this](TCliRun& r) { return List(r); });
        list->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");
        FSortOption =
            list->add_option("--sort", FSort, "Столбец сортировки")->check(CLI::Range(0, RatingColumnCount - 1));
        list->add_flag("--desc", FDesc, "По убыванию");
        list->add_option("--mode", FMode, "Столбцы E0..E6: 0, 1 или 2")->check(CLI::Range(0, 2));
        CLI::App* random = AddVerb(*ratings, "random", "Сравнение со случайной игрой", TCliAccess::Reads,
                                   [this](TCliRun& r) { return Random(r); });
        random->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");
        CLI::App* exp = AddVerb(*ratings, "export", "Экспорт рейтинга в CSV-файл", TCliAccess::Reads,
                                [this](TCliRun& r) { return Export(r); });
        exp->add_option("FILE", FFile, "Файл *.csv")->required();
        AddVerb(*ratings, "refresh", "Пересчитать рейтинг по текущим ставкам", TCliAccess::Writes,
                [](TCliRun& r) { return Refresh(r); });
        CLI::App* script = AddVerb(*ratings, "to-script", "Добавить строки рейтинга в сценарий", TCliAccess::Writes,
                                   [this](TCliRun& r) { return ToScript(r); });
        script->add_option("COMMENT", FComments, "Комментарии строк рейтинга")->required();
        CLI::App* graph = AddVerb(*ratings, "graph", "Точки графиков рейтинга", TCliAccess::Reads,
                                  [this](TCliRun& r) { return Graph(r); });
        graph->add_flag("--csv", FCsv, "Формат CSV с разделителем \";\"");
        graph->add_option("KIND", FGraphKind, "draws, overlap, profits, matches или luck")
            ->required()
            ->check(CLI::IsMember(std::vector<std::string>{"draws", "overlap", "profits", "matches", "luck"}));
        graph->add_option("COMMENT", FComments, "Комментарии строк рейтинга (кроме draws)");
    }

private:
    bool FCsv = false;
    int FSort = 3;
    CLI::Option* FSortOption = nullptr;
    bool FDesc = false;
    int FMode = -1;
    std::string FFile;
    std::vector<std::string> FComments;
    std::string FGraphKind;

    // Selects the rows of the named entries; names no entry has are reported.
    bool SelectComments(TCliRun& r, bool forScript) const {
        TRatingsController& c = r.App.RatingsTab();
        std::vector<size_t> rows;
        bool missing = false;
        for (const std::string& comment : FComments) {
            const auto& items = c.Ratings().Items();
            auto it = std::find_if(items.begin(), items.end(),
                                   [&](const TRatingRecord& rec) { return SameText(rec.Comment, comment); });
            if (it == items.end()) {
                if (forScript)
                    r.Err << Format(Tr("Строку\r\r%s\r\rневозможно добавить в сценарий!"), comment) << '\n';
                else
                    r.Err << "Строка рейтинга не найдена: " << comment << '\n';
                missing = true;
            } else {
                rows.push_back(static_cast<size_t>(it - items.begin()));
            }
        }
        c.SetSelection(rows);
        return !missing;
    }

    static std::string PointText(double y) {
        return y == std::floor(y) && std::fabs(y) < 1e15 ? std::to_string(static_cast<int64_t>(y)) : Format("%.4f", y);
    }

    bool Graph(TCliRun& r) const {
        TRatingsController& c = r.App.RatingsTab();
        std::vector<TChartSeries> chart;
        std::string error;
        if (FGraphKind == "draws") {
            if (!FComments.empty()) {
                r.Err << "Для draws комментарии не указываются" << '\n';
                return false;
            }
            chart = c.GraphDraws(error);
        } else {
            if (FComments.empty()) {
                r.Err << "Укажите комментарии строк рейтинга" << '\n';
                return false;
            }
            if (!SelectComments(r, false)) return false;
            if (FGraphKind == "matches")
                chart = c.GraphOverlap();
            else if (FGraphKind == "luck")
                chart = c.GraphLuck(error);
            else
                chart = c.GraphStakes(FGraphKind == "profits", error);
        }
        if (!error.empty()) {
            r.Err << error << '\n';
            return false;
        }
        TRows rows{{"Серия", "X", "Y"}};
        for (const TChartSeries& series : chart)
            for (const TViewPoint& p : series.Points)
                rows.push_back({series.Title, std::to_string(p.X), PointText(p.Y)});
        PrintTable(rows, FCsv, r.Out);
        return true;
    }

    bool List(TCliRun& r) const {
        TRatingsController& c = r.App.RatingsTab();
        if (FMode >= 0) r.App.Settings().RatingsEffMode = FMode;
        // Without --sort the list's own order: "Среднее" descending.
        const bool desc = FDesc || FSortOption->count() == 0;
        // Sorting for the listing only: a read-only run writes nothing.
        TRatings sorted = c.Ratings();
        sorted.Sort(FSort, desc, r.App.Settings().RatingsEffMode, [&c](int n, int k) { return c.StakeProfit(n, k); });
        TRows rows;
        std::vector<std::string> head;
        for (int col = 0; col < RatingColumnCount; ++col) head.push_back(RatingColumnCaption(col));
        rows.push_back(head);
        const std::vector<TRatingExpectation> all =
            ExpectRatings(sorted.Items(), [&c](int n, int k) { return c.StakeProfit(n, k); });
        for (size_t i = 0; i < sorted.Items().size(); ++i) {
            std::vector<std::string> line;
            for (int col = 0; col < RatingColumnCount; ++col)
                line.push_back(RatingCellText(sorted.Items()[i], all[i], col, r.App.Settings().RatingsEffMode));
            rows.push_back(std::move(line));
        }
        PrintTable(rows, FCsv, r.Out);
        return true;
    }

    bool Random(TCliRun& r) const {
        TRatingsController& c = r.App.RatingsTab();
        TRows rows{RatingRandomCaptions()};
        const std::vector<TRatingExpectation> all =
            ExpectRatings(c.Ratings().Items(), [&c](int n, int k) { return c.StakeProfit(n, k); });
        for (size_t i = 0; i < all.size(); ++i) rows.push_back(RatingRandomCells(c.Ratings().Items()[i], all[i]));
        PrintTable(rows, FCsv, r.Out);
        return true;
    }

    bool Export(TCliRun& r) const { return r.App.RatingsTab().RatingsExport(FFile); }

    static bool Refresh(TCliRun& r) {
        r.Ui.SetAnswer(true);
        r.App.RatingsTab().RatingsRefresh();
        r.Out << Format(Tr("Рейтинг: %d"), static_cast<int>(r.App.RatingsTab().Ratings().Count())) << '\n';
        return !r.Ui.ErrorShown();
    }

    bool ToScript(TCliRun& r) const {
        TRatingsController& c = r.App.RatingsTab();
        const bool missing = !SelectComments(r, true);
        for (const std::string& line : c.RatingsToScript()) r.Out << line << '\n';
        return !missing && !r.Ui.ErrorShown();
    }
};

} // namespace

std::unique_ptr<TCliCommand> MakeRatingsCommand() {
    return std::make_unique<TRatingsCommand>();
}

void PrintTestSummary(TCliRun& r, int64_t firstStake, int64_t endStake, int holdout, bool csv) {
    const TVerdict verdict = r.App.RatingsTab().TestSummary(firstStake, endStake, holdout);
    if (verdict.Entries.empty()) return;
    const TVerdictTable t = VerdictTable(verdict);
    r.Out << '\n';
    PrintTable(t.Summary, csv, r.Out);
    for (const std::string& line : t.Notes) r.Out << line << '\n';
    if (t.HeldOutTitle.empty()) return;
    r.Out << '\n' << t.HeldOutTitle << '\n';
    if (!t.HeldOut.empty()) PrintTable(t.HeldOut, csv, r.Out);
    for (const std::string& line : t.HeldOutNotes) r.Out << line << '\n';
}

} // namespace zorb
