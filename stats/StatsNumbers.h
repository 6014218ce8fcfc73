// Number and sum methods: the numbers and digits of a draw, the number at a position, counts and patterns of
// even, small and prime numbers, sums (all, even, prime, in ranges), sum changes between draws, and S2T3.
#pragma once

#include "stats/StatFramework.h"

#include <vector>

namespace zorb {

// The class descriptors of this family, in registry order.
const std::vector<const TStatClass*>& NumberSumClasses();

// Fixed number sets and sum bounds of the game.
bool IsSmallNumber(int n);      // 1..26
bool IsPrimeNumber(int n);      // 1 counts as prime
constexpr int MinDrawSum = 21;  // 1+2+3+4+5+6
constexpr int MaxDrawSum = 297; // 47+48+49+50+51+52
constexpr int SumChangeTolerance = (MaxDrawSum - MinDrawSum) / 10;

} // namespace zorb
