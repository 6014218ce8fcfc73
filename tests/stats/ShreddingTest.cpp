// Shredding formulas: the text-substitution meaning, the digits rule, untrusted and hostile formulas, and the
// SHR%d method over draws and combinations.
#include "stats/Shredding.h"
#include "StatTestUtil.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>

namespace zorb {
namespace {

using test::MakeComb;
using test::MakeDraw;

struct TValueCase {
    const char* Formula;
    int Digits;
    std::array<uint8_t, 6> N, P, T;
    int32_t Value;
    bool Fails; // a reason is reported
};
void PrintTo(const TValueCase& c, std::ostream* os) {
    *os << '"' << c.Formula << "\" digits " << c.Digits;
}

constexpr std::array<uint8_t, 6> Ascending{1, 2, 3, 4, 5, 6}, Zero{};

class ShredValue : public testing::TestWithParam<TValueCase> {};
TEST_P(ShredValue, AsTheTextRuleReadsIt) {
    const TValueCase& c = GetParam();
    std::string error;
    EXPECT_EQ(Shred(c.N.data(), c.P.data(), c.T.data(), c.Digits, c.Formula, &error), c.Value);
    EXPECT_EQ(!error.empty(), c.Fails) << error;
    // A compiled formula gives the same, evaluation after evaluation.
    TShredFormula f(c.Formula, c.Digits);
    for (int k = 0; k < 2; ++k) EXPECT_EQ(f.Value(c.N.data(), c.P.data(), c.T.data()), c.Value);
}
INSTANTIATE_TEST_SUITE_P(
    Table, ShredValue,
    testing::Values(
        // The default formulas and the digits rule.
        TValueCase{"(n1+n2+n3)/(n4+n5+n6)", 2, Ascending, Zero, Zero, 40, false},
        TValueCase{"(n1+n2+n3)/(n4+n5+n6)", 1, Ascending, Zero, Zero, 4, false},
        TValueCase{"29/100", 2, Zero, Zero, Zero, 29, false}, TValueCase{"0.29*100", 2, Zero, Zero, Zero, 0, false},
        TValueCase{"0.7+0.1", 2, Zero, Zero, Zero, 80, false}, TValueCase{"2/3", 5, Zero, Zero, Zero, 66666, false},
        TValueCase{"-7/4", 2, Zero, Zero, Zero, 75, false}, TValueCase{"1e-9", 5, Zero, Zero, Zero, 0, false},
        TValueCase{"123456789012345.75", 2, Zero, Zero, Zero, 0, false},
        TValueCase{"1e300", 5, Zero, Zero, Zero, 0, false},
        TValueCase{"0.00999999999999999999", 2, Zero, Zero, Zero, 1, false},
        // Clamped digits.
        TValueCase{"2/3", 9, Zero, Zero, Zero, 66666, false}, TValueCase{"2/3", 0, Zero, Zero, Zero, 6, false},
        // p and t, and the text rule where names touch other characters.
        TValueCase{"(n1+p1+t1)/100", 2, Ascending, {10, 0, 0, 0, 0, 0}, {20, 0, 0, 0, 0, 0}, 31, false},
        TValueCase{"n1n2/1000", 3, {5, 12, 0, 0, 0, 0}, Zero, Zero, 512, false},
        TValueCase{"n6.5", 1, Ascending, Zero, Zero, 5, false}, TValueCase{"2n1", 2, Ascending, Zero, Zero, 0, false},
        TValueCase{"n1/p1", 2, Ascending, Zero, Zero, 0, true},
        TValueCase{"n1^2/7", 3, {3, 0, 0, 0, 0, 0}, Zero, Zero, 285, false},
        // Refused or failing: value 0 with a reason.
        TValueCase{"1/0", 2, Zero, Zero, Zero, 0, true}, TValueCase{"0/0", 2, Zero, Zero, Zero, 0, true},
        TValueCase{"10^400", 2, Zero, Zero, Zero, 0, true}, TValueCase{"n7+1", 2, Ascending, Zero, Zero, 0, true},
        TValueCase{"", 2, Ascending, Zero, Zero, 0, true}, TValueCase{"   ", 2, Ascending, Zero, Zero, 0, true},
        TValueCase{"n1=5", 2, Ascending, Zero, Zero, 0, true},
        TValueCase{"(n1=5)+n1/7", 2, Ascending, Zero, Zero, 0, true},
        TValueCase{"n1===5", 2, Ascending, Zero, Zero, 0, true}, TValueCase{"(n1+", 2, Ascending, Zero, Zero, 0, true},
        TValueCase{"n1 n2", 2, Ascending, Zero, Zero, 0, true}));

TEST(ShredFormula, ComparisonsAreNotAssignments) {
    EXPECT_EQ(ShredFormulaError("(n1==1)+(n2<=2)+(n3>=3)+(n4!=4)"), "");
    EXPECT_EQ(Shred(Ascending.data(), nullptr, nullptr, 1, "((n1==1)+(n2<=2)+(n3>=3)+(n4!=4))/10"), 3);
}

TEST(ShredFormula, ReasonNamesThePosition) {
    const std::string reason = ShredFormulaError("n1+*2");
    EXPECT_NE(reason.find("4"), std::string::npos) << reason;
    EXPECT_NE(ShredFormulaError("n1+q"), "");
    EXPECT_NE(ShredFormulaError(std::string(1001, '1')), "");
    std::string longest = "1";
    while (longest.size() < MaxShredFormulaLength) longest += "+1";
    longest.resize(MaxShredFormulaLength - 1);
    longest += "1";
    EXPECT_EQ(longest.size(), 1000u);
    EXPECT_EQ(ShredFormulaError(longest), "") << "1000 characters are allowed";
}

// A decimal comma in the process locale must not change how numbers in the formula read.
TEST(ShredFormula, LocaleIndependent) {
    struct TComma : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale old = std::locale::global(std::locale(std::locale::classic(), new TComma));
    EXPECT_EQ(Shred(Zero.data(), nullptr, nullptr, 2, "1.25+0"), 25);
    EXPECT_EQ(Shred(Ascending.data(), nullptr, nullptr, 2, "(n1+n2+n3)/(n4+n5+n6)"), 40);
    std::locale::global(old);
}

// Nothing the user can type crashes, hangs or yields anything but 0..10^digits - 1.
TEST(ShredFormula, HostileFormulas) {
    const std::vector<std::string> hostile = {"sum()",
                                              "avg(,)",
                                              "?:",
                                              "1?2",
                                              "1?2:3:4",
                                              ")(",
                                              "_pi=3",
                                              "n1++",
                                              "n1--n2",
                                              "sin(",
                                              "max(1,",
                                              "1,2,3",
                                              "\"a\"",
                                              "\"n1\"+1",
                                              "((((((((((",
                                              "))))))))))",
                                              "1e99999",
                                              "-1e-99999",
                                              "sum(0?1,2,3,4:5)",
                                              "avg(0>3?4:(\"\"),0^3?4:(\"\"))",
                                              "1?(2:3)",
                                              "(1?2:3)?4",
                                              "0x10",
                                              "1..2",
                                              "n1..n2",
                                              "$",
                                              "\x01\xff",
                                              "\xd0\xbf\xd1\x80\xd0\xb8",
                                              "n1&&n2||n3",
                                              "!n1",
                                              "~n1",
                                              "n1<<2",
                                              "n1%2",
                                              "strfun1(\"x\")",
                                              "n1?n2?n3:n4:n5",
                                              std::string(500, '(') + "1" + std::string(499, ')'),
                                              std::string(333, '-') + "1",
                                              "sqrt(-1)",
                                              "ln(0)",
                                              "log(-1)",
                                              "1/(n1-n1)",
                                              "(-8)^(1/3)",
                                              "2^1024",
                                              "max(n1,n2,n3,n4,n5,n6,p1,p2,p3,p4,p5,p6,t1,t2,t3,t4,t5,t6)",
                                              "a=1",
                                              "n1 = 1",
                                              "n1+=1"};
    for (int digits = 1; digits <= 5; ++digits)
        for (const std::string& f : hostile) {
            TShredFormula formula(f, digits);
            const int32_t v = formula.Value(Ascending.data(), Ascending.data(), nullptr);
            EXPECT_GE(v, 0) << f;
            EXPECT_LT(v, digits == 5 ? 100000 : 10000) << f;
        }
    for (const char* f : {"a=1", "n1 = 1", "_pi=3", "n1+=1"}) EXPECT_NE(ShredFormulaError(f), "") << f;
}

// --- The method -------------------------------------------------------------------------------------------------

class TShredRegistry {
public:
    explicit TShredRegistry(TDrawsArray draws, const std::string& formula = "", int digits = 2)
        : FDraws(std::move(draws)) {
        if (!formula.empty()) {
            List.Shredding.Formulas[0] = formula;
            List.Shredding.Digits[0] = static_cast<uint8_t>(digits);
        }
        List.SetDraws(&FDraws);
        List.BuildMethods();
    }
    std::unique_ptr<TCustomStat> Create(const std::string& code) { return List.CreateStat(List.FindByCode(code)); }
    TStatList List;

private:
    TDrawsArray FDraws;
};

TEST(ShreddingStat, DrawsCombinationsAndFilters) {
    TShredRegistry r(
        {MakeDraw(1, {10, 0, 0, 0, 0, 0}), MakeDraw(2, {20, 0, 0, 0, 0, 0}), MakeDraw(3, {7, 1, 1, 1, 1, 1})},
        "(n1+p1+t1)/100");
    auto stat = r.Create("SHR1");
    TStatDrawArray counted = CountWindow(*stat, 2, 3, false);
    std::vector<std::string> texts;
    for (const TStatDraw& row : counted) texts.push_back(stat->ValueText(row));
    // Before the archive starts the draws are zeros.
    EXPECT_EQ(texts, (std::vector<std::string>{"10", "30", "37"}));
    auto& graph = static_cast<TCustomGraphStat&>(*stat);
    EXPECT_EQ(graph.CombValue(MakeComb({1, 2, 3, 4, 5, 6}), 2, 2, false), 31);
    EXPECT_EQ(graph.DrawValue(2, 2, false), 37);
    TStatDrawArray one;
    stat->CountComb(MakeComb({1, 2, 3, 4, 5, 6}), one);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].I(1), 1) << "p and t are zeros for combinations";
    // Filtering adds the newest draw as p and the one before it as t.
    TStatDraw row{};
    row.SetI(1, 28); // 1 + 7 + 20
    stat->LoadDraws(-1, 2, false);
    EXPECT_TRUE(stat->MatchComb(MakeComb({1, 2, 3, 4, 5, 6}), {row}, 2, false, false));
    EXPECT_FALSE(stat->MatchComb(MakeComb({2, 3, 4, 5, 6, 7}), {row}, 2, false, false));
}

