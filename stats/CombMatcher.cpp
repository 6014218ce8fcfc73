#include "stats/CombMatcher.h"

namespace zorb {

bool TValueTable::Empty() const {
    for (uint8_t b : FBits)
        if (b) return false;
    return true;
}

TValueTable KeyTable(const TStatDrawArray& selected, int lo, int hi) {
    TValueTable t(lo, hi);
    for (const TStatDraw& r : selected)
        if (r.W(2) == 0 && r.W(3) == 0 && r.W(4) == 0) t.Set(r.W(1));
    return t;
}

TValueTable Word1Table(const TStatDrawArray& selected, int lo, int hi) {
    TValueTable t(lo, hi);
    for (const TStatDraw& r : selected) t.Set(r.W(1));
    return t;
}

TValueTable IntTable(const TStatDrawArray& selected, int k, int lo, int hi) {
    TValueTable t(lo, hi);
    for (const TStatDraw& r : selected) t.Set(r.I(k));
    return t;
}

TValueTable PairTable(const TStatDrawArray& selected, int lo, int hi) {
    TValueTable t(lo, hi);
    for (const TStatDraw& r : selected)
        if (r.I(2) == 0) t.Set(r.I(1));
    return t;
}

} // namespace zorb
