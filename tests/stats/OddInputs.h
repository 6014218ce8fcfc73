// Inputs for checking fast matchers against MatchComb: combinations and selected rows no valid list or count
// would hold, beside ordinary ones.
#pragma once

#include "stats/StatFramework.h"

#include <algorithm>
#include <iterator>
#include <numeric>
#include <random>
#include <vector>

namespace zorb::test {

// Mostly valid combinations, plus unsorted ones, numbers 0 and 53..255, and repeats.
inline std::vector<TComb> OddCombs(size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<TComb> out(count);
    std::vector<int> pool(52);
    std::iota(pool.begin(), pool.end(), 1);
    const uint8_t extremes[] = {0, 1, 2, 3, 4, 5, 51, 52, 53, 60, 254, 255};
    for (TComb& c : out) {
        const unsigned kind = rng() % 10;
        if (kind < 7) {
            std::shuffle(pool.begin(), pool.end(), rng);
            for (int i = 0; i < 6; ++i) c.N[i] = static_cast<uint8_t>(pool[static_cast<size_t>(i)]);
            if (kind < 5) std::sort(c.N, c.N + 6);
            if (kind == 0) c.N[rng() % 5 + 1] = static_cast<uint8_t>(c.N[0] + 1);
        } else if (kind < 9) {
            for (uint8_t& n : c.N) n = static_cast<uint8_t>(rng() % 256);
        } else {
            for (uint8_t& n : c.N) n = extremes[rng() % std::size(extremes)];
        }
    }
    return out;
}

// Rows no counting produces but a selection may hold: odd numbers in tuples, words beyond the tuple, large words.
inline TStatDrawArray OddRows(std::mt19937& rng) {
    const uint16_t words[] = {0, 1, 2, 5, 7, 51, 52, 53, 60, 255, 256, 1130, 65535};
    TStatDrawArray rows;
    for (int k = 0; k < 60; ++k) {
        TStatDraw r{};
        const int used = static_cast<int>(rng() % 5);
        for (int w = 1; w <= used; ++w)
            r.SetW(w, rng() % 3 ? static_cast<uint16_t>(rng() % 53) : words[rng() % std::size(words)]);
        rows.push_back(r);
    }
    return rows;
}

inline std::vector<TStatDrawArray> Selections(TCustomStat& stat, int windowEnd, bool sorted, std::mt19937& rng) {
    const TStatDrawArray counted = CountWindow(stat, windowEnd, 60, sorted);
    std::vector<TStatDrawArray> s;
    if (!counted.empty()) s.push_back({counted[rng() % counted.size()]});
    TStatDrawArray some, mixed = OddRows(rng);
    for (const TStatDraw& r : counted) {
        if (rng() % 2) some.push_back(r);
        if (rng() % 3 == 0) mixed.push_back(r);
    }
    std::shuffle(mixed.begin(), mixed.end(), rng);
    s.push_back(some);
    s.push_back(counted);
    s.push_back({});
    s.push_back(mixed);
    s.push_back(OddRows(rng));
    return s;
}

} // namespace zorb::test
