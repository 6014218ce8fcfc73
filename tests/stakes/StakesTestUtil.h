// Stake records built from the 320-byte file layout alone, so that tests can check what the program writes and
// feed it files without going through the encoder under test.
#pragma once

#include "../core/TestFiles.h"
#include "core/KestoUtils.h"
#include "stakes/StakeRecord.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace zorb::test {

// The in-memory values the code under test takes.
inline TNumberSet Set(std::initializer_list<int> numbers) {
    TNumberSet s{};
    for (int n : numbers) s.Numbers[s.Count++] = static_cast<uint8_t>(n);
    return s;
}
inline TDrawRec Draw(int number, std::initializer_list<int> numbers) {
    TDrawRec d{};
    d.Draw = number;
    int k = 0;
    for (int n : numbers) d.Numbers[k++] = static_cast<uint8_t>(n);
    return d;
}

constexpr size_t RawStakeSize = 320;

struct TRawStake {
    uint8_t Version = 2;
    uint8_t Kind = 1;
    int32_t Draw = 0;
    bool Checked = false;
    int32_t Sample = 0;
    std::vector<int> Numbers;
    std::vector<int> Result; // the draw's numbers as drawn
    int32_t MatchedCount = -1;
    std::vector<int> Matched;
    int64_t Profit = 0;  // ten-thousandths
    std::string Comment; // already in code page 1251
};

inline void PutLe(std::string& b, size_t at, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline std::string RawStake(const TRawStake& s) {
    std::string b(RawStakeSize, '\0');
    b[0] = static_cast<char>(s.Version);
    b[1] = static_cast<char>(s.Kind);
    PutLe(b, 4, static_cast<uint32_t>(s.Draw), 4);
    b[8] = s.Checked ? 1 : 0;
    PutLe(b, 12, static_cast<uint32_t>(s.Sample), 4);
    PutLe(b, 16, static_cast<uint32_t>(s.Numbers.size()), 4);
    for (size_t i = 0; i < s.Numbers.size(); ++i) b[20 + i] = static_cast<char>(s.Numbers[i]);
    for (size_t i = 0; i < s.Result.size(); ++i) b[32 + i] = static_cast<char>(s.Result[i]);
    PutLe(b, 40, static_cast<uint32_t>(s.MatchedCount), 4);
    for (size_t i = 0; i < s.Matched.size(); ++i) b[44 + i] = static_cast<char>(s.Matched[i]);
    PutLe(b, 56, static_cast<uint64_t>(s.Profit), 8);
    b[64] = static_cast<char>(s.Comment.size());
    for (size_t i = 0; i < s.Comment.size(); ++i) b[65 + i] = s.Comment[i];
    return b;
}

inline std::string RawSeparator() {
    TRawStake s;
    s.Kind = 0;
    s.Draw = -1;
    return RawStake(s);
}

// An unchecked six-number stake as the program would hold it before its draw is known.
inline std::string RawOpenStake(int32_t draw, std::vector<int> numbers, const std::string& comment = "c",
                                int64_t profit = -125000) {
    TRawStake s;
    s.Draw = draw;
    s.Numbers = std::move(numbers);
    s.Profit = profit;
    s.Comment = comment;
    return RawStake(s);
}

inline int32_t RawI32(const std::string& bytes, size_t record, size_t offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + record * RawStakeSize + offset);
    return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// The draw number of every record of a stakes file (-1 for a separator).
inline std::vector<int> RawDrawColumn(const std::string& bytes) {
    std::vector<int> r;
    for (size_t i = 0; i + RawStakeSize <= bytes.size(); i += RawStakeSize)
        r.push_back(RawI32(bytes, i / RawStakeSize, 4));
    return r;
}

// First byte offset where two byte strings differ, for readable failures of byte comparisons.
inline std::string FirstDifference(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return "record " + std::to_string(i / RawStakeSize) + " offset " + std::to_string(i % RawStakeSize) + ": " +
                   std::to_string(static_cast<unsigned char>(a[i])) + " vs " +
                   std::to_string(static_cast<unsigned char>(b[i]));
    return a.size() == b.size() ? "equal" : "sizes " + std::to_string(a.size()) + " vs " + std::to_string(b.size());
}

} // namespace zorb::test
