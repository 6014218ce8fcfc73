// Transition methods: what followed, in the window's history, a situation like the newest draws' (the numbers,
// channels or segments that came after the newest draw's, by position or not, and how the count of numbers in one
// channel or segment moved on). Their tables describe candidates for the next draw, so MatchComb tests the
// destination side of a transition.
#pragma once

#include "stats/StatFramework.h"

#include <vector>

namespace zorb {

// The class descriptors of the transition family, SDV2..SS3C%d in registry order.
const std::vector<const TStatClass*>& TransitionClasses();

} // namespace zorb
