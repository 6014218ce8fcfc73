#include "online/Coverage.h"
#include "core/Errors.h"

#include <gtest/gtest.h>

#include <random>

namespace zorb::test {
namespace {

TComb Line(std::initializer_list<int> p) {
    TComb c{};
    int i = 0;
    for (int v : p) c.N[i++] = static_cast<uint8_t>(v);
    return c;
}

int64_t HolesAt(const std::vector<TCoverageRow>& rows, int k, int m) {
    for (const auto& r : rows)
        if (r.K == k && r.M == m) return r.Holes;
    return -1;
}

TEST(CoverageTest, FullWheelOfSevenHasNoHoles) {
    std::vector<TComb> wheel;
    for (int skip = 1; skip <= 7; ++skip) {
        TComb c{};
        int i = 0;
        for (int p = 1; p <= 7; ++p)
            if (p != skip) c.N[i++] = static_cast<uint8_t>(p);
        wheel.push_back(c);
    }
    const auto rows = ComputeCoverage(wheel, 7);
    ASSERT_EQ(rows.size(), 21u); // k = 1..6, m = 1..k
    for (const auto& r : rows) {
        EXPECT_EQ(r.Holes, 0) << r.K << "/" << r.M;
        EXPECT_DOUBLE_EQ(r.CoveredPercent, 100.0);
    }
}

TEST(CoverageTest, ThreeOfFourPairsOverEight) {
    const std::vector<TComb> lines = {Line({1, 2, 3, 4, 5, 6}), Line({1, 2, 3, 4, 7, 8}), Line({1, 2, 5, 6, 7, 8}),
                                      Line({3, 4, 5, 6, 7, 8})};
    const auto rows = ComputeCoverage(lines, 8);
    EXPECT_EQ(HolesAt(rows, 6, 6), 24);
    EXPECT_EQ(HolesAt(rows, 5, 5), 32);
    EXPECT_EQ(HolesAt(rows, 6, 5), 0);
    const auto& r = rows.back(); // 6 of 6
    EXPECT_EQ(r.Sets, 28);
    EXPECT_EQ(r.Draws, 24);      // C(44, 0) draws per hole
    EXPECT_EQ(rows[0].Draws, 0); // 1 of 1: every number is on a line
    EXPECT_EQ(HolesAt(rows, 5, 5) * 44, [&] {
        for (const auto& x : rows)
            if (x.K == 5 && x.M == 5) return x.Draws;
        return int64_t(-1);
    }());
}

// The fast pass against the plain loop on random systems of every size class.
TEST(CoverageTest, EqualsThePlainCountOnRandomSystems) {
    std::mt19937 rng(17);
    for (int n : {7, 8, 9, 12, 17, 23, 30}) {
        for (int count : {1, 3, 20, 150}) {
            std::vector<TComb> lines;
            std::vector<int> pos(n);
            for (int i = 0; i < n; ++i) pos[i] = i + 1;
            for (int l = 0; l < count; ++l) {
                std::shuffle(pos.begin(), pos.end(), rng);
                lines.push_back(Line({pos[0], pos[1], pos[2], pos[3], pos[4], pos[5]}));
            }
            const auto fast = ComputeCoverage(lines, n);
            const auto plain = ComputeCoveragePlain(lines, n);
            ASSERT_EQ(fast.size(), plain.size());
            for (size_t i = 0; i < fast.size(); ++i) {
                EXPECT_EQ(fast[i].Holes, plain[i].Holes) << n << " " << count << " k" << fast[i].K << " m" << fast[i].M;
                EXPECT_EQ(fast[i].Sets, plain[i].Sets);
                EXPECT_EQ(fast[i].Draws, plain[i].Draws);
            }
        }
    }
}

TEST(CoverageTest, RefusesBadLines) {
    for (const auto& bad : {Line({1, 2, 3, 4, 5, 9}), Line({1, 2, 3, 4, 5, 5}), Line({0, 1, 2, 3, 4, 5})})
        EXPECT_THROW(ComputeCoverage({bad}, 8), EZorbError);
    EXPECT_THROW(ComputeCoverage({}, 53), EZorbError);
    // No lines at all: every subset is a hole.
    EXPECT_EQ(HolesAt(ComputeCoverage({}, 7), 6, 1), 7);
}

} // namespace
} // namespace zorb::test
