#include "combos/Filter.h"
#include "stats/CombMatcher.h"
#include "stats/StatList.h"
#include "tools/SampleArchive.h"

#include "CombsTestUtil.h"

#include <chrono>
#include <climits>
#include <cstdlib>
#include <functional>
#include <thread>

namespace zorb::test {
namespace {

// --- The parallel compaction against plain expectations --------------------------------------------------------

// Row i carries its own index, so a matcher can decide by position and a misplaced row is recognisable.
TComb IndexComb(uint32_t i) {
    TComb c;
    std::memcpy(c.N, &i, 4);
    c.N[4] = static_cast<uint8_t>(i * 7);
    c.N[5] = 0xA5;
    return c;
}

uint32_t IndexOf(const TComb& c) {
    uint32_t i;
    std::memcpy(&i, c.N, 4);
    return i;
}

uint32_t Mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    return x ^ (x >> 16);
}

// Keep patterns chosen to reach every way a 64-row word is moved: empty, full, dense with and without
// unselected rows after the last kept one, sparse, and chunks of 32768 rows that alternate between them.
const struct {
    const char* Name;
    std::function<bool(uint32_t)> Keep;
} KeepPatterns[] = {
    {"all", [](uint32_t) { return true; }},
    {"none", [](uint32_t) { return false; }},
    {"even rows", [](uint32_t i) { return i % 2 == 0; }},
    {"first 20 of each word", [](uint32_t i) { return i % 64 < 20; }},
    {"first 12 of each word", [](uint32_t i) { return i % 64 < 12; }},
    {"last 14 of each word", [](uint32_t i) { return i % 64 >= 50; }},
    {"all but the last of each word", [](uint32_t i) { return i % 64 != 63; }},
    {"sparse", [](uint32_t i) { return i % 13 == 0; }},
    {"90 percent", [](uint32_t i) { return Mix(i) % 10 != 0; }},
    {"30 percent", [](uint32_t i) { return Mix(i) % 10 < 3; }},
    {"dense then empty chunks", [](uint32_t i) { return (i >> 15) % 2 == 0 && i % 64 < 40; }},
    {"one row per chunk", [](uint32_t i) { return i % 32768 == 32767; }},
    {"dense words ending each chunk", [](uint32_t i) { return i % 32768 >= 32704 && i % 64 < 16; }},
    {"word kinds mixed", [](uint32_t i) { return (i / 64) % 3 == 0 || ((i / 64) % 3 == 1 && i % 3 == 0); }},
};

TEST(FilterByMatcher, KeepsExactlyTheMatchedRowsInOrder) {
    for (size_t n : {size_t(0), size_t(1), size_t(63), size_t(64), size_t(65), size_t(32768), size_t(32769),
                     size_t(3 * 32768 + 77), size_t(262144 + 5)}) {
        TCombsArray in;
        in.SetCount(n);
        for (size_t i = 0; i < n; ++i) in[i] = IndexComb(static_cast<uint32_t>(i));
        for (const auto& p : KeepPatterns)
            for (bool exclude : {false, true}) {
                SCOPED_TRACE(std::string(p.Name) + ", " + std::to_string(n) + " rows" + (exclude ? ", removing" : ""));
                TCombsArray expected;
                for (size_t i = 0; i < n; ++i)
                    if (p.Keep(static_cast<uint32_t>(i)) != exclude) expected.Append(in[i]);
                const auto matcher = MakeMatcher([&p](const TComb& c) { return p.Keep(IndexOf(c)); });
                TCombsArray out;
                for (int k = 0; k < 100; ++k) out.Append(IndexComb(0xFFFFFFFFu)); // the result replaces this
                EXPECT_EQ(FilterByMatcher(in, out, *matcher, exclude), expected.Count());
                ASSERT_TRUE(SameCombs(out, expected));
            }
    }
}

// A chunk held up (as by a preempted thread) makes the others run ahead of the known offsets: they must defer
// their output, not wait, and the result must still be the serial one.
TEST(FilterByMatcher, DelayedChunksDoNotChangeTheResult) {
    const size_t n = 40 * 32768 + 1000;
    TCombsArray in;
    in.SetCount(n);
    for (size_t i = 0; i < n; ++i) in[i] = IndexComb(static_cast<uint32_t>(i));
    for (uint32_t slowChunk : {0u, 3u, 39u}) {
        SCOPED_TRACE("chunk " + std::to_string(slowChunk) + " held up");
        const auto keep = [](uint32_t i) { return Mix(i) % 10 < 3; };
        TCombsArray expected;
        for (size_t i = 0; i < n; ++i)
            if (keep(static_cast<uint32_t>(i))) expected.Append(in[i]);
        const auto matcher = MakeMatcher([&](const TComb& c) {
            const uint32_t i = IndexOf(c);
            if (i == slowChunk * 32768) std::this_thread::sleep_for(std::chrono::milliseconds(30));
            return keep(i);
        });
        TCombsArray out;
        EXPECT_EQ(FilterByMatcher(in, out, *matcher, false), expected.Count());
        ASSERT_TRUE(SameCombs(out, expected));
    }
}

// --- Fast matchers against the per-combination answers of every registered method --------------------------------

struct TEnv {
    TDrawsArray Draws = MakeSampleArchive();
    TStatList List;
    TEnv() {
        List.SetDraws(&Draws);
        List.BuildMethods();
    }
    int WindowEnd() const { return static_cast<int>(Draws.size()) - 1; }
};

TEnv& Env() {
    static TEnv env;
    return env;
}

// Lists kept across checks: the storage only grows, so the full-set checks do not fault in fresh pages each time.
struct TScratch {
    TCombsArray In1, In2, Out1, Out2, Fast, Ref;
    const TComb* Source = nullptr;
    size_t SourceCount = 0;
};

TScratch& Scratch() {
    static TScratch s;
    return s;
}

// The plain loop over the list; a long list is cut in two halves run at once, each with its own instance, so the
// full set costs half the time and the answer stays that of FilterByMatchComb.
void ReferenceFilter(int method, const TCombsArray& in, TCombsArray& out, const TStatDrawArray& sel, int windowEnd,
                     bool sorted, bool exclude) {
    if (in.Count() < 1000000) {
        auto stat = Env().List.CreateStat(method);
        FilterByMatchComb(in, out, *stat, sel, windowEnd, sorted, exclude);
        return;
    }
    TScratch& s = Scratch();
    const size_t half = in.Count() / 2;
    if (s.Source != in.Data() || s.SourceCount != in.Count()) {
        s.In1.Assign(in.Data(), half);
        s.In2.Assign(in.Data() + half, in.Count() - half);
        s.Source = in.Data();
        s.SourceCount = in.Count();
    }
    auto stat1 = Env().List.CreateStat(method), stat2 = Env().List.CreateStat(method);
    std::thread t([&] { FilterByMatchComb(s.In2, s.Out2, *stat2, sel, windowEnd, sorted, exclude); });
    FilterByMatchComb(s.In1, s.Out1, *stat1, sel, windowEnd, sorted, exclude);
    t.join();
    out.SetCount(s.Out1.Count() + s.Out2.Count());
    std::memcpy(out.Data(), s.Out1.Data(), s.Out1.Count() * sizeof(TComb));
    std::memcpy(out.Data() + s.Out1.Count(), s.Out2.Data(), s.Out2.Count() * sizeof(TComb));
}

// Fast filter and plain loop over the same input give the same rows; false when the method has no matcher.
bool CrossCheck(int method, const TCombsArray& in, const TStatDrawArray& sel, bool sorted, bool exclude) {
    const int e = Env().WindowEnd();
    auto stat = Env().List.CreateStat(method);
    const auto matcher = stat->MakeMatcher(sel, e, sorted, exclude);
    if (!matcher) return false;
    TCombsArray& fast = Scratch().Fast;
    TCombsArray& ref = Scratch().Ref;
    fast.SetCount(3); // a previous result must be replaced, not extended
    const size_t kept = FilterByMatcher(in, fast, *matcher, exclude);
    ReferenceFilter(method, in, ref, sel, e, sorted, exclude);
    EXPECT_EQ(kept, fast.Count());
    EXPECT_TRUE(SameCombs(fast, ref)) << "fast filter against the plain loop";
    return true;
}

TStatDraw WRow(uint16_t w1, uint16_t w2 = 0, uint16_t w3 = 0, uint16_t w4 = 0) {
    TStatDraw r{};
    r.SetW(1, w1);
    r.SetW(2, w2);
    r.SetW(3, w3);
    r.SetW(4, w4);
    return r;
}

TStatDraw IRow(int32_t i1, int32_t i2 = 0) {
    TStatDraw r{};
    r.SetI(1, i1);
    r.SetI(2, i2);
    return r;
}

// Rows no counting produces but a selection may still hold: keys read as words or as integers by the methods.
TStatDrawArray OddRows() {
    TStatDrawArray r = {WRow(255),          WRow(0),      WRow(60),      WRow(7, 1),   WRow(300),     WRow(65535),
                        WRow(255, 0, 0, 1), IRow(1000),   IRow(1000, 3), IRow(150, 7), IRow(0, 1530), IRow(9, -1),
                        IRow(-1),           IRow(-5),     IRow(-300),    IRow(-1530),  IRow(1530),    IRow(1531),
                        IRow(-1600, 1),     IRow(1000000)};
    for (int p = 64; p <= 70; ++p) r.push_back(IRow(p));
    return r;
}

struct TSelection {
    std::string Name;
    TStatDrawArray Rows;
};

// The selections a user can make from a table: one value, some values, all, none; with odd rows added.
std::vector<TSelection> Selections(const TStatDrawArray& table, std::mt19937& rng) {
    std::vector<TSelection> s;
    if (!table.empty()) s.push_back({"one value", {table[rng() % table.size()]}});
    TSelection some{"some values", {}}, mixed{"some values and odd rows", OddRows()};
    for (const TStatDraw& r : table) {
        if (rng() % 2) some.Rows.push_back(r);
        if (rng() % 3 == 0) mixed.Rows.push_back(r);
    }
    std::shuffle(mixed.Rows.begin(), mixed.Rows.end(), rng);
    s.push_back(some);
    s.push_back({"all values", table});
    s.push_back({"no values", {}});
    s.push_back(mixed);
    s.push_back({"odd rows only", OddRows()});
    return s;
}

TStatDrawArray CountedValues(int method, bool sorted) {
    auto counter = Env().List.CreateStat(method);
    return CountWindow(*counter, Env().WindowEnd(), 300, sorted);
}

TEST(FilterCrossCheck, RegistryHasMethodsWithMatchers) {
    ASSERT_GT(Env().List.MethodCount(), 0);
    for (int i = 0; i < Env().List.MethodCount(); ++i)
        EXPECT_NE(Env().List.CreateStat(i)->MakeMatcher({}, Env().WindowEnd(), false, false), nullptr)
            << Env().List.CodeOf(i);
}

TEST(FilterCrossCheck, MixedListsWithOddCombinations) {
    const TCombsArray in = RandomMixedList(150001, 7);
    std::mt19937 rng(99);
    for (int i = 0; i < Env().List.MethodCount(); ++i)
        for (bool sorted : {false, true})
            for (const TSelection& sel : Selections(CountedValues(i, sorted), rng))
                for (bool exclude : {false, true}) {
                    SCOPED_TRACE(Env().List.CodeOf(i) + ": " + sel.Name + (sorted ? ", sorted" : "") +
                                 (exclude ? ", removing" : ", keeping"));
                    CrossCheck(i, in, sel.Rows, sorted, exclude);
                }
}

TEST(FilterCrossCheck, ShortAndUnevenLists) {
    const TCombsArray source = RandomMixedList(70000, 8);
    std::mt19937 rng(5);
    for (int i = 0; i < Env().List.MethodCount(); ++i) {
        const std::vector<TSelection> sels = Selections(CountedValues(i, false), rng);
        for (size_t n : {0, 1, 5, 63, 64, 65, 127, 129, 32767, 32768, 32769, 65573}) {
            TCombsArray in;
            in.Assign(source.Data(), n);
            const TSelection& sel = sels[n % sels.size()];
            for (bool exclude : {false, true}) {
                SCOPED_TRACE(Env().List.CodeOf(i) + ": " + sel.Name + ", " + std::to_string(n) + " rows" +
                             (exclude ? ", removing" : ", keeping"));
                CrossCheck(i, in, sel.Rows, false, exclude);
            }
        }
    }
}

// Integer keys at the ends of their range: the fast path must not fail where the plain search simply finds
// nothing.
bool ExtremeKeysAgree(int method, const TCombsArray& in) {
    const TStatDrawArray sels[] = {{IRow(INT_MAX)},         {IRow(INT_MIN)},    {IRow(INT_MAX - 100)},
                                   {IRow(INT_MIN + 100)},   {IRow(0, INT_MAX)}, {IRow(0, INT_MIN)},
                                   {IRow(INT_MAX, INT_MAX)}};
    bool same = true;
    for (const TStatDrawArray& sel : sels)
        for (bool exclude : {false, true}) {
            auto stat = Env().List.CreateStat(method);
            const auto matcher = stat->MakeMatcher(sel, Env().WindowEnd(), false, exclude);
            if (!matcher) continue;
            TCombsArray fast, ref;
            FilterByMatcher(in, fast, *matcher, exclude);
            ReferenceFilter(method, in, ref, sel, Env().WindowEnd(), false, exclude);
            same = same && SameCombs(fast, ref);
        }
    return same;
}

// Each method runs in a child process so that a crash fails this test alone.
TEST(FilterCrossCheck, ExtremeIntegerKeys) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const TCombsArray in = RandomMixedList(5000, 12);
    for (int i = 0; i < Env().List.MethodCount(); ++i) {
        SCOPED_TRACE(Env().List.CodeOf(i));
        EXPECT_EXIT(std::exit(ExtremeKeysAgree(i, in) ? 0 : 1), ::testing::ExitedWithCode(0), "");
    }
}

