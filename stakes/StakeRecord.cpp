#include "stakes/StakeRecord.h"

#include "core/ByteRecord.h"
#include "core/TextUtils.h"

#include <algorithm>
#include <cstring>

namespace zorb {

namespace {

void PutSet(uint8_t* p, const TNumberSet& s) {
    PutI32(p, s.Count);
    std::memcpy(p + 4, s.Numbers, 12);
}

TNumberSet GetSet(const uint8_t* p) {
    TNumberSet s;
    s.Count = GetI32(p);
    std::memcpy(s.Numbers, p + 4, 12);
    return s;
}

} // namespace

TStakeRecord SeparatorRecord() {
    TStakeRecord r;
    r.Kind = skSeparator;
    r.DrawNumber = -1;
    return r;
}

TStakeRecord NewStakeRecord(uint8_t kind, const std::string& comment, const TNumberSet& numbers, int32_t drawNumber,
                            int32_t sampleSize, Currency profit) {
    TStakeRecord r;
    r.Kind = kind;
    r.DrawNumber = drawNumber;
    r.Comment = comment;
    r.SampleSize = sampleSize;
    r.Numbers = numbers;
    r.Numbers.Count = std::clamp(r.Numbers.Count, 0, MaxStakeNumbers);
    std::sort(r.Numbers.Numbers, r.Numbers.Numbers + r.Numbers.Count);
    r.Matched = TNumberSet{-1, {}};
    r.Profit = profit;
    return r;
}

std::array<uint8_t, StakeRecordSize> EncodeStake(const TStakeRecord& r) {
    std::array<uint8_t, StakeRecordSize> b{};
    b[0] = r.Version;
    b[1] = r.Kind;
    PutI32(&b[4], r.DrawNumber);
    b[8] = r.Checked ? 1 : 0;
    PutI32(&b[12], r.SampleSize);
    PutSet(&b[16], r.Numbers);
    std::memcpy(&b[32], r.DrawResult, 6);
    PutSet(&b[40], r.Matched);
    PutI64(&b[56], r.Profit);
    std::string comment = Utf8ToCp1251(r.Comment);
    if (comment.size() > 255) comment.resize(255);
    b[64] = static_cast<uint8_t>(comment.size());
    std::memcpy(&b[65], comment.data(), comment.size());
    return b;
}

TStakeRecord DecodeStake(const uint8_t* b) {
    TStakeRecord r;
    r.Version = b[0];
    r.Kind = b[1];
    r.DrawNumber = GetI32(&b[4]);
    r.Checked = b[8] != 0;
    r.SampleSize = GetI32(&b[12]);
    r.Numbers = GetSet(&b[16]);
    std::memcpy(r.DrawResult, &b[32], 6);
    r.Matched = GetSet(&b[40]);
    r.Profit = GetI64(&b[56]);
    r.Comment = Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(&b[65]), b[64]));
    return r;
}

std::string KindCaption(uint8_t kind) {
    return kind == skSeparator ? "" : StakeKindCaption(kind);
}

} // namespace zorb
