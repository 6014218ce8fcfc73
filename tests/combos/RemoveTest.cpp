#include "combos/Filter.h"
#include "tools/SampleArchive.h"

#include "CombsTestUtil.h"

#include <thread>
#include <unordered_set>

namespace zorb::test {
namespace {

TDrawRec Draw(int number, const TComb& c) {
    TDrawRec d{};
    d.Draw = number;
    std::memcpy(d.Numbers, c.N, 6);
    return d;
}

bool HoldsAll(const TComb& c, const TDrawRec& d) {
    for (uint8_t x : d.Numbers)
        if (!NumberInComb(x, c)) return false;
    return true;
}

uint64_t KeyOf(const uint8_t* n) {
    uint64_t k = 0;
    std::memcpy(&k, n, 6);
    return k;
}

// --- RemoveDraws ---------------------------------------------------------------------------------------------------

TEST(RemoveDraws, FullSetLessTheLastThousandDraws) {
    const TDrawsArray draws = MakeSampleArchive();
    const int lo = static_cast<int>(draws.size()) - 1000, hi = static_cast<int>(draws.size()) - 1;
    // The plain loop over 1000 draws would take minutes on the full set; for plain draws it is the same as
    // dropping the combinations equal to a draw's sorted numbers.
    std::unordered_set<uint64_t> drawn;
    for (int i = lo; i <= hi; ++i) {
        TComb c = DrawNumbers(draws[static_cast<size_t>(i)]);
        SortComb(c);
        drawn.insert(KeyOf(c.N));
    }
    const TCombsArray& full = FullSet();
    TCombsArray expected;
    expected.Reserve(full.Count());
    for (size_t i = 0; i < full.Count(); ++i)
        if (!drawn.count(KeyOf(full[i].N))) expected.Append(full[i]);
    ASSERT_EQ(expected.Count(), full.Count() - drawn.size());

    std::vector<double> steps;
    bool callerThread = true; // the callback may touch the interface, so it must run where the call was made
    const auto caller = std::this_thread::get_id();
    TCombsArray out;
    EXPECT_EQ(RemoveDraws(full, out, draws, lo, hi,
                          [&](double f) {
                              steps.push_back(f);
                              callerThread = callerThread && std::this_thread::get_id() == caller;
                          }),
              expected.Count());
    EXPECT_TRUE(callerThread);
    EXPECT_TRUE(SameCombs(out, expected));
    ASSERT_FALSE(steps.empty());
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_GT(steps[i], 0.0) << i;
        if (i) {
            EXPECT_GT(steps[i], steps[i - 1]) << i;
        }
    }
    EXPECT_EQ(steps.back(), 1.0);

