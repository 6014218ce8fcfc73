// Builders and comparisons shared by the combination-list tests: plain and odd combinations from a seeded
// generator, the full set generated once per run, and an exact list comparison that names the first difference.
#pragma once

#include "combos/CombsArray.h"
#include "combos/Generate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace zorb::test {

inline TComb Comb(int a, int b, int c, int d, int e, int f) {
    return TComb{{static_cast<uint8_t>(a), static_cast<uint8_t>(b), static_cast<uint8_t>(c), static_cast<uint8_t>(d),
                  static_cast<uint8_t>(e), static_cast<uint8_t>(f)}};
}

inline std::string CombText(const TComb& c) {
    std::string s = "(";
    for (int k = 0; k < 6; ++k) s += (k ? "," : "") + std::to_string(c.N[k]);
    return s + ")";
}

inline TCombsArray ListOf(const std::vector<TComb>& combs) {
    TCombsArray a;
    a.Assign(combs.data(), combs.size());
    return a;
}

inline std::vector<TComb> VectorOf(const TCombsArray& a) {
    return std::vector<TComb>(a.Data(), a.Data() + a.Count());
}

// Same count and the same combinations in the same order; on a difference, its index and both values.
inline ::testing::AssertionResult SameCombs(const TCombsArray& actual, const TCombsArray& expected) {
    const size_t n = std::min(actual.Count(), expected.Count());
    for (size_t i = 0; i < n; ++i)
        if (!(actual[i] == expected[i]))
            return ::testing::AssertionFailure()
                   << "first difference at row " << i << ": " << CombText(actual[i]) << " instead of "
                   << CombText(expected[i]) << " (counts " << actual.Count() << " and " << expected.Count() << ")";
    if (actual.Count() != expected.Count())
        return ::testing::AssertionFailure() << "count " << actual.Count() << " instead of " << expected.Count();
    return ::testing::AssertionSuccess();
}

// Six distinct numbers 1..52; ascending unless `shuffled`.
inline TComb RandomPlainComb(std::mt19937& rng, bool shuffled = false) {
    std::array<uint8_t, 52> pool;
    for (int k = 0; k < 52; ++k) pool[static_cast<size_t>(k)] = static_cast<uint8_t>(k + 1);
    for (int k = 0; k < 6; ++k) std::swap(pool[static_cast<size_t>(k)], pool[k + rng() % (52 - k)]);
    TComb c;
    std::copy(pool.begin(), pool.begin() + 6, c.N);
    if (!shuffled) std::sort(c.N, c.N + 6);
    return c;
}

// A combination a user's file may hold: 0, 53..255, repeated numbers, any order.
inline TComb RandomOddComb(std::mt19937& rng) {
    TComb c = RandomPlainComb(rng, true);
    switch (rng() % 4) {
    case 0: c.N[rng() % 6] = 0; break;
    case 1: c.N[rng() % 6] = static_cast<uint8_t>(53 + rng() % 203); break;
    case 2: {
        const size_t i = rng() % 6, j = (i + 1 + rng() % 5) % 6;
        c.N[i] = c.N[j];
        break;
    }
    default:
        for (uint8_t& x : c.N) x = static_cast<uint8_t>(rng() % 256);
        break;
    }
    return c;
}

// Mostly plain combinations (ascending and shuffled) with about a quarter odd ones.
inline TCombsArray RandomMixedList(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    TCombsArray a;
    a.SetCount(n);
    for (size_t i = 0; i < n; ++i) {
        const unsigned kind = rng() % 8;
        a[i] = kind < 2 ? RandomOddComb(rng) : RandomPlainComb(rng, kind == 2);
    }
    return a;
}

// The full set, generated once per run and shared read-only by the tests.
inline const TCombsArray& FullSet() {
    static const TCombsArray full = [] {
        TCombsArray a;
        a.SetCount(FullCombsCount);
        GenerateFullSet(a.Data());
        return a;
    }();
    return full;
}

} // namespace zorb::test
