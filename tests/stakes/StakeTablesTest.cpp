#include "stakes/StakeTables.h"

#include "../core/TestFiles.h"

#include <gtest/gtest.h>

namespace zorb {
namespace {

using test::ReadRaw;
using test::TTempDir;
using test::WriteRaw;

TComb C(std::initializer_list<int> numbers) {
    TComb c{};
    int i = 0;
    for (int n : numbers) c.N[i++] = static_cast<uint8_t>(n);
    return c;
}

TDrawRec Draw(int number, std::initializer_list<int> numbers) {
    TDrawRec d{};
    d.Draw = number;
    int k = 0;
    for (int n : numbers) d.Numbers[k++] = static_cast<uint8_t>(n);
    return d;
}

TEST(StakeTablesTest, ConstantTableWalksTheRingAndWraps) {
    TRegularTable t;
    t.StartComb = t.CurrentComb = C({1, 2, 3, 4, 5, 6});
    t.Step = 10;
    const TComb expected[] = {C({11, 12, 13, 14, 15, 16}), C({21, 22, 23, 24, 25, 26}), C({31, 32, 33, 34, 35, 36}),
                              C({41, 42, 43, 44, 45, 46}), C({1, 2, 3, 4, 51, 52})};
    for (const TComb& e : expected) {
        ASSERT_TRUE(AdvanceTable(t, {}, 0));
        EXPECT_EQ(t.CurrentComb, e) << CombToList(t.CurrentComb);
    }
    EXPECT_EQ(t.StakeCount, 5);
    t.Step = 0;
    const TComb same = t.CurrentComb;
    ASSERT_TRUE(AdvanceTable(t, {}, 0));
    EXPECT_EQ(t.CurrentComb, same);
}

TEST(StakeTablesTest, PreviousDrawModeAndBasesThatAreNoCombination) {
    const TDrawsArray draws = {Draw(1, {9, 8, 7, 6, 5, 4}), Draw(2, {1, 20, 30, 40, 50, 52})};
    TRegularTable t;
    t.UseLastDraw = true;
    t.Step = -1;
    ASSERT_TRUE(AdvanceTable(t, draws, 0));
    EXPECT_EQ(t.CurrentComb, C({19, 29, 39, 49, 51, 52})); // 1 becomes 52
    ASSERT_TRUE(AdvanceTable(t, draws, 1));
    EXPECT_EQ(t.CurrentComb, C({3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(t.StakeCount, 2);

    struct {
        const char* Why;
        TRegularTable Table;
        TDrawsArray Draws;
    } refused[] = {
        {"offset beyond the archive", {"", true, {}, {}, 1, 0}, draws},
        {"empty archive", {"", true, {}, {}, 1, 0}, {}},
        {"made without a combination", {"", false, {}, {}, 1, 0}, draws},
        {"repeated number", {"", false, {}, C({1, 1, 2, 3, 4, 5}), 1, 0}, draws},
        {"draw with a repeated number", {"", true, {}, {}, 1, 0}, {Draw(1, {3, 3, 4, 5, 6, 7})}},
        {"step out of range", {"", false, {}, C({1, 2, 3, 4, 5, 6}), 60, 0}, draws},
    };
    for (auto& r : refused) {
        const TRegularTable before = r.Table;
        EXPECT_FALSE(AdvanceTable(r.Table, r.Draws, r.Draws.size() == 2 ? 5 : 0)) << r.Why;
        EXPECT_EQ(r.Table.CurrentComb, before.CurrentComb) << r.Why;
        EXPECT_EQ(r.Table.StakeCount, 0) << r.Why;
    }
}

TEST(StakeTablesTest, TypedCombinations) {
    struct {
        const char* Text;
        bool Ok;
        TComb Comb;
    } cases[] = {
        {"6;5;4;3;2;1", true, C({1, 2, 3, 4, 5, 6})},
        {" 52 , 1;2; 3;4 ;5", true, C({1, 2, 3, 4, 5, 52})},
        {"1;2;3;4;5", false, {}},
        {"1;2;3;4;5;6;7", false, {}},
        {"1;2;3;4;5;5", false, {}},
        {"0;2;3;4;5;6", false, {}},
        {"1;2;3;4;5;53", false, {}},
        {"1;2;3;4;5;x", false, {}},
        {"1;2;3;4;5;", false, {}},
    };
    for (const auto& c : cases) {
        TComb comb{};
        EXPECT_EQ(ParseTableComb(c.Text, comb), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(comb, c.Comb) << c.Text;
        }
    }
}

TEST(StakeTablesTest, FileRoundTripAtTheRecordLayout) {
    TTempDir dir;
    const std::string path = dir.File("Zorb_6x52.ltb");
    EXPECT_TRUE(LoadTablesFile(path).empty());
    TRegularTables tables = {{"Регулярная ставка", false, C({1, 2, 3, 4, 5, 6}), C({2, 3, 4, 5, 6, 7}), -52, 3},
                             {"b", true, {}, {}, 52, 0}};
    SaveTablesFile(path, tables);
    const std::string bytes = ReadRaw(path);
    ASSERT_EQ(bytes.size(), 2 * RegularTableSize);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 17u); // code page 1251: one byte per letter
    EXPECT_EQ(bytes[257], 1);
    EXPECT_EQ(bytes[263], 2);
    EXPECT_EQ(static_cast<uint8_t>(bytes[272]), 0xCCu); // -52 little-endian
    EXPECT_EQ(bytes[276], 3);
    EXPECT_EQ(bytes[RegularTableSize + 256], 1);
    WriteRaw(path, bytes + std::string(279, '\x01'));
    const TRegularTables loaded = LoadTablesFile(path);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].Comment, "Регулярная ставка");
    EXPECT_EQ(loaded[0].CurrentComb, C({2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(loaded[0].Step, -52);
    EXPECT_TRUE(loaded[1].UseLastDraw);
}

} // namespace
} // namespace zorb
