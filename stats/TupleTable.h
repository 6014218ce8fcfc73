// Selected tuples of small symbols (1..52; 0 stands for "no symbol" and is never selected) as bit masks, so that
// a tuple filter tests a combination with a handful of lookups. Symbol s is bit s of a 64-bit mask; a table of
// tuples of length K keeps, per prefix of K - 1 symbols, the mask of the symbols that complete a selected tuple,
// and per shorter prefix the mask of the symbols that continue one (to cut the search early).
#pragma once

#include "stats/StatFramework.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zorb {

constexpr int TupleSymbols = 53; // 0 = no symbol, 1..52

// Bit s of a mask, none for symbol 0; s is 0..52.
inline uint64_t SymbolBit(int s) {
    return (uint64_t{1} << s) & ~uint64_t{1};
}

template <int K> class TTupleTable {
    static_assert(K >= 2 && K <= 4);

public:
    // Rows whose words W1..WK are symbols (by `symbolOf`, 0 for none) and whose further words are 0; the others
    // cannot equal any tuple a combination forms.
    template <class FSymbol> TTupleTable(const TStatDrawArray& selected, FSymbol symbolOf) {
        FLast.assign(Cells(K - 1), 0);
        if (K >= 3) FPre1.assign(TupleSymbols, 0);
        if (K == 4) FPre2.assign(Cells(2), 0);
        for (const TStatDraw& r : selected) {
            int s[4] = {0, 0, 0, 0};
            bool ok = true;
            for (int k = 0; k < 4; ++k) {
                const uint16_t w = r.W(k + 1);
                if (k < K) {
                    s[k] = symbolOf(w);
                    ok = ok && s[k] > 0 && s[k] < TupleSymbols;
                } else {
                    ok = ok && w == 0;
                }
            }
            if (!ok) continue;
            if (K >= 3) FPre1[static_cast<size_t>(s[0])] |= SymbolBit(s[1]);
            if (K == 4) FPre2[Cell(s[0], s[1])] |= SymbolBit(s[2]);
            FLast[Prefix(s)] |= SymbolBit(s[K - 1]);
        }
    }

    // One tuple of symbols (0 in any place: no match).
    bool Has(const int* s) const { return (FLast[Prefix(s)] >> s[K - 1]) & 1; }

    // Any choice of K of the n symbols, in position order: suffix[i] is the mask of the symbols after place i.
    bool AnyChoice(const int* s, const uint64_t* suffix, int n) const {
        if constexpr (K == 2) {
            for (int i = 0; i + 1 < n; ++i)
                if (FLast[static_cast<size_t>(s[i])] & suffix[i]) return true;
            return false;
        } else {
            for (int i = 0; i + K - 1 < n; ++i) {
                const uint64_t m1 = FPre1[static_cast<size_t>(s[i])] & suffix[i];
                if (!m1) continue;
                for (int j = i + 1; j + K - 2 < n; ++j) {
                    if (!((m1 >> s[j]) & 1)) continue;
                    if constexpr (K == 3) {
                        if (FLast[Cell(s[i], s[j])] & suffix[j]) return true;
                    } else {
                        const uint64_t m2 = FPre2[Cell(s[i], s[j])] & suffix[j];
                        if (!m2) continue;
                        for (int l = j + 1; l + 1 < n; ++l)
                            if (((m2 >> s[l]) & 1) && (FLast[Cell(s[i], s[j], s[l])] & suffix[l])) return true;
                    }
                }
            }
            return false;
        }
    }

    // Any window of K neighbouring symbols among n.
    bool AnyWindow(const int* s, int n) const {
        for (int i = 0; i + K <= n; ++i)
            if (Has(s + i)) return true;
        return false;
    }

    // Suffix masks of n symbols for AnyChoice.
    static void Suffixes(const int* s, int n, uint64_t* suffix) {
        uint64_t m = 0;
        for (int i = n - 1; i >= 0; --i) {
            suffix[i] = m;
            m |= SymbolBit(s[i]);
        }
    }

private:
    static size_t Cells(int dims) {
        size_t c = 1;
        for (int d = 0; d < dims; ++d) c *= TupleSymbols;
        return c;
    }
    static size_t Cell(int a) { return static_cast<size_t>(a); }
    static size_t Cell(int a, int b) { return static_cast<size_t>(a) * TupleSymbols + static_cast<size_t>(b); }
    static size_t Cell(int a, int b, int c) { return Cell(a, b) * TupleSymbols + static_cast<size_t>(c); }
    static size_t Prefix(const int* s) {
        if constexpr (K == 2)
            return Cell(s[0]);
        else if constexpr (K == 3)
            return Cell(s[0], s[1]);
        else
            return Cell(s[0], s[1], s[2]);
    }

    std::vector<uint64_t> FPre1, FPre2, FLast;
};

// Symbols of numbers: 1..52 stand for themselves; anything else is no number.
inline const std::array<uint8_t, 256>& NumberSymbols() {
    static const std::array<uint8_t, 256> t = [] {
        std::array<uint8_t, 256> a{};
        for (int n = MinNumber; n <= MaxNumber; ++n) a[static_cast<size_t>(n)] = static_cast<uint8_t>(n);
        return a;
    }();
    return t;
}

inline bool IsGameNumber(int n) {
    return n >= MinNumber && n <= MaxNumber;
}

} // namespace zorb
