// The one-pass evaluation of a set's steps against the step-by-step reference: the same counts after every
// decision, the same distinct numbers and the same final list, over random lists, steps with and without key
// forms (odd numbers among the steps' own), and decision orders that undo emptied lists and leave walks early.
#include "scenarios/StepMasks.h"

#include "combos/Generate.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <random>

namespace zorb {
namespace {

struct TCase {
    const char* Name;
    size_t Combs; // 0: the full set
    size_t Steps;
    unsigned Seed;
    bool Distinct = true; // without it, a first group writes every mark straight away
    // The first run: of random kind (0), removals of flagged numbers (1), counts and sums (2); or sums only (3)
    int Lead = 0;
};

// A step keeps the combinations holding a number of its set, or removes them.
std::shared_ptr<const TCombMatcher> NumbersMatcher(std::vector<uint8_t> numbers) {
    return MakeMatcher([numbers](const TComb& c) {
        for (uint8_t x : c.N)
            if (std::find(numbers.begin(), numbers.end(), x) != numbers.end()) return true;
        return false;
    });
}

// The same test through a key form, as the number and sum methods hand it out: a count of numbers of the set
// (kept when it is in `counts`) or the sum of the numbers (kept when it is in `sums`). Match reads the set
// itself, so the form and the reference answer apart.
std::shared_ptr<const TCombMatcher> CountMatcher(const std::vector<uint8_t>& numbers,
                                                 const std::array<uint8_t, 7>& counts) {
    TByteFlags has{};
    for (uint8_t x : numbers) has[x] = 1;
    return MakeMatcher(
        [has, counts](const TComb& c) {
            int k = 0;
            for (uint8_t x : c.N) k += has[x];
            return counts[static_cast<size_t>(k)] != 0;
        },
        CountForm(has, counts));
}

std::shared_ptr<const TCombMatcher> SumMatcher(const std::vector<uint8_t>& sums) {
    TSumKeyForm form;
    for (size_t x = 0; x < 256; ++x) form.Weight[x] = static_cast<uint16_t>(x);
    form.Accept = sums;
    return MakeMatcher(
        [sums](const TComb& c) {
            const size_t k = static_cast<size_t>(CombSum(c));
            return k < sums.size() && sums[k];
        },
        std::move(form));
}

// Runs of steps of one kind, so that runs of key forms are decided together: a flagged number removes (the
// shape of a walk over single numbers), a count of flagged numbers keeps or removes, a sum keeps or removes.
void MakeSteps(std::vector<TSetStep>& steps, std::mt19937& rng, size_t from, int lead) {
    auto someNumbers = [&] {
        std::vector<uint8_t> numbers;
        for (size_t k = 1 + rng() % 12; k > 0; --k)
            numbers.push_back(static_cast<uint8_t>(rng() % 7 ? 1 + rng() % 52 : rng() % 256));
        return numbers;
    };
    size_t k = from;
    for (; lead == 3 && k < steps.size(); ++k) {
        std::vector<uint8_t> sums(rng() % 400);
        for (uint8_t& x : sums) x = rng() % 4 != 0;
        steps[k].Matcher = SumMatcher(sums);
        steps[k].Exclude = rng() % 2 == 0;
    }
    for (; lead && k < std::min(steps.size(), from + 6); ++k) {
        TSetStep& s = steps[k];
        s.Exclude = lead == 1 || rng() % 3 == 0;
        if (lead == 1)
            s.Matcher = CountMatcher(someNumbers(), {0, 1, 1, 1, 1, 1, 1});
        else if (k % 2)
            s.Matcher = CountMatcher(someNumbers(), {1, 0, 1, 1, 0, 1, 0});
        else
            s.Matcher = SumMatcher(std::vector<uint8_t>(150 + k, 1));
    }
    while (k < steps.size()) {
        const unsigned kind = rng() % 4;
        for (size_t run = 1 + rng() % 8; run > 0 && k < steps.size(); --run, ++k) {
            TSetStep& s = steps[k];
            s.Exclude = rng() % 3 == 0;
            switch (kind) {
            case 0: s.Matcher = NumbersMatcher(someNumbers()); break;
            case 1:
                s.Matcher = CountMatcher(someNumbers(), {0, 1, 1, 1, 1, 1, 1});
                s.Exclude = true;
                break;
            case 2: {
                std::array<uint8_t, 7> counts{};
                for (uint8_t& c : counts) c = rng() % 2;
                s.Matcher = CountMatcher(someNumbers(), counts);
                break;
            }
            default: {
                std::vector<uint8_t> sums(rng() % 400);
                for (uint8_t& x : sums) x = rng() % 5 == 0;
                s.Matcher = SumMatcher(sums);
                break;
            }
            }
        }
    }
}

class StepMasks : public testing::TestWithParam<TCase> {};

TEST_P(StepMasks, DecisionsGiveTheReferenceCounts) {
    const TCase& c = GetParam();
    std::mt19937 rng(c.Seed);
    TCombsArray source;
    if (c.Combs == 0) {
        GenerateCombs(source, gmFull, "");
    } else {
        source.SetCount(c.Combs);
        for (size_t i = 0; i < c.Combs; ++i)
            for (uint8_t& x : source[i].N) x = static_cast<uint8_t>(1 + rng() % 52);
    }
    std::vector<TSetStep> steps(c.Steps);
    MakeSteps(steps, rng, c.Combs == 0 ? 1 : 0, c.Lead);
    if (c.Combs == 0 && !steps.empty()) {
        // The first step names its combinations by position, as the removal of drawn combinations does.
        std::vector<uint32_t> positions;
        for (int i = 0; i < 40; ++i) positions.push_back(static_cast<uint32_t>(rng() % source.Count()));
        std::sort(positions.begin(), positions.end());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        std::vector<uint64_t> keys;
        for (uint32_t p : positions)
            keys.push_back(std::bit_cast<uint64_t>(std::array<uint8_t, 8>{
                source[p].N[0], source[p].N[1], source[p].N[2], source[p].N[3], source[p].N[4], source[p].N[5], 0, 0}));
        steps[0].Matcher = MakeMatcher([keys](const TComb& x) {
            const uint64_t k =
                std::bit_cast<uint64_t>(std::array<uint8_t, 8>{x.N[0], x.N[1], x.N[2], x.N[3], x.N[4], x.N[5], 0, 0});
            return std::find(keys.begin(), keys.end(), k) != keys.end();
        });
        steps[0].Positions = positions;
        steps[0].ByPositions = true;
        steps[0].Exclude = true;
    }
    TListState masked, stepped;
    masked.Borrow(source, c.Combs == 0);
    stepped.Borrow(source);
    TMaskedList a(masked, steps, c.Distinct);
    TSteppedList b(stepped, steps, false);
    size_t k = 0;
    while (k < steps.size()) {
        ASSERT_EQ(a.Count(), b.Count()) << "before step " << k;
        if (c.Distinct) ASSERT_EQ(a.Distinct(), std::min(b.Distinct(), 52)) << "before step " << k;
        const unsigned roll = rng() % 10;
        if (roll == 0) { // a walk that ends early
            const size_t to = k + 1 + rng() % 4;
            a.Skip(to);
            b.Skip(to);
            k = std::min(to, steps.size());
            continue;
        }
        const size_t after = a.Apply(k);
        ASSERT_EQ(after, b.Apply(k)) << "step " << k;
        if (after == 0 || roll == 1) {
            a.Undo(k);
            b.Undo(k);
        }
        ++k;
    }
    a.Finish();
    b.Finish();
    ASSERT_EQ(masked.Count(), stepped.Count());
    TCombsArray x, y;
    masked.CopyTo(x);
    stepped.CopyTo(y);
    ASSERT_EQ(x.Count(), y.Count());
    EXPECT_EQ(0, std::memcmp(x.Data(), y.Data(), x.Count() * sizeof(TComb)));
    size_t seen = 0;
    masked.ForEach([&](const TComb& comb) { return std::memcmp(&comb, &y[seen++], sizeof comb) == 0; });
    EXPECT_EQ(seen, y.Count());
    if (x.Count()) {
        EXPECT_EQ(0, std::memcmp(&masked.First(), &y[0], sizeof(TComb)));
        EXPECT_EQ(0, std::memcmp(&masked.Last(), &y[y.Count() - 1], sizeof(TComb)));
        EXPECT_EQ(0, std::memcmp(&masked.At(x.Count() / 2), &y[y.Count() / 2], sizeof(TComb)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, StepMasks,
    testing::Values(TCase{"tiny", 7, 12, 1}, TCase{"one chunk", 5000, 40, 2}, TCase{"many chunks", 300000, 60, 3},
                    TCase{"long walk", 120000, 400, 4}, TCase{"no steps", 1000, 0, 5}, TCase{"full set", 0, 25, 6},
                    TCase{"keys first", 300000, 60, 7, false, 2}, TCase{"numbers first", 300000, 60, 8, false, 1},
                    TCase{"full set keys", 0, 25, 9, false, 2}, TCase{"full set numbers", 0, 40, 10, false, 1},
                    TCase{"full set keys only", 0, 5, 11, false, 2}, TCase{"full set sums", 0, 40, 12, false, 3}),
    [](const testing::TestParamInfo<TCase>& i) {
        std::string n = i.param.Name;
        std::replace(n.begin(), n.end(), ' ', '_');
        return n;
    });

} // namespace
} // namespace zorb
