// Channel, matrix and segment methods: what draws yield, the registry under other settings, numbers outside
// 1..52, and the fast matchers and counters against MatchComb and CountComb, on random lists and the full set.
#include "stats/StatsChannels.h"
#include "StatTestUtil.h"

#include "core/FullSet.h"
#include "stats/CombMatcher.h"
#include "stats/Prefetch.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <map>
#include <mutex>
#include <numeric>
#include <random>
#include <thread>
#include <unordered_map>

namespace zorb {
namespace {

using test::MakeComb;
using test::MakeDraw;

bool InFamily(const TStatClass* c) {
    return c->Group >= 3 && c->Group <= 5;
}

// A registry over its own archive with changed settings.
struct TSetup {
    const char* Name;
    int MatrixCols = 7;
    int ChannelSize = 4;
    const char* Segments = "";
    std::vector<int> Groups; // the groups whose methods these settings change
};
void PrintTo(const TSetup& s, std::ostream* os) {
    *os << s.Name;
}

class TConfigured {
public:
    explicit TConfigured(const TSetup& s, TDrawsArray draws = {}) : FDraws(std::move(draws)) {
        List.Config.MatrixCols = s.MatrixCols;
        List.Config.ChannelSize = s.ChannelSize;
        List.Config.MatrixSegments = ParseSegments(s.Segments);
        List.SetDraws(&FDraws);
        List.BuildMethods();
    }
    std::unique_ptr<TCustomStat> Create(const std::string& code) {
        const int i = List.FindByCode(code);
        if (i < 0) throw std::invalid_argument("no method " + code);
        return List.CreateStat(i);
    }
    std::vector<int> Entries(const std::vector<int>& groups, bool prefetchOnly) const {
        std::vector<int> r;
        for (int i = 0; i < List.MethodCount(); ++i) {
            const TStatClass* c = List.Method(i).StatClass;
            if (!InFamily(c) || std::find(groups.begin(), groups.end(), c->Group) == groups.end()) continue;
            if (!prefetchOnly || c->CanPrefetch()) r.push_back(i);
        }
        return r;
    }
    TStatList List;

private:
    TDrawsArray FDraws;
};

// Two segments only, 2 for 1..20 and 5 beyond.
const char* const TwoSegments = "22222222222222222222555555555555555555555555555555555";

const TSetup Setups[] = {
    {"defaults", 7, 4, "", {3, 4, 5}},
    {"five columns", 5, 4, "", {4}},
    {"twenty-six columns", 26, 4, "", {4}},
    {"channels of six", 7, 6, "", {3}},
    {"segments 2 and 5", 7, 4, TwoSegments, {5}},
};

std::vector<std::string> Codes(const TStatList& list, int group) {
    std::vector<std::string> r;
    for (int i = 0; i < list.MethodCount(); ++i)
        if (list.Method(i).StatClass->Group == group) r.push_back(list.CodeOf(i));
    return r;
}

// Value text -> count, of a table.
std::map<std::string, int> Texts(TCustomStat& stat, const TStatDrawArray& table) {
    std::map<std::string, int> r;
    for (const TStatDraw& row : table) r[stat.ValueText(row)] += row.Count;
    return r;
}

TStatDrawArray DrawValues(TCustomStat& stat, bool seeded = false) {
    TStatDrawArray table;
    TWorkArea work{};
    TLastValueArray last;
    if (seeded) stat.InitValues(0, table);
    stat.CountDraw(0, 0, false, table, work, last);
    return table;
}

// --- Registry ----------------------------------------------------------------------------------------------------

TEST(ChannelRegistry, EntriesFollowTheSettings) {
    TConfigured defaults(Setups[0]);
    EXPECT_EQ(Codes(defaults.List, 3),
              (std::vector<std::string>{"CHAN", "CHNV", "CHNC",  "KCM2",  "KCM3",  "KCM4", "KCS2", "KCS3",
                                        "KCS4", "CHN1", "CHN2",  "CHN3",  "CHN4",  "CHN5", "CHN6", "CHN7",
                                        "CHN8", "CHN9", "CHN10", "CHN11", "CHN12", "CHN13"}));
    EXPECT_EQ(Codes(defaults.List, 5), (std::vector<std::string>{"SGMS", "SGMV", "SGMC", "KGM2", "KGM3", "KGM4", "KGS2",
                                                                 "KGS3", "KGS4", "SGM1"}));
    const std::vector<std::string> matrix = Codes(defaults.List, 4);
    ASSERT_EQ(matrix.size(), 12u + 12u + 7u + 8u);
    EXPECT_EQ(matrix[11], "ROWC");
    EXPECT_EQ(matrix[24], "COL1");
    EXPECT_EQ(matrix.back(), "ROW8");

    const struct {
        TSetup Setup;
        const char* First;
        const char* Last;
        size_t Count;
        int Group;
    } cases[] = {{Setups[1], "COL1", "ROW11", 16, 4},
                 {Setups[2], "COL1", "ROW2", 28, 4},
                 {Setups[3], "CHN1", "CHN9", 9, 3},
                 {Setups[4], "SGM2", "SGM5", 4, 5},
                 {{"one column", 1, 4, "", {}}, "COL1", "ROW52", 53, 4},
                 {{"hand-edited zero width", 0, 0, "", {}}, "COL1", "ROW8", 15, 4},
                 {{"hand-edited huge width", 1000, 100000, "", {}}, "CHN1", "CHN13", 13, 3}};
    for (const auto& c : cases) {
        TConfigured reg(c.Setup);
        std::vector<std::string> params;
        for (const std::string& code : Codes(reg.List, c.Group))
            if (code[0] != 'K' && std::isdigit(static_cast<unsigned char>(code.back()))) params.push_back(code);
        ASSERT_EQ(params.size(), c.Count) << c.Setup.Name;
        EXPECT_EQ(params.front(), c.First) << c.Setup.Name;
        EXPECT_EQ(params.back(), c.Last) << c.Setup.Name;
    }
}

TEST(ChannelRegistry, ClassOperations) {
    TConfigured reg(Setups[0]);
    const struct {
        const char* Code;
        const char* Caption;
        const char* Letters;
        const char* Help;
        bool Text;
    } cases[] = {
        {"CHNV", "Количество чисел в канале", "N", "CHNV", false},
        {"CHNC", "Количество каналов в тираже", "NG", "CHNC", true},
        {"COLM", "Сочетания столбцов матрицы", "N", "COLM", true},
        {"KCM2", "Сочетания из 2 каналов по всем числам тиража", "S", "KCM2", false},
        {"KGS4", "Сочетания из 4 сегментов по соседним числам", "S", "KGS4", false},
        {"CHN7", "Количество чисел в 7 канале", "NG", "CHNx", true},
        {"ROW3", "Количество чисел в 3 строке матрицы", "NG", "ROWx", true},
    };
    for (const auto& c : cases) {
        const int i = reg.List.FindByCode(c.Code);
        ASSERT_GE(i, 0) << c.Code;
        const TStatMethod& m = reg.List.Method(i);
        EXPECT_EQ(m.StatClass->CaptionOf(m.Param), c.Caption) << c.Code;
        EXPECT_EQ(FlagLetters(m.StatClass->FullFlags()), c.Letters) << c.Code;
        EXPECT_EQ(m.StatClass->HelpCodeOf(m.Param), c.Help) << c.Code;
        EXPECT_EQ(m.StatClass->HasTextValues, c.Text) << c.Code;
    }
}

// --- What a draw yields ------------------------------------------------------------------------------------------

struct TDrawCase {
    const char* Code;
    std::array<int, 6> Numbers;
    std::map<std::string, int> Texts; // value text -> times merged
    TSetup Setup = Setups[0];
};
void PrintTo(const TDrawCase& c, std::ostream* os) {
    *os << c.Code << " (" << c.Setup.Name << ")";
}
class ChannelDraw : public testing::TestWithParam<TDrawCase> {};
TEST_P(ChannelDraw, ValuesOfOneDraw) {
    const TDrawCase& c = GetParam();
    TConfigured reg(c.Setup, {MakeDraw(9, c.Numbers)});
    auto stat = reg.Create(c.Code);
    const TStatDrawArray table = DrawValues(*stat);
    EXPECT_EQ(Texts(*stat, table), c.Texts);
    for (const TStatDraw& r : table) EXPECT_EQ(r.LastDraw, 9);
}
const std::array<int, 6> Low{1, 2, 3, 4, 5, 52};
std::map<std::string, int> ChnvOfLow() {
    std::map<std::string, int> r{{"01 [1-4] x 4", 1}, {"02 [5-8] x 1", 1}, {"13 [49-52] x 1", 1}};
    for (int c = 3; c <= 12; ++c) r[ChannelText(c, 4) + " x 0"] = 1;
    return r;
}
INSTANTIATE_TEST_SUITE_P(
    Table, ChannelDraw,
    testing::Values(
        TDrawCase{"CHAN", Low, {{"01 [1-4]", 4}, {"02 [5-8]", 1}, {"13 [49-52]", 1}}},
        TDrawCase{"CHNV", Low, ChnvOfLow()}, TDrawCase{"CHNC", Low, {{"3", 1}}},
        TDrawCase{"CHAN", {51, 52, 1, 2, 3, 4}, {{"11 [51-55]", 2}, {"01 [1-5]", 4}}, {"five", 7, 5, "", {}}},
        TDrawCase{"COLS", {8, 1, 15, 7, 14, 52}, {{"1", 3}, {"7", 2}, {"3", 1}}},
        TDrawCase{"ROWS", {8, 1, 15, 7, 14, 52}, {{"1", 2}, {"2", 2}, {"3", 1}, {"8", 1}}},
        TDrawCase{"ROWS", {8, 1, 15, 7, 14, 52}, {{"1", 6}}, {"one row", 52, 4, "", {}}},
        TDrawCase{"ROWM", {8, 1, 15, 7, 14, 52}, {{"1 (001)", 1}}, {"one row", 52, 4, "", {}}},
        TDrawCase{"COLM", {1, 3, 6, 7, 8, 13}, {{"1010011 (083)", 1}}},
        TDrawCase{"COLM",
                  {1, 2, 3, 4, 5, 52},
                  {{"1111100000000000000000000000000000000000000000000001 (4362862139015169)", 1}},
                  {"fifty-two columns", 52, 4, "", {}}},
        TDrawCase{"COLA", {1, 8, 15, 7, 14, 40}, {{"1 x 3", 1}, {"7 x 2", 1}}},
        TDrawCase{"COLC", {1, 8, 15, 7, 14, 40}, {{"2", 1}}},
        TDrawCase{"ROWA", {7, 8, 9, 10, 1, 2}, {{"2 x 3", 1}, {"1 x 2", 1}}}, // 7 and 8 lie in different rows
        TDrawCase{"ROWC", {7, 8, 9, 10, 1, 2}, {{"2", 1}}},
        TDrawCase{"COLV",
                  {1, 8, 15, 22, 29, 36},
                  {{"1 x 6", 1}, {"2 x 0", 1}, {"3 x 0", 1}, {"4 x 0", 1}, {"5 x 0", 1}, {"6 x 0", 1}, {"7 x 0", 1}}},
        TDrawCase{"CHN13", Low, {{"1", 1}}}, TDrawCase{"COL1", {1, 8, 15, 7, 14, 52}, {{"3", 1}}},
        TDrawCase{"ROW8", {50, 51, 52, 1, 2, 3}, {{"3", 1}}},
        TDrawCase{"SGMS", {1, 20, 21, 52, 5, 6}, {{"2", 4}, {"5", 2}}, Setups[4]},
        TDrawCase{"SGMV", {1, 20, 21, 52, 5, 6}, {{"2 x 4", 1}, {"5 x 2", 1}}, Setups[4]},
        TDrawCase{"SGMC", {1, 20, 21, 52, 5, 6}, {{"2", 1}}, Setups[4]},
        TDrawCase{"SGM3", {1, 20, 21, 52, 5, 6}, {{"0", 1}}, Setups[4]},
        TDrawCase{"SGM5", {1, 20, 21, 52, 5, 6}, {{"2", 1}}, Setups[4]},
        // Channels 1, 1, 2, 3, 3, 3.
        TDrawCase{"KCM2", {1, 2, 5, 9, 10, 11}, {{"1:1", 1}, {"1:2", 2}, {"1:3", 6}, {"2:3", 3}, {"3:3", 3}}},
        TDrawCase{"KCS3", {1, 2, 5, 9, 10, 11}, {{"1:1:2", 1}, {"1:2:3", 1}, {"2:3:3", 1}, {"3:3:3", 1}}},
        TDrawCase{"KRS2", {40, 2, 33, 17, 5, 21}, {{"6:1", 1}, {"1:5", 1}, {"5:3", 1}, {"3:1", 1}, {"1:3", 1}}},
        TDrawCase{"KGS2", {1, 20, 21, 52, 5, 6}, {{"2:2", 2}, {"2:5", 1}, {"5:5", 1}, {"5:2", 1}}, Setups[4]}),
    [](const testing::TestParamInfo<TDrawCase>& p) { return std::string(p.param.Code) + std::to_string(p.index); });

TEST(ChannelDraw, MixTuplesAreEveryChoiceInPositionOrder) {
    TConfigured reg(Setups[0], {MakeDraw(1, {1, 5, 9, 13, 17, 21})}); // channels 1..6 in turn
    for (auto [code, count] : {std::pair{"KCM2", 15}, {"KCM3", 20}, {"KCM4", 15}, {"KCS2", 5}, {"KCS4", 3}}) {
        auto stat = reg.Create(code);
        const TStatDrawArray t = DrawValues(*stat);
        ASSERT_EQ(static_cast<int>(t.size()), count) << code;
        for (const TStatDraw& r : t)
            for (int j = 2; j <= 4 && r.W(j); ++j) EXPECT_LT(r.W(j - 1), r.W(j)) << code << " " << stat->ValueText(r);
    }
}

TEST(ChannelDraw, FourColumnTuplesOfSixColumnsAreDistinct) {
    TConfigured reg(Setups[0], {MakeDraw(1, {1, 2, 3, 4, 5, 6})});
    auto stat = reg.Create("KFM4");
    EXPECT_EQ(DrawValues(*stat).size(), 15u);
}

struct TSeedCase {
    const char* Code;
    size_t Rows;
    const char* First;
    const char* Last;
    TSetup Setup = Setups[0];
};
class ChannelSeeds : public testing::TestWithParam<TSeedCase> {};
TEST_P(ChannelSeeds, SeededRows) {
    const TSeedCase& c = GetParam();
    TConfigured reg(c.Setup, {MakeDraw(1, {1, 2, 3, 4, 5, 6})});
    auto stat = reg.Create(c.Code);
    TStatDrawArray t;
    stat->InitValues(0, t);
    ASSERT_EQ(t.size(), c.Rows) << c.Code;
    if (!t.empty()) {
        EXPECT_EQ(stat->ValueText(t.front()), c.First);
        EXPECT_EQ(stat->ValueText(t.back()), c.Last);
    }
    for (const TStatDraw& r : t) EXPECT_EQ(r.Count, 0);
}
INSTANTIATE_TEST_SUITE_P(
    Table, ChannelSeeds,
    testing::Values(TSeedCase{"CHAN", 13, "01 [1-4]", "13 [49-52]"},
                    TSeedCase{"CHNV", 13 * 5, "01 [1-4] x 0", "13 [49-52] x 4"}, TSeedCase{"CHNC", 4, "1", "4"},
                    TSeedCase{"COLS", 7, "1", "7"}, TSeedCase{"ROWS", 8, "1", "8"},
                    TSeedCase{"COLV", 7 * 7, "1 x 0", "7 x 6"}, TSeedCase{"ROWV", 8 * 7, "1 x 0", "8 x 6"},
                    TSeedCase{"COLN", 6, "1", "6"}, TSeedCase{"ROWN", 6, "1", "6"}, TSeedCase{"COLM", 0, "", ""},
                    TSeedCase{"COLA", 0, "", ""}, TSeedCase{"SGMS", 2, "2", "5", Setups[4]},
                    TSeedCase{"SGMV", 0, "", ""}, TSeedCase{"SGMC", 0, "", ""}, TSeedCase{"CHN2", 4, "1", "4"},
                    TSeedCase{"COL2", 8, "1", "8"}, TSeedCase{"ROW2", 7, "1", "7"}, TSeedCase{"SGM1", 0, "", ""},
                    TSeedCase{"ROWV", 2 * 7, "1 x 0", "2 x 6", Setups[2]}, TSeedCase{"KCM2", 0, "", ""}));

TEST(ChannelText, ReadBack) {
    TConfigured reg(Setups[0]);
    EXPECT_EQ(reg.Create("CHAN")->ValueFromText("02 [5-8]"), 2);
    EXPECT_EQ(reg.Create("CHNV")->ValueFromText("02 [5-8] x 0"), 0); // no text values
    EXPECT_EQ(reg.Create("COLM")->ValueFromText("1010011 (083)"), 83);
    EXPECT_EQ(reg.Create("ROWM")->ValueFromText("10000001"), 129);
    EXPECT_EQ(reg.Create("COLN")->ValueFromText("4"), 4);
}

// --- Numbers outside 1..52 ---------------------------------------------------------------------------------------

TEST(ChannelOddNumbers, LieInNoGroup) {
    TConfigured reg(Setups[4]);
    const TComb odd = MakeComb({0, 5, 60, 255, 6, 21});
    const struct {
        const char* Code;
        std::map<std::string, int> Texts;
    } cases[] = {{"CHAN", {{"02 [5-8]", 2}, {"06 [21-24]", 1}}},
                 {"CHNC", {{"2", 1}}},
                 {"SGMV", {{"2 x 2", 1}, {"5 x 1", 1}}},
                 {"COLM", {{"0000111 (007)", 1}}},
                 {"SGM2", {{"2", 1}}},
                 {"ROWA", {{"1 x 2", 1}}}};
    for (const auto& c : cases) {
        auto stat = reg.Create(c.Code);
        TStatDrawArray t;
        stat->CountComb(odd, t);
        EXPECT_EQ(Texts(*stat, t), c.Texts) << c.Code;
    }
    // A tuple holding an odd number is never matched, whatever its words.
    auto tuples = reg.Create("KGM2");
    TStatDrawArray any;
    for (int a : {0, 2, 5, 255})
        for (int b : {0, 2, 5, 255}) {
            TStatDraw r{};
            r.SetW(1, static_cast<uint16_t>(a));
            r.SetW(2, static_cast<uint16_t>(b));
            any.push_back(r);
        }
    EXPECT_FALSE(tuples->MatchComb(MakeComb({0, 60, 255, 0, 7, 0}), any, 0, false, false));
    EXPECT_TRUE(tuples->MatchComb(MakeComb({0, 60, 255, 0, 7, 30}), any, 0, false, false));
}

// --- Fast paths against the plain ones ----------------------------------------------------------------------------

// Valid combinations mostly, then unsorted ones, numbers 0, 53..255 and repeats.
std::vector<TComb> OddList(size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<TComb> out(count);
    std::vector<int> pool(52);
    std::iota(pool.begin(), pool.end(), 1);
    const uint8_t extremes[] = {0, 1, 7, 52, 53, 60, 255};
    for (TComb& c : out) {
        const unsigned kind = rng() % 10;
        if (kind < 6) {
            std::shuffle(pool.begin(), pool.end(), rng);
            for (int i = 0; i < 6; ++i) c.N[i] = static_cast<uint8_t>(pool[static_cast<size_t>(i)]);
            if (kind < 4) std::sort(c.N, c.N + 6);
        } else if (kind < 8) {
            for (uint8_t& n : c.N) n = static_cast<uint8_t>(rng() % 2 ? rng() % 53 : rng() % 256);
        } else {
            for (uint8_t& n : c.N) n = extremes[rng() % 7];
        }
    }
    return out;
}

const std::vector<TComb>& FullSet() {
    static const std::vector<TComb> all = [] {
        std::vector<TComb> v(static_cast<size_t>(FullCombsCount));
        for (const TFullSetBlock& b : FullSetBlocks()) FillFullSetBlock(b, v.data() + b.Offset);
        return v;
    }();
    return all;
}

// Runs body(first, last) on two threads over halves of n.
template <class F> void OnTwoThreads(size_t n, F body) {
    std::thread t([&] { body(n / 2, n); });
    body(size_t(0), n / 2);
    t.join();
}

uint64_t Key64(const TStatDraw& r) {
    uint64_t k;
    std::memcpy(&k, r.Key, 8);
    return k;
}

// CountComb of every combination, folded by key: the independent count the fast counters must equal.
std::string PlainCount(TStatList& list, int entry, const std::vector<TComb>& combs) {
    std::map<uint64_t, uint64_t> total;
    std::mutex lock;
    OnTwoThreads(combs.size(), [&](size_t first, size_t last) {
        auto stat = list.CreateStat(entry);
        std::vector<uint64_t> dense(1 << 20, 0);
        std::unordered_map<uint64_t, uint64_t> wide;
        TStatDrawArray one;
        for (size_t i = first; i < last; ++i) {
            one.clear();
            stat->CountComb(combs[i], one);
            for (const TStatDraw& r : one) {
                const uint64_t k = Key64(r);
                if (k < dense.size())
                    dense[k] += static_cast<uint64_t>(r.Count);
                else
                    wide[k] += static_cast<uint64_t>(r.Count);
            }
        }
        std::lock_guard<std::mutex> g(lock);
        for (size_t k = 0; k < dense.size(); ++k)
            if (dense[k]) total[k] += dense[k];
        for (auto [k, v] : wide) total[k] += v;
    });
    TStatDrawArray rows;
    for (auto [k, v] : total) {
        TStatDraw r{};
        std::memcpy(r.Key, &k, 8);
        r.Count = static_cast<int32_t>(v);
        rows.push_back(r);
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TStatDraw& a, const TStatDraw& b) { return a.SortKey() < b.SortKey(); });
    return EncodePrefetch(rows);
}

// Bit per combination: the plain MatchComb answers.
std::vector<uint64_t> PlainMatch(TStatList& list, int entry, const std::vector<TComb>& combs, const TStatDrawArray& sel,
                                 bool exclude) {
    std::vector<uint64_t> bits((combs.size() + 63) / 64, 0);
    // Halves split on a word boundary so that the threads never write the same word.
    const size_t half = combs.size() / 128 * 64;
    auto run = [&](size_t first, size_t last) {
        auto stat = list.CreateStat(entry);
        stat->LoadDraws(-1, 0, false);
        for (size_t i = first; i < last; ++i)
            if (stat->MatchComb(combs[i], sel, 0, false, exclude)) bits[i / 64] |= uint64_t(1) << (i % 64);
    };
    std::thread t([&] { run(half, combs.size()); });
    run(0, half);
    t.join();
    return bits;
}

std::vector<uint64_t> FastMatch(TStatList& list, int entry, const std::vector<TComb>& combs, const TStatDrawArray& sel,
                                bool exclude) {
    std::vector<uint64_t> bits((combs.size() + 63) / 64, 0);
    auto matcher = list.CreateStat(entry)->MakeMatcher(sel, 0, false, exclude);
    EXPECT_NE(matcher, nullptr);
    if (!matcher) return bits;
    const size_t half = combs.size() / 128 * 64;
    std::thread t([&] { matcher->Match(combs.data() + half, combs.size() - half, bits.data() + half / 64); });
    matcher->Match(combs.data(), half, bits.data());
    t.join();
    return bits;
}

// Selections from the values a method produces: some values, and some with rows no counting produces.
std::vector<TStatDrawArray> Selections(TStatList& list, int entry, std::mt19937& rng) {
    auto stat = list.CreateStat(entry);
    TStatDrawArray pool;
    stat->InitValues(0, pool);
    for (const TComb& c : OddList(400, rng())) {
        TStatDrawArray own;
        if (stat->Class().CanPrefetch()) {
            stat->CountComb(c, own);
        } else {
            // Tuple classes count draws only: the combination's tuples from a one-draw archive.
            TDrawsArray one{TDrawRec{}};
            one[0].Draw = 1;
            std::copy_n(c.N, 6, one[0].Numbers);
            TStatList probe;
            probe.Config = list.Config;
            probe.SetDraws(&one);
            probe.BuildMethods();
            auto s = probe.CreateStat(probe.FindByCode(list.CodeOf(entry)));
            own = DrawValues(*s);
        }
        for (const TStatDraw& r : own) AddValue(pool, r, false);
        if (pool.size() > 200) break;
    }
    TStatDrawArray some, odd;
    for (const TStatDraw& r : pool)
        if (rng() % 4 == 0) some.push_back(r);
    if (some.empty() && !pool.empty()) some.push_back(pool[rng() % pool.size()]);
    odd = some;
    for (uint16_t w : {0, 7, 60, 255, 65535}) {
        TStatDraw r{};
        r.SetW(1, w);
        odd.push_back(r);
        r.SetW(2, 3);
        odd.push_back(r);
        r.SetW(4, 1);
        odd.push_back(r);
    }
    // A few rows, as a filter usually names: two or three groups at most.
    TStatDrawArray few;
    for (int k = 0; k < 3 && !pool.empty(); ++k) few.push_back(pool[rng() % pool.size()]);
    return {some, odd, pool, few};
}

class ChannelFast : public testing::TestWithParam<TSetup> {};

TEST_P(ChannelFast, MatchersAgreeOnOddLists) {
    TConfigured reg(GetParam());
    const std::vector<TComb> combs = OddList(60000, 21);
    std::mt19937 rng(5);
    for (int entry : reg.Entries(GetParam().Groups, false))
        for (const TStatDrawArray& sel : Selections(reg.List, entry, rng))
            for (bool exclude : {false, true})
                ASSERT_EQ(FastMatch(reg.List, entry, combs, sel, exclude),
                          PlainMatch(reg.List, entry, combs, sel, exclude))
                    << reg.List.CodeOf(entry) << " with " << sel.size() << " rows";
}

TEST_P(ChannelFast, CountersAgreeOnOddLists) {
    TConfigured reg(GetParam());
    const std::vector<TComb> combs = OddList(200000, 8);
    std::vector<TStatFactory> factories;
    const std::vector<int> entries = reg.Entries(GetParam().Groups, true);
    for (int entry : entries) factories.push_back([&reg, entry] { return reg.List.CreateStat(entry); });
    const std::vector<TStatDrawArray> tables = CountFullSet(factories, combs.data(), combs.size());
    for (size_t k = 0; k < entries.size(); ++k) {
        EXPECT_NE(factories[k]()->MakeCounter(), nullptr) << reg.List.CodeOf(entries[k]);
        EXPECT_EQ(EncodePrefetch(tables[k]), PlainCount(reg.List, entries[k], combs)) << reg.List.CodeOf(entries[k]);
    }
}

// Every entry the settings change, counted over the full set in one pass: the files these tables become.
TEST_P(ChannelFast, FullSetCounts) {
    TConfigured reg(GetParam());
    std::vector<TStatFactory> factories;
    const std::vector<int> entries = reg.Entries(GetParam().Groups, true);
    for (int entry : entries) factories.push_back([&reg, entry] { return reg.List.CreateStat(entry); });
    const std::vector<TStatDrawArray> tables = CountFullSet(factories);
    for (size_t k = 0; k < entries.size(); ++k)
        EXPECT_EQ(EncodePrefetch(tables[k]), PlainCount(reg.List, entries[k], FullSet()))
            << reg.List.CodeOf(entries[k]);
}

// The matchers on the full set with one selection each. The default settings are checked for every registered
// entry by the filter tests; of a parameter class the first and the last entry stand for the others here, which
// differ only in the group they compare with.
TEST_P(ChannelFast, FullSetMatches) {
    if (GetParam().Groups.size() > 1) GTEST_SKIP() << "the filter tests cover the default settings";
    TConfigured reg(GetParam());
    std::mt19937 rng(3);
    const std::vector<int> entries = reg.Entries(GetParam().Groups, false);
    for (size_t k = 0; k < entries.size(); ++k) {
        const int entry = entries[k];
        const TStatClass* c = reg.List.Method(entry).StatClass;
        const bool inner = c->HasParam && k > 0 && k + 1 < entries.size() &&
                           reg.List.Method(entries[k - 1]).StatClass == c &&
                           reg.List.Method(entries[k + 1]).StatClass == c;
        if (inner) continue;
        const TStatDrawArray sel = Selections(reg.List, entry, rng)[0];
        const bool exclude = entry % 2 == 1;
        EXPECT_EQ(FastMatch(reg.List, entry, FullSet(), sel, exclude),
                  PlainMatch(reg.List, entry, FullSet(), sel, exclude))
            << reg.List.CodeOf(entry);
    }
}
INSTANTIATE_TEST_SUITE_P(Settings, ChannelFast, testing::ValuesIn(Setups), [](const testing::TestParamInfo<TSetup>& p) {
    std::string n;
    for (char ch : std::string(p.param.Name))
        if (std::isalnum(static_cast<unsigned char>(ch))) n += ch;
    return n;
});

TEST(ChannelFast, KeepingChannelTwoEmptyOnTheFullSet) {
    TConfigured reg(Setups[0]);
    TStatDraw row{};
    row.SetW(1, 2);
    row.SetW(2, 0);
    const int entry = reg.List.FindByCode("CHNV");
    auto stat = reg.List.CreateStat(entry);
    EXPECT_EQ(stat->ValueText(row), "02 [5-8] x 0");
    auto matcher = stat->MakeMatcher({row}, 0, false, false);
    std::vector<uint64_t> bits((FullSet().size() + 63) / 64, 0);
    matcher->Match(FullSet().data(), FullSet().size(), bits.data());
    int64_t kept = 0;
    for (uint64_t w : bits) kept += std::popcount(w);
    EXPECT_EQ(kept, 12271512); // C(48, 6): none of 5..8
}

// Patterns wider than 31 groups keep every bit: combinations differing only in the high groups stay apart.
TEST(ChannelFast, WidePatternsStayDistinct) {
    TConfigured reg({"one column", 1, 4, "", {}});
    auto rows = reg.Create("ROWM");
    TStatDrawArray t;
    rows->CountComb(MakeComb({1, 2, 3, 4, 5, 6}), t);
    rows->CountComb(MakeComb({1, 2, 3, 4, 5, 7}), t);
    rows->CountComb(MakeComb({2, 34, 35, 36, 37, 52}), t);
    rows->CountComb(MakeComb({1, 34, 35, 36, 37, 52}), t);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(Key64(t[0]), 0xFC00000000000ull);
    EXPECT_EQ(rows->ValueText(t[0]).substr(0, 8), "11111100");
    EXPECT_TRUE(rows->MatchComb(MakeComb({1, 34, 35, 36, 37, 52}), {t[3]}, 0, false, false));
    EXPECT_EQ(t[2].I(1), t[3].I(1)); // the low half alone would merge them
    EXPECT_FALSE(rows->MatchComb(MakeComb({2, 34, 35, 36, 37, 52}), {t[3]}, 0, false, false));
}

} // namespace
} // namespace zorb
