// Coverage of a system: for k drawn numbers among the N positions and a guarantee of m matches, a hole is a
// k-subset of the positions that no line meets in m or more positions.
//
// Every subset of every line is marked (63 per line), then each k-subset's best match with any line is the
// largest of its own mark and its (k-1)-subsets' best matches, level by level. Memory is one byte per subset of
// up to six positions (about 23 MB for N = 52); time is linear in the number of subsets, whatever the line count.
#pragma once

#include "core/KestoUtils.h"

#include <cstdint>
#include <vector>

namespace zorb {

struct TCoverageRow {
    int K = 0, M = 0;
    int64_t Sets = 0;  // C(N, k)
    int64_t Holes = 0; // k-subsets without m matches on any line
    double CoveredPercent = 0;
    int64_t Draws = 0; // draws of 6 of 52 with exactly k numbers in the pool, those forming a hole
};

// Lines are positions 1..n (7..52), six distinct on each line; raises EZorbError otherwise. Rows by k, then m.
std::vector<TCoverageRow> ComputeCoverage(const std::vector<TComb>& lines, int n);
// The plain loop over every k-subset and every line: the reference the fast pass must equal.
std::vector<TCoverageRow> ComputeCoveragePlain(const std::vector<TComb>& lines, int n);

} // namespace zorb
