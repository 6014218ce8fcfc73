// Game model of "Зорб Мега" (6 of 52): records exchanged by every module, game constants and stateless helpers.
// Records are plain, trivially copyable and have fixed byte layouts because files hold them verbatim.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zorb {

constexpr int NumbersPerDraw = 6;
constexpr int MinNumber = 1;
constexpr int MaxNumber = 52;
constexpr int FullCombsCount = 20358520; // C(52,6)
constexpr int MaxStakeNumbers = 12;      // capacity of TNumberSet
constexpr int MaxExtendedStake = 10;     // largest extended stake the settings allow

// Money in ten-thousandths of the currency unit (12.5 is held as 125000).
using Currency = int64_t;
constexpr Currency CurrencyScale = 10000;
Currency CurrencyFromDouble(double value); // rounds to the nearest ten-thousandth
double CurrencyToDouble(Currency value);

// Days since 1899-12-30 (0 means "no date"); the fraction would be the time of day, which draws never carry.
using TDateTime = double;

// One draw; the archive file stores exactly these 24 bytes (little-endian number).
struct TDrawRec {
    int32_t Draw;       // draw number, >= 1
    uint8_t Numbers[6]; // in the order the source gave them
    uint8_t DateLen;    // 0..10
    char DateText[10];  // "yyyy-mm-dd"; bytes beyond DateLen are not significant
    uint8_t Padding[3]; // not significant, kept so a rewritten file stays byte-identical

    std::string Date() const; // the date text clipped to its length byte
    void SetDate(std::string_view text);
};
static_assert(sizeof(TDrawRec) == 24, "TDrawRec is a file record");
static_assert(offsetof(TDrawRec, Numbers) == 4 && offsetof(TDrawRec, DateLen) == 10 &&
              offsetof(TDrawRec, DateText) == 11 && offsetof(TDrawRec, Padding) == 21);

using TDrawsArray = std::vector<TDrawRec>;

// One combination: six number bytes, ascending when generated.
struct TComb {
    uint8_t N[6];
    bool operator==(const TComb&) const = default;
};
static_assert(sizeof(TComb) == 6);

// The numbers of a stake: the first Count of Numbers are used.
struct TNumberSet {
    int32_t Count;
    uint8_t Numbers[12];
};
static_assert(sizeof(TNumberSet) == 16);

// 256-bit set: bit n is bit (n mod 32) of word (n div 32).
struct TNumberMask {
    uint32_t Words[8];

    void Clear();
    void Include(uint8_t n) { Words[n >> 5] |= 1u << (n & 31); }
    bool Contains(uint8_t n) const { return (Words[n >> 5] >> (n & 31)) & 1u; }
    bool Empty() const;
    bool operator==(const TNumberMask&) const = default;
};
static_assert(sizeof(TNumberMask) == 32);

using TByteArray = std::vector<uint8_t>;
using TIntArray = std::vector<int32_t>;

// Stake kinds.
enum TStakeKind : int { skManual = 1, skRegular = 2, skScenario = 3, skSystem = 4 };

// --- Arithmetic of the game -------------------------------------------------------------------

long double Factorial(int n);
int64_t Binomial(int n, int k);
int64_t MatchesCount(int n, int k, int m);
int CeilDiv(int a, int b);
int MatrixRows(int first, int last, int columns);
int NumberColumn(int n, int columns);
int NumberRow(int n, int columns);
int NumberAtCell(int row, int column, int columns);
int ShiftNumber(int n, int k);
TComb ShiftComb(const TComb& comb, int k);
int NumberChannel(int n, int size);

// The match distribution: index k = combinations sharing exactly k numbers with one draw.
struct TMatchDistribution {
    std::array<int64_t, 7> Counts;
    std::array<double, 7> Probabilities;
};
TMatchDistribution ComputeMatchDistribution();

// --- Membership and comparison -----------------------------------------------------------------

bool NumberInDraw(int n, const TDrawRec& draw);
bool NumberInComb(int n, const TComb& comb);
bool ChannelInDraw(int ch, const TDrawRec& draw, int size);
bool ClassInDraw(uint8_t v, const TDrawRec& draw, const uint8_t map[52]);
bool ByteInArray(uint8_t b, const TByteArray& a);
void AddToSet(uint8_t b, TByteArray& a);
void AppendByte(uint8_t b, TByteArray& a);
int Matches(const TDrawRec& draw, const TComb& comb);
int Matches(const TDrawRec& a, const TDrawRec& b);
TNumberSet Intersect(const TDrawRec& draw, const TNumberSet& set);
bool SameSet(const TNumberSet& a, const TNumberSet& b);
int DistinctNumbers(const TComb* list, size_t n);
TByteArray CollectNumbers(const TComb* list, size_t n);
TNumberSet PickNumbers(const TComb* list, size_t n, int size);
TNumberSet CombToSet(const TComb& comb);
TComb DrawNumbers(const TDrawRec& draw);

// --- Sorting (stable insertion sorts) ----------------------------------------------------------

void SortComb(TComb& comb);
void SortDrawNumbers(TDrawRec& draw);
void SortNumberSet(TNumberSet& set);
void SortIntsDesc(TIntArray& list);

// --- Text forms ----------------------------------------------------------------------------------

std::string DrawDescription(const TDrawRec& draw);
std::string CombToList(const TComb& comb);
std::string CombToPaddedText(const TComb& comb);
std::string NumberSetToText(const TNumberSet& set, std::string_view separator);
std::string IntListToText(const TIntArray& list, std::string_view separator);
std::string StakeKindCaption(int code);

TDateTime EncodeDate(int year, int month, int day); // raises on a day that does not exist
void DecodeDate(TDateTime d, int& year, int& month, int& day);
TDateTime Today();
std::string FormatDate(TDateTime d);        // "yyyy-mm-dd", empty when d <= 0
TDateTime ParseDate(std::string_view text); // 0 for empty text; raises on a date that does not exist
TComb ParseComb(std::string_view text); // raises "Некорректная комбинация: ..." unless six words
TIntArray ParseValueList(std::string_view text); // empty on any malformed input

// --- Channel colours -----------------------------------------------------------------------------

using TColor = uint32_t; // 0xRRGGBB
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clPureRed = 0xFF0000;
TColor ChannelColor(int n, int channelSize);

} // namespace zorb
