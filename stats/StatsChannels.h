// Channel, matrix and segment methods: the numbers grouped into channels of ChannelSize numbers, into the columns
// and rows of a matrix of MatrixCols columns, or into the user's segments, and what a draw does to the groups
// (which it touches, how many numbers each holds, patterns, adjacency, one group's count, tuples of groups).
#pragma once

#include "stats/StatFramework.h"

#include <array>
#include <vector>

namespace zorb {

class TStatList;

// The class descriptors of this family, in registry order.
const std::vector<const TStatClass*>& ChannelMatrixClasses();

// Settings outside the dialog's ranges (a hand-edited file) are read as the defaults: a zero width divides by
// zero and a huge one blows up the seed tables.
int ValidChannelSize(int channelSize);                 // 3..52, else 4
int ValidMatrixCols(int matrixCols);                   // 1..52, else 7
int MatrixRowCount(int matrixCols);                    // ceil(52 / columns) of the valid width
std::string ChannelText(int channel, int channelSize); // "%.2d [%s-%s]"

// Parameter ranges of the methods about one channel or one segment: every channel of the valid width, every segment
// of the map.
void ChannelParams(const TStatList& list, int& lo, int& hi);
void SegmentParams(const TStatList& list, int& lo, int& hi);

enum class TGroupKind { Channels, Columns, Rows, Segments };

// The group of every byte value, so that numbers outside 1..52 from user lists cost no test: they lie in no group.
struct TGroupMap {
    static constexpr uint8_t None = 0xFF;
    std::array<uint8_t, 256> Of;   // group number of n, None outside 1..52
    std::vector<uint8_t> Groups;   // every existing group, in tally order
    std::array<uint8_t, 256> Slot; // position of a group number in Groups, None for no group
    int MaxGroup = 0;              // largest group number

    static TGroupMap Make(TGroupKind kind, int channelSize, int matrixCols, const std::array<uint8_t, 52>& segments);
    bool Has(uint8_t n) const { return Of[n] != None; }
};

template <class Base> class TChannelsOf : public Base {
public:
    TChannelsOf(TStatList& list, int param);

protected:
    int32_t FChannelSize;
    TGroupMap Map() const { return TGroupMap::Make(TGroupKind::Channels, FChannelSize, 7, {}); }
};

template <class Base> class TMatrixOf : public Base {
public:
    TMatrixOf(TStatList& list, int param);

protected:
    uint8_t FMatrixCols;
    uint8_t FMatrixRows;
    TGroupMap Map(TGroupKind kind) const { return TGroupMap::Make(kind, 4, FMatrixCols, {}); }
};

template <class Base> class TSegmentsOf : public Base {
public:
    TSegmentsOf(TStatList& list, int param);

protected:
    std::array<uint8_t, 52> FSegments; // index = number - 1
    TGroupMap Map() const { return TGroupMap::Make(TGroupKind::Segments, 4, 7, FSegments); }
};

class TCustomChannelsStat : public TChannelsOf<TCustomNumbersStat> {
public:
    using TChannelsOf::TChannelsOf;
};
class TCustomChannelsGraphStat : public TChannelsOf<TCustomGraphStat> {
public:
    using TChannelsOf::TChannelsOf;
};
class TCustomMatrixStat : public TMatrixOf<TCustomNumbersStat> {
public:
    using TMatrixOf::TMatrixOf;
};
class TCustomMatrixGraphStat : public TMatrixOf<TCustomGraphStat> {
public:
    using TMatrixOf::TMatrixOf;
};
class TCustomSegmentsStat : public TSegmentsOf<TCustomNumbersStat> {
public:
    using TSegmentsOf::TSegmentsOf;
};
class TCustomSegmentsGraphStat : public TSegmentsOf<TCustomGraphStat> {
public:
    using TSegmentsOf::TSegmentsOf;
};

} // namespace zorb
