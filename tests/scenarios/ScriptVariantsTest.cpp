// Variant sets of a line and the row tests of a variant.
#include "scenarios/ScriptVariants.h"
#include "stats/StatList.h"

#include <gtest/gtest.h>

namespace zorb {
namespace {

class Variants : public testing::Test {
protected:
    TStatList List;
    void SetUp() override { List.BuildMethods(); }
    std::vector<std::string> Walk(std::array<std::string, MaxLineFilters> fields, int64_t* count = nullptr) {
        std::vector<TFilterAxis> axes;
        std::string bad;
        EXPECT_TRUE(BuildFilterAxes(fields, List, axes, bad)) << bad;
        if (count) *count = CountVariantSets(axes);
        std::vector<std::string> texts;
        TVariantWalker w(axes);
        TFilterRec rec;
        while (w.Next(rec)) texts.push_back(FilterRecText(rec, List));
        return texts;
    }
};

TEST_F(Variants, NestedOrderFilterOneSlowest) {
    int64_t n = 0;
    const auto sets = Walk({"TSD1#NUMS:100,200#LNO:#SF:1", " ", "TSD1#SUMS:50#LNO:#SF:1"}, &n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(sets, (std::vector<std::string>{"TSD#NUMS:100#LNO:#SF:1 + TSD#SUMS:50#LNO:#SF:1",
                                              "TSD#NUMS:200#LNO:#SF:1 + TSD#SUMS:50#LNO:#SF:1"}));
}

TEST_F(Variants, ComparingModeVariesValueWithinLength) {
    int64_t n = 0;
    const auto sets = Walk({"TSD1#NUMS:100,200#LMV:1-3;1#SF:1"}, &n);
    EXPECT_EQ(n, 6);
    const std::vector<std::string> want = {"TSD#NUMS:100#LMV:1#SF:1", "TSD#NUMS:100#LMV:2#SF:1",
                                           "TSD#NUMS:100#LMV:3#SF:1", "TSD#NUMS:200#LMV:1#SF:1",
                                           "TSD#NUMS:200#LMV:2#SF:1", "TSD#NUMS:200#LMV:3#SF:1"};
    EXPECT_EQ(sets, want);
}

TEST_F(Variants, ListModeMakesOneVariantWithJoinedValues) {
    std::vector<TFilterAxis> axes;
    std::string bad;
    ASSERT_TRUE(BuildFilterAxes({"TMF1#NUMS:100#LDV:1, 2;3#SF:1"}, List, axes, bad));
    ASSERT_EQ(CountVariantSets(axes), 1);
    TVariantWalker w(axes);
    TFilterRec rec;
    ASSERT_TRUE(w.Next(rec));
    EXPECT_EQ(rec[0].LevelValue, "1,2,3");
    EXPECT_EQ(rec[0].LevelText, "1, 2;3");
    EXPECT_FALSE(w.Next(rec));
}

TEST_F(Variants, HugeRangesAreCountedNotExpanded) {
    std::vector<TFilterAxis> axes;
    std::string bad;
    const std::string f = "TSD1#NUMS:1-1000000;1#LMV:1-1000000;1#SF:1";
    ASSERT_TRUE(BuildFilterAxes({f, f, f}, List, axes, bad));
    EXPECT_EQ(CountVariantSets(axes), INT64_MAX);
}

TEST_F(Variants, EmptyLengthsOrValuesNameTheFilter) {
    std::vector<TFilterAxis> axes;
    std::string bad;
    EXPECT_FALSE(BuildFilterAxes({"TSD1#NUMS:100#LNO:#SF:1", "TSD1#SUMS:1-10#LNO:#SF:1"}, List, axes, bad));
    EXPECT_EQ(bad, "TSD1#SUMS:1-10#LNO:#SF:1");
    EXPECT_FALSE(BuildFilterAxes({"TSD1#NUMS:100#CMV:#SF:1"}, List, axes, bad));
    EXPECT_TRUE(axes.empty());
    EXPECT_TRUE(BuildFilterAxes({" ", "", " "}, List, axes, bad));
    EXPECT_EQ(CountVariantSets(axes), 0);
}

// The statistics table's columns a row test reads.
enum TColumn {
    RowValue = -1, // the row's own value, not a cell
    ColCount = 1,
    ColCountPercent = 2,
    ColDeviation = 4,
    ColDeviationPercent = 5,
    ColDepth = 6,
    ColDepthPercent = 7,
    ColWeight = 8,
    ColPeriodMin = 10,
    ColPeriod = 11,
    ColPeriodMax = 12,
};

struct TRowCase {
    int Mode;
    const char* Value;
    TColumn Column; // where the mode is expected to look
    const char* Cell;
    bool Passes;
};

class RowTest : public testing::TestWithParam<TRowCase> {};

TEST_P(RowTest, ModeAgainstCell) {
    const TRowCase& c = GetParam();
    TFilterPart p;
    p.LevelMode = static_cast<uint8_t>(c.Mode);
    p.LevelValue = c.Value;
    // Every other cell holds something that would change the answer if read by mistake.
    std::string cells[13] = {"x", "999", "999", "999", "999", "999", "999", "999", "999", "999", "999", "999", "999"};
    int32_t value = 0;
    if (c.Column == RowValue)
        value = std::atoi(c.Cell);
    else
        cells[c.Column] = c.Cell;
    EXPECT_EQ(TRowTest(p).Passes(StatValuesFromCells(cells, 13, value)), c.Passes);
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, RowTest,
    testing::Values(
        TRowCase{0, "", ColPeriodMax, "-", true},
        // at least, integer cells: not a number counts 0
        TRowCase{1, "5", ColDepth, "5", true}, TRowCase{1, "5", ColDepth, "4", false},
        TRowCase{7, "0", ColDeviation, "-", true}, TRowCase{13, "1", ColCount, "-", false},
        TRowCase{22, "3", ColPeriodMin, "3", true}, TRowCase{28, "3", ColPeriodMax, "2", false},
        TRowCase{25, "2", ColPeriod, "2.5000", true}, TRowCase{25, "1", ColPeriod, "-", false},
        // at most: an integer cell that is not a number counts 65535, the real period 0
        TRowCase{3, "5", ColDepth, "5", true}, TRowCase{3, "5", ColDepth, "6", false},
        TRowCase{9, "100", ColDeviation, "-", false}, TRowCase{15, "70000", ColCount, "-", true},
        TRowCase{23, "2", ColPeriodMin, "1", true}, TRowCase{29, "2", ColPeriodMax, "3", false},
        TRowCase{26, "0", ColPeriod, "-", true}, TRowCase{26, "2", ColPeriod, "2.0001", false},
        // percentages
        TRowCase{2, "50", ColDepthPercent, "50.00", true}, TRowCase{8, "1", ColDeviationPercent, "-", false},
        TRowCase{14, "3", ColCountPercent, "2.99999", false}, TRowCase{4, "50", ColDepthPercent, "49.99", true},
        TRowCase{10, "70000", ColDeviationPercent, "-", true}, TRowCase{16, "1", ColCountPercent, "-", false},
        // weight: 0 for not a number either way
        TRowCase{19, "0", ColWeight, "-", true}, TRowCase{19, "1", ColWeight, "0.99", false},
        TRowCase{20, "0", ColWeight, "-", true}, TRowCase{20, "-1", ColWeight, "-0.50", false},
        // lists: a cell that is not a number matches nothing
        TRowCase{5, "1,2;3", ColDepth, "3", true}, TRowCase{5, "1,2", ColDepth, "3", false},
        TRowCase{11, "0", ColDeviation, "-", false}, TRowCase{17, "10", ColCount, "10", true},
        TRowCase{24, "4", ColPeriodMin, "4", true}, TRowCase{30, "4", ColPeriodMax, "5", false},
        TRowCase{6, "2", ColDepthPercent, "2.00", true}, TRowCase{12, "1", ColDeviationPercent, "1.5", false},
        TRowCase{18, "0", ColCountPercent, "-", false}, TRowCase{21, "3", ColWeight, "3.00", true},
        TRowCase{27, "7", ColPeriod, "7.0000", true}, TRowCase{31, "1;7;9", RowValue, "7", true},
        TRowCase{31, "1;9", RowValue, "7", false}));

} // namespace
} // namespace zorb
