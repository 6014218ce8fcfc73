// The stake record: one bet on one draw, stored as 320 bytes in the stakes file.
#pragma once

#include "core/KestoUtils.h"

#include <array>
#include <string>
#include <string_view>

namespace zorb {

enum TStakeKindValue : uint8_t { skSeparator = 0 }; // the other kinds are TStakeKind of the game model

constexpr size_t StakeRecordSize = 320;
constexpr uint8_t StakeVersion = 2;

struct TStakeRecord {
    uint8_t Version = StakeVersion;
    uint8_t Kind = 0;
    int32_t DrawNumber = 0;
    bool Checked = false;
    int32_t SampleSize = 0;
    TNumberSet Numbers{};    // ascending
    uint8_t DrawResult[6]{}; // as the draw record holds them
    TNumberSet Matched{-1, {}};
    Currency Profit = 0;
    std::string Comment; // UTF-8 in memory; code page 1251, at most 255 bytes, in the file

    bool IsSeparator() const { return DrawNumber <= 0; }
};

TStakeRecord SeparatorRecord();
// A new unchecked stake as every producer makes it: the numbers ascending (whatever order they came in), the
// matched set empty, the comment as given (cut when stored), the profit as given (minus the stake's cost).
TStakeRecord NewStakeRecord(uint8_t kind, const std::string& comment, const TNumberSet& numbers, int32_t drawNumber,
                            int32_t sampleSize, Currency profit);
std::array<uint8_t, StakeRecordSize> EncodeStake(const TStakeRecord& r);
// Never fails: every field is taken as it stands, counts clipped to the set's capacity.
TStakeRecord DecodeStake(const uint8_t* bytes);
std::string KindCaption(uint8_t kind); // "Вручную", ...; empty for a separator or an unknown kind

} // namespace zorb