TEST(ShreddingStat, FiveDigitValuesLiveInTheFirstInteger) {
    TShredRegistry r({}, "2/3", 5);
    auto stat = r.Create("SHR1");
    TStatDrawArray t;
    stat->CountComb(MakeComb({1, 2, 3, 4, 5, 6}), t);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].I(1), 66666);
    EXPECT_EQ(t[0].W(2), 1) << "66666 = 1 x 65536 + 1130";
    EXPECT_EQ(stat->ValueText(t[0]), "66666");
    EXPECT_EQ(stat->ValueFromText("66666"), 66666);
    EXPECT_TRUE(stat->MatchComb(MakeComb({9, 10, 11, 12, 13, 14}), t, 0, false, false));
    TStatDraw low{};
    low.SetW(1, 1130);
    EXPECT_FALSE(stat->MatchComb(MakeComb({9, 10, 11, 12, 13, 14}), {low}, 0, false, false));
}

TEST(ShreddingStat, BrokenFormulaGivesZeroEverywhere) {
    TShredRegistry r({MakeDraw(1, {1, 2, 3, 4, 5, 6})}, "n1+*", 2);
    auto stat = r.Create("SHR1");
    const TStatDrawArray counted = CountWindow(*stat, 0, 1, false);
    ASSERT_EQ(counted.size(), 1u);
    EXPECT_EQ(counted[0].I(1), 0);
}

} // namespace
} // namespace zorb
