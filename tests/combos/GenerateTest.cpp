#include "combos/Generate.h"
#include "combos/CombFiles.h"
#include "core/Errors.h"

#include "CombsTestUtil.h"

#include <cstring>
#include <filesystem>
#include <set>
#include <unistd.h>

namespace zorb::test {
namespace {

int64_t Choose(int n, int k) {
    if (k < 0 || k > n) return 0;
    int64_t c = 1;
    for (int i = 1; i <= k; ++i) c = c * (n - k + i) / i;
    return c;
}

// Every combination ascending within 1..52 and each strictly after the one before it: with the right count
// this pins the list to exactly the combinations of a rule, in lexicographic order.
::testing::AssertionResult StrictlyOrderedPlain(const TCombsArray& a) {
    for (size_t i = 0; i < a.Count(); ++i) {
        const TComb& c = a[i];
        if (c.N[0] < 1 || c.N[5] > 52) return ::testing::AssertionFailure() << "row " << i << " " << CombText(c);
        for (int k = 1; k < 6; ++k)
            if (c.N[k - 1] >= c.N[k]) return ::testing::AssertionFailure() << "row " << i << " " << CombText(c);
        if (i && std::memcmp(a[i - 1].N, c.N, 6) >= 0)
            return ::testing::AssertionFailure()
                   << "rows " << i - 1 << " and " << i << ": " << CombText(a[i - 1]) << " then " << CombText(c);
    }
    return ::testing::AssertionSuccess();
}

TEST(Generate, FullSetIsEveryCombinationInLexicographicOrder) {
    TCombsArray list;
    list.Append(Comb(9, 9, 9, 9, 9, 9)); // a previous list must be replaced, not extended
    EXPECT_EQ(GenerateCombs(list, gmFull, "1,2,3"), 0u);
    ASSERT_EQ(list.Count(), static_cast<size_t>(FullCombsCount));
    EXPECT_EQ(list[0], Comb(1, 2, 3, 4, 5, 6));
    EXPECT_EQ(list[1], Comb(1, 2, 3, 4, 5, 7));
    EXPECT_EQ(list[list.Count() - 1], Comb(47, 48, 49, 50, 51, 52));
    EXPECT_TRUE(StrictlyOrderedPlain(list));
}

TEST(Generate, OnlyMineListsTheCombinationsOfSevenNumbers) {
    TCombsArray list;
    GenerateCombs(list, gmOnlyMine, "1;2;3;4;5;6;7");
    EXPECT_EQ(VectorOf(list),
              (std::vector<TComb>{Comb(1, 2, 3, 4, 5, 6), Comb(1, 2, 3, 4, 5, 7), Comb(1, 2, 3, 4, 6, 7),
                                  Comb(1, 2, 3, 5, 6, 7), Comb(1, 2, 4, 5, 6, 7), Comb(1, 3, 4, 5, 6, 7),
                                  Comb(2, 3, 4, 5, 6, 7)}));
}

// Each row: the text, the members it must yield among 0..255, and the modes' rules are then checked against
// those members, so a lenient-parsing fault and a generation fault both show.
struct TMineCase {
    const char* Text;
    std::set<int> Members;
};

const TMineCase MineCases[] = {
    {"", {}},
    {"7", {7}},
    {" 52 ", {52}},
    {"1,2", {1, 2}},
    {"1;;2,,3 ; 4;5 ,6", {1, 2, 3, 4, 5, 6}},
    {"x", {0}},
    {"0", {0}},
    {"300,-1", {}},
    {"255, 5 ,300,-1,x", {0, 5, 255}},
    {"52;51;50;49;48;47;46", {46, 47, 48, 49, 50, 51, 52}},
    {"1,2,3,4,5", {1, 2, 3, 4, 5}},
};

TEST(Generate, MyNumbersAreReadLeniently) {
    for (const TMineCase& c : MineCases) {
        SCOPED_TRACE(std::string("text \"") + c.Text + "\"");
        const TNumberMask m = ParseMyNumbers(c.Text);
        for (int v = 0; v < 256; ++v) EXPECT_EQ(m.Contains(static_cast<uint8_t>(v)), c.Members.count(v) == 1) << v;
    }
}

TEST(Generate, ModesByMyNumbersFollowTheirRules) {
    for (const TMineCase& c : MineCases) {
        std::array<bool, 256> mine{};
        int k = 0; // members that can appear in a combination
        for (int v : c.Members) {
            mine[static_cast<size_t>(v)] = true;
            if (v >= 1 && v <= 52) ++k;
        }
        const struct {
            int Mode;
            int64_t Count;
        } modes[] = {{gmAnyOfMine, Choose(52, 6) - Choose(52 - k, 6)},
                     {gmOnlyMine, Choose(k, 6)},
                     {gmNoneOfMine, Choose(52 - k, 6)}};
        for (const auto& m : modes) {
            SCOPED_TRACE(std::string("text \"") + c.Text + "\", mode " + std::to_string(m.Mode));
            TCombsArray list;
            EXPECT_EQ(GenerateCombs(list, m.Mode, c.Text), 0u);
            ASSERT_EQ(static_cast<int64_t>(list.Count()), m.Count);
            ASSERT_TRUE(StrictlyOrderedPlain(list));
            for (size_t i = 0; i < list.Count(); ++i) {
                int held = 0;
                for (uint8_t x : list[i].N) held += mine[x] ? 1 : 0;
                const bool ok = m.Mode == gmAnyOfMine ? held > 0 : m.Mode == gmOnlyMine ? held == 6 : held == 0;
                ASSERT_TRUE(ok) << "row " << i << " " << CombText(list[i]);
            }
        }
    }
}

TEST(Generate, KnownCountsOfModesByMyNumbers) {
    const struct {
        int Mode;
        const char* Text;
        size_t Count;
    } cases[] = {
        {gmAnyOfMine, "", 0},          {gmNoneOfMine, "", 20358520},    {gmNoneOfMine, "1,2", 15890700},
        {gmAnyOfMine, "7", 2349060},   {gmOnlyMine, "x, 5 ,300,-1", 0}, {gmOnlyMine, "0", 0},
        {gmNoneOfMine, "0", 20358520},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("mode ") + std::to_string(c.Mode) + " text \"" + c.Text + "\"");
        TCombsArray list;
        GenerateCombs(list, c.Mode, c.Text);
        EXPECT_EQ(list.Count(), c.Count);
    }
}

TEST(Generate, AnyOfMineEqualsTheFullSetFilteredByContainment) {
    TCombsArray list;
    GenerateCombs(list, gmAnyOfMine, "7");
    TCombsArray expected;
    const TCombsArray& full = FullSet();
    for (size_t i = 0; i < full.Count(); ++i)
        if (NumberInComb(7, full[i])) expected.Append(full[i]);
    EXPECT_TRUE(SameCombs(list, expected));
}

TEST(Generate, FileModeLoadsThePreparedListAndCountsOddLines) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("zorb_generate_" + std::to_string(::getpid()) + ".lcv")).string();
    const std::vector<TComb> combs = {Comb(5, 3, 1, 2, 4, 6), Comb(0, 1, 2, 3, 4, 5), Comb(7, 7, 8, 9, 10, 11),
                                      Comb(1, 2, 3, 4, 5, 53)};
    SaveCombsFile(path, ListOf(combs));
    TCombsArray list;
    list.Append(Comb(1, 2, 3, 4, 5, 6));
    EXPECT_EQ(GenerateCombs(list, gmFile, path), 3u);
    EXPECT_EQ(VectorOf(list), combs);
    std::filesystem::remove(path);

    EXPECT_THROW(GenerateCombs(list, gmFile, path), EZorbError);
    EXPECT_THROW(GenerateCombs(list, gmFile, ""), EZorbError);
}

} // namespace
} // namespace zorb::test
