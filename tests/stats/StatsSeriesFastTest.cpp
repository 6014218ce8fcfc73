// The fast matchers and dense counters of the Ognev, series, period, transition and shredding methods against
// the plain MatchComb and CountComb: every entry, both Exclude values, lists with odd bytes, odd selected rows,
// window ends near the start of the archive, and (for the counters) the full set.
#include "OddInputs.h"
#include "StatTestUtil.h"
#include "stats/CombMatcher.h"
#include "stats/Prefetch.h"
#include "stats/Shredding.h"
#include "stats/StatsSeries.h"
#include "stats/StatsTransitions.h"

#include "core/FullSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <thread>

namespace zorb {
namespace {

using test::OddCombs;
using test::OddRows;
using test::Selections;

using test::MakeDraw;
using test::TRegistry;

bool InFamilies(const TStatClass* c) {
    for (const auto* family : {&SeriesClasses(), &TransitionClasses(), &ShreddingClasses()})
        if (std::find(family->begin(), family->end(), c) != family->end()) return true;
    return false;
}

// Random draws in drawn order with repeats from the draw before, a missing draw (zeros) and odd bytes.
TDrawsArray FamilyArchive() {
    std::mt19937 rng(2027);
    std::vector<int> pool(52);
    std::iota(pool.begin(), pool.end(), 1);
    TDrawsArray d;
    for (int k = 0; k < 80; ++k) {
        std::shuffle(pool.begin(), pool.end(), rng);
        std::array<int, 6> n;
        std::copy_n(pool.begin(), 6, n.begin());
        if (k % 3 == 1 && !d.empty()) std::copy_n(d.back().Numbers, 3, n.begin());
        if (k % 7 == 3 && d.size() > 1) n = {d[d.size() - 2].Numbers[0], n[1], n[2], d.back().Numbers[3], n[4], n[5]};
        d.push_back(MakeDraw(k + 1, n));
    }
    d[40] = MakeDraw(41, {0, 60, 5, 6, 255, 7});
    d[60] = MakeDraw(0, {0, 0, 0, 0, 0, 0});
    return d;
}

struct TFastRegistry : TRegistry {
    TFastRegistry() : TRegistry(FamilyArchive()) {
        List.Config.ChannelSize = 5;
        for (int n = 0; n < 52; ++n) List.Config.MatrixSegments[static_cast<size_t>(n)] = static_cast<uint8_t>(n % 4);
        List.Shredding.Formulas = {"(n1+n2+n3)/(n4+n5+n6)", "n1n2/1000+p1/(t2+1)", "(n1*p1+t1)/7"};
        List.Shredding.Digits = {2, 3, 5};
        List.BuildMethods();
    }
};

TFastRegistry& Registry() {
    static TFastRegistry reg;
    return reg;
}

std::vector<std::string> FamilyCodes(bool prefetchableOnly) {
    TStatList& list = Registry().List;
    std::vector<std::string> r;
    for (int i = 0; i < list.MethodCount(); ++i)
        if (InFamilies(list.Method(i).StatClass) && (!prefetchableOnly || list.IsPrefetchable(i)))
            r.push_back(list.CodeOf(i));
    return r;
}

class SeriesMatcher : public testing::TestWithParam<std::string> {};
TEST_P(SeriesMatcher, SameAnswersAsMatchComb) {
    TStatList& list = Registry().List;
    const int entry = list.FindByCode(GetParam());
    ASSERT_GE(entry, 0);
    const bool slow = list.Method(entry).StatClass->Group == 12;
    const std::vector<TComb> combs = OddCombs(slow ? 1500 : 4000, 77);
    const int last = static_cast<int>(Registry().Draws().size()) - 1;
    std::mt19937 rng(5);
    int matched = 0, missed = 0;
    for (int windowEnd : {last, last - 1, 61, 40, 1, 0})
        for (bool sorted : {false, true})
            for (const TStatDrawArray& sel : Selections(*list.CreateStat(entry), windowEnd, sorted, rng))
                for (bool exclude : {false, true}) {
                    auto fast = list.CreateStat(entry);
                    auto matcher = fast->MakeMatcher(sel, windowEnd, sorted, exclude);
                    ASSERT_NE(matcher, nullptr);
                    std::vector<uint64_t> bits((combs.size() + 63) / 64, 0);
                    matcher->Match(combs.data(), combs.size(), bits.data());
                    auto plain = list.CreateStat(entry);
                    plain->LoadDraws(-1, windowEnd, sorted);
                    int wrong = 0;
                    for (size_t i = 0; i < combs.size(); ++i) {
                        const bool want = plain->MatchComb(combs[i], sel, windowEnd, sorted, exclude);
                        const bool got = (bits[i / 64] >> (i % 64)) & 1;
                        (want ? matched : missed) += 1;
                        if (want != got && ++wrong <= 3)
                            ADD_FAILURE() << GetParam() << " window end " << windowEnd << (sorted ? " sorted" : "")
                                          << (exclude ? " exclude" : "") << ", " << sel.size()
                                          << " rows: " << CombToList(combs[i]) << " plain " << want;
                    }
                }
    EXPECT_GT(matched, 0) << "no combination matched any selection";
    EXPECT_GT(missed, 0) << "every combination matched every selection";
}
INSTANTIATE_TEST_SUITE_P(Registered, SeriesMatcher, testing::ValuesIn(FamilyCodes(false)));

TEST(SeriesMatcher, EveryEntryIsCovered) {
    // ChannelSize 5 (11 channels, two fewer count entries each) and segments 0..3 (three more each).
    EXPECT_EQ(FamilyCodes(false).size(), 92u - 2u * 2u + 2u * 3u);
    EXPECT_EQ(FamilyCodes(true), (std::vector<std::string>{"HCO1", "HCO2", "SHR1", "SHR2", "SHR3"}));
}

// --- Counters -----------------------------------------------------------------------------------------------------

std::vector<TStatFactory> Factories(TStatList& list, const std::vector<std::string>& codes) {
    std::vector<TStatFactory> f;
    for (const std::string& code : codes) {
        const int entry = list.FindByCode(code);
        f.push_back([&list, entry] { return list.CreateStat(entry); });
    }
    return f;
}

TEST(SeriesCounter, OddListsMatchCountComb) {
    const std::vector<std::string> codes = FamilyCodes(true);
    const std::vector<TComb> combs = OddCombs(100000, 9);
    const auto factories = Factories(Registry().List, codes);
    const auto together = CountFullSet(factories, combs.data(), combs.size());
    for (size_t k = 0; k < codes.size(); ++k) {
        auto stat = factories[k]();
        ASSERT_NE(stat->MakeCounter(), nullptr) << codes[k];
        EXPECT_EQ(EncodePrefetch(together[k]), EncodePrefetch(CountCombsReference(*stat, combs.data(), combs.size())))
            << codes[k];
    }
}

// The plain count of the full set, in two halves at once, merged with AddValue.
TStatDrawArray FullSetReference(const TStatFactory& make, const std::vector<TComb>& full) {
    const size_t half = full.size() / 2;
    TStatDrawArray a, b;
    std::thread t([&] {
        auto stat = make();
        b = CountCombsReference(*stat, full.data() + half, full.size() - half);
    });
    auto stat = make();
    a = CountCombsReference(*stat, full.data(), half);
    t.join();
    for (const TStatDraw& r : b) AddValue(a, r, false);
    std::stable_sort(a.begin(), a.end(),
                     [](const TStatDraw& x, const TStatDraw& y) { return x.SortKey() < y.SortKey(); });
    return a;
}

TEST(SeriesCounter, FullSetMatchesCountComb) {
    TRegistry reg;
    reg.List.Shredding.Formulas = {"n1/p1", "n1/100", "(n4+n5+n6)/(n1+n2+n3)"};
    reg.List.Shredding.Digits = {2, 2, 5};
    reg.List.BuildMethods();
    std::vector<TComb> full(static_cast<size_t>(FullCombsCount));
    for (const TFullSetBlock& b : FullSetBlocks()) FillFullSetBlock(b, full.data() + b.Offset);
    const std::vector<std::string> codes = {"HCO1", "HCO2", "SHR1", "SHR2", "SHR3"};
    const auto factories = Factories(reg.List, codes);
    const auto tables = CountFullSet(factories);
    for (size_t k = 0; k < codes.size(); ++k) {
        EXPECT_EQ(EncodePrefetch(tables[k]), EncodePrefetch(FullSetReference(factories[k], full))) << codes[k];
        int64_t total = 0;
        for (const TStatDraw& r : tables[k]) total += r.Count;
        EXPECT_EQ(total, FullCombsCount) << codes[k];
    }
    // p is zeros for combinations: every value of n1/p1 is 0.
    ASSERT_EQ(tables[2].size(), 1u);
    EXPECT_EQ(tables[2][0].I(1), 0);
    EXPECT_EQ(tables[2][0].Count, FullCombsCount);
    // n1/100 gives n1 itself: value 29 for every combination whose smallest number is 29, C(23, 5).
    const auto& shr2 = tables[3];
    const auto at29 = std::find_if(shr2.begin(), shr2.end(), [](const TStatDraw& r) { return r.I(1) == 29; });
    ASSERT_NE(at29, shr2.end());
    EXPECT_EQ(at29->Count, Binomial(23, 5));
    EXPECT_TRUE(std::any_of(tables[4].begin(), tables[4].end(), [](const TStatDraw& r) { return r.I(1) > 65535; }))
        << "five digits pass one word";
}

} // namespace
} // namespace zorb
