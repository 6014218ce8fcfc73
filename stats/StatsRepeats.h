// Repeat and number-combination methods: numbers of the newest draw that came back from an earlier draw (also
// shifted by one or two), how many numbers a draw repeats from the draws before it, and the pairs, triples and
// quadruples of numbers of a draw.
#pragma once

#include "stats/StatFramework.h"

#include <vector>

namespace zorb {

// The class descriptors of this family, in registry order: RPV2..PRC-2, then KNM2..KNO4 (the last three are
// not available in this game).
const std::vector<const TStatClass*>& RepeatClasses();

// x shifted by s (-2..2) and wrapped into 1..52; 0 for a number outside 1..52, which no draw can repeat.
int ShiftedNumber(int x, int s);

} // namespace zorb
