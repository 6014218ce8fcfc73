// The fast matchers and dense counters of the difference, sequence, repeat and number-combination methods
// against the plain MatchComb and CountComb: on lists with odd numbers and odd selected rows, at window ends
// near the start of the archive, and (for the counters) on the full set.
#include "OddInputs.h"
#include "StatTestUtil.h"
#include "stats/CombMatcher.h"
#include "stats/Prefetch.h"
#include "stats/StatsDifferences.h"
#include "stats/StatsRepeats.h"

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
    for (const auto* family : {&DifferenceClasses(), &RepeatClasses()})
        if (std::find(family->begin(), family->end(), c) != family->end()) return true;
    return false;
}

// Random draws in drawn order, a few with runs and repeats, and two with numbers outside 1..52.
TDrawsArray FamilyArchive() {
    std::mt19937 rng(2024);
    std::vector<int> pool(52);
    std::iota(pool.begin(), pool.end(), 1);
    TDrawsArray d;
    for (int k = 0; k < 80; ++k) {
        std::shuffle(pool.begin(), pool.end(), rng);
        std::array<int, 6> n;
        std::copy_n(pool.begin(), 6, n.begin());
        if (k % 4 == 1) n = {n[0], n[0] % 50 + 1, n[0] % 50 + 2, n[3], 52, 1};
        if (k % 5 == 2 && !d.empty()) std::copy_n(d.back().Numbers, 3, n.begin()); // repeats, maybe doubled
        d.push_back(MakeDraw(k + 1, n));
    }
    d[40] = MakeDraw(41, {0, 60, 5, 6, 255, 7});
    d[78] = MakeDraw(79, {52, 0, 1, 2, 61, 3});
    return d;
}

TRegistry& Registry() {
    static TRegistry reg(FamilyArchive());
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

class FamilyMatcher : public testing::TestWithParam<std::string> {};
TEST_P(FamilyMatcher, SameAnswersAsMatchComb) {
    TStatList& list = Registry().List;
    const int entry = list.FindByCode(GetParam());
    ASSERT_GE(entry, 0);
    const std::vector<TComb> combs = OddCombs(6000, 77);
    const int last = static_cast<int>(Registry().Draws().size()) - 1;
    std::mt19937 rng(5);
    int matched = 0;
    for (int windowEnd : {last, last - 1, 40, 3, 1, 0})
        for (bool sorted : {false, true})
            for (const TStatDrawArray& sel : Selections(*list.CreateStat(entry), windowEnd, sorted, rng)) {
                auto fast = list.CreateStat(entry);
                auto matcher = fast->MakeMatcher(sel, windowEnd, sorted, false);
                ASSERT_NE(matcher, nullptr);
                std::vector<uint64_t> bits((combs.size() + 63) / 64, 0);
                matcher->Match(combs.data(), combs.size(), bits.data());
                auto plain = list.CreateStat(entry);
                plain->LoadDraws(-1, windowEnd, sorted);
                int wrong = 0;
                for (size_t i = 0; i < combs.size(); ++i) {
                    const bool want = plain->MatchComb(combs[i], sel, windowEnd, sorted, false);
                    const bool got = (bits[i / 64] >> (i % 64)) & 1;
                    matched += want ? 1 : 0;
                    if (want != got && ++wrong <= 3)
                        ADD_FAILURE() << GetParam() << " window end " << windowEnd << (sorted ? " sorted" : "") << ", "
                                      << sel.size() << " rows: " << CombToList(combs[i]) << " plain " << want;
                }
            }
    EXPECT_GT(matched, 0) << "no combination matched any selection";
}
INSTANTIATE_TEST_SUITE_P(Registered, FamilyMatcher, testing::ValuesIn(FamilyCodes(false)),
                         [](const testing::TestParamInfo<std::string>& p) {
                             std::string name = p.param;
                             std::replace(name.begin(), name.end(), '+', 'P');
                             std::replace(name.begin(), name.end(), '-', 'N');
                             return name;
                         });

TEST(FamilyMatcher, EveryEntryIsCovered) {
    EXPECT_EQ(FamilyCodes(false).size(), 11u + 38u);
    EXPECT_EQ(FamilyCodes(true),
              (std::vector<std::string>{"DIFA", "DIFM", "DIFD", "DIFO", "DIFK", "SEQL", "SEQS", "LENS"}));
}

// --- Counters -----------------------------------------------------------------------------------------------------

std::vector<TStatFactory> Factories(const std::vector<std::string>& codes) {
    std::vector<TStatFactory> f;
    for (const std::string& code : codes) {
        const int entry = Registry().List.FindByCode(code);
        f.push_back([entry] { return Registry().List.CreateStat(entry); });
    }
    return f;
}

TEST(FamilyCounter, OddListsMatchCountComb) {
    const std::vector<std::string> codes = FamilyCodes(true);
    const std::vector<TComb> combs = OddCombs(200000, 9);
    const auto together = CountFullSet(Factories(codes), combs.data(), combs.size());
    for (size_t k = 0; k < codes.size(); ++k) {
        auto stat = Factories({codes[k]})[0]();
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

TEST(FamilyCounter, FullSetMatchesCountComb) {
    std::vector<TComb> full(static_cast<size_t>(FullCombsCount));
    for (const TFullSetBlock& b : FullSetBlocks()) FillFullSetBlock(b, full.data() + b.Offset);
    const std::vector<std::string> codes = FamilyCodes(true);
    const auto factories = Factories(codes);
    const auto tables = CountFullSet(factories);
    for (size_t k = 0; k < codes.size(); ++k) {
        const TStatDrawArray expected = FullSetReference(factories[k], full);
        EXPECT_EQ(EncodePrefetch(tables[k]), EncodePrefetch(expected)) << codes[k];
        int64_t total = 0;
        for (const TStatDraw& r : tables[k]) total += r.Count;
        // One value per combination, except the gap and run lists.
        const int64_t perComb = codes[k] == "DIFA" ? 5 : 1;
        if (codes[k] != "DIFO" && codes[k] != "SEQL") {
            EXPECT_EQ(total, perComb * FullCombsCount) << codes[k];
        }
    }
    // Known values: a spread of 5 needs six numbers within six consecutive ones (47 choices); a run of six the same.
    const auto at = [&](const char* code, uint16_t w1, uint16_t w2 = 0) {
        const auto& t = tables[static_cast<size_t>(std::find(codes.begin(), codes.end(), code) - codes.begin())];
        for (const TStatDraw& r : t)
            if (r.W(1) == w1 && r.W(2) == w2) return r.Count;
        return 0;
    };
    EXPECT_EQ(at("DIFD", 5), 47);
    EXPECT_EQ(at("LENS", 6), 47);
    EXPECT_EQ(at("DIFO", 1, 5), 47);
    EXPECT_EQ(at("DIFK", 5), 245);             // five equal gaps g: 52 - 5g starting numbers for g = 1..10
    EXPECT_EQ(at("SEQS", 0), Binomial(47, 6)); // no two neighbours: C(52 - 5, 6)
}

} // namespace
} // namespace zorb
