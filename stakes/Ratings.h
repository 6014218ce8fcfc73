// Ratings: every checked stake counted into the entry that bears its comment (letter case ignored), and each
// entry judged against random play, i.e. every stake replaced by an independent uniformly random stake of the
// same size on the same draw. The entries live in "<name>.lrt" (304-byte records, the list's order); how many
// stakes of each size 6..12 an entry holds lives beside it in "<name>.lrs", because the expected values of a
// 7..12-number stake are not those of a six-number one.
#pragma once

#include "stakes/StakesFile.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zorb {

constexpr size_t RatingRecordSize = 304;
constexpr size_t RatingSizesRecordSize = 256 + 7 * 4; // comment field, then seven stake counts
constexpr int MinStakeSize = NumbersPerDraw;
constexpr int StakeSizeCount = MaxStakeNumbers - MinStakeSize + 1; // 6..12

struct TRatingRecord {
    std::string Comment; // UTF-8 in memory; code page 1251, at most 255 bytes, in the file
    int32_t StakeCount = 0;
    int32_t MatchTotal = 0;
    std::array<int32_t, 7> MatchCounts{};
    Currency Profit = 0;
    std::array<int32_t, StakeSizeCount> SizeCounts{}; // stakes of 6, 7, ..., 12 numbers

    // Whether the size counters account for every stake; entries older than the counters do not.
    bool SizesKnown() const;
};

std::array<uint8_t, RatingRecordSize> EncodeRating(const TRatingRecord& r);
TRatingRecord DecodeRating(const uint8_t* bytes); // never fails: every field is taken as it stands

// P_n(k): the chance that a uniformly random n-number stake matches exactly k numbers of a draw.
double StakeMatchProbability(int n, int k);
// Mean and variance of the matches of a uniformly random n-number stake (hypergeometric: six drawn of 52).
inline double StakeMatchMean(int n) {
    return 6.0 * n / 52.0;
}
inline double StakeMatchVariance(int n) {
    return n * (6.0 / 52) * (46.0 / 52) * (52.0 - n) / 51.0;
}

// The entry against random play. With unknown sizes every stake counts as a six-number one and the columns
// that need the sizes (expected matches, profit, p-value) stay empty.
struct TRatingExpectation {
    bool SizesKnown = false;
    std::array<double, 7> E{}; // expected number of stakes with k matches
    double Matches = 0;        // expected "Угадано"
    double Sigma2 = 0;
    double Profit = 0; // expected profit in money units
    double PValue = 1; // P(random total >= observed "Угадано")
    bool Exact = true; // exact convolution, else the normal approximation
    // The p-value corrected for the other entries it was compared with (Holm's method); alone it is PValue.
    double CorrectedPValue = 1;
};
// `profit` gives the profit of an n-number stake with k matches (costs included).
using TStakeProfitFn = std::function<Currency(int numbers, int matches)>;
// The p-value costs a convolution over the stakes; `withPValue` false leaves it at 1.
TRatingExpectation ExpectRating(const TRatingRecord& r, const TStakeProfitFn& profit, bool withPValue = true);
constexpr int ExactPValueStakes = 1000; // beyond this many stakes the p-value is approximated

// Holm's step-down adjustment of p-values compared together: sorted ascending, the i-th of m becomes the largest
// min(1, (m - j + 1) p(j)) over j <= i. Returned in the given order.
std::vector<double> HolmAdjust(const std::vector<double>& p);
// Every entry against random play, with CorrectedPValue by Holm's method over the entries whose sizes are known.
// The p-values are convolutions over each entry's stakes, so the entries are worked on in parallel; the result
// does not depend on the number of threads.
std::vector<TRatingExpectation> ExpectRatings(const std::vector<TRatingRecord>& items, const TStakeProfitFn& profit);
// The same reusing what `known` still has for an entry (its p-value and expected values; the correction is always
// made afresh), so that a list where a few entries changed costs only their convolutions.
using TKnownExpectation = std::function<std::optional<TRatingExpectation>(size_t index)>;
std::vector<TRatingExpectation> ExpectRatings(const std::vector<TRatingRecord>& items, const TStakeProfitFn& profit,
                                              const TKnownExpectation& known);
