// The key forms matchers hand out beside their Match: for every registered method that has one, the form's answer
// is MatchComb's, on odd combinations and odd selected rows, keeping and removing alike.
#include "OddInputs.h"
#include "StatTestUtil.h"
#include "stats/CombMatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace zorb {
namespace {

using test::MakeDraw;
using test::OddCombs;
using test::Selections;
using test::TRegistry;

TDrawsArray RandomArchive() {
    std::mt19937 rng(11);
    TDrawsArray d;
    for (int k = 0; k < 70; ++k) {
        std::array<int, 6> n;
        for (int& x : n) x = 1 + static_cast<int>(rng() % 52);
        d.push_back(MakeDraw(k + 1, n));
    }
    d[30] = MakeDraw(31, {0, 60, 5, 6, 255, 7});
    return d;
}

TEST(KeyForm, SameAnswersAsMatchCombForEveryMethodThatHasOne) {
    TRegistry reg(RandomArchive());
    TStatList& list = reg.List;
    const std::vector<TComb> combs = OddCombs(5000, 91);
    const int last = static_cast<int>(reg.Draws().size()) - 1;
    std::mt19937 rng(3);
    std::set<std::string> withForm;
    for (int entry = 0; entry < list.MethodCount(); ++entry) {
        const std::string code = list.CodeOf(entry);
        auto probe = list.CreateStat(entry);
        probe->LoadDraws(-1, last, false);
        const auto m = probe->MakeMatcher({}, last, false, false);
        if (!m || !m->KeyForm()) continue;
        withForm.insert(code);
        for (int windowEnd : {last, 30, 0})
            for (const TStatDrawArray& sel : Selections(*list.CreateStat(entry), windowEnd, false, rng))
                for (bool exclude : {false, true}) {
                    auto fast = list.CreateStat(entry);
                    fast->LoadDraws(-1, windowEnd, false);
                    const auto matcher = fast->MakeMatcher(sel, windowEnd, false, exclude);
                    ASSERT_TRUE(matcher && matcher->KeyForm()) << code;
                    auto plain = list.CreateStat(entry);
                    plain->LoadDraws(-1, windowEnd, false);
                    int wrong = 0;
                    for (const TComb& c : combs) {
                        const bool want = plain->MatchComb(c, sel, windowEnd, false, exclude);
                        if (matcher->KeyForm()->Matches(c) != want && ++wrong <= 3)
                            ADD_FAILURE() << code << " window end " << windowEnd << ", " << sel.size()
                                          << " rows: " << CombToList(c) << " plain " << want;
                    }
                }
    }
    for (const char* code : {"NUMS", "SUMS", "SUME", "SUMP", "EVEN", "SMAL", "PRIM"})
        EXPECT_TRUE(withForm.count(code)) << code << " has no key form";
}

} // namespace
} // namespace zorb
