// The templates the method families share: a method's counting and plain match written once from its value
// function (one value per draw, or any number merged by one function), the seeding of a fixed range of values,
// and a caption formatted with the class's own number.
#pragma once

#include "core/Format.h"
#include "core/Translate.h"
#include "stats/StatFramework.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace zorb {

// The caption of a class without a parameter whose caption text takes a number of its own ("%0:d"), such as
// its tuple length.
template <const char* Caption, int N> std::string NumberedCaption(int) {
    return Format(Tr(Caption), N);
}

// Descriptor fields of a tuple class: values shown as "a:b:c", never read back from a text, and the caption
// formatted with the tuple length.
template <const char* Caption, int K> constexpr TStatClass TupleFields() {
    return {.HasTextValues = false, .CaptionOfFn = NumberedCaption<Caption, K>};
}

// Where a one-value method keeps its value in the key, and how the plain match looks it up among the selected rows.
enum class TValueKey {
    W1,   // word 1, found by FindWord(1, v)
    I1,   // integer 1, found by FindInt(1, v)
    Sum,  // integer 1, found by FindPair(v, 0)
    Bits, // all eight key bytes, found by an equal key
};

template <TValueKey Key, class V> void PutValue(TStatDraw& row, V v) {
    if constexpr (Key == TValueKey::W1) {
        row.SetW(1, static_cast<uint16_t>(v));
    } else if constexpr (Key == TValueKey::Bits) {
        const uint64_t key = v;
        std::memcpy(row.Key, &key, sizeof key);
    } else {
        row.SetI(1, static_cast<int32_t>(v));
    }
}

template <TValueKey Key, class V> bool FindValue(const TStatDrawArray& selected, V v) {
    if constexpr (Key == TValueKey::W1) {
        return FindWord(selected, 1, static_cast<uint16_t>(v));
    } else if constexpr (Key == TValueKey::I1) {
        return FindInt(selected, 1, static_cast<int32_t>(v));
    } else if constexpr (Key == TValueKey::Sum) {
        return FindPair(selected, static_cast<int32_t>(v), 0);
    } else {
        const uint64_t key = v;
        for (const TStatDraw& r : selected)
            if (std::memcmp(r.Key, &key, sizeof key) == 0) return true;
        return false;
    }
}

// A method whose draw or combination has exactly one value: Self's Value(numbers), or Value(numbers, index, sorted)
// when the value also depends on the draws before index. Such a method counts no combination on its own, and in
// the plain match the combination stands in for the draw after the window. Self keeps its seeds, its texts and its
// fast matcher and counter.
template <class Base, class Self, TValueKey Key = TValueKey::W1> class TOneValueStat : public Base {
public:
    using Base::Base;

    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        PutValue<Key>(this->FWork, ValueAt(this->FCurDraw.Numbers, index, sorted));
        this->Merge(table, true);
    }
    void CountComb(const TComb& comb, TStatDrawArray& table) override {
        TCustomStat::CountComb(comb, table);
        if constexpr (requires(const Self& s) { s.Value(comb.N); }) {
            PutValue<Key>(this->FWork, static_cast<const Self&>(*this).Value(comb.N));
            this->Merge(table, false);
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int windowEnd, bool sorted, bool) override {
        return FindValue<Key>(selected, ValueAt(comb.N, windowEnd + 1, sorted));
    }

private:
    auto ValueAt(const uint8_t* n, int index, bool sorted) const {
        const Self& self = static_cast<const Self&>(*this);
        if constexpr (requires { self.Value(n, index, sorted); })
            return self.Value(n, index, sorted);
        else
            return self.Value(n);
    }
};

// Seeds word 1 with Lo..Hi, so that values no draw of the window had still show, with count 0.
template <class Base, int Lo, int Hi> class TSeededW1 : public Base {
public:
    using Base::Base;

    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        for (int v = Lo; v <= Hi; ++v) this->SeedW1(table, static_cast<uint16_t>(v));
    }
};

// A method with any number of values per draw, all merged by Self's MergeValues(numbers, table, trackGaps): a
// draw's values update the occurrence gaps, a combination's do not.
template <class Base, class Self> class TMergedValuesStat : public Base {
public:
    using Base::Base;

    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        static_cast<Self&>(*this).MergeValues(this->FCurDraw.Numbers, table, true);
    }
    void CountComb(const TComb& comb, TStatDrawArray& table) override {
        TCustomStat::CountComb(comb, table);
        static_cast<Self&>(*this).MergeValues(comb.N, table, false);
    }
};

} // namespace zorb
