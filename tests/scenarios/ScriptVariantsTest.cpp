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

struct TRowCase {
    int Mode;
    const char* Value;
    const char* Cell; // put in the column the mode reads
    bool Passes;
};

// The cell each mode reads, by field.
std::string TStatValues::*CellOfMode(int mode) {
    switch (mode) {
    case 1: case 3: case 5: return &TStatValues::Depth;
    case 2: case 4: case 6: return &TStatValues::DepthPercent;
    case 7: case 9: case 11: return &TStatValues::Deviation;
    case 8: case 10: case 12: return &TStatValues::DeviationPercent;
    case 13: case 15: case 17: return &TStatValues::Count;
    case 14: case 16: case 18: return &TStatValues::CountPercent;
    case 19: case 20: case 21: return &TStatValues::Weight;
    case 22: case 23: case 24: return &TStatValues::PeriodMin;
    case 25: case 26: case 27: return &TStatValues::Period;
    default: return &TStatValues::PeriodMax;
    }
}

class RowTest : public testing::TestWithParam<TRowCase> {};

TEST_P(RowTest, ModeAgainstCell) {
    const TRowCase& c = GetParam();
    TFilterPart p;
    p.LevelMode = static_cast<uint8_t>(c.Mode);
    p.LevelValue = c.Value;
    // Every other cell holds something that would change the answer if read by mistake.
    TStatValues v{"x", 0, "999", "999", "999", "999", "999", "999", "999", "999", "999", "999"};
    if (c.Mode == 31)
        v.Value = std::atoi(c.Cell);
    else
        v.*CellOfMode(c.Mode) = c.Cell;
    EXPECT_EQ(TRowTest(p).Passes(v), c.Passes);
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, RowTest,
    testing::Values(TRowCase{0, "", "-", true},
                    // at least, integer cells: not a number counts 0
                    TRowCase{1, "5", "5", true}, TRowCase{1, "5", "4", false}, TRowCase{7, "0", "-", true},
                    TRowCase{13, "1", "-", false}, TRowCase{22, "3", "3", true}, TRowCase{28, "3", "2", false},
                    TRowCase{25, "2", "2.5000", true}, TRowCase{25, "1", "-", false},
                    // at most: an integer cell that is not a number counts 65535, the real period 0
                    TRowCase{3, "5", "5", true}, TRowCase{3, "5", "6", false}, TRowCase{9, "100", "-", false},
                    TRowCase{15, "70000", "-", true}, TRowCase{23, "2", "1", true}, TRowCase{29, "2", "3", false},
                    TRowCase{26, "0", "-", true}, TRowCase{26, "2", "2.0001", false},
                    // percentages
                    TRowCase{2, "50", "50.00", true}, TRowCase{8, "1", "-", false}, TRowCase{14, "3", "2.99999", false},
                    TRowCase{4, "50", "49.99", true}, TRowCase{10, "70000", "-", true}, TRowCase{16, "1", "-", false},
                    // weight: 0 for not a number either way
                    TRowCase{19, "0", "-", true}, TRowCase{19, "1", "0.99", false}, TRowCase{20, "0", "-", true},
                    TRowCase{20, "-1", "-0.50", false},
                    // lists: a cell that is not a number matches nothing
                    TRowCase{5, "1,2;3", "3", true}, TRowCase{5, "1,2", "3", false}, TRowCase{11, "0", "-", false},
                    TRowCase{17, "10", "10", true}, TRowCase{24, "4", "4", true}, TRowCase{30, "4", "5", false},
                    TRowCase{6, "2", "2.00", true}, TRowCase{12, "1", "1.5", false}, TRowCase{18, "0", "-", false},
                    TRowCase{21, "3", "3.00", true}, TRowCase{27, "7", "7.0000", true},
                    TRowCase{31, "1;7;9", "7", true}, TRowCase{31, "1;9", "7", false}));

} // namespace
} // namespace zorb
