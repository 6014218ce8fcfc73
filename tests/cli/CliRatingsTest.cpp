// The verdict after `scenario test` and the luck chart, on an archive where one combination is planted every
// tenth draw: the line that stakes it must come out better than random play after the correction, held out or
// not, and the counts printed must be those of the archive itself.
#include "CliFixture.h"

#include "core/DrawArchive.h"
#include "core/FileUtils.h"
#include "core/TextUtils.h"
#include "tools/SampleArchive.h"

#include <algorithm>
#include <cmath>

namespace zorb::test {
namespace {

// The list is the twelve numbers 1..6 and 40..45: FIRST stakes 1..6, LAST 40..45.
const char* const TwelveNumbersIni = "[GLOBAL]\nCombsGenerateMode=2\n"
                                     "CombsGenerateParameters=1;2;3;4;5;6;40;41;42;43;44;45\n[STAKES]\nCost=12.5\n";

class CliRatingsTest : public CliTest {
protected:
    TDrawsArray Draws;

    void SetUp() override {
        Draws = MakeSampleArchive(200);
        for (size_t i = 9; i < Draws.size(); i += 10) {
            const uint8_t planted[6] = {4, 1, 6, 2, 5, 3}; // in drawn order
            std::copy(planted, planted + 6, Draws[i].Numbers);
        }
        WriteRaw(Archive(), EncodeDraws(Draws));
        WriteRaw(Dir.File("Zorb_6x52.ini"), TwelveNumbersIni);
        WriteRaw(Dir.File("p.lsc"), "FULL:0#FIRST| | | | | | | |Планта\r\nFULL:0#LAST| | | | | | | |Контроль\r\n");
    }

    // Matches of a stake on the draws numbered first..last, counted from the archive.
    int Matches(const std::vector<int>& stake, int first, int last) const {
        int total = 0;
        for (const TDrawRec& d : Draws)
            if (d.Draw >= first && d.Draw <= last)
                for (int n : stake) total += std::count(d.Numbers, d.Numbers + 6, n) > 0;
        return total;
    }

    // The CSV rows after the pass table (an empty line, then the summary).
    static std::vector<std::vector<std::string>> Summary(const std::string& out) {
        std::vector<std::vector<std::string>> rows;
        bool in = false;
        for (const std::string& line : Lines(out)) {
            if (line.empty()) {
                if (in) break;
                in = true;
                continue;
            }
            if (!in) continue;
            auto fields = SplitKeepEmpty(line, ';');
            if (!rows.empty() && fields.size() != rows.front().size()) break; // the notes below the table
            rows.push_back(std::move(fields));
        }
        return rows;
    }
};

TEST_F(CliRatingsTest, PlantedCombinationIsBetterThanRandomPlayAfterTheCorrectionAndOnTheHeldOutDraws) {
    const TRun t = Run({"scenario", "test", Dir.File("p.lsc"), "--count", "100", "--holdout", "30", "--csv"});
    ASSERT_EQ(t.Code, 0) << t.Err;
    const auto rows = Summary(t.Out);
    ASSERT_EQ(rows.size(), 3u) << t.Out;
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Комментарий", "Ставок", "Угадано", "Ож. угадано", "Профит",
                                                 "Ож. профит", "p-значение", "p с поправкой", "Расчет", "Вывод"}));
    // Offsets 100..1 stake on draws 101..200.
    const int planted = Matches({1, 2, 3, 4, 5, 6}, 101, 200), control = Matches({40, 41, 42, 43, 44, 45}, 101, 200);
    EXPECT_NE(rows[1][0].find("Планта"), std::string::npos);
    EXPECT_EQ(rows[1][1], "100");
    EXPECT_EQ(rows[1][2], std::to_string(planted));
    EXPECT_EQ(rows[1][3], "69.23"); // 100 · 36/52
    EXPECT_EQ(rows[1][8], "точно");
    EXPECT_EQ(rows[1][9], "лучше случайной игры");
    EXPECT_LT(std::stod(rows[1][7]), 1e-6);
    EXPECT_NE(rows[2][0].find("Контроль"), std::string::npos);
    EXPECT_EQ(rows[2][2], std::to_string(control));
    EXPECT_EQ(rows[2][9], "в пределах случайности");
    // Holm over two entries: the larger p-value is at least the smaller one doubled, never above one.
    EXPECT_GE(std::stod(rows[2][7]), std::stod(rows[2][6]));
    EXPECT_LE(std::stod(rows[2][7]), 1.0);

    const auto lines = Lines(t.Out);
    const auto title = std::find_if(lines.begin(), lines.end(),
                                    [](const std::string& l) { return l.rfind("Проверка на последних 30", 0) == 0; });
    ASSERT_NE(title, lines.end()) << t.Out;
    EXPECT_NE(title->find("(с тиража 171)"), std::string::npos) << *title;
    EXPECT_NE(title->find("Планта"), std::string::npos) << *title;
    ASSERT_GT(lines.end() - title, 3);
    const auto before = SplitKeepEmpty(*(title + 2), ';'), held = SplitKeepEmpty(*(title + 3), ';');
    EXPECT_EQ(before[0], "до тиража 171");
    EXPECT_EQ(before[1], "70");
    EXPECT_EQ(before[2], std::to_string(Matches({1, 2, 3, 4, 5, 6}, 101, 170)));
    EXPECT_EQ(held[0], "с тиража 171");
    EXPECT_EQ(held[1], "30");
    EXPECT_EQ(held[2], std::to_string(Matches({1, 2, 3, 4, 5, 6}, 171, 200)));
    EXPECT_EQ(held.back(), "лучше случайной игры");
}

