// The synthetic sample archive shipped with the program: random draws from a fixed seed, not real results.
#pragma once

#include "core/KestoUtils.h"

namespace zorb {

constexpr int SampleDrawCount = 2500;
constexpr unsigned SampleSeed = 6052;

// Draw numbers 1..count, six distinct numbers in drawn order, Wednesdays and Saturdays from 2002-12-07.
TDrawsArray MakeSampleArchive(int count = SampleDrawCount, unsigned seed = SampleSeed);

} // namespace zorb
