// Full-set distributions: the file layout, and the parallel dense counting checked against counting every
// combination one by one, on odd lists and on the full set.
#include "stats/Prefetch.h"
#include "StatTestUtil.h"

#include "core/Errors.h"
#include "core/FullSet.h"
#include "stats/CombMatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>

namespace zorb {
namespace {

using test::TRegistry;

TStatDraw KeyWords(uint16_t w1, uint16_t w2, uint16_t w3, uint16_t w4, int32_t count) {
    TStatDraw r{};
    r.SetW(1, w1);
    r.SetW(2, w2);
    r.SetW(3, w3);
    r.SetW(4, w4);
    r.Count = count;
    return r;
}

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s += static_cast<char>(v);
    return s;
}

// --- File layout ------------------------------------------------------------------------------------------------

TEST(PrefetchFile, LittleEndianRecordsThenTrailer) {
    const TStatDrawArray rows = {KeyWords(0x0102, 0, 0, 0, 0x01020304), KeyWords(0x1234, 0xFFFF, 7, 0x8001, 9)};
    const std::string bytes = EncodePrefetch(rows);
    ASSERT_EQ(bytes.size(), 36u);
    EXPECT_EQ(bytes.substr(0, 12), Bytes({0x02, 0x01, 0, 0, 0, 0, 0, 0, 0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(bytes.substr(12, 12), Bytes({0x34, 0x12, 0xFF, 0xFF, 7, 0, 0x01, 0x80, 9, 0, 0, 0}));
    EXPECT_EQ(bytes.substr(24), Bytes({9, 0, 0, 0, 0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0}));

    const TPrefetchData d = DecodePrefetch(bytes);
    ASSERT_EQ(d.Records.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(0, std::memcmp(d.Records[i].Key, rows[i].Key, 8)) << i;
        EXPECT_EQ(d.Records[i].Count, rows[i].Count) << i;
    }
    EXPECT_EQ(d.Min, 9);
    EXPECT_EQ(d.Max, 0x01020304);
}

TEST(PrefetchFile, EmptyTableIsTheTrailerAlone) {
    const std::string bytes = EncodePrefetch({});
    EXPECT_EQ(bytes, Bytes({0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0}));
    const TPrefetchData d = DecodePrefetch(bytes);
    EXPECT_TRUE(d.Records.empty());
    EXPECT_EQ(d.Min, 2147483647);
    EXPECT_EQ(d.Max, 0);
}

TEST(PrefetchFile, DamagedFilesAreRejected) {
    for (size_t size : {0, 11, 13, 25})
        EXPECT_THROW(DecodePrefetch(std::string(size, '\1')), EPrefetchDamaged) << size;
    EXPECT_EQ(DecodePrefetch(std::string(24, '\0')).Records.size(), 1u);

    // Right size, wrong content: the trailer must be the records' own smallest and largest counts.
    const std::string good = EncodePrefetch({KeyWords(1, 0, 0, 0, 5), KeyWords(2, 0, 0, 0, 9)});
    auto patched = [&](size_t at, std::vector<int> bytes) {
        std::string b = good;
        for (size_t i = 0; i < bytes.size(); ++i) b[at + i] = static_cast<char>(bytes[i]);
        return b;
    };
    const struct {
        const char* Name;
        std::string Bytes;
    } cases[] = {{"maximum no record has", patched(28, {10})},
                 {"minimum no record has", patched(24, {4})},
                 {"negative count", patched(8, {0xFB, 0xFF, 0xFF, 0xFF})},
                 {"nonzero end word", patched(32, {1})},
                 {"empty table with counts", std::string(12, '\0')}};
    for (const auto& c : cases) EXPECT_THROW(DecodePrefetch(c.Bytes), EPrefetchDamaged) << c.Name;
    EXPECT_NO_THROW(DecodePrefetch(good));
}

// --- Counting -----------------------------------------------------------------------------------------------------

// Mostly valid combinations, plus unsorted ones, numbers 0 and 53..255, and repeats.
std::vector<TComb> OddCombs(size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<TComb> out(count);
    std::vector<int> pool(52);
    std::iota(pool.begin(), pool.end(), 1);
    const uint8_t extremes[] = {0, 1, 52, 53, 254, 255};
    for (TComb& c : out) {
        const unsigned kind = rng() % 10;
        if (kind < 7) {
            std::shuffle(pool.begin(), pool.end(), rng);
            for (int i = 0; i < 6; ++i) c.N[i] = static_cast<uint8_t>(pool[static_cast<size_t>(i)]);
            if (kind < 5) std::sort(c.N, c.N + 6);
        } else if (kind < 9) {
            for (uint8_t& n : c.N) n = static_cast<uint8_t>(rng() % 256);
        } else {
            for (uint8_t& n : c.N) n = extremes[rng() % 6];
        }
    }
    return out;
}

struct TMethods {
    TRegistry Reg;
    std::vector<int> Entries; // every prefetchable entry
    std::vector<TStatFactory> Factories;
    TMethods() {
        for (int i = 0; i < Reg.List.MethodCount(); ++i)
            if (Reg.List.IsPrefetchable(i)) {
                Entries.push_back(i);
                Factories.push_back([this, i] { return Reg.List.CreateStat(i); });
            }
    }
    size_t Find(const std::string& code) const {
        for (size_t k = 0; k < Entries.size(); ++k)
            if (Reg.List.CodeOf(Entries[k]) == code) return k;
        throw std::invalid_argument(code);
    }
};

class PrefetchCount : public testing::Test {
protected:
    static TMethods& Methods() {
        static TMethods m;
        return m;
    }
    // The full set in order, made once for the suite.
    static const std::vector<TComb>& FullSet() {
        static const std::vector<TComb> all = [] {
            std::vector<TComb> v(static_cast<size_t>(FullCombsCount));
            for (const TFullSetBlock& b : FullSetBlocks()) FillFullSetBlock(b, v.data() + b.Offset);
            return v;
        }();
        return all;
    }
    // Every prefetchable method counted over the full set in one pass.
    static const std::vector<TStatDrawArray>& FullTables() {
        static const std::vector<TStatDrawArray> t = CountFullSet(Methods().Factories);
        return t;
    }
    static std::string Code(size_t k) { return Methods().Reg.List.CodeOf(Methods().Entries[k]); }
    static std::string Reference(size_t k, const std::vector<TComb>& combs) {
        auto stat = Methods().Factories[k]();
        return EncodePrefetch(CountCombsReference(*stat, combs.data(), combs.size()));
    }
};

TEST_F(PrefetchCount, EveryPrefetchableMethodIsRegistered) {
    std::vector<std::string> codes;
    for (size_t k = 0; k < Methods().Entries.size(); ++k) codes.push_back(Code(k));
    const std::vector<std::string> expected = {
        "NUMS", "DIGS", "EVEN", "EVNV", "SMAL", "SMLV", "PRIM", "PRMV", "SUMS", "SUM1", "SUM2", "SUM3", "SUME",
        "SUMP", "S2T3", "DIFA", "DIFM", "DIFD", "DIFO", "DIFK", "CHAN", "CHNV", "CHNC", "COLS", "ROWS", "COLV",
        "ROWV", "COLN", "ROWN", "COLM", "ROWM", "COLA", "ROWA", "COLC", "ROWC", "SGMS", "SGMV", "SGMC", "SEQL",
        "SEQS", "LENS", "POS1", "POS2", "POS3", "POS4", "POS5", "POS6", "CHN1", "CHN2", "CHN3", "CHN4", "CHN5",
        "CHN6", "CHN7", "CHN8", "CHN9", "CHN10", "CHN11", "CHN12", "CHN13", "COL1", "COL2", "COL3", "COL4", "COL5",
        "COL6", "COL7", "ROW1", "ROW2", "ROW3", "ROW4", "ROW5", "ROW6", "ROW7", "ROW8", "SGM1", "HCO1", "HCO2", "SHR1", "SHR2", "SHR3"};
    EXPECT_EQ(codes, expected);
}

TEST_F(PrefetchCount, OddListMatchesTheReferenceForEveryMethod) {
    const std::vector<TComb> combs = OddCombs(300000, 52);
    const auto& m = Methods();
    const std::vector<TStatDrawArray> together = CountFullSet(m.Factories, combs.data(), combs.size());
    ASSERT_EQ(together.size(), m.Entries.size());
    for (size_t k = 0; k < m.Entries.size(); ++k) {
        const std::string expected = Reference(k, combs);
        const std::vector<TStatDrawArray> alone = CountFullSet({m.Factories[k]}, combs.data(), combs.size());
        ASSERT_EQ(alone.size(), 1u);
        EXPECT_EQ(EncodePrefetch(alone[0]), expected) << Code(k);
        EXPECT_EQ(EncodePrefetch(together[k]), expected) << Code(k) << " counted with the others";
    }
}

TEST_F(PrefetchCount, FullSetMatchesTheReference) {
    const auto& m = Methods();
    for (const char* code : {"NUMS", "SUMS", "EVNV", "DIGS"}) {
        const size_t k = m.Find(code);
        const std::string expected = Reference(k, FullSet());
        EXPECT_EQ(EncodePrefetch(CountFullSet({m.Factories[k]})[0]), expected) << code;
        EXPECT_EQ(EncodePrefetch(FullTables()[k]), expected) << code << " counted with the others";
    }
}

// A method with no dense counter and a two-word key: it goes through CountComb on every worker.
class TPairStat : public TCustomStat {
public:
    using TCustomStat::TCustomStat;
    static const TStatClass Info;
    const TStatClass& Class() const override { return Info; }
    std::string ValueText(const TStatDraw& row) const override {
        return std::to_string(row.W(1)) + "/" + std::to_string(row.W(2));
    }
    void CountComb(const TComb& comb, TStatDrawArray& table) override {
        TCustomStat::CountComb(comb, table);
        FWork.SetW(1,
                   static_cast<uint16_t>((comb.N[0] + comb.N[1] + comb.N[2] + comb.N[3] + comb.N[4] + comb.N[5]) % 7));
        FWork.SetW(2, static_cast<uint16_t>(comb.N[5] % 5));
        Merge(table, false);
    }
    bool MatchComb(const TComb&, const TStatDrawArray&, int, bool, bool) override { return false; }
};
const TStatClass TPairStat::Info = {"TPairStat", "PAIR", "Pairs", nullptr, 0, sfN};

TEST_F(PrefetchCount, MethodsWithoutACounterCountOnEveryWorker) {
    const auto& m = Methods();
    TStatList& list = Methods().Reg.List;
    const TStatFactory pair = [&list] { return std::make_unique<TPairStat>(list, 0); };
    ASSERT_EQ(pair()->MakeCounter(), nullptr);
    const std::vector<TComb> combs = OddCombs(250000, 3);
    TPairStat reference(list, 0);
    const std::string expected = EncodePrefetch(CountCombsReference(reference, combs.data(), combs.size()));
    EXPECT_EQ(DecodePrefetch(expected).Records.size(), 35u);
    EXPECT_EQ(EncodePrefetch(CountFullSet({pair}, combs.data(), combs.size())[0]), expected);
    // Mixed with counted methods in one pass.
    const size_t nums = m.Find("NUMS"), sums = m.Find("SUMS");
    const auto mixed = CountFullSet({m.Factories[nums], pair, m.Factories[sums]}, combs.data(), combs.size());
    EXPECT_EQ(EncodePrefetch(mixed[0]), Reference(nums, combs));
    EXPECT_EQ(EncodePrefetch(mixed[1]), expected);
    EXPECT_EQ(EncodePrefetch(mixed[2]), Reference(sums, combs));
}

int64_t Sum(const TStatDrawArray& rows) {
    int64_t s = 0;
    for (const TStatDraw& r : rows) s += r.Count;
    return s;
}

TEST_F(PrefetchCount, KnownFullSetDistributions) {
    const auto& m = Methods();
    const auto& t = FullTables();

    const TPrefetchData nums = DecodePrefetch(EncodePrefetch(t[m.Find("NUMS")]));
    ASSERT_EQ(nums.Records.size(), 52u);
    for (size_t i = 0; i < 52; ++i) {
        EXPECT_EQ(nums.Records[i].Key[0], i + 1);
        EXPECT_EQ(nums.Records[i].Count, 2349060); // C(51, 5)
    }
    EXPECT_EQ(nums.Min, 2349060);
    EXPECT_EQ(nums.Max, 2349060);

    const TStatDrawArray& sums = t[m.Find("SUMS")];
    ASSERT_EQ(sums.size(), 277u);
    for (size_t i = 0; i < sums.size(); ++i) EXPECT_EQ(sums[i].I(1), 21 + static_cast<int>(i));
    EXPECT_EQ(Sum(sums), FullCombsCount);
    EXPECT_EQ(sums.front().Count, 1);
    EXPECT_EQ(sums.back().Count, 1);
    // Symmetric about 159: n -> 53 - n maps sum s to 318 - s.
    for (size_t i = 0; i < sums.size(); ++i) EXPECT_EQ(sums[i].Count, sums[sums.size() - 1 - i].Count) << i;

    const TStatDrawArray& even = t[m.Find("EVEN")];
    ASSERT_EQ(even.size(), 7u);
    const int32_t evenCounts[] = {230230, 1710280, 4858750, 6760000, 4858750, 1710280, 230230}; // C(26,k)C(26,6-k)
    for (size_t k = 0; k < 7; ++k) {
        EXPECT_EQ(even[k].W(1), k);
        EXPECT_EQ(even[k].Count, evenCounts[k]) << k;
    }
    EXPECT_EQ(Sum(even), FullCombsCount);

    const TStatDrawArray& sum1 = t[m.Find("SUM1")];
    ASSERT_EQ(sum1.size(), 2u);
    EXPECT_EQ(Sum(sum1), FullCombsCount);

    // The first position holds n in C(52 - n, 5) combinations; 48..52 never come first.
    const TStatDrawArray& pos1 = t[m.Find("POS1")];
    ASSERT_EQ(pos1.size(), 47u);
    EXPECT_EQ(pos1[0].Count, 2349060);
    EXPECT_EQ(pos1[46].Count, 1);
}

} // namespace
} // namespace zorb
