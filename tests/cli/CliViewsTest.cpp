// The view, ratings and tables verbs: grids as CSV, selections handed to the filter, read-only verbs writing
// nothing, the regular table walk and test.
#include "CliFixture.h"

#include <filesystem>
#include <map>

namespace zorb::test {
namespace {

class CliViewsTest : public CliTest {
protected:
    void SetUp() override {
        WriteRaw(Archive(), RawDrawRange(1, 10));
        WriteRaw(Dir.File("Zorb_6x52.ini"),
                 "[GLOBAL]\nCombsGenerateMode=2\nCombsGenerateParameters=1;2;3;4;5;6;7;8;9;10\n[STAKES]\nCost=12.5\n");
    }
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> r;
        for (const auto& e : std::filesystem::recursive_directory_iterator(Dir.Path()))
            r[e.path().string()] = e.is_directory() ? "<dir>" : ReadRaw(e.path().string());
        return r;
    }
};

TEST_F(CliViewsTest, ReadOnlyViewsPrintTheirGridsAndWriteNothing) {
    ASSERT_EQ(Run({"view", "card"}).Code, 0); // the first start writes its interface settings
    const auto before = Snapshot();
    struct {
        std::vector<std::string> Args;
        std::string FirstLine;
        size_t Lines;
    } cases[] = {
        {{"view", "card", "--csv"}, "Тираж;1;2;3", 11},
        {{"view", "week", "--csv"}, "День;1;2;3", 8},
        {{"view", "sums", "--csv"}, "Сумма;Комбинаций;Тиражей", 1 + 277 + 3},
        {{"view", "graph", "SUMS", "--csv", "--len", "4", "--offset", "2"}, "Тираж;", 5},
        {{"view", "repeats", "--csv", "--draws", "3"}, "Тираж;Совпадений;Кол-во повторов;Список тиражей", 0},
        {{"ratings", "list", "--csv"}, "Комментарий;Ставок;Угадано;Среднее", 1},
        {{"tables", "list", "--csv"}, "Комментарий;Стартовая комбинация;Шаг", 1},
    };
    for (const auto& c : cases) {
        const TRun r = Run(c.Args);
        ASSERT_EQ(r.Code, 0) << c.Args[1] << r.Err;
        const auto lines = Lines(r.Out);
        ASSERT_FALSE(lines.empty()) << c.Args[1];
        EXPECT_EQ(lines[0].substr(0, c.FirstLine.size()), c.FirstLine) << c.Args[1];
        if (c.Lines) {
            EXPECT_EQ(lines.size(), c.Lines) << c.Args[1];
        }
    }
    EXPECT_EQ(Snapshot(), before);
    const auto sums = Lines(Run({"view", "sums", "--csv"}).Out);
    EXPECT_EQ(sums[278], "Диапазон 1 (от 1/3 и выше по оси Y) - суммы 106-212");
}

TEST_F(CliViewsTest, WeekSelectionKeepsTheCombinationsOfItsColumns) {
    // Ten numbers: 210 combinations, of which C(7,6) = 7 hold none of 3, 4 and 5.
    const TRun r = Run({"view", "week", "--select", "0,0,7,5", "--keep"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("Значения: 1; 2; 3; 4; 5\n"), std::string::npos) << r.Out;
    const TRun cols = Run({"view", "week", "--select", "1,3,7,5", "--keep"});
    EXPECT_NE(cols.Out.find("Комбинаций: 203\n"), std::string::npos) << cols.Out;
    // Over the full set: every combination holding 3, 4 or 5, C(52,6) - C(49,6).
    const TRun full = Run({"view", "week", "--select", "1,3,7,5", "--keep", "--mode", "0"});
    EXPECT_NE(full.Out.find("Комбинаций: 6374704\n"), std::string::npos) << full.Out << full.Err;
    const TRun none = Run({"view", "week", "--select", "1,0,7,0", "--keep"});
    EXPECT_NE(none.Code, 0);
}

TEST_F(CliViewsTest, TablesWalkTheRingAndTestPastDraws) {
    ASSERT_EQ(Run({"tables", "add", "--comment", "A", "--step", "10", "--comb", "1;2;3;4;5;6"}).Code, 0);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(Run({"tables", "stake", "1"}).Code, 0);
    auto lines = Lines(Run({"tables", "list", "--csv"}).Out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "A;\"1;2;3;4;5;6\";10;\"1;2;3;4;51;52\";5");
    EXPECT_NE(Run({"tables", "add", "--comment", "a", "--comb", "1;2;3;4;5;6"}).Code, 0); // comment in use

    ASSERT_EQ(Run({"tables", "add", "--comment", "B", "--last-draw", "--step", "-1"}).Code, 0);
    const size_t stakesBefore = ReadRaw(Dir.File("Zorb_6x52.lsk")).size();
    EXPECT_NE(Run({"tables", "test", "10", "1", "2"}).Code, 0); // k beyond n - 1 changes nothing
    EXPECT_EQ(ReadRaw(Dir.File("Zorb_6x52.lsk")).size(), stakesBefore);
    const TRun test = Run({"tables", "test", "3", "1", "2"});
    ASSERT_EQ(test.Code, 0) << test.Err;
    EXPECT_EQ(test.Out, "Добавлено ставок: 6\n");
    EXPECT_EQ(ReadRaw(Dir.File("Zorb_6x52.lsk")).size(), stakesBefore + 6 * 320);
    const auto ratings = Lines(Run({"ratings", "list", "--csv"}).Out);
    EXPECT_EQ(ratings.size(), 3u); // one entry per table
    const auto random = Lines(Run({"ratings", "random", "--csv"}).Out);
    ASSERT_EQ(random.size(), 3u);
    EXPECT_NE(random[1].find("точно"), std::string::npos);
    // A table's comment names no filter: no scenario line, the error, exit 1, and the scenario state untouched.
    const TRun script = Run({"ratings", "to-script", "A"});
    EXPECT_NE(script.Code, 0);
    EXPECT_NE(script.Err.find("невозможно добавить в сценарий"), std::string::npos) << script.Err;
    EXPECT_FALSE(std::filesystem::exists(Dir.File("Zorb_6x52.lss")));

    // Graph points: draws 8..10 of the test and the unchecked stakes for draw 11, in draw order, three series.
    const auto draws = Lines(Run({"ratings", "graph", "draws", "--csv"}).Out);
    ASSERT_EQ(draws.size(), 1u + 4 * 3);
    EXPECT_EQ(draws[0], "Серия;X;Y");
    EXPECT_EQ(draws[1].substr(draws[1].find(';')), ";8;" + draws[1].substr(draws[1].rfind(';') + 1));
    EXPECT_EQ(Lines(Run({"ratings", "graph", "matches", "A", "B", "--csv"}).Out).size(), 1u + 3 * 7);
    const auto overlap = Lines(Run({"ratings", "graph", "overlap", "a", "--csv"}).Out);
    ASSERT_EQ(overlap.size(), 4u);
    EXPECT_EQ(overlap[1].substr(0, 4), "A;8;"); // named by the entry, found whatever the letter case
    EXPECT_NE(Run({"ratings", "graph", "profits", "nobody"}).Code, 0);
}

} // namespace
} // namespace zorb::test
