// Builders shared by the statistic-method tests: draws and combinations from plain lists, draws with a chosen
// sum, and a registry over a private archive.
#pragma once

#include "stats/StatList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zorb::test {

inline TDrawRec MakeDraw(int number, const std::array<int, 6>& n) {
    TDrawRec d{};
    d.Draw = number;
    for (int i = 0; i < 6; ++i) d.Numbers[i] = static_cast<uint8_t>(n[static_cast<size_t>(i)]);
    return d;
}

inline TComb MakeComb(const std::array<int, 6>& n) {
    TComb c{};
    for (int i = 0; i < 6; ++i) c.N[i] = static_cast<uint8_t>(n[static_cast<size_t>(i)]);
    return c;
}

// Six distinct ascending numbers 1..52 adding up to `sum` (21..297).
inline std::array<int, 6> NumbersWithSum(int sum) {
    std::array<int, 6> a{1, 2, 3, 4, 5, 6};
    int s = 21;
    for (int i = 5; i >= 0 && s < sum; --i) {
        const int room = 52 - (5 - i) - a[static_cast<size_t>(i)];
        const int step = std::min(room, sum - s);
        a[static_cast<size_t>(i)] += step;
        s += step;
    }
    if (s != sum) throw std::invalid_argument("no six numbers have that sum");
    return a;
}

// Draws numbered first, first+1, ... whose sums are the given ones.
inline TDrawsArray DrawsWithSums(const std::vector<int>& sums, int first = 101) {
    TDrawsArray d;
    for (int s : sums) d.push_back(MakeDraw(first + static_cast<int>(d.size()), NumbersWithSum(s)));
    return d;
}

inline TStatDraw KeyRow(int32_t i1, int32_t i2 = 0) {
    TStatDraw r{};
    r.SetI(1, i1);
    r.SetI(2, i2);
    return r;
}

// A built registry reading its own archive.
class TRegistry {
public:
    explicit TRegistry(TDrawsArray draws = {}) : FDraws(std::move(draws)) {
        List.SetDraws(&FDraws);
        List.BuildMethods();
    }
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    std::unique_ptr<TCustomStat> Create(const std::string& code) {
        const int i = List.FindByCode(code);
        if (i < 0) throw std::invalid_argument("no method " + code);
        return List.CreateStat(i);
    }
    int Index(const std::string& code) const { return List.FindByCode(code); }
    const TDrawsArray& Draws() const { return FDraws; }

    TStatList List;

private:
    TDrawsArray FDraws;
};

} // namespace zorb::test