    TCombsArray quiet;
    RemoveDraws(full, quiet, draws, lo, hi);
    EXPECT_TRUE(SameCombs(quiet, expected));
}

TEST(RemoveDraws, FullSetAgainstThePlainLoopForAFewDraws) {
    const TDrawsArray draws = MakeSampleArchive();
    const int hi = static_cast<int>(draws.size()) - 1;
    TCombsArray fast, ref;
    RemoveDraws(FullSet(), fast, draws, hi - 2, hi);
    RemoveDrawsReference(FullSet(), ref, draws, hi - 2, hi);
    EXPECT_EQ(ref.Count(), FullSet().Count() - 3);
    EXPECT_TRUE(SameCombs(fast, ref));
}

// A list holding every draw of the range in shuffled order, near misses (five of a draw's numbers), plain
// random and odd combinations.
TCombsArray ListWithDraws(const TDrawsArray& draws, int lo, int hi, size_t extra, unsigned seed) {
    std::mt19937 rng(seed);
    TCombsArray a = RandomMixedList(extra, seed);
    for (int i = lo; i <= hi; ++i) {
        TComb c = DrawNumbers(draws[static_cast<size_t>(i)]);
        std::shuffle(c.N, c.N + 6, rng);
        a.Append(c);
        TComb near = c;
        near.N[rng() % 6] = static_cast<uint8_t>(rng() % 256);
        a.Append(near);
    }
    std::shuffle(a.Data(), a.Data() + a.Count(), rng);
    return a;
}

TEST(RemoveDraws, ShuffledDrawsAmongRandomAndOddCombinations) {
    const TDrawsArray draws = MakeSampleArchive();
    const int last = static_cast<int>(draws.size()) - 1;
    const struct {
        int Lo, Hi;
        size_t Extra;
    } cases[] = {{last - 999, last, 60000}, {0, last, 20000}, {100, 100, 200003}, {0, 40, 63}, {5, 9, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE("draws " + std::to_string(c.Lo) + ".." + std::to_string(c.Hi));
        const TCombsArray in = ListWithDraws(draws, c.Lo, c.Hi, c.Extra, static_cast<unsigned>(c.Lo + c.Hi));
        TCombsArray fast, ref;
        RemoveDraws(in, fast, draws, c.Lo, c.Hi);
        RemoveDrawsReference(in, ref, draws, c.Lo, c.Hi);
        EXPECT_TRUE(SameCombs(fast, ref));
        // Every planted draw goes, whatever the order of its numbers.
        EXPECT_LE(ref.Count(), in.Count() - static_cast<size_t>(c.Hi - c.Lo + 1));
        for (size_t i = 0; i < fast.Count(); ++i)
            for (int d = c.Lo; d <= c.Hi; ++d)
                ASSERT_FALSE(HoldsAll(fast[i], draws[static_cast<size_t>(d)])) << CombText(fast[i]);
    }
}

TEST(RemoveDraws, OddDrawsRemoveEveryCombinationHoldingAllTheirNumbers) {
    const TDrawsArray draws = {Draw(1, Comb(5, 5, 6, 7, 8, 9)),  Draw(2, Comb(0, 1, 2, 3, 4, 5)),
                               Draw(3, Comb(53, 1, 2, 3, 4, 5)), Draw(4, Comb(10, 20, 30, 40, 50, 52)),
                               Draw(5, Comb(0, 0, 0, 0, 0, 0)),  Draw(6, Comb(52, 41, 11, 3, 30, 22))};
    const struct {
        TComb C;
        bool Removed;
    } cases[] = {
        {Comb(5, 6, 7, 8, 9, 10), true},
        {Comb(9, 8, 7, 6, 5, 5), true},
        {Comb(5, 6, 7, 8, 10, 11), false},
        {Comb(0, 1, 2, 3, 4, 5), true},
        {Comb(5, 4, 3, 2, 1, 0), true},
        {Comb(1, 2, 3, 4, 5, 6), false},
        {Comb(53, 5, 4, 3, 2, 1), true},
        {Comb(53, 5, 4, 3, 2, 2), false},
        {Comb(52, 50, 40, 30, 20, 10), true},
        {Comb(10, 20, 30, 40, 50, 51), false},
        {Comb(0, 9, 9, 9, 9, 9), true},
        {Comb(3, 11, 22, 30, 41, 52), true},
        {Comb(255, 255, 255, 255, 255, 255), false},
    };
    std::vector<TComb> all, expected;
    for (const auto& c : cases) {
        all.push_back(c.C);
        if (!c.Removed) expected.push_back(c.C);
    }
    TCombsArray out;
    RemoveDraws(ListOf(all), out, draws, 0, static_cast<int>(draws.size()) - 1);
    EXPECT_EQ(VectorOf(out), expected);

    // The same draws against many combinations made of few values, so that odd hits are frequent.
    std::mt19937 rng(3);
    TCombsArray in;
    in.SetCount(150001);
    static const uint8_t values[] = {0, 0, 1, 2, 3, 4, 5, 5, 6, 7, 8, 9, 10, 53, 255};
    for (size_t i = 0; i < in.Count(); ++i)
        for (uint8_t& x : in[i].N) x = values[rng() % sizeof values];
    for (int lo = 0; lo < static_cast<int>(draws.size()); ++lo) {
        SCOPED_TRACE("from draw " + std::to_string(lo));
        TCombsArray fast, ref;
        RemoveDraws(in, fast, draws, lo, static_cast<int>(draws.size()) - 1);
        RemoveDrawsReference(in, ref, draws, lo, static_cast<int>(draws.size()) - 1);
        if (lo <= 4) { // the all-zero draw is in range
            EXPECT_LT(ref.Count(), in.Count());
        }
        EXPECT_TRUE(SameCombs(fast, ref));
    }
}

TEST(RemoveDraws, RangeIsClippedToTheArchive) {
    const TDrawsArray draws = MakeSampleArchive(50, 77);
    const TCombsArray in = ListWithDraws(draws, 0, 49, 3000, 1);
    const struct {
        int Lo, Hi, SameLo, SameHi; // SameLo > SameHi: nothing is removed
    } cases[] = {
        {-5, 10, 0, 10}, {40, 500, 40, 49}, {-100, 100, 0, 49}, {20, 19, 1, 0},
        {49, 0, 1, 0},   {50, 60, 1, 0},    {-10, -1, 1, 0},    {7, 7, 7, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("range " + std::to_string(c.Lo) + ".." + std::to_string(c.Hi));
        TCombsArray expected;
        if (c.SameLo > c.SameHi)
            expected.Assign(in);
        else
            RemoveDrawsReference(in, expected, draws, c.SameLo, c.SameHi);
        TCombsArray fast, ref;
        std::vector<double> steps;
        RemoveDraws(in, fast, draws, c.Lo, c.Hi, [&](double f) { steps.push_back(f); });
        RemoveDrawsReference(in, ref, draws, c.Lo, c.Hi);
        EXPECT_TRUE(SameCombs(fast, expected));
        EXPECT_TRUE(SameCombs(ref, expected));
        ASSERT_FALSE(steps.empty());
        EXPECT_EQ(steps.back(), 1.0);
    }
    TCombsArray out;
    RemoveDraws(in, out, TDrawsArray{}, 0, 10);
    EXPECT_TRUE(SameCombs(out, in));
}

// --- RemoveRows ----------------------------------------------------------------------------------------------------

TEST(RemoveRows, KeepsTheRowsOutsideTheRanges) {
    const size_t n = 3 * 32768 + 123;
    const TCombsArray in = RandomMixedList(n, 4);
    const struct {
        const char* Name;
        TRowRanges Ranges;
    } cases[] = {
        {"nothing", {}},
        {"first row", {{0, 1}}},
        {"last row", {{n - 1, n}}},
        {"row at a chunk border", {{32768, 32769}}},
        {"across one border", {{32767, 32769}}},
        {"across two borders", {{30000, 70000}}},
        {"several", {{3, 9}, {63, 65}, {32760, 65600}, {65601, 65602}, {n - 200, n - 100}}},
        {"whole chunk", {{32768, 65536}}},
        {"everything", {{0, n}}},
        {"all but the ends", {{1, n - 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TCombsArray expected;
        for (size_t i = 0; i < n; ++i) {
            bool selected = false;
            for (const auto& r : c.Ranges) selected |= i >= r.first && i < r.second;
            if (!selected) expected.Append(in[i]);
        }
        TCombsArray out;
        out.Append(Comb(1, 1, 1, 1, 1, 1));
        EXPECT_EQ(RemoveRows(in, out, c.Ranges), expected.Count());
        EXPECT_TRUE(SameCombs(out, expected));
    }
    TCombsArray empty, out;
    EXPECT_EQ(RemoveRows(empty, out, {}), 0u);
    EXPECT_EQ(out.Count(), 0u);
}

// --- TCombsArray ---------------------------------------------------------------------------------------------------

TEST(CombsArray, GrowingKeepsTheContents) {
    TCombsArray a;
    EXPECT_TRUE(a.Empty());
    for (int i = 0; i < 3000; ++i) a.Append(Comb(i % 256, i / 256, 1, 2, 3, 4));
    ASSERT_EQ(a.Count(), 3000u);
    EXPECT_GE(a.Capacity(), 3000u);

    a.SetCount(a.Capacity() + 700000); // beyond the capacity: grows, keeps what was there
    EXPECT_GE(a.Capacity(), a.Count());
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(a[static_cast<size_t>(i)], Comb(i % 256, i / 256, 1, 2, 3, 4)) << i;

    a.SetCount(10);
    const size_t cap = a.Capacity();
    a.Reserve(5);
    EXPECT_EQ(a.Capacity(), cap);
    EXPECT_EQ(a.Count(), 10u);
    a.Reserve(cap + 1);
    EXPECT_GE(a.Capacity(), cap + 1);
    EXPECT_EQ(a[9], Comb(9, 0, 1, 2, 3, 4));

    a.Clear();
    EXPECT_TRUE(a.Empty());
    EXPECT_GE(a.Capacity(), cap + 1);
    a.Free();
    EXPECT_EQ(a.Capacity(), 0u);
}

TEST(CombsArray, AssignCopiesSmallAndLargeLists) {
    for (size_t n : {size_t(0), size_t(1), size_t(1000), size_t((1 << 19) + 12345), size_t(1500001)}) {
        SCOPED_TRACE(std::to_string(n) + " rows");
        const TCombsArray src = RandomMixedList(n, static_cast<unsigned>(n));
        TCombsArray big, small;
        big.SetCount(2000000);
        big.Assign(src);
        EXPECT_GE(big.Capacity(), 2000000u); // copying in never shrinks the storage
        EXPECT_TRUE(SameCombs(big, src));
        small.Append(Comb(1, 2, 3, 4, 5, 6));
        small.Assign(src);
        EXPECT_TRUE(SameCombs(small, src));
        small.Assign(src.Data(), n / 2);
        EXPECT_EQ(VectorOf(small), std::vector<TComb>(src.Data(), src.Data() + n / 2));
    }
}

} // namespace
} // namespace zorb::test