TEST(FilterCrossCheck, FullSet) {
    std::mt19937 rng(17);
    for (int i = 0; i < Env().List.MethodCount(); ++i) {
        const bool sorted = i % 2 == 1, exclude = i / 2 % 2 == 1;
        const std::vector<TSelection> sels = Selections(CountedValues(i, sorted), rng);
        const TSelection& sel = sels[0]; // one value when there is one: the plain loop costs by selection size
        SCOPED_TRACE(Env().List.CodeOf(i) + ": " + sel.Name + (sorted ? ", sorted" : "") +
                     (exclude ? ", removing" : ", keeping"));
        CrossCheck(i, FullSet(), sel.Rows, sorted, exclude);
    }
}

TEST(FilterCrossCheck, KeepingAndRemovingNumberSevenSplitTheFullSet) {
    const int nums = Env().List.FindByCode("NUMS");
    ASSERT_GE(nums, 0);
    const TStatDrawArray sel = {WRow(7)};
    const TCombsArray& full = FullSet();
    auto stat = Env().List.CreateStat(nums);
    TCombsArray kept, removed;
    EXPECT_EQ(FilterByMatcher(full, kept, *stat->MakeMatcher(sel, Env().WindowEnd(), false, false), false), 2349060u);
    EXPECT_EQ(FilterByMatcher(full, removed, *stat->MakeMatcher(sel, Env().WindowEnd(), false, true), true), 18009460u);
    TCombsArray generated;
    GenerateCombs(generated, gmAnyOfMine, "7");
    EXPECT_TRUE(SameCombs(kept, generated));

    // Both halves are ordered parts of the full set; merged back they must be the full set itself.
    size_t a = 0, b = 0;
    for (size_t i = 0; i < full.Count(); ++i) {
        const bool fromKept = a < kept.Count() && kept[a] == full[i];
        const bool fromRemoved = !fromKept && b < removed.Count() && removed[b] == full[i];
        ASSERT_TRUE(fromKept || fromRemoved) << "row " << i << " " << CombText(full[i]);
        ASSERT_EQ(fromKept, NumberInComb(7, full[i])) << CombText(full[i]);
        fromKept ? ++a : ++b;
    }
    EXPECT_EQ(a, kept.Count());
    EXPECT_EQ(b, removed.Count());
}

} // namespace
} // namespace zorb::test
