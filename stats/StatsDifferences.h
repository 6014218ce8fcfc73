// Difference and sequence methods: the gaps between neighbouring numbers of a draw (every gap, the largest,
// the spread, repeated gaps, runs of gaps) and runs of consecutive numbers.
#pragma once

#include "stats/StatFramework.h"

#include <vector>

namespace zorb {

// The class descriptors of this family, in registry order: DIFA..DIFK, SEQL..LENS, then KDS2..KDS4.
const std::vector<const TStatClass*>& DifferenceClasses();

} // namespace zorb
