#include "tools/SampleArchive.h"

#include <random>

namespace zorb {

TDrawsArray MakeSampleArchive(int count, unsigned seed) {
    // mt19937 is fully specified, and the mapping to 1..52 below avoids the library's distributions, whose
    // output differs between implementations; the same seed gives the same file everywhere.
    std::mt19937 rng(seed);
    auto below = [&](uint32_t n) {
        const uint32_t limit = UINT32_MAX - UINT32_MAX % n;
        uint32_t v;
        do v = static_cast<uint32_t>(rng());
        while (v >= limit);
        return v % n;
    };
    TDrawsArray draws;
    TDateTime date = EncodeDate(2002, 12, 7); // a Saturday
    for (int i = 0; i < count; ++i) {
        TDrawRec r{};
        r.Draw = i + 1;
        uint8_t pool[52];
        for (int k = 0; k < 52; ++k) pool[k] = static_cast<uint8_t>(k + 1);
        for (int k = 0; k < 6; ++k) {
            uint32_t j = k + below(static_cast<uint32_t>(52 - k));
            std::swap(pool[k], pool[j]);
            r.Numbers[k] = pool[k];
        }
        r.SetDate(FormatDate(date));
        draws.push_back(r);
        date += (i % 2 == 0) ? 4 : 3; // Saturday -> Wednesday -> Saturday
    }
    return draws;
}

} // namespace zorb
