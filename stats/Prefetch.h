// Full-set distributions ("prefetch" files): for one method, how often each value occurs when every combination
// of the full set is counted. File: 12-byte records (key words W1..W4, count; little-endian) in ascending key
// order, then a trailer (smallest count, largest count, 0).
#pragma once

#include "core/Errors.h"
#include "stats/StatFramework.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zorb {

// "Prefetchs/<program>_<code>.dfc" relative to the data directory.
std::string PrefetchRelativePath(const std::string& programName, const std::string& code);

struct TPrefetchRecord {
    uint8_t Key[8];
    int32_t Count;
};

struct TPrefetchData {
    std::vector<TPrefetchRecord> Records;
    int32_t Min = INT32_MAX;
    int32_t Max = 0;
};

// A file whose bytes cannot be what EncodePrefetch wrote: to be rebuilt, not used.
class EPrefetchDamaged : public EZorbError {
public:
    using EZorbError::EZorbError;
};

// Rows sorted by key, as CountComb over the full set leaves them; Count is the full-set count.
std::string EncodePrefetch(const TStatDrawArray& rows);
// Raises EPrefetchDamaged on a size that is not a whole number of records plus the trailer, a negative count, or
// a trailer whose smallest and largest counts are not those of the records (a file of the right size holding
// other bytes would otherwise give norm 0 on every row without a word).
TPrefetchData DecodePrefetch(std::string_view bytes);

// The full-set tables of several methods (each sorted by key), counted in one parallel pass; methods without
// a dense counter fall back to CountComb with one instance per worker. `combs` replaces the full set (tests).
using TStatFactory = std::function<std::unique_ptr<TCustomStat>()>;
std::vector<TStatDrawArray> CountFullSet(const std::vector<TStatFactory>& methods, const TComb* combs = nullptr,
                                         size_t count = 0);
// The reference: CountComb and AddValue for every combination, in order, then a stable sort by key.
TStatDrawArray CountCombsReference(TCustomStat& stat, const TComb* combs, size_t count);

} // namespace zorb
