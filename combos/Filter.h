// Narrowing the combination list: every operation rebuilds `out` from `in` (the undo copy), keeping the
// survivors in their order. The fast paths match chunks on all cores and then compact them; the plain
// per-combination loops stay as the reference the fast paths are checked against.
#pragma once

#include "combos/CombsArray.h"
#include "stats/CombMatcher.h"
#include "stats/StatFramework.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zorb {

// A line of the list of applied filters: what narrowed the list, with which values, and how many were left.
enum class TFilterMark { Keep, Remove, Undone };
struct TFilterLine {
    std::string Operation;
    std::string Values;
    size_t Count;
    TFilterMark Mark;
};

// Called between slices of the work with the fraction done (0..1), on the calling thread.
using TProgressFn = std::function<void(double)>;

// Keeps the combinations whose match answer is the opposite of `exclude` (matches when keeping, the others when
// removing). Returns the new count of `out`; `in` and `out` must be different lists.
size_t FilterByMatcher(const TCombsArray& in, TCombsArray& out, const TCombMatcher& matcher, bool exclude);
size_t FilterByMatchComb(const TCombsArray& in, TCombsArray& out, TCustomStat& stat, const TStatDrawArray& selected,
                         int windowEnd, bool sorted, bool exclude);

// Removes the combinations that hold all six numbers of a draw with index lo..hi (an empty range removes none).
size_t RemoveDraws(const TCombsArray& in, TCombsArray& out, const TDrawsArray& draws, int lo, int hi,
                   const TProgressFn& progress = {});
// The draw test of RemoveDraws as a matcher: a combination matches when it holds all six numbers of a draw with
// index lo..hi (an empty range matches none).
std::unique_ptr<TCombMatcher> MakeDrawsMatcher(const TDrawsArray& draws, int lo, int hi);
size_t RemoveDrawsReference(const TCombsArray& in, TCombsArray& out, const TDrawsArray& draws, int lo, int hi);

// Row selections as sorted, disjoint [first, last) ranges.
using TRowRanges = std::vector<std::pair<size_t, size_t>>;
size_t RemoveRows(const TCombsArray& in, TCombsArray& out, const TRowRanges& selected);

} // namespace zorb
