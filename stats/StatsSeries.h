// Ognev, series and period methods: the characteristic number of a draw (repeated differences of neighbours),
// runs of presence or absence of a number, channel or segment over consecutive draws, and the gaps in draw
// numbers between two appearances of one.
#pragma once

#include "stats/StatFramework.h"

#include <array>
#include <vector>

namespace zorb {

// The class descriptors of this family: GRPV..PRDG, then HCO1..HCO3 (registry order within each part).
const std::vector<const TStatClass*>& SeriesClasses();

// The characteristic number of six numbers taken in their given order. Variant 0: the last difference d;
// 1: a + b of the last two values when d < 2; 2: a + b when d = 0 and the pair (1, a + b) when d = 1.
struct TCharacteristic {
    int Value = 0;
    bool Pair = false; // variant 2 only: the value is the pair (1, Value)
};
TCharacteristic Characteristic(const uint8_t* x, int variant);

// The group of every byte value as the series, period and transition methods read it: the number itself, its
// channel or its segment for 1..52, and 0 for any other byte (missing draws are zeros, user lists hold any byte),
// so that no byte indexes outside a table.
struct TByteGroups {
    std::array<uint8_t, 256> Of{};
    int MinValue = 1, MaxValue = 52; // the range of group values of the numbers 1..52
    bool ChannelText = false;        // channels are written "%.2d"
    std::string Text(int group) const;

    static TByteGroups Numbers();
    static TByteGroups Channels(int channelSize);
    static TByteGroups Segments(const std::array<uint8_t, 52>& segments);
};

} // namespace zorb