TEST_F(CliRatingsTest, HeldOutNeedsAnOffsetLeftToChooseOn) {
    const TRun t = Run({"scenario", "test", Dir.File("p.lsc"), "--count", "5", "--holdout", "5"});
    EXPECT_NE(t.Code, 0);
    EXPECT_NE(t.Err.find("--holdout 5"), std::string::npos) << t.Err;
    EXPECT_FALSE(FileExists(Dir.File("Zorb_6x52.lsk")) && !ReadRaw(Dir.File("Zorb_6x52.lsk")).empty());
}

TEST_F(CliRatingsTest, LuckChartRunsBetweenItsBandsDrawByDraw) {
    ASSERT_EQ(Run({"scenario", "test", Dir.File("p.lsc"), "--count", "20"}).Code, 0);
    const auto list = Lines(Run({"ratings", "list", "--csv"}).Out);
    std::string comment;
    for (const std::string& line : list)
        if (line.find("Планта") != std::string::npos) comment = SplitKeepEmpty(line, ';')[0];
    ASSERT_FALSE(comment.empty());
    if (comment.front() == '"') comment = comment.substr(1, comment.size() - 2);
    const TRun g = Run({"ratings", "graph", "luck", comment, "--csv"});
    ASSERT_EQ(g.Code, 0) << g.Err;
    const auto rows = Lines(g.Out);
    ASSERT_EQ(rows.size(), 1u + 3 * 20) << g.Out;
    EXPECT_EQ(rows[0], "Серия;X;Y");
    // The bands first, then the running excess; x is the draw number, 181..200.
    double excess = 0;
    for (int i = 0; i < 20; ++i) {
        const int draw = 181 + i;
        const auto upper = SplitKeepEmpty(rows[1 + static_cast<size_t>(i)], ';');
        const auto lower = SplitKeepEmpty(rows[21 + static_cast<size_t>(i)], ';');
        const auto luck = SplitKeepEmpty(rows[41 + static_cast<size_t>(i)], ';');
        EXPECT_EQ(upper[1], std::to_string(draw));
        EXPECT_NEAR(std::stod(upper[2]), 2 * std::sqrt((i + 1) * 36.0 / 52 * 46 / 52 * 46 / 51), 1e-4);
        EXPECT_NEAR(std::stod(lower[2]), -std::stod(upper[2]), 1e-4);
        excess += Matches({1, 2, 3, 4, 5, 6}, draw, draw) - 36.0 / 52;
        EXPECT_EQ(luck[1], std::to_string(draw));
        EXPECT_NEAR(std::stod(luck[2]), excess, 1e-4) << draw;
    }
    EXPECT_NE(Run({"ratings", "graph", "luck", "nobody"}).Code, 0);
}

} // namespace
} // namespace zorb::test
