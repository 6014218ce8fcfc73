// The text form of filter descriptions: what users and scenario files write, read back exactly.
#include "combos/FilterItem.h"
#include "stats/StatList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zorb {
namespace {

class FilterTextTest : public testing::Test {
protected:
    TStatList List;
    void SetUp() override { List.BuildMethods(); }
    TFilterItem Parse(const std::string& text) { return ParseFilter(text, List); }
    std::string Write(const TFilterItem& f) { return FilterText(f, List); }
};

TEST_F(FilterTextTest, ReadsAWholeFilterTextFieldByField) {
    const TFilterItem f = Parse("TSD1#NUMS:1000#LNO:#SF:1");
    EXPECT_TRUE(f.Defined);
    EXPECT_FALSE(f.BottomUp);
    EXPECT_FALSE(f.MultiSelect);
    EXPECT_FALSE(f.Keep);
    EXPECT_EQ(f.SortColumn, 1);
    ASSERT_GE(f.Method, 0);
    EXPECT_EQ(List.CodeOf(f.Method), "NUMS");
    EXPECT_EQ(f.Lengths, "1000");
    EXPECT_EQ(f.LevelMode, lmNone);
    EXPECT_EQ(f.LevelValues, "");
    EXPECT_EQ(f.StopMode, smAll);
    EXPECT_EQ(f.StopValue, 1);
    EXPECT_FALSE(f.OwnWeights);
    EXPECT_EQ(Write(f), "TSD1#NUMS:1000#LNO:#SF:1");
}

// Texts that must come back exactly as they were written.
class RoundTrip : public FilterTextTest, public testing::WithParamInterface<const char*> {};
TEST_P(RoundTrip, WritesBackUnchanged) {
    EXPECT_EQ(Write(Parse(GetParam())), GetParam());
}
INSTANTIATE_TEST_SUITE_P(Table, RoundTrip,
                         testing::Values("TSD1#NUMS:1000#LNO:#SF:1", "BMF6#NUMS:100,200#LMV:5#ST:3",
                                         "TSD12#SUMS:1-10;2#CMP:3#SP:50",
                                         "TMF8#POS3:500#WDV:1,2,3#SV:4#0.125:-1:0.3:1:0",
                                         "BSD0#EVNV:300#LVA:21#SZ:1#-2.5:0:1:0:1", "TSD1#XYZ:10#LNO:#SF:1", ""));

struct TReadCase {
    const char* Text;
    bool BottomUp, Multi, Keep;
    int Column;
    const char* Method; // "" when unknown
    int Level, Stop, StopValue;
};
class Reading : public FilterTextTest, public testing::WithParamInterface<TReadCase> {};
TEST_P(Reading, FollowsTheRules) {
    const TReadCase& c = GetParam();
    const TFilterItem f = Parse(c.Text);
    EXPECT_EQ(f.BottomUp, c.BottomUp);
    EXPECT_EQ(f.MultiSelect, c.Multi);
    EXPECT_EQ(f.Keep, c.Keep);
    EXPECT_EQ(f.SortColumn, c.Column);
    EXPECT_EQ(f.Method >= 0 ? List.CodeOf(f.Method) : "", c.Method);
    EXPECT_EQ(f.LevelMode, c.Level);
    EXPECT_EQ(f.StopMode, c.Stop);
    EXPECT_EQ(f.StopValue, c.StopValue);
}
INSTANTIATE_TEST_SUITE_P(Table, Reading,
                         testing::Values(
                             // Small letters are not flags.
                             TReadCase{"bmf1#NUMS:10#LNO:#SF:1", false, false, false, 1, "NUMS", 0, 0, 1},
                             // Letters anywhere in the word; the column after the third character.
                             TReadCase{"FMB12#nums:10#lmv:3#st:2", true, true, true, 12, "NUMS", 1, 4, 2},
                             TReadCase{"TSD#NUMS:10", false, false, false, 1, "NUMS", 0, 0, 0},
                             TReadCase{"TSDx#NUMS:10#LNO:#SC:", false, false, false, 1, "NUMS", 0, 1, 1},
                             // Unknown codes give index 0; an unknown stop code gives value 0.
                             TReadCase{"TSD2#SUM1:10#ZZZ:4#QQ:9", false, false, false, 2, "SUM1", 0, 0, 0},
                             // POS1 must not be taken for a code that merely begins with it, nor the other way round.
                             TReadCase{"TSD1#POS1:10", false, false, false, 1, "POS1", 0, 0, 0},
                             TReadCase{"TSD1#POS10:10", false, false, false, 1, "", 0, 0, 0}));

TEST_F(FilterTextTest, RealsAreWrittenShortAndReadBackExactly) {
    for (double v : {0.0, -1.0, 0.125, 1.0 / 3.0, 1e-7, 123456789.75, -0.1, 2.5e15}) {
        TFilterItem f = Parse("TSD1#NUMS:10#WMV:1#SF:1");
        f.OwnWeights = true;
        f.WeightCount = v;
        f.WeightDeviation = -v;
        f.WeightLevel = v * 3;
        const std::string text = Write(f);
        const TFilterItem back = Parse(text);
        EXPECT_EQ(back.WeightCount, v) << text;
        EXPECT_EQ(back.WeightDeviation, -v) << text;
        EXPECT_EQ(back.WeightLevel, v * 3) << text;
        EXPECT_EQ(Write(back), text);
        EXPECT_EQ(text.find('e'), std::string::npos) << "no exponent: a lenient reader would misread it";
    }
    EXPECT_EQ(FilterRealText(-1), "-1");
    EXPECT_EQ(FilterRealText(0.125), "0.125");
    EXPECT_EQ(ParseFilterReal("1,5"), 1.5);
    EXPECT_EQ(ParseFilterReal(" -2.25x"), -2.25);
    EXPECT_EQ(ParseFilterReal("abc"), 0);
    EXPECT_EQ(ParseFilterReal("1.2.3"), 0);
    EXPECT_EQ(FilterRealText(std::numeric_limits<double>::infinity()), "0");
}

TEST_F(FilterTextTest, CaptionsAndVariantTexts) {
    EXPECT_EQ(ModeCaption(0), "Весь список (без условий)");
    EXPECT_EQ(ModeCaption(31), "\"Значения\": из заданного списка значений");
    EXPECT_EQ(StopCaption(6), "Процентному соотношению в списке статистики");
    for (int bad : {-1, 32, 255}) EXPECT_EQ(ModeCaption(bad), "# ERROR #");
    for (int bad : {-1, 7}) EXPECT_EQ(StopCaption(bad), "# ERROR #");

    TFilterRec rec{};
    rec[0] = {true, List.FindByCode("NUMS"), 500, 6, true, false, true, 1, "5", "5"};
    rec[0].StopMode = smSteps;
    rec[0].StopValue = 3;
    rec[2] = {true, List.FindByCode("SUMS"), 100, 1, false, true, false, 0, "", ""};
    rec[2].StopValue = 1;
    EXPECT_EQ(FilterPartText(rec[0], List), "BSF#NUMS:500#LMV:5#ST:3");
    EXPECT_EQ(FilterRecText(rec, List), "BSF#NUMS:500#LMV:5#ST:3 + TMD#SUMS:100#LNO:#SF:1");
    EXPECT_EQ(FilterRecText(TFilterRec{}, List), "");
}

} // namespace
} // namespace zorb