// Below this many expected matches a p-value says little either way: such an entry gets no colour.
constexpr double MinExpectedMatches = 10;
constexpr double SignificanceLevel = 0.05;
inline bool FewData(const TRatingExpectation& e) {
    return e.Matches < MinExpectedMatches;
}
// Better than random play after the correction, on enough data: the only entries painted green.
inline bool Significant(const TRatingExpectation& e) {
    return e.SizesKnown && !FewData(e) && e.CorrectedPValue < SignificanceLevel;
}

// The list's columns: 0..12 as counted, 13..19 "E0".."E6" by the efficiency mode, then the random-play columns.
// The numbers are the list's own (sorting, export); the window may show them in another order.
constexpr int RatingColumnCount = 24;
constexpr int RatingEColumn = 13;
constexpr int RatingExpectedMatchesColumn = 20, RatingExpectedProfitColumn = 21, RatingPValueColumn = 22,
              RatingCorrectedPValueColumn = 23;
std::string RatingColumnCaption(int column); // translated
// What the column shows, for a header's tooltip (the E columns by the efficiency mode); translated.
std::string RatingColumnHint(int column, int effMode);
// The headers of the comparison with random play, one entry a line (`ratings random`); translated.
std::vector<std::string> RatingRandomCaptions();
std::vector<std::string> RatingRandomCells(const TRatingRecord& r, const TRatingExpectation& e);
std::string PValueMethodText(const TRatingExpectation& e); // "точно" or "приближенно", translated
// The cell's text; empty where the value does not exist (no stakes, unknown sizes).
std::string RatingCellText(const TRatingRecord& r, const TRatingExpectation& e, int column, int effMode);
// The value the sort compares: the exact value, for E columns the one shown; none for an empty cell.
std::optional<double> RatingSortValue(const TRatingRecord& r, const TRatingExpectation& e, int column, int effMode);

class TRatings {
public:
    const std::vector<TRatingRecord>& Items() const { return FItems; }
    size_t Count() const { return FItems.size(); }
    bool Empty() const { return FItems.empty(); }
    void Clear();
    // Counts a checked stake into its entry; false when the stake has no match count (unchecked).
    bool AddStake(const TStakeRecord& stake);

    // A missing ".lrt" gives no entries; a trailing partial record is ignored; a missing or shorter ".lrs"
    // leaves sizes unknown. Raises when a file cannot be read; the entries read so far stay.
    void Load(const std::string& lrtPath, const std::string& lrsPath);
    // Both files through a temporary file and a rename, so a failed write keeps the previous ones.
    void Save(const std::string& lrtPath, const std::string& lrsPath) const;
    // Stable; entries without stakes last in both directions, then entries with an empty cell.
    void Sort(int column, bool descending, int effMode, const TStakeProfitFn& profit);
    // Empties the entries and counts every checked stake of the file in file order.
    void Rebuild(TStakesFile& file);

    // CSV of the whole list as shown: headers and lines of all columns, CR LF between lines.
    std::string CsvText(int effMode, const TStakeProfitFn& profit) const;

private:
    void Reindex();
    std::vector<TRatingRecord> FItems;
    std::unordered_map<std::string, size_t> FIndex; // folded comment -> entry
};

// --- What the rating graphs draw --------------------------------------------------------------------------

// Profit per draw of every stake with a draw number >= 0, checked or not, in draw-number order.
std::vector<std::pair<int32_t, Currency>> ProfitByDraw(TStakesFile& file);
// The index of the first record that belongs to the newest `draws` draws of checked stakes (with the number of
// draws found, at most `draws`).
std::pair<int64_t, int> CountDrawsBackward(TStakesFile& file, int draws);
// Checked stakes from `from` on whose comment is one of `comments` (letter case ignored): comment, draw, value.
struct TStakePoint {
    std::string Comment;
    int32_t Draw;
    int Matches;
    Currency Profit;
};
std::vector<TStakePoint> StakesOfComments(TStakesFile& file, int64_t from, const std::vector<std::string>& comments);

// The rating comment as a scenario line: "a @ F1 + F2" becomes "F1|F2| | | | | | |a".
std::string RatingScriptLine(const std::string& comment);

} // namespace zorb
